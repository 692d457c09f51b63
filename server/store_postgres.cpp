// The Hall's table in PostgreSQL: any number of server processes share one database, so nothing
// that matters lives in a process. Each request thread borrows a connection from a small pool.
#include "server/store_backends.h"

#include <pqxx/pqxx>

#include <mutex>

struct PostgresStore {
    std::string url;
    std::mutex lock;
    std::vector<std::unique_ptr<pqxx::connection>> idle;
};

// A connection borrowed for one question: back to the pool when the question went well,
// dropped when it failed (a broken connection is replaced by a new one on the next question).
struct Borrowed {
    PostgresStore& store;
    std::unique_ptr<pqxx::connection> connection;
    bool healthy = false;
    explicit Borrowed(PostgresStore& owner) : store(owner) {
        {
            std::lock_guard<std::mutex> hold(store.lock);
            if (!store.idle.empty()) {
                connection = std::move(store.idle.back());
                store.idle.pop_back();
            }
        }
        if (!connection) connection = std::make_unique<pqxx::connection>(store.url);
    }
    ~Borrowed() {
        if (!healthy) return;
        std::lock_guard<std::mutex> hold(store.lock);
        // A few idle connections are plenty: a question takes about a millisecond.
        if (store.idle.size() < 8) store.idle.push_back(std::move(connection));
    }
};

static Run ReadRun(const pqxx::row& row) {
    Run run;
    run.id = row[0].as<int64_t>();
    run.name = row[1].as<std::string>();
    run.score = row[2].as<int32_t>();
    run.level = row[3].as<int32_t>();
    run.kills = row[4].as<int32_t>();
    run.frames = uint32_t(row[5].as<int64_t>());
    run.rulesVersion = uint32_t(row[6].as<int64_t>());
    run.submittedAt = row[7].as<int64_t>();
    return run;
}

static std::vector<Run> ReadRuns(const pqxx::result& result) {
    std::vector<Run> runs;
    for (const auto& row : result) runs.push_back(ReadRun(row));
    return runs;
}

// Runs one question in its own transaction on a borrowed connection.
template <typename Question>
static auto Ask(PostgresStore& store, Question question) {
    Borrowed borrowed(store);
    pqxx::work work(*borrowed.connection);
    auto answer = question(work);
    work.commit();
    borrowed.healthy = true;
    return answer;
}

// Runs the schema steps this database has not run yet. Two servers starting together take
// turns: the first migrates, the second finds it done.
static void Migrate(pqxx::connection& connection) {
    pqxx::work work(connection);
    work.exec("SELECT pg_advisory_xact_lock(7201524)");
    work.exec(SQL_SCHEMA_TABLE);
    const int64_t version = work.exec(SQL_SCHEMA_VERSION)[0][0].as<int64_t>();
    const auto& steps = SchemaSteps();
    if (version > int64_t(steps.size()))
        throw std::runtime_error("the database was made by a newer server (schema version " +
                                 std::to_string(version) + ")");
    for (int64_t step = version; step < int64_t(steps.size()); ++step) {
        work.exec(steps[size_t(step)].postgres);
        work.exec_params(SQL_SET_SCHEMA_VERSION, step + 1);
    }
    work.commit();
}

PostgresStore* OpenPostgres(const std::string& url, std::string* error) {
    auto store = std::make_unique<PostgresStore>();
    store->url = url;
    try {
        auto connection = std::make_unique<pqxx::connection>(url);
        Migrate(*connection);
        store->idle.push_back(std::move(connection));
    } catch (const std::exception& failure) {
        *error = std::string("PostgreSQL: ") + failure.what();
        return nullptr;
    }
    return store.release();
}

void ClosePostgres(PostgresStore* store) {
    delete store;
}

Run PostgresAddRun(PostgresStore& store, const Run& run, const std::string& hash,
                   const std::string& recording, bool* added) {
    return Ask(store, [&](pqxx::work& work) {
        const pqxx::result inserted = work.exec_params(
            SQL_INSERT_RUN, hash, run.name, run.score, run.level, run.kills, int64_t(run.frames),
            int64_t(run.rulesVersion), run.submittedAt, pqxx::binarystring(recording));
        *added = !inserted.empty();
        if (*added) {
            Run stored = run;
            stored.id = inserted[0][0].as<int64_t>();
            return stored;
        }
        // Another process may have added it a moment ago: its row is visible once it committed,
        // and ON CONFLICT waited for that.
        const auto existing = ReadRuns(work.exec_params(SQL_RUN_BY_HASH, hash));
        if (existing.empty()) throw std::runtime_error("a run vanished while it was added");
        return existing.front();
    });
}

std::optional<Run> PostgresRunById(PostgresStore& store, int64_t id) {
    const auto runs = Ask(store, [&](pqxx::work& work) {
        return ReadRuns(work.exec_params(SQL_RUN_BY_ID, id));
    });
    return runs.empty() ? std::nullopt : std::optional<Run>(runs.front());
}

std::optional<Run> PostgresRunByHash(PostgresStore& store, const std::string& hash) {
    const auto runs = Ask(store, [&](pqxx::work& work) {
        return ReadRuns(work.exec_params(SQL_RUN_BY_HASH, hash));
    });
    return runs.empty() ? std::nullopt : std::optional<Run>(runs.front());
}

std::optional<std::string> PostgresGetRecording(PostgresStore& store, int64_t id) {
    return Ask(store, [&](pqxx::work& work) -> std::optional<std::string> {
        const pqxx::result result = work.exec_params(SQL_RECORDING, id);
        if (result.empty()) return std::nullopt;
        return pqxx::binarystring(result[0][0]).str();
    });
}

std::vector<Run> PostgresTop(PostgresStore& store, int64_t since, const std::string* name, int limit) {
    return Ask(store, [&](pqxx::work& work) {
        if (name) return ReadRuns(work.exec_params(SQL_PLAYER, *name, limit));
        return ReadRuns(work.exec_params(SQL_TOP, since, limit));
    });
}

int64_t PostgresRank(PostgresStore& store, const Run& run) {
    return 1 + Ask(store, [&](pqxx::work& work) {
        return work.exec_params(SQL_RANK, run.score, run.id)[0][0].as<int64_t>();
    });
}

bool PostgresHealthy(PostgresStore& store) {
    try {
        return Ask(store, [](pqxx::work& work) { return work.exec("SELECT 1")[0][0].as<int>(); }) == 1;
    } catch (const std::exception&) {
        return false;
    }
}
