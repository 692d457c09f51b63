// Sending recordings to a Hall, the same on every platform: the address, the answer as a line
// for the player, the retries and the sending in the background. The POST itself is the
// platform's (hall_transport.h). Nothing here touches the game: a send gets its own copy of the
// recording and its own thread, and leaves one line for the screen.
#include "platform/common/hall_client.h"

#include <cctype>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <mutex>
#include <thread>

namespace {

struct Sender {
    std::string hall;
    std::mutex lock;
    std::condition_variable done;
    int underWay = 0;
    std::string line;
};
// Never destroyed: a send still under way when the game exits (HallFinishSending gave up on it)
// goes on using it while the process's destructors run.
Sender& sender = *new Sender;

// The Hall's own address from what a player types: the site or the table's page, with or
// without "http://" in front.
std::string SiteAddress(std::string hall) {
    while (!hall.empty() && hall.back() == '/') hall.pop_back();
    if (hall.size() >= 5 && hall.compare(hall.size() - 5, 5, "/hall") == 0) hall.resize(hall.size() - 5);
    if (hall.find("://") == std::string::npos) hall = "http://" + hall;
    return hall;
}

bool StartsWithoutCase(const std::string& text, const char* start) {
    for (size_t i = 0; start[i] != 0; ++i)
        if (i >= text.size() || std::tolower(uint8_t(text[i])) != start[i]) return false;
    return true;
}

// The value of four hex digits at `at`, or -1 where they are not four hex digits.
int HexCode(const std::string& text, size_t at) {
    if (at + 4 > text.size()) return -1;
    int code = 0;
    for (size_t i = at; i < at + 4; ++i) {
        const char c = char(std::tolower(uint8_t(text[i])));
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0) return -1;
        code = code * 16 + digit;
    }
    return code;
}

// A character the screen's font and any console show: control characters become spaces, what is
// not ASCII '?'.
char Printable(char c) { return uint8_t(c) >= 0x80 ? '?' : uint8_t(c) < 0x20 || c == 0x7F ? ' ' : c; }

// A member of the Hall's flat JSON answer: a number as its characters, a string unescaped; either
// in printable ASCII.
std::string JsonMember(const std::string& json, const std::string& key) {
    size_t at = json.find("\"" + key + "\":");
    if (at == std::string::npos) return "";
    at += key.size() + 3;
    if (at >= json.size() || json[at] != '"') {
        const size_t end = json.find_first_of(",}", at);
        std::string text = json.substr(at, end == std::string::npos ? std::string::npos : end - at);
        for (char& c : text) c = Printable(c);
        return text;
    }
    std::string text;
    for (++at; at < json.size() && json[at] != '"'; ++at) {
        char c = json[at];
        if (c == '\\' && at + 1 < json.size()) {
            c = json[++at];
            if (c == 'u') {
                // Whatever a server puts here, a line comes of it (never an exception in the
                // thread that sends a game).
                const int code = HexCode(json, at + 1);
                c = code >= 0x20 && code < 0x7F ? char(code) : '?';
                if (code >= 0) at += 4;
            } else if (c != '"' && c != '\\' && c != '/') {
                c = ' ';
            }
        }
        text += Printable(c);
    }
    return text;
}

// One game, sent in a thread of its own; a busy Hall is asked again a few times.
void SendInBackground(std::string hall, std::string recording) {
    HallAnswer answer;
    for (int attempt = 0; attempt < 4; ++attempt) {
        answer = HallPost(hall, recording);
        if (answer.status != 503 && answer.status != 429) break;
        std::this_thread::sleep_for(std::chrono::seconds(5 * (attempt + 1)));
    }
    std::lock_guard<std::mutex> hold(sender.lock);
    sender.line = HallAnswerLine(answer);
    // A terminal keeps every game's answer, not only the last one's on the screen.
    std::printf("%s\n", sender.line.c_str());
    std::fflush(stdout);
    --sender.underWay;
    sender.done.notify_all();
}

void Send(const std::string& recording) {
    {
        std::lock_guard<std::mutex> hold(sender.lock);
        ++sender.underWay;
        sender.line = "The Hall: sending this game ...";
    }
    std::thread(SendInBackground, sender.hall, recording).detach();
}

std::string Line() {
    std::lock_guard<std::mutex> hold(sender.lock);
    return sender.line;
}

}  // namespace

HallAnswer HallPost(const std::string& hall, const std::string& recording) {
    const std::string site = SiteAddress(hall);
    if (!StartsWithoutCase(site, "http://") && !StartsWithoutCase(site, "https://")) {
        HallAnswer answer;
        answer.error = "a Hall's address starts with http:// or https://";
        return answer;
    }
    return HallTransportPost(site + "/api/runs", recording);
}

std::string HallAnswerLine(const HallAnswer& answer) {
    if (answer.status == 0) return "The Hall could not be reached";
    const std::string rank = JsonMember(answer.body, "rank"), score = JsonMember(answer.body, "score");
    if (answer.status == 201 || answer.status == 200) {
        return std::string(answer.status == 200 ? "Already in the Hall" : "The Hall") + ": rank " + rank +
               " of all time, score " + score;
    }
    std::string why = JsonMember(answer.body, "error");
    why = why.substr(0, why.find(':'));  // the reason, without its explanation
    if (answer.status == 400 || answer.status == 413) return "The Hall refused this game: " + why;
    if (answer.status == 503 || answer.status == 429) return "The Hall is busy: this game was not sent";
    return "The Hall answered " + std::to_string(answer.status) + (why.empty() ? "" : ": " + why);
}

int HallSubmitFile(const std::string& hall, const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string recording(std::istreambuf_iterator<char>(in), {});
    if (!in.good() && !in.eof()) {
        std::fprintf(stderr, "quellfort: cannot read %s\n", path.c_str());
        return 2;
    }
    if (recording.empty()) {
        std::fprintf(stderr, "quellfort: %s is empty or cannot be read\n", path.c_str());
        return 2;
    }
    HallTransportStart();
    const HallAnswer answer = HallPost(hall, recording);
    std::printf("%s\n", HallAnswerLine(answer).c_str());
    if (answer.status == 0) std::printf("(%s)\n", answer.error.c_str());
    if (answer.status == 201 || answer.status == 200) {
        std::printf("run %s: level %s, %s kills; the table: %s/hall\n", JsonMember(answer.body, "id").c_str(),
                    JsonMember(answer.body, "level").c_str(), JsonMember(answer.body, "kills").c_str(),
                    SiteAddress(hall).c_str());
        return 0;
    }
    return 1;
}

HallLink HallLinkTo(const std::string& hall) {
    HallTransportStart();
    sender.hall = hall;
    HallLink link;
    link.send = Send;
    link.line = Line;
    return link;
}

void HallFinishSending(int seconds) {
    std::unique_lock<std::mutex> hold(sender.lock);
    if (sender.hall.empty()) return;
    if (sender.underWay == 0) return;
    std::printf("waiting for the Hall's answer ...\n");
    std::fflush(stdout);
    // A send still under way after that is left to end with the process.
    if (!sender.done.wait_for(hold, std::chrono::seconds(seconds), [] { return sender.underWay == 0; }))
        std::printf("The Hall did not answer before the game closed\n");
}
