// Parser of the headless runner's scripts: one command per line, events placed at a cursor.
#include "platform/headless/script.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <sstream>

#include "platform/common/settings.h"

namespace {

bool ParseNumber(const std::string& word, long long min, long long max, long long& value) {
    if (word.empty()) return false;
    errno = 0;
    char* end = nullptr;
    value = std::strtoll(word.c_str(), &end, 10);
    return errno == 0 && *end == '\0' && value >= min && value <= max;
}

// A key of the keyboard by the name settings.ini gives it (RETURN, LEFT, A, F1 ...), any case.
int KeyCode(const std::string& name) { return KeyFromName(name); }

struct Parser {
    Script& script;
    uint64_t cursor = 0;
    bool waited = false;

    void Add(ScriptEventKind kind, int value, const std::string& file = "") {
        script.events.push_back({cursor, kind, value, file});
    }

    // One line's command and its words; false when the line is malformed.
    bool Command(const std::string& command, const std::vector<std::string>& args,
                 const std::string& rest) {
        long long n = 0;
        const size_t count = args.size();
        if (command == "time" || command == "ticks" || command == "refresh") {
            if (waited || count != 1) return false;
            if (command == "time") return ParseNumber(args[0], 0, INT64_MAX / 2, n) && (script.time = n, true);
            if (command == "ticks") return ParseNumber(args[0], 0, UINT32_MAX, n) && (script.ticks = uint32_t(n), true);
            return ParseNumber(args[0], 1, 1000, n) && (script.refresh = int(n), true);
        }
        if (command == "repeat") {
            long long rate = 0;
            if (waited || count != 2 || !ParseNumber(args[0], 1, 10000, n) || !ParseNumber(args[1], 1, 10000, rate))
                return false;
            script.repeatDelay = int(n), script.repeatRate = int(rate);
            return true;
        }
        if (command == "wait") {
            if (count != 1 || !ParseNumber(args[0], 0, INT32_MAX, n)) return false;
            waited = true;
            cursor += uint64_t(n);
            return true;
        }
        if (command == "down" || command == "up") {
            if (count != 1 || KeyCode(args[0]) == 0) return false;
            Add(command == "down" ? EVENT_KEY_DOWN : EVENT_KEY_UP, KeyCode(args[0]));
            return true;
        }
        if (command == "tap") {
            if (count < 1 || count > 2 || KeyCode(args[0]) == 0) return false;
            n = 50;
            if (count == 2 && !ParseNumber(args[1], 0, INT32_MAX, n)) return false;
            Add(EVENT_KEY_DOWN, KeyCode(args[0]));
            cursor += uint64_t(n);
            Add(EVENT_KEY_UP, KeyCode(args[0]));
            return true;
        }
        if (command == "type") {
            for (unsigned char c : rest) Add(EVENT_CHAR, c);
            return true;
        }
        if (command == "char") {
            if (count != 1 || !ParseNumber(args[0], 0, 255, n)) return false;
            Add(EVENT_CHAR, int(n));
            return true;
        }
        if (command == "close") return count == 0 && (Add(EVENT_CLOSE, 0), true);
        if (command == "shot") return count == 1 && (Add(EVENT_SHOT, 0, args[0]), true);
        return false;
    }
};

// The character a key types (Space, letters, digits), or 0.
int CharacterOf(int key) {
    if (key == ' ' || (key >= '0' && key <= '9')) return key;
    return key >= 'A' && key <= 'Z' ? key - 'A' + 'a' : 0;
}

// A keyboard's auto-repeat: a held key that types (Space, a letter, a digit) types its
// character at the press, then after the delay at the rate until it is let go.
void AddRepeats(Script& script) {
    if (script.repeatRate <= 0) return;
    std::vector<ScriptEvent> typed;
    for (int key = 1; key < 128; ++key) {
        const int character = CharacterOf(key);
        if (character == 0) continue;
        bool down = false;
        uint64_t since = 0;
        for (const ScriptEvent& e : script.events) {
            if (e.value != key || (e.kind != EVENT_KEY_DOWN && e.kind != EVENT_KEY_UP)) continue;
            if (e.kind == EVENT_KEY_DOWN && !down) down = true, since = e.ms;
            if (e.kind != EVENT_KEY_UP || !down) continue;
            down = false;
            typed.push_back({since, EVENT_CHAR, character, ""});
            for (uint64_t at = since + uint64_t(script.repeatDelay); at < e.ms; at += uint64_t(script.repeatRate))
                typed.push_back({at, EVENT_CHAR, character, ""});
        }
    }
    script.events.insert(script.events.end(), typed.begin(), typed.end());
}

// Strips a comment: '#' at the start of a word begins it.
std::string WithoutComment(const std::string& line) {
    for (size_t i = 0; i < line.size(); ++i)
        if (line[i] == '#' && (i == 0 || line[i - 1] == ' ' || line[i - 1] == '\t'))
            return line.substr(0, i);
    return line;
}

}  // namespace

bool ParseScript(const std::string& text, Script& script, std::string& error) {
    Parser parser{script};
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::string command;
        std::istringstream first(line);
        first >> command;
        if (command.empty() || command[0] == '#') continue;
        // "type" takes the rest of its line as it stands, '#' included.
        const size_t start = line.find(command) + command.size();
        const std::string rest = start < line.size() ? line.substr(start + 1) : "";
        std::istringstream words(command == "type" ? "" : WithoutComment(line));
        std::vector<std::string> args;
        std::string word;
        words >> word;
        while (words >> word) args.push_back(word);
        if (!parser.Command(command, args, rest)) {
            error = "line " + std::to_string(number) + ": cannot understand \"" + line + "\"";
            return false;
        }
    }
    script.end = parser.cursor;
    std::stable_sort(script.events.begin(), script.events.end(),
                     [](const ScriptEvent& a, const ScriptEvent& b) { return a.ms < b.ms; });
    AddRepeats(script);
    std::stable_sort(script.events.begin(), script.events.end(),
                     [](const ScriptEvent& a, const ScriptEvent& b) { return a.ms < b.ms; });
    return true;
}
