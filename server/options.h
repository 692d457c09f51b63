// The server's command line.
#pragma once

#include <string>

struct ServerOptions {
    std::string host = "127.0.0.1";
    int port = 8080;
    std::string dataDir;      // SQLite's folder; empty until the default is worked out
    std::string databaseUrl;  // postgresql://... instead of SQLite
    std::string webDir;       // the browser game, served beside the Hall
    int workers = 0;          // verifications at a time; 0: one per core
    int queueLength = 16;
    int cpuSeconds = 5;
    double submissionsPerMinute = 6;  // per address; 0 is no limit
    double requestsPerMinute = 600;
    int requestSeconds = 20;  // a client's time to send its whole request
    bool behindProxy = false;  // take the client's address from X-Forwarded-For
};

// Reads the command line. Returns -1 to go on, else the exit status (help, version, a mistake,
// each said on stdout or stderr).
int ParseServerOptions(int argc, char** argv, ServerOptions* options);
