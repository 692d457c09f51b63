// The Windows game's POST to a Hall, with WinHTTP: a DLL every Windows has, so nothing is shipped
// beside quellfort.exe. The exchange keeps to the same half minute as the Linux game's libcurl:
// each step may take only what is left of it.
#include "platform/common/hall_transport.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <string>

namespace {

// A WinHTTP handle, closed when it goes out of scope.
struct Handle {
    HINTERNET h = nullptr;
    explicit Handle(HINTERNET handle) : h(handle) {}
    Handle(const Handle&) = delete;
    ~Handle() {
        if (h != nullptr) WinHttpCloseHandle(h);
    }
};

// Where a POST goes, read from its address.
struct Target {
    std::wstring host, path;
    INTERNET_PORT port = 0;
    bool secure = false;
};

// The end of the half minute a post may take.
struct Deadline {
    ULONGLONG end = GetTickCount64() + ULONGLONG(HALL_ANSWER_SECONDS) * 1000;
    bool Passed() const { return GetTickCount64() >= end; }
    // What is left, at most `cap` ms and at least 1 (0 would tell WinHTTP "no limit").
    int Left(int cap) const {
        const ULONGLONG now = GetTickCount64();
        return now >= end ? 1 : int(std::min<ULONGLONG>(end - now, ULONGLONG(cap)));
    }
};

// The errors a player meets, in the words libcurl would use; the rest by number.
std::string Describe(DWORD error) {
    const char* why = error == ERROR_WINHTTP_TIMEOUT || error == WSAETIMEDOUT ? "timed out"
                      : error == ERROR_WINHTTP_NAME_NOT_RESOLVED  ? "could not resolve the host name"
                      : error == ERROR_WINHTTP_CANNOT_CONNECT     ? "could not connect to the server"
                      : error == ERROR_WINHTTP_CONNECTION_ERROR || error == WSAECONNRESET ? "the connection was reset"
                      : error == ERROR_WINHTTP_SECURE_FAILURE     ? "the server's certificate is not trusted"
                      : error == ERROR_WINHTTP_INVALID_SERVER_RESPONSE ? "the server's answer is not HTTP"
                      : error == ERROR_WINHTTP_INVALID_URL        ? "not a valid address"
                      : error == ERROR_WINHTTP_UNRECOGNIZED_SCHEME ? "only http and https addresses"
                      : nullptr;
    return "WinHTTP error " + std::to_string(error) + (why != nullptr ? std::string(": ") + why : "");
}

// Each step gets what is left of the half minute, and no more than ten seconds to connect. The
// wait for the answer's headers has a limit of its own (90 s unless set).
void LimitTo(HINTERNET handle, const Deadline& deadline) {
    const int connect = deadline.Left(HALL_CONNECT_SECONDS * 1000), rest = deadline.Left(HALL_ANSWER_SECONDS * 1000);
    WinHttpSetTimeouts(handle, connect, connect, rest, rest);
    DWORD headers = DWORD(rest);
    WinHttpSetOption(handle, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &headers, sizeof headers);
}

bool ReadTarget(const std::string& address, Target* target) {
    const int length = MultiByteToWideChar(CP_ACP, 0, address.data(), int(address.size()), nullptr, 0);
    std::wstring wide(size_t(std::max(length, 0)), L'\0');
    if (length <= 0 || MultiByteToWideChar(CP_ACP, 0, address.data(), int(address.size()), wide.data(), length) != length)
        return false;
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = DWORD(-1);
    if (!WinHttpCrackUrl(wide.c_str(), DWORD(wide.size()), 0, &parts) || parts.lpszHostName == nullptr) return false;
    if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) return false;
    target->host.assign(parts.lpszHostName, parts.dwHostNameLength);
    if (parts.lpszUrlPath != nullptr) target->path.assign(parts.lpszUrlPath, parts.dwUrlPathLength);
    if (parts.lpszExtraInfo != nullptr) target->path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (target->path.empty()) target->path = L"/";
    target->port = parts.nPort;
    target->secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    return !target->host.empty();
}

// The system's proxy settings (Windows 8.1 on), else those set for WinHTTP; TLS 1.2 and 1.3, which
// Windows 7 does not offer unless asked.
HINTERNET OpenSession() {
    const wchar_t* agent = L"" HALL_USER_AGENT;
    HINTERNET session = WinHttpOpen(agent, WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
    if (session == nullptr)
        session = WinHttpOpen(agent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
    if (session == nullptr) return nullptr;
    DWORD protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3;
    if (!WinHttpSetOption(session, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof protocols)) {
        protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2;
        WinHttpSetOption(session, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof protocols);
    }
    return session;
}

// The body, at most HALL_MAX_ANSWER_BYTES of it, before the deadline.
bool ReadBody(HINTERNET request, const Deadline& deadline, HallAnswer* answer) {
    for (;;) {
        if (deadline.Passed()) return answer->error = "no whole answer within half a minute", false;
        LimitTo(request, deadline);
        char chunk[8192];
        DWORD got = 0;
        if (!WinHttpReadData(request, chunk, sizeof chunk, &got)) return answer->error = Describe(GetLastError()), false;
        if (got == 0) return true;
        if (answer->body.size() + got > HALL_MAX_ANSWER_BYTES) return answer->error = "the answer is too large", false;
        answer->body.append(chunk, got);
    }
}

HallAnswer Failed(HallAnswer answer) {
    answer.error = Describe(GetLastError());
    return answer;
}

}  // namespace

void HallTransportStart() {}

HallAnswer HallTransportPost(const std::string& address, const std::string& recording) {
    const Deadline deadline;
    HallAnswer answer;
    Target target;
    if (!ReadTarget(address, &target)) return answer.error = "not an http:// or https:// address: " + address, answer;
    if (recording.size() > MAXDWORD) return answer.error = "the recording is too large to send", answer;
    Handle session(OpenSession());
    if (session.h == nullptr) return Failed(answer);
    Handle connection(WinHttpConnect(session.h, target.host.c_str(), target.port, 0));
    if (connection.h == nullptr) return Failed(answer);
    Handle request(WinHttpOpenRequest(connection.h, L"POST", target.path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                      WINHTTP_DEFAULT_ACCEPT_TYPES, target.secure ? WINHTTP_FLAG_SECURE : 0));
    if (request.h == nullptr) return Failed(answer);
    // A moved Hall is said as its status, as libcurl says it: a POST is never re-sent elsewhere.
    DWORD disable = WINHTTP_DISABLE_REDIRECTS;
    WinHttpSetOption(request.h, WINHTTP_OPTION_DISABLE_FEATURE, &disable, sizeof disable);
    LimitTo(request.h, deadline);
    const DWORD size = DWORD(recording.size());
    if (!WinHttpSendRequest(request.h, L"Content-Type: application/octet-stream", DWORD(-1),
                            const_cast<char*>(recording.data()), size, size, 0))
        return Failed(answer);
    LimitTo(request.h, deadline);
    if (!WinHttpReceiveResponse(request.h, nullptr)) return Failed(answer);
    DWORD status = 0, statusSize = sizeof status;
    if (!WinHttpQueryHeaders(request.h, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX,
                             &status, &statusSize, WINHTTP_NO_HEADER_INDEX))
        return Failed(answer);
    if (!ReadBody(request.h, deadline, &answer)) return answer;
    answer.status = long(status);
    return answer;
}
