// Running the real quellfort-server for the Hall's tests.
#include "tests/hall/hall_support.h"

#include "session/recording.h"

#include <gtest/gtest.h>
#include <pqxx/pqxx>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

bool OnPostgres() {
    const char* base = std::getenv("QUELLFORT_TEST_POSTGRES");
    return base && *base;
}

TestTable MakeTestTable() {
    TestTable table;
    char folder[] = "/tmp/quellfort-hall-test.XXXXXX";
    table.folder = mkdtemp(folder);
    if (OnPostgres()) {
        static std::atomic<int> made{0};
        const std::string name = "hall_test_" + std::to_string(getpid()) + "_" + std::to_string(made++);
        pqxx::connection admin(std::string(std::getenv("QUELLFORT_TEST_POSTGRES")) + "/postgres");
        pqxx::nontransaction(admin).exec("CREATE DATABASE " + name);
        table.database = std::string(std::getenv("QUELLFORT_TEST_POSTGRES")) + "/" + name;
    }
    return table;
}

void DropTestTable(const TestTable& table) {
    std::filesystem::remove_all(table.folder);
    if (table.database.empty()) return;
    const std::string name = table.database.substr(table.database.rfind('/') + 1);
    pqxx::connection admin(std::string(std::getenv("QUELLFORT_TEST_POSTGRES")) + "/postgres");
    pqxx::nontransaction(admin).exec("DROP DATABASE IF EXISTS " + name + " WITH (FORCE)");
}

ServerProcess StartServer(const TestTable& table, const std::vector<std::string>& extra) {
    std::vector<std::string> args = {QUELLFORT_SERVER, "--listen", "127.0.0.1:0"};
    if (table.database.empty()) {
        args.insert(args.end(), {"--data", table.folder + "/data"});
    } else {
        args.insert(args.end(), {"--database", table.database});
    }
    args.insert(args.end(), extra.begin(), extra.end());
    int out[2];
    if (pipe(out) != 0) return {};
    ServerProcess server;
    server.pid = fork();
    if (server.pid == 0) {
        dup2(out[1], 1);
        close(out[0]);
        std::vector<char*> argv;
        for (auto& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    // "quellfort-server 1.0.0: the Hall at http://127.0.0.1:PORT/hall, ..."
    std::string line;
    char c;
    pollfd wait = {out[0], POLLIN, 0};
    while (line.find('\n') == std::string::npos && poll(&wait, 1, 30000) > 0 && read(out[0], &c, 1) == 1)
        line += c;
    close(out[0]);
    const size_t colon = line.find("127.0.0.1:");
    if (colon != std::string::npos) server.port = std::atoi(line.c_str() + colon + 10);
    return server;
}

int StopServer(ServerProcess& server) {
    if (server.pid <= 0) return -1;
    kill(server.pid, SIGTERM);
    int status = 0;
    waitpid(server.pid, &status, 0);
    server.pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

httplib::Client Connect(const ServerProcess& server) {
    httplib::Client client("127.0.0.1", server.port);
    client.set_read_timeout(60, 0);
    return client;
}

static std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Recording(const std::string& name) {
    const std::string committed = Slurp(std::string(QUELLFORT_SOURCE_DIR) + "/tests/recordings/" + name + ".qfr");
    return !committed.empty() ? committed
                              : Slurp(std::string(QUELLFORT_BUILD_DIR) + "/hall-recordings/" + name + ".qfr");
}

// The recording's entries, read with the session layer's own reader.
static std::vector<RecordingEntry> Entries(const std::string& recording, RecordingHeader* header) {
    RecordingReader reader;
    std::string error;
    std::vector<RecordingEntry> entries;
    if (!OpenRecordingReader(reader, recording, &error)) return entries;
    *header = reader.header;
    for (RecordingEntry entry; NextRecordingEntry(reader, &entry);) entries.push_back(entry);
    CloseRecordingReader(reader);
    return entries;
}

int SummaryValue(const std::string& name, const std::string& key) {
    std::string text = "\n";
    text += Slurp(std::string(QUELLFORT_SOURCE_DIR) + "/tests/recordings/" + name + ".summary");
    const size_t at = text.find("\n" + key + " ");
    return at == std::string::npos ? -1 : std::atoi(text.c_str() + at + key.size() + 2);
}

std::string WithEditedSummary(const std::string& recording) {
    RecordingHeader header;
    auto entries = Entries(recording, &header);
    std::string& summary = entries.back().bytes;
    summary.replace(summary.find("score "), 6, "score 9");
    const std::string path = std::filesystem::temp_directory_path() / ("edited-" + std::to_string(getpid()) + ".qfr");
    RecordingWriter writer;
    OpenRecording(writer, path, header);
    for (const RecordingEntry& entry : entries) RecordEntry(writer, entry);
    CloseRecording(writer);
    std::ifstream in(path, std::ios::binary);
    std::string bytes(std::istreambuf_iterator<char>(in), {});
    std::filesystem::remove(path);
    return bytes;
}

httplib::Result PostRun(httplib::Client& client, const std::string& recording, const std::string& query) {
    return client.Post(("/api/runs" + query).c_str(), recording, "application/octet-stream");
}

long long JsonNumber(const std::string& json, const std::string& key) {
    const size_t at = json.find("\"" + key + "\":");
    return at == std::string::npos ? -1 : std::atoll(json.c_str() + at + key.size() + 3);
}

std::string JsonText(const std::string& json, const std::string& key) {
    const size_t at = json.find("\"" + key + "\":\"");
    if (at == std::string::npos) return "";
    const size_t start = at + key.size() + 4;
    return json.substr(start, json.find('"', start) - start);
}
