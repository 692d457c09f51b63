// The Hall's figures, printed and never asserted:
//   quellfort-hall-bench verify FILE [N]   the game's verification of one recording, in this
//                                           process and as the server runs it (a child process)
//   quellfort-hall-bench load HOST PORT DIR  1,000 runs from 16 clients (the valid recordings in
//                                           DIR, each several times, and doctored copies of them)
//                                           while a reader keeps asking for the table
#include "server/verifier.h"
#include "server/verify_call.h"

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

double Percentile(std::vector<double> values, double share) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(share * double(values.size())))];
}

int Verify(const std::string& file, int times) {
    const std::string recording = Slurp(file);
    RunVerdict verdict;
    auto start = Clock::now();
    for (int i = 0; i < times; ++i) verdict = VerifyRecording(recording);
    const double inProcess = Seconds(start) / times;
    VerifierSettings settings;
    settings.command = {"/proc/self/exe", "--verify-child"};
    start = Clock::now();
    for (int i = 0; i < times; ++i) verdict = VerifyInChild(recording, settings);
    const double inChild = Seconds(start) / times;
    std::printf("verification of %s (%u frames, %s): %.0f ms in process, %.0f ms in a child process "
                "(%d runs each); %.1f verifications a second a core, %.0f frames/s\n",
                std::filesystem::path(file).filename().c_str(), verdict.frames,
                verdict.valid ? "valid" : verdict.reason.c_str(), inProcess * 1000, inChild * 1000, times,
                1 / inChild, verdict.frames / inProcess);
    return verdict.valid ? 0 : 1;
}

// The doctored copies a load mixes in: each is refused, none is counted.
std::string Doctored(const std::string& recording, int kind) {
    std::string copy = recording;
    switch (kind % 3) {
    case 0: copy[copy.size() / 2] ^= 0x20; return copy;          // a flipped bit
    case 1: return copy.substr(0, copy.size() * 2 / 3);           // cut short
    default: copy[12] ^= 0x40; return copy;                      // another rules version
    }
}

struct LoadTally {
    std::mutex lock;
    std::map<int, int> statuses;
    std::vector<double> latencies;
    int retries = 0, lost = 0;
};

// Sends one run until it has an answer other than "come back later".
void Send(const std::string& host, int port, const std::string& body, LoadTally& tally) {
    httplib::Client client(host, port);
    client.set_read_timeout(120, 0);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto start = Clock::now();
        const auto answer = client.Post("/api/runs", body, "application/octet-stream");
        const double took = Seconds(start);
        std::lock_guard<std::mutex> hold(tally.lock);
        if (!answer) {
            ++tally.lost;
            return;
        }
        if (answer->status == 503 || answer->status == 429) {
            ++tally.retries;
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            continue;
        }
        tally.statuses[answer->status]++;
        tally.latencies.push_back(took);
        return;
    }
    ++tally.lost;
}

int Load(const std::string& host, int port, const std::string& folder) {
    std::vector<std::string> valid;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().extension() == ".qfr") valid.push_back(Slurp(entry.path()));
    if (valid.empty()) return std::fprintf(stderr, "no recordings in %s\n", folder.c_str()), 2;
    // Half valid (each recording sent several times), half doctored, in a fixed mixed order.
    std::vector<std::string> bodies;
    for (int i = 0; i < 1000; ++i)
        bodies.push_back(i % 2 == 0 ? valid[size_t(i / 2) % valid.size()] : Doctored(valid[size_t(i / 2) % valid.size()], i / 2));
    std::vector<size_t> order(bodies.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = (i * 617) % order.size();

    LoadTally tally;
    std::atomic<size_t> next{0};
    std::atomic<bool> loading{true};
    std::atomic<long> reads{0};
    std::thread reader([&] {
        httplib::Client client(host, port);
        while (loading)
            if (const auto page = client.Get("/api/runs?board=all&limit=20"); page && page->status == 200) ++reads;
    });
    const auto start = Clock::now();
    std::vector<std::thread> clients;
    for (int c = 0; c < 16; ++c) {
        clients.emplace_back([&] {
            for (size_t i; (i = next++) < bodies.size();) Send(host, port, bodies[order[i]], tally);
        });
    }
    for (auto& client : clients) client.join();
    const double took = Seconds(start);
    loading = false;
    reader.join();

    httplib::Client client(host, port);
    const auto table = client.Get("/api/runs?board=all&limit=100");
    size_t runs = 0;
    for (size_t at = table ? table->body.find("\"id\":") : std::string::npos; at != std::string::npos;
         at = table->body.find("\"id\":", at + 1))
        ++runs;
    std::printf("load: 1000 runs (%zu recordings sent %zu times each, 500 doctored copies) from 16 clients in %.1f s\n",
                valid.size(), 500 / valid.size(), took);
    std::printf("  answers:");
    for (const auto& [status, count] : tally.statuses) std::printf(" %d x%d", status, count);
    std::printf("; %d retried after 503/429; %d lost\n", tally.retries, tally.lost);
    std::printf("  table: %zu runs for %zu distinct valid recordings (%s)\n", runs, valid.size(),
                runs == valid.size() && tally.statuses[201] == int(valid.size()) && tally.lost == 0
                    ? "none lost, none counted twice" : "MISMATCH");
    std::printf("  latency of an answer: p50 %.0f ms, p99 %.0f ms, max %.0f ms\n",
                Percentile(tally.latencies, 0.5) * 1000, Percentile(tally.latencies, 0.99) * 1000,
                Percentile(tally.latencies, 1.0) * 1000);
    std::printf("  table reads while it ran: %.0f a second (GET /api/runs?board=all&limit=20, one client)\n",
                double(reads) / took);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "--verify-child") return VerifierChildMain(VerifyRecording);  // as the server's
    if (mode == "verify" && argc >= 3) return Verify(argv[2], argc > 3 ? std::atoi(argv[3]) : 10);
    if (mode == "load" && argc == 5) return Load(argv[2], std::atoi(argv[3]), argv[4]);
    std::fprintf(stderr, "usage: quellfort-hall-bench verify FILE [N] | load HOST PORT DIR\n");
    return 2;
}
