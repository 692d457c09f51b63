// The Hall's table in SQLite: one database file in the data folder, one connection, one question
// at a time (a question takes well under a millisecond; verification is what takes time).
#include "server/store_backends.h"

#include <sqlite3.h>

#include <mutex>
#include <stdexcept>
#include <variant>

struct SqliteStore {
    sqlite3* db = nullptr;
    std::mutex lock;
};

using SqliteValue = std::variant<int64_t, std::string, const std::string*>;  // the last: a blob

// One prepared statement, finalised on every way out.
struct Statement {
    sqlite3_stmt* handle = nullptr;
    Statement(sqlite3* db, const char* sql) {
        if (sqlite3_prepare_v2(db, sql, -1, &handle, nullptr) != SQLITE_OK)
            throw std::runtime_error(std::string("sqlite: ") + sqlite3_errmsg(db));
    }
    ~Statement() { sqlite3_finalize(handle); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
};

static void Check(sqlite3* db, int status) {
    if (status != SQLITE_OK && status != SQLITE_ROW && status != SQLITE_DONE)
        throw std::runtime_error(std::string("sqlite: ") + sqlite3_errmsg(db));
}

// Binds $1, $2 ... by name, so that a parameter used twice is bound once.
static void Bind(sqlite3* db, Statement& statement, const std::vector<SqliteValue>& values) {
    for (size_t i = 0; i < values.size(); ++i) {
        const std::string name = std::string(1, '$').append(std::to_string(i + 1));
        const int index = sqlite3_bind_parameter_index(statement.handle, name.c_str());
        const SqliteValue& value = values[i];
        if (const auto* number = std::get_if<int64_t>(&value)) {
            Check(db, sqlite3_bind_int64(statement.handle, index, *number));
        } else if (const auto* text = std::get_if<std::string>(&value)) {
            Check(db, sqlite3_bind_text(statement.handle, index, text->data(), int(text->size()),
                                        SQLITE_TRANSIENT));
        } else {
            const std::string* blob = std::get<const std::string*>(value);
            Check(db, sqlite3_bind_blob(statement.handle, index, blob->data(), int(blob->size()),
                                        SQLITE_STATIC));
        }
    }
}

static Run ReadRun(sqlite3_stmt* row) {
    Run run;
    run.id = sqlite3_column_int64(row, 0);
    const unsigned char* name = sqlite3_column_text(row, 1);
    run.name = name ? reinterpret_cast<const char*>(name) : "";
    run.score = sqlite3_column_int(row, 2);
    run.level = sqlite3_column_int(row, 3);
    run.kills = sqlite3_column_int(row, 4);
    run.frames = uint32_t(sqlite3_column_int64(row, 5));
    run.rulesVersion = uint32_t(sqlite3_column_int64(row, 6));
    run.submittedAt = sqlite3_column_int64(row, 7);
    return run;
}

static std::vector<Run> QueryRuns(SqliteStore& store, const char* sql,
                                  const std::vector<SqliteValue>& values) {
    Statement statement(store.db, sql);
    Bind(store.db, statement, values);
    std::vector<Run> runs;
    int status;
    while ((status = sqlite3_step(statement.handle)) == SQLITE_ROW)
        runs.push_back(ReadRun(statement.handle));
    Check(store.db, status);
    return runs;
}

static void Execute(sqlite3* db, const char* sql) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string text = message ? message : "unknown error";
        sqlite3_free(message);
        throw std::runtime_error("sqlite: " + text);
    }
}

static int64_t QueryNumber(sqlite3* db, const char* sql, const std::vector<SqliteValue>& values) {
    Statement statement(db, sql);
    Bind(db, statement, values);
    const int status = sqlite3_step(statement.handle);
    Check(db, status);
    return status == SQLITE_ROW ? sqlite3_column_int64(statement.handle, 0) : 0;
}

