// The Hall as one running server: its options, table, verifiers, limits and web files, and the
// routes that answer from them.
#pragma once

#include "server/limits.h"
#include "server/options.h"
#include "server/store.h"
#include "server/verifier.h"
#include "server/web_files.h"

#include <httplib.h>

struct Hall {
    ServerOptions options;
    std::unique_ptr<Store> store;
    std::unique_ptr<VerifierPool, void (*)(VerifierPool*)> verifiers{nullptr, nullptr};
    RateLimiter submissions, requests;
    ConnectionWatchdog watchdog;
    WebFiles web;
};

// The JSON API under /api, and /healthz.
void AddApiRoutes(httplib::Server& server, Hall& hall);
// The table as pages: /hall and /hall/player?name=NAME.
void AddHallPages(httplib::Server& server, Hall& hall);

// The client's address as the limits count it.
std::string ClientAddress(const Hall& hall, const httplib::Request& request);
// A run's time as ISO 8601 in UTC ("2024-05-01T12:34:56Z").
std::string IsoTime(int64_t seconds);
// Seconds since 1970 at the start of today, UTC: the day of "today's" table.
int64_t StartOfToday();
