// Running the real quellfort-server for the Hall's tests: a scratch folder or a PostgreSQL
// database of its own for each test, the recordings made at build time, HTTP through cpp-httplib.
#pragma once

#include <httplib.h>

#include <string>
#include <vector>

#include <sys/types.h>

struct ServerProcess {
    pid_t pid = -1;
    int port = 0;
};

// Where a test keeps its table: a scratch folder (SQLite) or, when QUELLFORT_TEST_POSTGRES names a
// PostgreSQL server (postgresql://USER@HOST:PORT), a database made for the test.
struct TestTable {
    std::string folder;    // scratch folder, removed at the end
    std::string database;  // postgresql://... when the test runs on PostgreSQL
};
TestTable MakeTestTable();
void DropTestTable(const TestTable& table);
bool OnPostgres();

// Starts the server on a free port with the table's option and `extra`, waits for its first line.
ServerProcess StartServer(const TestTable& table, const std::vector<std::string>& extra = {});
// SIGTERM, then its exit status.
int StopServer(ServerProcess& server);
httplib::Client Connect(const ServerProcess& server);

// A committed recording (tests/recordings/NAME.qfr), or one made at build time
// (tests/hall/make_recordings.sh: "game-1", "slow" ...).
std::string Recording(const std::string& name);
// A number of a committed recording's summary (tests/recordings/NAME.summary): "score" ...
int SummaryValue(const std::string& name, const std::string& key);
// The same recording re-encoded with its summary's score changed, entry by entry.
std::string WithEditedSummary(const std::string& recording);
// Sends a run; the answer's status and body.
httplib::Result PostRun(httplib::Client& client, const std::string& recording, const std::string& query = "");
// A number member of a flat JSON answer, or -1.
long long JsonNumber(const std::string& json, const std::string& key);
std::string JsonText(const std::string& json, const std::string& key);