// Runs the schema steps this database has not run yet, all in one transaction.
static void Migrate(sqlite3* db) {
    Execute(db, "BEGIN IMMEDIATE");
    try {
        Execute(db, SQL_SCHEMA_TABLE);
        const int64_t version = QueryNumber(db, SQL_SCHEMA_VERSION, {});
        const auto& steps = SchemaSteps();
        if (version > int64_t(steps.size()))
            throw std::runtime_error("the database was made by a newer server (schema version " +
                                     std::to_string(version) + ")");
        for (int64_t step = version; step < int64_t(steps.size()); ++step) {
            Execute(db, steps[size_t(step)].sqlite);
            QueryNumber(db, SQL_SET_SCHEMA_VERSION, {step + 1});
        }
        Execute(db, "COMMIT");
    } catch (...) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

SqliteStore* OpenSqlite(const std::string& file, std::string* error) {
    auto store = std::make_unique<SqliteStore>();
    if (sqlite3_open_v2(file.c_str(), &store->db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                        nullptr) != SQLITE_OK) {
        *error = "cannot open " + file + ": " + sqlite3_errmsg(store->db);
        sqlite3_close(store->db);
        return nullptr;
    }
    try {
        // Write-ahead logging keeps readers going while a run is added, and a crash loses
        // at most the run being added.
        sqlite3_busy_timeout(store->db, 5000);
        Execute(store->db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;");
        Migrate(store->db);
    } catch (const std::exception& failure) {
        *error = file + ": " + failure.what();
        sqlite3_close(store->db);
        return nullptr;
    }
    return store.release();
}

void CloseSqlite(SqliteStore* store) {
    sqlite3_close(store->db);
    delete store;
}

Run SqliteAddRun(SqliteStore& store, const Run& run, const std::string& hash,
                 const std::string& recording, bool* added) {
    std::lock_guard<std::mutex> hold(store.lock);
    Run stored = run;
    {
        Statement statement(store.db, SQL_INSERT_RUN);
        Bind(store.db, statement,
             {hash, run.name, int64_t(run.score), int64_t(run.level), int64_t(run.kills),
              int64_t(run.frames), int64_t(run.rulesVersion), run.submittedAt, &recording});
        const int status = sqlite3_step(statement.handle);
        Check(store.db, status);
        *added = status == SQLITE_ROW;
        if (*added) stored.id = sqlite3_column_int64(statement.handle, 0);
    }
    if (*added) return stored;
    const auto existing = QueryRuns(store, SQL_RUN_BY_HASH, {hash});
    if (existing.empty()) throw std::runtime_error("sqlite: a run vanished while it was added");
    return existing.front();
}

std::optional<Run> SqliteRunById(SqliteStore& store, int64_t id) {
    std::lock_guard<std::mutex> hold(store.lock);
    const auto runs = QueryRuns(store, SQL_RUN_BY_ID, {id});
    return runs.empty() ? std::nullopt : std::optional<Run>(runs.front());
}

std::optional<Run> SqliteRunByHash(SqliteStore& store, const std::string& hash) {
    std::lock_guard<std::mutex> hold(store.lock);
    const auto runs = QueryRuns(store, SQL_RUN_BY_HASH, {hash});
    return runs.empty() ? std::nullopt : std::optional<Run>(runs.front());
}

std::optional<std::string> SqliteGetRecording(SqliteStore& store, int64_t id) {
    std::lock_guard<std::mutex> hold(store.lock);
    Statement statement(store.db, SQL_RECORDING);
    Bind(store.db, statement, {id});
    const int status = sqlite3_step(statement.handle);
    Check(store.db, status);
    if (status != SQLITE_ROW) return std::nullopt;
    const void* bytes = sqlite3_column_blob(statement.handle, 0);
    const int size = sqlite3_column_bytes(statement.handle, 0);
    return bytes ? std::string(static_cast<const char*>(bytes), size_t(size)) : std::string();
}

std::vector<Run> SqliteTop(SqliteStore& store, int64_t since, const std::string* name, int limit) {
    std::lock_guard<std::mutex> hold(store.lock);
    if (name) return QueryRuns(store, SQL_PLAYER, {*name, int64_t(limit)});
    return QueryRuns(store, SQL_TOP, {since, int64_t(limit)});
}

int64_t SqliteRank(SqliteStore& store, const Run& run) {
    std::lock_guard<std::mutex> hold(store.lock);
    return 1 + QueryNumber(store.db, SQL_RANK, {int64_t(run.score), run.id});
}

bool SqliteHealthy(SqliteStore& store) {
    std::lock_guard<std::mutex> hold(store.lock);
    try {
        return QueryNumber(store.db, "SELECT 1", {}) == 1;
    } catch (const std::exception&) {
        return false;
    }
}
