// The server's command line.
#include "server/options.h"

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <thread>

static const char* const USAGE =
    "Usage: quellfort-server [OPTION]...\n"
    "The Hall: a public table of Quellfort scores, each proven by replaying its recording.\n"
    "\n"
    "  --listen ADDRESS:PORT   serve here (default 127.0.0.1:8080)\n"
    "  --data DIR              keep the table in DIR/hall.sqlite3\n"
    "                          (default $XDG_DATA_HOME/quellfort-server)\n"
    "  --database URL          keep it in PostgreSQL instead (postgresql://...)\n"
    "  --web DIR               serve the browser game from DIR too (build-web/dist)\n"
    "  --workers N             verifications at a time (default: one per core)\n"
    "  --queue N               recordings that may wait for one (default 16; more: 503)\n"
    "  --cpu-limit SECONDS     CPU time of one verification (default 5)\n"
    "  --submit-rate N         runs an address may send a minute (default 6; 0: no limit)\n"
    "  --request-rate N        requests an address may make a minute (default 600; 0: no limit)\n"
    "  --request-timeout SECONDS  time a client has to send its request (default 20)\n"
    "  --behind-proxy          the client's address is the last of X-Forwarded-For\n"
    "  --help, --version\n";

static bool ParseListen(const std::string& value, ServerOptions* options) {
    const size_t colon = value.rfind(':');
    if (colon == std::string::npos || colon == 0) return false;
    std::string host = value.substr(0, colon);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    char* end = nullptr;
    const long port = std::strtol(value.c_str() + colon + 1, &end, 10);
    if (*end != '\0' || port < 0 || port > 65535 || end == value.c_str() + colon + 1) return false;
    options->host = host;
    options->port = int(port);
    return true;
}

static bool ParseNumber(const char* text, double low, double high, double* value) {
    char* end = nullptr;
    *value = std::strtod(text, &end);
    return end != text && *end == '\0' && *value >= low && *value <= high;
}

static std::string DefaultDataDir() {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome && *dataHome == '/') return std::string(dataHome) + "/quellfort-server";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.local/share/quellfort-server";
}

// The options that take a number, with their bounds.
static bool ParseNumericOption(const std::string& name, const char* value, ServerOptions* options) {
    double number = 0;
    const auto take = [&](double low, double high) { return ParseNumber(value, low, high, &number); };
    if (name == "--workers" && take(1, 256)) options->workers = int(number);
    else if (name == "--queue" && take(1, 100000)) options->queueLength = int(number);
    else if (name == "--cpu-limit" && take(1, 3600)) options->cpuSeconds = int(number);
    else if (name == "--submit-rate" && take(0, 1e6)) options->submissionsPerMinute = number;
    else if (name == "--request-rate" && take(0, 1e7)) options->requestsPerMinute = number;
    else if (name == "--request-timeout" && take(1, 3600)) options->requestSeconds = int(number);
    else return false;
    return true;
}

int ParseServerOptions(int argc, char** argv, ServerOptions* options) {
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--help") {
            std::fputs(USAGE, stdout);
            return 0;
        }
        if (name == "--version") {
            std::printf("quellfort-server %s\n", QUELLFORT_VERSION);
            return 0;
        }
        if (name == "--behind-proxy") {
            options->behindProxy = true;
            continue;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "quellfort-server: %s needs a value (see --help)\n", name.c_str());
            return 2;
        }
        const char* value = argv[++i];
        bool ok = true;
        if (name == "--listen") ok = ParseListen(value, options);
        else if (name == "--data") options->dataDir = value;
        else if (name == "--database") options->databaseUrl = value;
        else if (name == "--web") options->webDir = value;
        else ok = ParseNumericOption(name, value, options);
        if (!ok) {
            std::fprintf(stderr, "quellfort-server: cannot use %s %s (see --help)\n", name.c_str(), value);
            return 2;
        }
    }
    if (options->dataDir.empty()) options->dataDir = DefaultDataDir();
    if (options->workers == 0) options->workers = int(std::max(1u, std::thread::hardware_concurrency()));
    return -1;
}
