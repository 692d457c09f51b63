// The Hall's server as players and attackers meet it: the real quellfort-server on a scratch
// table (SQLite, or PostgreSQL under scripts/hall-postgres-test.sh), recordings made by the real
// headless runner, every answer read over HTTP.
#include "tests/hall/hall_support.h"

#include "server/verifier.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <future>
#include <set>
#include <thread>

#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct HallTest : ::testing::Test {
    TestTable table = MakeTestTable();
    ServerProcess server;
    void TearDown() override {
        StopServer(server);
        DropTestTable(table);
    }
};

void ExpectRefused(httplib::Client& client, const std::string& recording, const std::string& reason) {
    const auto answer = PostRun(client, recording);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 400) << reason;
    EXPECT_EQ(JsonText(answer->body, "error").rfind(reason, 0), 0u) << answer->body;
}

// A run is taken with the replay's own numbers, once however often it is sent; every kind of
// doctored copy is refused with its reason; a name is shown as text; the table outlives a restart.
TEST_F(HallTest, RunsAreVerifiedKeptAndShownAsText) {
    server = StartServer(table, {"--submit-rate", "0"});
    ASSERT_GT(server.port, 0);
    auto client = Connect(server);
    const std::string game = Recording("game");
    ASSERT_GT(game.size(), 1000u);

    const auto sent = PostRun(client, game, "?name=%3Cb%3E%22Ann%22%26");
    ASSERT_TRUE(sent);
    ASSERT_EQ(sent->status, 201) << sent->body;
    const long long id = JsonNumber(sent->body, "id");
    EXPECT_EQ(JsonNumber(sent->body, "score"), SummaryValue("game", "score"));
    EXPECT_EQ(JsonNumber(sent->body, "level"), SummaryValue("game", "level"));
    EXPECT_EQ(JsonNumber(sent->body, "kills"), SummaryValue("game", "kills"));
    EXPECT_EQ(JsonNumber(sent->body, "rank"), 1);
    // A game played at 75 frames a second is as good.
    const auto fast = PostRun(client, Recording("game-75hz"));
    ASSERT_TRUE(fast);
    EXPECT_EQ(fast->status, 201) << fast->body;
    EXPECT_EQ(JsonNumber(fast->body, "score"), SummaryValue("game-75hz", "score"));
    EXPECT_NE(sent->body.find(R"("name":"\u003cb>\"Ann\"&")"), std::string::npos) << sent->body;
    const auto again = PostRun(client, game, "?name=Other");
    ASSERT_TRUE(again);
    EXPECT_EQ(again->status, 200);
    EXPECT_EQ(JsonNumber(again->body, "id"), id);

    // Without a name the run takes the one typed at the game's prompt.
    const auto unnamed = PostRun(client, Recording("game-1"));
    ASSERT_TRUE(unnamed);
    EXPECT_EQ(unnamed->status, 201);
    EXPECT_EQ(JsonText(unnamed->body, "name"), "Grac\xc3\xa9" "e Hop");

    std::string flipped = game, cut = game.substr(0, game.size() / 2), otherRules = game;
    flipped[flipped.size() / 2] ^= 0x10;
    otherRules[12] ^= 0x7F;  // the rules version, just after the magic and the format version
    ExpectRefused(client, WithEditedSummary(game), "diverged");
    ExpectRefused(client, Recording("doctored"), "doctored data file");
    ExpectRefused(client, flipped, "damaged recording");
    ExpectRefused(client, cut, "cut short");
    ExpectRefused(client, otherRules, "another rules version");
    ExpectRefused(client, Recording("slow"), "implausible timing");
    ExpectRefused(client, Recording("menus"), "not a finished game");
    ExpectRefused(client, "GET / HTTP/1.0\r\n\r\n", "not a recording");
    const auto badName = PostRun(client, game, "?name=ELEVENCHARSX");
    ASSERT_TRUE(badName);
    EXPECT_EQ(badName->status, 400);

    const auto page = client.Get("/hall");
    ASSERT_TRUE(page);
    EXPECT_NE(page->body.find("&lt;b&gt;&quot;Ann&quot;&amp;"), std::string::npos);
    EXPECT_EQ(page->body.find("<b>"), std::string::npos);
    EXPECT_NE(page->body.find("/hall/player?name=%3Cb%3E%22Ann%22%26"), std::string::npos);

    // A restart finds the same table and the same recording bytes; the best of today come first.
    // It serves the browser game too now, from files read at start: a path that is not one of
    // them is not found, wherever it points.
    EXPECT_EQ(StopServer(server), 0);
    const std::string web = table.folder + "/web";
    std::filesystem::create_directories(web + "/wasm");
    std::ofstream(web + "/index.html") << "<title>the game</title>";
    std::ofstream(web + "/wasm/game.wasm") << "wasm";
    server = StartServer(table, {"--web", web});
    auto after = Connect(server);
    EXPECT_EQ(after.Get("/")->body, "<title>the game</title>");
    EXPECT_EQ(after.Get("/wasm/game.wasm")->get_header_value("Content-Type"), "application/wasm");
    EXPECT_EQ(after.Get("/wasm/../index.html")->status, 404);
    EXPECT_EQ(after.Get("/%2e%2e/data/hall.sqlite3")->status, 404);
    // Served with the game, a run is watched in it.
    EXPECT_NE(after.Get("/hall")->body.find("href=\"/?watch=/api/runs/" + std::to_string(id) + "/recording\""), std::string::npos);
    const auto board = after.Get("/api/runs?board=today&limit=5");
    ASSERT_TRUE(board);
    EXPECT_EQ(JsonNumber(board->body, "id"), id);
    EXPECT_EQ(JsonNumber(board->body.substr(board->body.find("},") + 2), "id"), JsonNumber(unnamed->body, "id"));
    EXPECT_EQ(JsonNumber(board->body.substr(board->body.rfind("\"id\":")), "id"), JsonNumber(fast->body, "id"));
    const auto bytes = after.Get(("/api/runs/" + std::to_string(id) + "/recording").c_str());
    ASSERT_TRUE(bytes);
    EXPECT_EQ(bytes->body, game);
    EXPECT_EQ(after.Get("/api/runs/999")->status, 404);
    EXPECT_EQ(after.Get("/healthz")->status, 200);
}

// One client cannot take the server: a body too large is refused before it is read, an address
// that sends too many runs waits, a full queue says so, and a client that trickles its request
// is dropped.
TEST_F(HallTest, LimitsHoldUnderAttack) {
    if (OnPostgres()) GTEST_SKIP() << "the limits do not depend on the database";
    server = StartServer(table, {"--submit-rate", "0", "--workers", "1", "--queue", "1",
                                 "--request-timeout", "2"});
    ASSERT_GT(server.port, 0);
    auto client = Connect(server);
    const int sock = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(uint16_t(server.port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(connect(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const std::string head = "POST /api/runs HTTP/1.1\r\nHost: x\r\nContent-Length: 5000000\r\n\r\n";
    ASSERT_EQ(write(sock, head.data(), head.size()), ssize_t(head.size()));
    char reply[64] = {0};
    ASSERT_GT(read(sock, reply, sizeof reply - 1), 0);  // answered without a byte of the body
    EXPECT_EQ(std::string(reply).rfind("HTTP/1.1 413", 0), 0u) << reply;

    // The queue holds one recording and the worker one more: of six whose last bytes arrive
    // together, one is verified, one waits its turn and the rest are told to come back.
    const std::string game = Recording("game");
    const std::string request = "POST /api/runs HTTP/1.1\r\nHost: x\r\nConnection: close\r\nContent-Length: " +
                                std::to_string(game.size()) + "\r\n\r\n" + game;
    std::vector<int> runs;
    for (int i = 0; i < 6; ++i) {
        runs.push_back(socket(AF_INET, SOCK_STREAM, 0));
        ASSERT_EQ(connect(runs.back(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ASSERT_EQ(send(runs.back(), request.data(), request.size() - 1, MSG_NOSIGNAL), ssize_t(request.size() - 1));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    for (int run : runs) send(run, &request.back(), 1, MSG_NOSIGNAL);
    std::multiset<int> statuses;
    std::string seen;
    for (int run : runs) {
        char status[16] = {0};
        if (recv(run, status, 12, MSG_WAITALL) == 12) statuses.insert(std::atoi(status + 9));  // "HTTP/1.1 201"
        close(run);
    }
    for (int status : statuses) seen += std::to_string(status) + " ";
    EXPECT_EQ(statuses.count(201), 1u) << seen;
    EXPECT_GE(statuses.count(503), 1u) << seen;
    EXPECT_EQ(statuses.count(201) + statuses.count(200) + statuses.count(503), 6u) << seen;

    // Two runs a minute from one address, here: the third waits.
    ServerProcess strict = StartServer(table, {"--submit-rate", "2"});
    auto limited = Connect(strict);
    EXPECT_EQ(PostRun(limited, "one")->status, 400);
    EXPECT_EQ(PostRun(limited, "two")->status, 400);
    const auto third = PostRun(limited, "three");
    EXPECT_EQ(third->status, 429);
    EXPECT_FALSE(third->get_header_value("Retry-After").empty());
    StopServer(strict);

    // One byte a second: the request never completes, and the server closes the connection.
    const int slow = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_EQ(connect(slow, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const auto start = std::chrono::steady_clock::now();
    bool closed = false;
    for (char c : std::string("GET /hall HTTP/1.1\r\nHost: somewhere.example\r\n")) {
        if (send(slow, &c, 1, MSG_NOSIGNAL) != 1) break;
        char none;
        if (recv(slow, &none, 1, MSG_DONTWAIT) == 0) {
            closed = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_TRUE(closed);
    EXPECT_LT(seconds, 8);
    close(slow);
    close(sock);
    EXPECT_EQ(Connect(server).Get("/healthz")->status, 200);
}

// Runs a command, gives what it printed and its exit status.
std::string RunCommand(const std::string& command, int* status) {
    std::string out;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    char buffer[4096];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, got);
    const int result = pclose(pipe);
    *status = WIFEXITED(result) ? WEXITSTATUS(result) : -1;
    return out;
}

// The players' side: a game played with --hall is sent when it ends, in the background, and
// its answer is the line the game shows; --submit sends a saved recording from the terminal.
TEST_F(HallTest, TheGameSendsItsFinishedGames) {
    if (OnPostgres()) GTEST_SKIP() << "the players' side does not depend on the database";
    server = StartServer(table, {"--submit-rate", "0"});
    ASSERT_GT(server.port, 0);
    const std::string hall = "http://127.0.0.1:" + std::to_string(server.port);
    const std::string folder = table.folder + "/game";
    std::filesystem::create_directory(folder);
    std::filesystem::create_directory_symlink(std::string(QUELLFORT_BUILD_DIR) + "/images", folder + "/images");
    std::filesystem::copy_file(std::string(QUELLFORT_BUILD_DIR) + "/qfel.dat", folder + "/qfel.dat");
    int status = 0;
    // The committed whole game: a new high score, a name typed in a rush, back to the title.
    const std::string played = RunCommand("cd " + folder + " && " QUELLFORT_BUILD_DIR "/quellfort-headless --hall " + hall +
                                   "/hall " QUELLFORT_SOURCE_DIR "/tests/recordings/game.script", &status);
    EXPECT_EQ(status, 0) << played;
    EXPECT_NE(played.find("The Hall: rank 1 of all time, score 26000"), std::string::npos) << played;
    auto client = Connect(server);
    const auto board = client.Get("/api/runs?board=all");
    ASSERT_TRUE(board);
    EXPECT_EQ(JsonText(board->body, "name"), "Grac\xc3\xa9" "e Hop");

    const std::string submitted = RunCommand(QUELLFORT_BUILD_DIR "/quellfort --submit " + hall + " " QUELLFORT_SOURCE_DIR
                                      "/tests/recordings/game-75hz.qfr", &status);
    EXPECT_EQ(status, 0) << submitted;
    EXPECT_NE(submitted.find("The Hall: rank 2 of all time, score " + std::to_string(SummaryValue("game-75hz", "score"))),
              std::string::npos) << submitted;
    const std::string refused = RunCommand(QUELLFORT_BUILD_DIR "/quellfort --submit " + hall + " " QUELLFORT_SOURCE_DIR
                                    "/tests/recordings/menus.qfr", &status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(refused.find("The Hall refused this game: not a finished game"), std::string::npos) << refused;
    StopServer(server);
    const std::string away = RunCommand(QUELLFORT_BUILD_DIR "/quellfort --submit " + hall + " " QUELLFORT_SOURCE_DIR
                                 "/tests/recordings/game-75hz.qfr", &status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(away.find("The Hall could not be reached"), std::string::npos) << away;
}

// Beside AddressSanitizer's shadow memory no address-space limit holds, so a swelling child
// would take the machine's memory.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool RUNS_UNDER_ADDRESS_SANITIZER = true;
#else
constexpr bool RUNS_UNDER_ADDRESS_SANITIZER = false;
#endif

RunVerdict Crashes(const std::string&) {
    raise(SIGSEGV);
    return {};
}
RunVerdict Spins(const std::string&) {
    volatile unsigned turns = 0;
    for (;;) turns = turns + 1;
}
RunVerdict Swells(const std::string&) {
    std::vector<std::string> hoard;
    for (;;) hoard.emplace_back(size_t(64) << 20, 'x');
}
RunVerdict Judges(const std::string& recording) {
    RunVerdict verdict;
    verdict.valid = true;
    verdict.score = int32_t(recording.size());
    verdict.name = "\xe9t\xe9";
    return verdict;
}

// A verification that crashes, spins or swells is a refusal in this process, which goes on.
// The children are this test program started again with --judge=NAME (see main below).
TEST(HallVerifier, ChildFailuresAreRefusals) {
    if (OnPostgres()) GTEST_SKIP() << "no database here";
    VerifierSettings settings;
    settings.cpuSeconds = 1;
    settings.memoryBytes = size_t(256) << 20;
    const auto judged = [&](const char* judge, const std::string& recording) {
        settings.command = {"/proc/self/exe", std::string("--judge=") + judge};
        return VerifyInChild(recording, settings);
    };
    EXPECT_EQ(judged("crashes", "x").reason, "the replay failed");
    EXPECT_EQ(judged("spins", "x").reason, "the replay took too long");
    if (!RUNS_UNDER_ADDRESS_SANITIZER) {
        EXPECT_FALSE(judged("swells", "x").valid);
    }
    const RunVerdict verdict = judged("judges", std::string(300000, 'r'));  // more than a pipe holds
    EXPECT_TRUE(verdict.valid);
    EXPECT_EQ(verdict.score, 300000);
    EXPECT_EQ(verdict.name, "\xe9t\xe9");
    settings.command = {"/nonexistent/program"};
    EXPECT_EQ(VerifyInChild("x", settings).reason, "the replay failed");
}

// Two servers on one PostgreSQL database behind no balancer: runs sent to either, each recording
// twice and to both at once, make one table that both show alike.
TEST_F(HallTest, TwoServersShareOneDatabase) {
    if (!OnPostgres()) GTEST_SKIP() << "two servers share a table only in PostgreSQL";
    ServerProcess second = StartServer(table, {"--submit-rate", "0"});
    server = StartServer(table, {"--submit-rate", "0"});
    ASSERT_GT(server.port, 0);
    ASSERT_GT(second.port, 0);
    std::vector<std::future<int>> answers;
    for (const char* name : {"game", "game-1", "game-2", "game-3"}) {
        for (const ServerProcess* to : {&server, &second, &server, &second}) {
            answers.push_back(std::async(std::launch::async, [to, name] {
                auto client = Connect(*to);
                const auto answer = PostRun(client, Recording(name));
                return answer ? answer->status : -1;
            }));
        }
    }
    std::multiset<int> statuses;
    for (auto& answer : answers) statuses.insert(answer.get());
    EXPECT_EQ(statuses.count(201), 4u);
    EXPECT_EQ(statuses.count(200), 12u);
    auto one = Connect(server), two = Connect(second);
    const auto first = one.Get("/api/runs?board=all&limit=100"), other = two.Get("/api/runs?board=all&limit=100");
    ASSERT_TRUE(first && other);
    EXPECT_EQ(first->body, other->body);
    size_t runs = 0;
    for (size_t at = first->body.find("\"id\":"); at != std::string::npos; at = first->body.find("\"id\":", at + 1))
        ++runs;
    EXPECT_EQ(runs, 4u);
    EXPECT_EQ(StopServer(second), 0);
}

}  // namespace

// The test program, or with --judge=NAME one of the verification children above.
int main(int argc, char** argv) {
    const std::string judge = argc == 2 ? argv[1] : "";
    if (judge == "--judge=crashes") return VerifierChildMain(Crashes);
    if (judge == "--judge=spins") return VerifierChildMain(Spins);
    if (judge == "--judge=swells") return VerifierChildMain(Swells);
    if (judge == "--judge=judges") return VerifierChildMain(Judges);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
