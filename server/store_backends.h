// The two keepers of the Hall's table behind store.h: SQLite in one file, PostgreSQL over a URL.
#pragma once

#include "server/store.h"

// SQLite: one connection for the process, one question at a time.
SqliteStore* OpenSqlite(const std::string& file, std::string* error);
void CloseSqlite(SqliteStore* store);
Run SqliteAddRun(SqliteStore& store, const Run& run, const std::string& hash,
                 const std::string& recording, bool* added);
std::optional<Run> SqliteRunById(SqliteStore& store, int64_t id);
std::optional<Run> SqliteRunByHash(SqliteStore& store, const std::string& hash);
std::optional<std::string> SqliteGetRecording(SqliteStore& store, int64_t id);
std::vector<Run> SqliteTop(SqliteStore& store, int64_t since, const std::string* name, int limit);
int64_t SqliteRank(SqliteStore& store, const Run& run);
bool SqliteHealthy(SqliteStore& store);

// PostgreSQL: a few connections shared by the request threads; any number of processes.
PostgresStore* OpenPostgres(const std::string& url, std::string* error);
void ClosePostgres(PostgresStore* store);
Run PostgresAddRun(PostgresStore& store, const Run& run, const std::string& hash,
                   const std::string& recording, bool* added);
std::optional<Run> PostgresRunById(PostgresStore& store, int64_t id);
std::optional<Run> PostgresRunByHash(PostgresStore& store, const std::string& hash);
std::optional<std::string> PostgresGetRecording(PostgresStore& store, int64_t id);
std::vector<Run> PostgresTop(PostgresStore& store, int64_t since, const std::string* name, int limit);
int64_t PostgresRank(PostgresStore& store, const Run& run);
bool PostgresHealthy(PostgresStore& store);

// The questions both databases are asked, each one constant text with bound parameters ($1 ...
// in PostgreSQL, ?1 ... in SQLite, which SQLite also reads as $1 ...).
#define RUN_COLUMNS "id, name, score, level, kills, frames, rules_version, submitted_at"
constexpr const char* SQL_INSERT_RUN =
    "INSERT INTO runs (recording_hash, name, score, level, kills, frames, rules_version,"
    " submitted_at, recording) VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9)"
    " ON CONFLICT (recording_hash) DO NOTHING RETURNING id";
constexpr const char* SQL_RUN_BY_ID = "SELECT " RUN_COLUMNS " FROM runs WHERE id = $1";
constexpr const char* SQL_RUN_BY_HASH =
    "SELECT " RUN_COLUMNS " FROM runs WHERE recording_hash = $1";
constexpr const char* SQL_RECORDING = "SELECT recording FROM runs WHERE id = $1";
constexpr const char* SQL_TOP = "SELECT " RUN_COLUMNS
    " FROM runs WHERE submitted_at >= $1 ORDER BY score DESC, id LIMIT $2";
constexpr const char* SQL_PLAYER = "SELECT " RUN_COLUMNS
    " FROM runs WHERE name = $1 ORDER BY score DESC, id LIMIT $2";
constexpr const char* SQL_RANK =
    "SELECT COUNT(*) FROM runs WHERE score > $1 OR (score = $1 AND id < $2)";
constexpr const char* SQL_SCHEMA_TABLE =
    "CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)";
constexpr const char* SQL_SCHEMA_VERSION = "SELECT COALESCE(MAX(version), 0) FROM schema_version";
constexpr const char* SQL_SET_SCHEMA_VERSION = "INSERT INTO schema_version (version) VALUES ($1)";
