// The one part of sending to a Hall that differs by platform: the HTTP POST itself. Each platform
// gives it in one file: hall_post_curl.cpp (libcurl, Linux), platform/win32/win32_hall.cpp
// (WinHTTP, a system DLL). The address, the answer lines, retries and the sending in the
// background are hall_client.cpp's, the same everywhere.
#pragma once

#include <cstddef>
#include <string>

struct HallAnswer {
    long status = 0;      // the HTTP status; 0 when the Hall could not be reached
    std::string body;     // the JSON answer
    std::string error;    // why it could not be reached
};

// What every transport keeps to: connected within ten seconds, the whole answer within half a
// minute of the start, an answer of at most 64 KiB (the Hall's are a few hundred bytes).
constexpr int HALL_CONNECT_SECONDS = 10;
constexpr int HALL_ANSWER_SECONDS = 30;
constexpr size_t HALL_MAX_ANSWER_BYTES = 64 * 1024;
#define HALL_USER_AGENT "quellfort/" QUELLFORT_VERSION

// Readies the HTTP library for the process. Called once, on the main thread, before the first
// post (by HallSubmitFile and HallLinkTo).
void HallTransportStart();
// POSTs the recording as application/octet-stream to ADDRESS, an http:// or https:// URL, and
// waits for the answer within the limits above. Safe to call from several threads at once;
// called by HallPost.
HallAnswer HallTransportPost(const std::string& address, const std::string& recording);
