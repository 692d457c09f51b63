// The Hall as pages: today's best and the best of all time, and each player's runs. Every name
// is escaped where it is shown and the pages run no scripts; when the browser game is served too,
// a "watch" link opens the run in it.
#include "server/hall.h"

#include "server/text.h"

static const char* const PAGE_STYLE =
    "body{background:#05060f;color:#d8e0ff;font:16px/1.4 system-ui,sans-serif;margin:2em auto;"
    "max-width:52em;padding:0 1em}h1{color:#7ff;letter-spacing:.1em}a{color:#9cf}"
    "table{border-collapse:collapse;width:100%;margin-bottom:2em}"
    "th,td{padding:.25em .6em;text-align:left}th{border-bottom:1px solid #456}"
    "td.n{text-align:right;font-variant-numeric:tabular-nums}tr:nth-child(even){background:#0b0d1e}"
    ".none{color:#789;font-style:italic}";

static std::string PageHead(const std::string& title) {
    return "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
           "<title>" + HtmlEscape(title) + "</title><style>" + PAGE_STYLE + "</style></head><body>\n";
}

static const char PAGE_FOOT[] = "</body></html>\n";

static std::string PlayerLink(const std::string& name) {
    if (name.empty()) return "<span class=\"none\">no name</span>";
    return "<a href=\"/hall/player?name=" + UrlEncode(name) + "\">" + HtmlEscape(name) + "</a>";
}

// One table of runs; rank is each run's place on this table, or its all-time rank.
static std::string RunTable(Hall& hall, const std::vector<Run>& runs, bool allTimeRanks) {
    if (runs.empty()) return "<p class=\"none\">No runs yet.</p>\n";
    std::string html = "<table><thead><tr><th>Rank</th><th>Name</th><th>Score</th><th>Level</th>"
                       "<th>Date</th><th></th></tr></thead><tbody>\n";
    for (size_t i = 0; i < runs.size(); ++i) {
        const Run& run = runs[i];
        const int64_t rank = allTimeRanks ? StoreRank(*hall.store, run) : int64_t(i) + 1;
        const std::string id = std::to_string(run.id);
        // With the browser game on this server a run is watched in it; otherwise its file is kept.
        const std::string recording = "/api/runs/" + id + "/recording";
        const std::string watch = FindWebFile(hall.web, "/") ? "/?watch=" + recording : recording;
        html += "<tr><td class=\"n\">" + std::to_string(rank) + "</td><td>" + PlayerLink(run.name) +
                "</td><td class=\"n\">" + std::to_string(run.score) + "</td><td class=\"n\">" +
                std::to_string(run.level) + "</td><td>" + IsoTime(run.submittedAt).substr(0, 10) +
                "</td><td><a class=\"watch\" href=\"" + watch + "\">watch</a></td></tr>\n";
    }
    return html + "</tbody></table>\n";
}

static void SendPage(httplib::Response& response, int status, const std::string& html) {
    response.status = status;
    // Only this server's own scripts run on the Hall's pages, whatever a name holds.
    response.set_header("Content-Security-Policy",
                        "default-src 'self'; style-src 'self' 'unsafe-inline'; "
                        "script-src 'self' 'wasm-unsafe-eval'; object-src 'none'; base-uri 'none'");
    response.set_content(html, "text/html; charset=utf-8");
}

static void HallPage(Hall& hall, httplib::Response& response) {
    std::string html = PageHead("The Hall - Quellfort");
    html += "<h1>THE HALL</h1>\n<p>Every score here was played again by this server from its "
            "recording; the numbers are the replay's own.";
    if (FindWebFile(hall.web, "/")) html += " <a href=\"/\">Play Quellfort</a>.";
    html += "</p>\n<h2>Today</h2>\n" + RunTable(hall, StoreTop(*hall.store, StartOfToday(), 20), false);
    html += "<h2>All time</h2>\n" + RunTable(hall, StoreTop(*hall.store, 0, 100), false);
    SendPage(response, 200, html + PAGE_FOOT);
}

static void PlayerPage(Hall& hall, const httplib::Request& request, httplib::Response& response) {
    const std::string name = request.get_param_value("name");
    std::string bytes, why;
    if (name.empty() || !NameFromUtf8(name, &bytes, &why)) {
        return SendPage(response, 400, PageHead("The Hall - Quellfort") +
                                           "<p>No such player. <a href=\"/hall\">The Hall</a></p>" +
                                           PAGE_FOOT);
    }
    std::string html = PageHead(name + " - The Hall - Quellfort");
    html += "<h1>" + HtmlEscape(name) + "</h1>\n<p><a href=\"/hall\">The Hall</a></p>\n";
    html += RunTable(hall, StorePlayerRuns(*hall.store, name, 20), true);
    SendPage(response, 200, html + PAGE_FOOT);
}

void AddHallPages(httplib::Server& server, Hall& hall) {
    server.Get("/hall", [&hall](const httplib::Request&, httplib::Response& response) {
        HallPage(hall, response);
    });
    server.Get("/hall/player", [&hall](const httplib::Request& request, httplib::Response& response) {
        PlayerPage(hall, request, response);
    });
}
