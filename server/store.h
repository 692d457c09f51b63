// The Hall's table of verified runs, kept in SQLite or PostgreSQL: the same schema and the same
// questions on both, every value a bound parameter.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// One verified run. The numbers are the server's own replay's; the name is UTF-8.
struct Run {
    int64_t id = 0;
    std::string name;
    int32_t score = 0, level = 0, kills = 0;
    uint32_t frames = 0, rulesVersion = 0;
    int64_t submittedAt = 0;  // seconds since 1970, UTC
};

struct SqliteStore;
struct PostgresStore;
// Exactly one of the two is open.
struct Store {
    SqliteStore* sqlite = nullptr;
    PostgresStore* postgres = nullptr;
    Store() = default;
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;
    ~Store();
};

// Opens the table in SQLite under dataDir (made if missing) or, when databaseUrl is given, in
// PostgreSQL, and brings its schema to this program's version. Null, with one line in *error,
// when it cannot.
std::unique_ptr<Store> OpenStore(const std::string& dataDir, const std::string& databaseUrl,
                                 std::string* error);

// The database errors below throw std::runtime_error; the HTTP layer answers them with 500.

// Adds a run under the hash of its recording's bytes. When a run with that hash is already
// there, nothing is added and that run is returned with *added false.
Run StoreAddRun(Store& store, const Run& run, const std::string& hash, const std::string& recording,
                bool* added);
std::optional<Run> StoreFindByHash(Store& store, const std::string& hash);
std::optional<Run> StoreGetRun(Store& store, int64_t id);
std::optional<std::string> StoreGetRecording(Store& store, int64_t id);
// The best runs submitted at or after `since` (0 for all time), best first: higher score, then
// the earlier run.
std::vector<Run> StoreTop(Store& store, int64_t since, int limit);
// A player's runs under that exact name, best first.
std::vector<Run> StorePlayerRuns(Store& store, const std::string& name, int limit);
// 1 + the number of runs ahead of this one on the all-time table.
int64_t StoreRank(Store& store, const Run& run);
// True when the database answers.
bool StoreHealthy(Store& store);

// The schema, one step per version; each database runs the steps it has not run yet, in order.
struct SchemaStep {
    const char* sqlite;
    const char* postgres;
};
const std::vector<SchemaStep>& SchemaSteps();
