// What keeps one client from taking the server: requests per address, and a deadline on the
// time a connection may take to send its request.
#include "server/limits.h"

#include <chrono>
#include <cmath>
#include <filesystem>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>

double NowSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

bool RateAllows(RateLimiter& limiter, const std::string& address, double now, int* retryAfter) {
    if (limiter.perMinute <= 0) return true;
    const double perSecond = limiter.perMinute / 60;
    std::lock_guard<std::mutex> hold(limiter.lock);
    // The table of addresses stays bounded: buckets that have filled up again say nothing.
    if (limiter.buckets.size() > 100000) {
        std::erase_if(limiter.buckets, [&](const auto& entry) {
            return entry.second.tokens + (now - entry.second.updated) * perSecond >= limiter.burst;
        });
    }
    auto [place, added] = limiter.buckets.try_emplace(address, RateLimiter::Bucket{limiter.burst, now});
    RateLimiter::Bucket& bucket = place->second;
    bucket.tokens = std::min(limiter.burst, bucket.tokens + (now - bucket.updated) * perSecond);
    bucket.updated = now;
    if (bucket.tokens >= 1) {
        bucket.tokens -= 1;
        return true;
    }
    *retryAfter = int(std::ceil((1 - bucket.tokens) / perSecond));
    return false;
}

// The peer of a connection accepted on `port`, or false for any other descriptor (the listening
// socket, the database's connections, pipes, files).
static bool AcceptedPeer(int fd, int port, std::string* address, int* peerPort) {
    sockaddr_storage local{}, peer{};
    socklen_t size = sizeof local;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &size) != 0) return false;
    size = sizeof peer;
    if (getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &size) != 0) return false;
    char text[INET6_ADDRSTRLEN] = {0};
    if (local.ss_family == AF_INET) {
        const auto& mine = reinterpret_cast<const sockaddr_in&>(local);
        const auto& theirs = reinterpret_cast<const sockaddr_in&>(peer);
        if (ntohs(mine.sin_port) != port) return false;
        inet_ntop(AF_INET, &theirs.sin_addr, text, sizeof text);
        *peerPort = ntohs(theirs.sin_port);
    } else if (local.ss_family == AF_INET6) {
        const auto& mine = reinterpret_cast<const sockaddr_in6&>(local);
        const auto& theirs = reinterpret_cast<const sockaddr_in6&>(peer);
        if (ntohs(mine.sin6_port) != port) return false;
        inet_ntop(AF_INET6, &theirs.sin6_addr, text, sizeof text);
        *peerPort = ntohs(theirs.sin6_port);
    } else {
        return false;
    }
    *address = text;
    return true;
}

// One look at the process's descriptors: note new connections, end the overdue ones.
static void CheckConnections(ConnectionWatchdog& watchdog) {
    const double now = NowSeconds();
    std::map<std::pair<int, unsigned long>, double> stillOpen;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
        const int fd = std::atoi(entry.path().filename().c_str());
        struct stat info{};
        std::string address;
        int peerPort = 0;
        if (fstat(fd, &info) != 0 || !S_ISSOCK(info.st_mode)) continue;
        if (!AcceptedPeer(fd, watchdog.port, &address, &peerPort)) continue;
        const auto key = std::make_pair(fd, static_cast<unsigned long>(info.st_ino));
        std::lock_guard<std::mutex> hold(watchdog.lock);
        const auto seen = watchdog.openSince.find(key);
        const double since = seen == watchdog.openSince.end() ? now : seen->second;
        if (watchdog.serving.count({address, peerPort})) {
            stillOpen[key] = now;
        } else if (now - since > watchdog.seconds) {
            // (The descriptor was looked at a moment ago, so it is still this connection.)
            shutdown(fd, SHUT_RDWR);
        } else {
            stillOpen[key] = since;
        }
    }
    std::lock_guard<std::mutex> hold(watchdog.lock);
    watchdog.openSince.swap(stillOpen);
}

void StartWatchdog(ConnectionWatchdog& watchdog, int port, int seconds) {
    watchdog.port = port;
    watchdog.seconds = seconds;
    watchdog.thread = std::thread([&watchdog] {
        while (!watchdog.stopping) {
            CheckConnections(watchdog);
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
        }
    });
}

void StopWatchdog(ConnectionWatchdog& watchdog) {
    watchdog.stopping = true;
    if (watchdog.thread.joinable()) watchdog.thread.join();
}

void WatchdogServing(ConnectionWatchdog& watchdog, const std::string& address, int port, bool serving) {
    std::lock_guard<std::mutex> hold(watchdog.lock);
    if (serving) {
        watchdog.serving.insert({address, port});
    } else {
        watchdog.serving.erase({address, port});
    }
}
