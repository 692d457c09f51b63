// Sending recordings to a Hall over HTTP with libcurl. Nothing here touches the game: a send
// gets its own copy of the recording and its own thread, and leaves one line for the screen.
#include "platform/common/hall_client.h"

#include <curl/curl.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <mutex>
#include <thread>

namespace {

constexpr size_t MAX_ANSWER_BYTES = 64 * 1024;

struct Sender {
    std::string hall;
    std::mutex lock;
    std::condition_variable done;
    int underWay = 0;
    std::string line;
};
Sender sender;

size_t TakeBody(char* data, size_t size, size_t count, void* out) {
    std::string& body = *static_cast<std::string*>(out);
    if (body.size() + size * count > MAX_ANSWER_BYTES) return 0;
    body.append(data, size * count);
    return size * count;
}

// HALL/api/runs from what a player types: the site, or the table's page.
std::string RunsAddress(std::string hall) {
    while (!hall.empty() && hall.back() == '/') hall.pop_back();
    if (hall.size() >= 5 && hall.compare(hall.size() - 5, 5, "/hall") == 0) hall.resize(hall.size() - 5);
    return hall + "/api/runs";
}

// A member of the Hall's flat JSON answer: a number as its digits, a string unescaped (what is
// not ASCII becomes '?', for the screen's sake).
std::string JsonMember(const std::string& json, const std::string& key) {
    size_t at = json.find("\"" + key + "\":");
    if (at == std::string::npos) return "";
    at += key.size() + 3;
    if (at >= json.size() || json[at] != '"') {
        const size_t end = json.find_first_of(",}", at);
        return json.substr(at, end == std::string::npos ? std::string::npos : end - at);
    }
    std::string text;
    for (++at; at < json.size() && json[at] != '"'; ++at) {
        char c = json[at];
        if (c == '\\' && at + 1 < json.size()) {
            c = json[++at];
            if (c == 'u') {
                const unsigned code = at + 4 < json.size() ? unsigned(std::stoul(json.substr(at + 1, 4), nullptr, 16)) : 0;
                c = code >= 0x20 && code < 0x7F ? char(code) : '?';
                at += 4;
            } else if (c != '"' && c != '\\' && c != '/') {
                c = ' ';
            }
        }
        text += uint8_t(c) < 0x80 ? c : '?';
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
    HallAnswer answer;
    CURL* curl = curl_easy_init();
    if (curl == nullptr) return answer.error = "libcurl could not start", answer;
    const std::string address = RunsAddress(hall);
    curl_slist* headers = curl_slist_append(nullptr, "Content-Type: application/octet-stream");
    headers = curl_slist_append(headers, "Expect:");  // the whole body at once, no 100-continue
    char error[CURL_ERROR_SIZE] = {0};
    curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, recording.data());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(recording.size()));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, TakeBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &answer.body);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 10L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 30L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "quellfort/" QUELLFORT_VERSION);
    if (curl_easy_perform(curl) == CURLE_OK) {
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &answer.status);
    } else {
        answer.error = error;
    }
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
    return answer;
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
    curl_global_init(CURL_GLOBAL_DEFAULT);
    const HallAnswer answer = HallPost(hall, recording);
    curl_global_cleanup();
    std::printf("%s\n", HallAnswerLine(answer).c_str());
    if (answer.status == 0) std::printf("(%s)\n", answer.error.c_str());
    if (answer.status == 201 || answer.status == 200) {
        std::printf("run %s: level %s, %s kills; the table: %s/hall\n", JsonMember(answer.body, "id").c_str(),
                    JsonMember(answer.body, "level").c_str(), JsonMember(answer.body, "kills").c_str(),
                    RunsAddress(hall).substr(0, RunsAddress(hall).size() - 9).c_str());
        return 0;
    }
    return 1;
}

HallLink HallLinkTo(const std::string& hall) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    sender.hall = hall;
    HallLink link;
    link.send = Send;
    link.line = Line;
    return link;
}

void HallFinishSending(int seconds) {
    std::unique_lock<std::mutex> hold(sender.lock);
    if (sender.hall.empty()) return;
    if (sender.underWay > 0) std::printf("waiting for the Hall's answer ...\n");
    sender.done.wait_for(hold, std::chrono::seconds(seconds), [] { return sender.underWay == 0; });
    if (!sender.line.empty()) std::printf("%s\n", sender.line.c_str());
    // (A send still under way is left to end with the process.)
}
