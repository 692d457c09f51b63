// The Hall's JSON API (docs/hall-api.md): runs sent with their recordings, verified by the
// server's own replay, and the tables read back.
#include "server/hall.h"

#include "server/submission.h"
#include "server/text.h"
#include "server/verify_call.h"
#include "records/records.h"

#include <ctime>

std::string ClientAddress(const Hall& hall, const httplib::Request& request) {
    if (hall.options.behindProxy && request.has_header("X-Forwarded-For")) {
        // The proxy appends the address it saw; what comes before it the client could have
        // written itself.
        std::string chain = request.get_header_value("X-Forwarded-For");
        const size_t comma = chain.rfind(',');
        std::string last = comma == std::string::npos ? chain : chain.substr(comma + 1);
        last.erase(0, last.find_first_not_of(' '));
        if (!last.empty()) return last;
    }
    return request.remote_addr;
}

std::string IsoTime(int64_t seconds) {
    const time_t when = time_t(seconds);
    tm utc{};
    gmtime_r(&when, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

int64_t StartOfToday() {
    const int64_t now = int64_t(std::time(nullptr));
    return now - now % 86400;
}

static std::string RunJson(const Run& run, int64_t rank) {
    const std::string id = std::to_string(run.id);
    return "{\"id\":" + id + ",\"rank\":" + std::to_string(rank) +
           ",\"name\":" + JsonString(run.name) + ",\"score\":" + std::to_string(run.score) +
           ",\"level\":" + std::to_string(run.level) + ",\"kills\":" + std::to_string(run.kills) +
           ",\"frames\":" + std::to_string(run.frames) +
           ",\"rulesVersion\":" + std::to_string(run.rulesVersion) +
           ",\"date\":\"" + IsoTime(run.submittedAt) + "\",\"recording\":\"/api/runs/" + id +
           "/recording\"}";
}

static void Answer(httplib::Response& response, int status, const std::string& json) {
    response.status = status;
    response.set_content(json + "\n", "application/json");
}

static void Refuse(httplib::Response& response, int status, const std::string& why) {
    Answer(response, status, "{\"error\":" + JsonString(why) + "}");
}

// Reads a whole decimal number within bounds; false for anything else.
static bool ReadNumber(const std::string& text, int64_t low, int64_t high, int64_t* value) {
    if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    *value = std::stoll(text);
    return *value >= low && *value <= high;
}

// Marks the client's request as being answered while its recording waits for a verdict, so
// the slow-client deadline does not count the server's own time.
struct Serving {
    ConnectionWatchdog& watchdog;
    const httplib::Request& request;
    Serving(ConnectionWatchdog& dog, const httplib::Request& req) : watchdog(dog), request(req) {
        WatchdogServing(watchdog, request.remote_addr, request.remote_port, true);
    }
    ~Serving() { WatchdogServing(watchdog, request.remote_addr, request.remote_port, false); }
};

// Verifies a recording that is not in the table yet and adds it; answers the request.
static void VerifyAndAdd(Hall& hall, const httplib::Request& request, const std::string& body,
                         httplib::Response& response, const Submission& submission,
                         const std::string& hash) {
    std::optional<RunVerdict> verdict;
    {
        Serving serving(hall.watchdog, request);
        verdict = Verify(*hall.verifiers, body);
    }
    if (!verdict) {
        response.set_header("Retry-After", "5");
        return Refuse(response, 503, "the Hall is busy verifying other runs; try again shortly");
    }
    if (!verdict->valid) return Refuse(response, 400, verdict->reason);
    Run run;
    run.name = !submission.name.empty() ? submission.name
                                        : Cp1252ToUtf8(verdict->name.substr(0, size_t(MAX_NAME_LENGTH)));
    run.score = verdict->score;
    run.level = verdict->level;
    run.kills = verdict->kills;
    run.frames = verdict->frames;
    run.rulesVersion = verdict->rulesVersion;
    run.submittedAt = int64_t(std::time(nullptr));
    bool added = false;
    const Run stored = StoreAddRun(*hall.store, run, hash, body, &added);
    Answer(response, added ? 201 : 200, RunJson(stored, StoreRank(*hall.store, stored)));
}

static void PostRun(Hall& hall, const httplib::Request& request, const std::string& body,
                    httplib::Response& response) {
    int retryAfter = 0;
    if (!RateAllows(hall.submissions, ClientAddress(hall, request), NowSeconds(), &retryAfter)) {
        response.set_header("Retry-After", std::to_string(retryAfter));
        return Refuse(response, 429, "too many runs from this address; try again in " +
                                         std::to_string(retryAfter) + " s");
    }
    const std::string name = request.get_param_value("name");
    Submission submission;
    if (!ParseSubmission(request.has_param("name") ? &name : nullptr, body, &submission))
        return Refuse(response, 400, submission.error);
    const std::string hash = RecordingHash(body);
    // The same recording again is the same run: answered from the table, not replayed.
    if (const auto existing = StoreFindByHash(*hall.store, hash))
        return Answer(response, 200, RunJson(*existing, StoreRank(*hall.store, *existing)));
    VerifyAndAdd(hall, request, body, response, submission, hash);
}

static void ListRuns(Hall& hall, const httplib::Request& request, httplib::Response& response) {
    const std::string board = request.has_param("board") ? request.get_param_value("board") : "all";
    int64_t limit = 20;
    if (board != "all" && board != "today") return Refuse(response, 400, "board is all or today");
    if (request.has_param("limit") && !ReadNumber(request.get_param_value("limit"), 1, 100, &limit))
        return Refuse(response, 400, "limit is a number from 1 to 100");
    const auto runs = StoreTop(*hall.store, board == "today" ? StartOfToday() : 0, int(limit));
    std::string json = "{\"board\":\"" + board + "\",\"runs\":[";
    for (size_t i = 0; i < runs.size(); ++i) {
        if (i > 0) json += ',';
        json += RunJson(runs[i], int64_t(i) + 1);
    }
    Answer(response, 200, json + "]}");
}

static std::optional<Run> RequestedRun(Hall& hall, const httplib::Request& request,
                                       httplib::Response& response) {
    int64_t id = 0;
    std::optional<Run> run;
    if (ReadNumber(request.matches[1], 1, INT64_MAX / 2, &id)) run = StoreGetRun(*hall.store, id);
    if (!run) Refuse(response, 404, "no such run");
    return run;
}

void AddApiRoutes(httplib::Server& server, Hall& hall) {
    // The body is read here, whatever its Content-Type says: a recording is bytes, never a form.
    server.Post("/api/runs", [&hall](const httplib::Request& request, httplib::Response& response,
                                     const httplib::ContentReader& reader) {
        std::string body;
        bool tooLarge = false;
        reader([&](const char* data, size_t size) {
            tooLarge = body.size() + size > MAX_RECORDING_BYTES;
            if (!tooLarge) body.append(data, size);
            return !tooLarge;
        });
        if (tooLarge) return Refuse(response, 413, "the recording is larger than 1 MiB");
        PostRun(hall, request, body, response);
    });
    server.Get("/api/runs", [&hall](const httplib::Request& request, httplib::Response& response) {
        ListRuns(hall, request, response);
    });
    server.Get(R"(/api/runs/(\d+))", [&hall](const httplib::Request& request, httplib::Response& response) {
        if (const auto run = RequestedRun(hall, request, response))
            Answer(response, 200, RunJson(*run, StoreRank(*hall.store, *run)));
    });
    server.Get(R"(/api/runs/(\d+)/recording)",
               [&hall](const httplib::Request& request, httplib::Response& response) {
        const auto run = RequestedRun(hall, request, response);
        const auto bytes = run ? StoreGetRecording(*hall.store, run->id) : std::nullopt;
        if (!bytes) return;
        response.set_header("Content-Disposition",
                            "attachment; filename=\"quellfort-run-" + std::to_string(run->id) + ".qfr\"");
        response.set_content(*bytes, "application/octet-stream");
    });
    server.Get("/api/version", [](const httplib::Request&, httplib::Response& response) {
        Answer(response, 200, "{\"rulesVersion\":" + std::to_string(ServerRulesVersion()) +
                                  ",\"programVersion\":\"" QUELLFORT_VERSION "\"}");
    });
    server.Get("/healthz", [&hall](const httplib::Request&, httplib::Response& response) {
        const bool healthy = StoreHealthy(*hall.store);
        response.status = healthy ? 200 : 503;
        response.set_content(healthy ? "ok\n" : "the database does not answer\n", "text/plain");
    });
}
