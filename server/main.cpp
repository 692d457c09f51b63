// quellfort-server: the Hall, a public table of Quellfort scores, each proven by replaying its
// recording. One process serves the table, the API and (with --web) the browser game.
#include "server/hall.h"

#include "server/submission.h"
#include "server/verify_call.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>

#include <pthread.h>

// Answers every request before its route: the per-address request limit, and a body too large
// refused from its Content-Length before a byte of it is read.
static httplib::Server::HandlerResponse BeforeRoute(Hall& hall, const httplib::Request& request,
                                                    httplib::Response& response) {
    int retryAfter = 0;
    if (!RateAllows(hall.requests, ClientAddress(hall, request), NowSeconds(), &retryAfter)) {
        response.status = 429;
        response.set_header("Retry-After", std::to_string(retryAfter));
        response.set_content("{\"error\":\"too many requests from this address\"}\n", "application/json");
        return httplib::Server::HandlerResponse::Handled;
    }
    const std::string length = request.get_header_value("Content-Length");
    if (!length.empty() && (length.size() > 12 || std::stoull("0" + length) > MAX_RECORDING_BYTES)) {
        response.status = 413;
        response.set_header("Connection", "close");
        response.set_content("{\"error\":\"the recording is larger than 1 MiB\"}\n", "application/json");
        return httplib::Server::HandlerResponse::Handled;
    }
    return httplib::Server::HandlerResponse::Unhandled;
}

static void ConfigureServer(httplib::Server& server, Hall& hall) {
    // Requests that wait for a verdict hold a thread each; the pool is large enough for all of
    // them and the reads besides, so the table stays readable with the queue full.
    const size_t threads = size_t(hall.options.workers + hall.options.queueLength) + 8;
    server.new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    server.set_payload_max_length(MAX_RECORDING_BYTES);
    server.set_read_timeout(5, 0);
    server.set_write_timeout(5, 0);
    server.set_keep_alive_timeout(5);
    server.set_default_headers({{"X-Content-Type-Options", "nosniff"}});
    server.set_pre_routing_handler([&hall](const httplib::Request& request, httplib::Response& response) {
        return BeforeRoute(hall, request, response);
    });
    server.set_exception_handler([](const httplib::Request& request, httplib::Response& response,
                                    std::exception_ptr failure) {
        try {
            std::rethrow_exception(failure);
        } catch (const std::exception& error) {
            std::fprintf(stderr, "quellfort-server: %s %s: %s\n", request.method.c_str(),
                         request.path.c_str(), error.what());
        } catch (...) {
        }
        response.status = 500;
        response.set_content("{\"error\":\"the server could not answer\"}\n", "application/json");
    });
    AddApiRoutes(server, hall);
    AddHallPages(server, hall);
    if (!hall.web.empty()) {
        server.Get(".*", [&hall](const httplib::Request& request, httplib::Response& response) {
            const WebFile* file = FindWebFile(hall.web, request.path);
            if (!file) {
                response.status = 404;
                return response.set_content("not found\n", "text/plain");
            }
            response.set_content(file->bytes, file->type.c_str());
        });
    }
}

// SIGINT and SIGTERM stop the server the ordinary way: requests under way are answered.
static std::thread StopOnSignal(httplib::Server& server, std::atomic<bool>& signalled) {
    return std::thread([&server, &signalled] {
        sigset_t stop;
        sigemptyset(&stop);
        sigaddset(&stop, SIGINT);
        sigaddset(&stop, SIGTERM);
        int signal = 0;
        sigwait(&stop, &signal);
        signalled = true;
        server.stop();
    });
}

static bool OpenHall(Hall& hall) {
    std::string error;
    hall.store = OpenStore(hall.options.dataDir, hall.options.databaseUrl, &error);
    if (hall.store && !hall.options.webDir.empty()) LoadWebFiles(hall.options.webDir, &hall.web, &error);
    if (!error.empty()) {
        std::fprintf(stderr, "quellfort-server: %s\n", error.c_str());
        return false;
    }
    hall.submissions.perMinute = hall.submissions.burst = hall.options.submissionsPerMinute;
    hall.requests.perMinute = hall.options.requestsPerMinute;
    hall.requests.burst = hall.options.requestsPerMinute / 4;
    hall.verifiers = StartVerifiers({hall.options.workers, size_t(hall.options.queueLength),
                                     hall.options.cpuSeconds, size_t(512) << 20,
                                     {"/proc/self/exe", "--verify-child"}});
    return true;
}

int main(int argc, char** argv) {
    // A verification: this same program, started by the server for one recording.
    if (argc == 2 && std::string(argv[1]) == "--verify-child") return VerifierChildMain(VerifyRecording);
    Hall hall;
    const int status = ParseServerOptions(argc, argv, &hall.options);
    if (status >= 0) return status;
    // Every thread leaves the stop signals to the one that waits for them; a client that
    // hangs up mid-answer is an error on that socket, not a signal.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    if (!OpenHall(hall)) return 1;

    httplib::Server server;
    ConfigureServer(server, hall);
    const ServerOptions& options = hall.options;
    const int port = options.port == 0 ? server.bind_to_any_port(options.host)
                                       : (server.bind_to_port(options.host, options.port) ? options.port : -1);
    if (port <= 0) {
        std::fprintf(stderr, "quellfort-server: cannot listen on %s:%d\n", options.host.c_str(), options.port);
        return 1;
    }
    std::printf("quellfort-server %s: the Hall at http://%s:%d/hall, table in %s\n", QUELLFORT_VERSION,
                options.host.c_str(), port,
                options.databaseUrl.empty() ? (options.dataDir + "/hall.sqlite3").c_str() : "PostgreSQL");
    std::fflush(stdout);
    StartWatchdog(hall.watchdog, port, options.requestSeconds);
    std::atomic<bool> signalled{false};
    std::thread stopper = StopOnSignal(server, signalled);
    const bool listened = server.listen_after_bind();
    StopWatchdog(hall.watchdog);
    if (!signalled) pthread_kill(stopper.native_handle(), SIGTERM);
    stopper.join();
    return listened || signalled ? 0 : 1;
}
