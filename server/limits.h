// What keeps one client from taking the server: requests per address, and a deadline on the
// time a connection may take to send its request.
#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <unordered_map>
#include <utility>

// A bucket of `burst` tokens per address, refilled at perMinute a minute; 0 a minute is no limit.
struct RateLimiter {
    double perMinute = 0, burst = 0;
    std::mutex lock;
    struct Bucket {
        double tokens = 0, updated = 0;
    };
    std::unordered_map<std::string, Bucket> buckets;
};
// Takes a token for the address; false, with the seconds until the next one, when none is left.
bool RateAllows(RateLimiter& limiter, const std::string& address, double now, int* retryAfter);

// Every half second, ends any connection to the server's port that has been open longer than
// the deadline without its request being served: a client that sends one byte a second is
// dropped, whatever the per-read timeouts allow. A request being answered (a recording waiting
// for its verdict) is not the client's delay and is left alone.
struct ConnectionWatchdog {
    int port = 0;
    int seconds = 0;
    std::mutex lock;
    std::set<std::pair<std::string, int>> serving;      // peer address and port
    std::map<std::pair<int, unsigned long>, double> openSince;  // descriptor and socket inode
    std::atomic<bool> stopping{false};
    std::thread thread;
};
void StartWatchdog(ConnectionWatchdog& watchdog, int port, int seconds);
void StopWatchdog(ConnectionWatchdog& watchdog);
// Marks a peer's request as being served, and done (its connection's clock starts again).
void WatchdogServing(ConnectionWatchdog& watchdog, const std::string& address, int port, bool serving);
// Seconds on a steady clock.
double NowSeconds();
