// settings.ini as text: read line by line over the defaults, written back with every line the
// game does not know kept as it was.
#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "platform/common/settings.h"

namespace {

enum EntryKind { KEYS, BUTTONS, VOLUME, MUTE, REDUCED_FLASHING, FULLSCREEN, WINDOW_SIZE, SCALING, VSYNC };

struct Entry {
    const char* section;
    const char* key;
    EntryKind kind;
    int action;
};

// In the order a new file lists them.
constexpr Entry ENTRIES[] = {
    {"keys", "left", KEYS, ACTION_LEFT},           {"keys", "right", KEYS, ACTION_RIGHT},
    {"keys", "fire", KEYS, ACTION_FIRE},           {"keys", "pause", KEYS, ACTION_PAUSE},
    {"keys", "enter", KEYS, ACTION_ENTER},         {"keys", "quit", KEYS, ACTION_QUIT},
    {"controller", "left", BUTTONS, ACTION_LEFT},  {"controller", "right", BUTTONS, ACTION_RIGHT},
    {"controller", "fire", BUTTONS, ACTION_FIRE},  {"controller", "pause", BUTTONS, ACTION_PAUSE},
    {"controller", "enter", BUTTONS, ACTION_ENTER}, {"controller", "quit", BUTTONS, ACTION_QUIT},
    {"sound", "volume", VOLUME, 0},                {"sound", "mute", MUTE, 0},
    {"picture", "fullscreen", FULLSCREEN, 0},      {"picture", "window-size", WINDOW_SIZE, 0},
    {"picture", "scaling", SCALING, 0},            {"picture", "vsync", VSYNC, 0},
    {"accessibility", "reduced-flashing", REDUCED_FLASHING, 0},
};
constexpr int ENTRY_COUNT = int(sizeof ENTRIES / sizeof ENTRIES[0]);
constexpr int MAX_WINDOW_SCALE = 16;

const char* const FILE_HEADER =
    "# Quellfort's settings. The options screen (F1 or O on the title screen) changes them and\n"
    "# writes this file back; lines it does not know are kept. Keys and controller buttons: up to\n"
    "# two per action, separated by a comma.\n";

std::string Trim(const std::string& s) {
    size_t begin = 0, end = s.size();
    while (begin < end && std::isspace((unsigned char)s[begin])) ++begin;
    while (end > begin && std::isspace((unsigned char)s[end - 1])) --end;
    return s.substr(begin, end - begin);
}

std::string Lower(std::string s) {
    for (char& c : s) c = char(std::tolower((unsigned char)c));
    return s;
}

// The line split at its first '=', or false when it is no "key = value" line.
bool SplitLine(const std::string& line, std::string* key, std::string* value) {
    const size_t equals = line.find('=');
    if (equals == std::string::npos) return false;
    *key = Lower(Trim(line.substr(0, equals)));
    *value = Trim(line.substr(equals + 1));
    return !key->empty();
}

int FindEntry(const std::string& section, const std::string& key) {
    for (int i = 0; i < ENTRY_COUNT; ++i)
        if (section == ENTRIES[i].section && key == ENTRIES[i].key) return i;
    return -1;
}

bool ReadYesNo(const std::string& value, bool* out) {
    const std::string v = Lower(value);
    if (v == "yes" || v == "on" || v == "true" || v == "1") return *out = true, true;
    if (v == "no" || v == "off" || v == "false" || v == "0") return *out = false, true;
    return false;
}

bool ReadNumber(const std::string& value, int low, int high, int* out) {
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (value.empty() || value.size() > 3 || !std::all_of(value.begin(), value.end(), digit)) return false;
    const int n = std::stoi(value);
    if (n < low || n > high) return false;
    *out = n;
    return true;
}

// "Left, A": one or two names; "none" (controller buttons only) for none.
std::vector<std::string> Names(const std::string& value) {
    std::vector<std::string> names;
    size_t start = 0;
    for (size_t comma; (comma = value.find(',', start)) != std::string::npos; start = comma + 1)
        names.push_back(Trim(value.substr(start, comma - start)));
    names.push_back(Trim(value.substr(start)));
    return names;
}

bool ReadKeys(const std::string& value, int (&keys)[BINDINGS_PER_ACTION], std::string* reason) {
    const std::vector<std::string> names = Names(value);
    if (names.size() > BINDINGS_PER_ACTION) return *reason = "more than two keys", false;
    int read[BINDINGS_PER_ACTION] = {KEY_NONE, KEY_NONE};
    for (size_t i = 0; i < names.size(); ++i) {
        read[i] = KeyFromName(names[i]);
        if (read[i] == KEY_NONE) return *reason = "no key is called \"" + names[i] + "\"", false;
        if (read[i] == KeyFromName("F1")) return *reason = "F1 opens the options", false;
    }
    std::copy(read, read + BINDINGS_PER_ACTION, keys);
    return true;
}

bool ReadButtons(const std::string& value, uint32_t (&buttons)[BINDINGS_PER_ACTION], std::string* reason) {
    uint32_t read[BINDINGS_PER_ACTION] = {0, 0};
    if (Lower(value) != "none") {
        const std::vector<std::string> names = Names(value);
        if (names.size() > BINDINGS_PER_ACTION) return *reason = "more than two buttons", false;
        for (size_t i = 0; i < names.size(); ++i) {
            read[i] = ButtonFromName(names[i]);
            if (read[i] == 0) return *reason = "no button is called \"" + names[i] + "\"", false;
        }
    }
    std::copy(read, read + BINDINGS_PER_ACTION, buttons);
    return true;
}

// Applies one value; false with the reason when the value is not one the entry takes.
bool ReadValue(const Entry& entry, const std::string& value, PlatformSettings& s, std::string* reason) {
    switch (entry.kind) {
    case KEYS: return ReadKeys(value, s.keys[entry.action], reason);
    case BUTTONS: return ReadButtons(value, s.buttons[entry.action], reason);
    case VOLUME: return ReadNumber(value, 0, VOLUME_MAX, &s.volume) || (*reason = "not a number from 0 to 100", false);
    case WINDOW_SIZE:
        return ReadNumber(value, 1, MAX_WINDOW_SCALE, &s.windowScale) || (*reason = "not a number from 1 to 16", false);
    case SCALING:
        if (Lower(value) == "fill") return s.scaling = SCALING_FILL, true;
        if (Lower(value) == "sharp") return s.scaling = SCALING_SHARP, true;
        return *reason = "neither fill nor sharp", false;
    case MUTE: return ReadYesNo(value, &s.mute) || (*reason = "neither yes nor no", false);
    case REDUCED_FLASHING: return ReadYesNo(value, &s.reducedFlashing) || (*reason = "neither yes nor no", false);
    case FULLSCREEN: return ReadYesNo(value, &s.fullscreen) || (*reason = "neither yes nor no", false);
    case VSYNC: return ReadYesNo(value, &s.vsync) || (*reason = "neither yes nor no", false);
    }
    return false;
}

std::string ValueText(const Entry& entry, const PlatformSettings& s) {
    auto yesNo = [](bool b) { return std::string(b ? "yes" : "no"); };
    std::string text;
    switch (entry.kind) {
    case KEYS:
        for (int key : s.keys[entry.action])
            if (key != KEY_NONE) text += (text.empty() ? "" : ", ") + std::string(KeyName(key));
        return text;
    case BUTTONS:
        for (uint32_t button : s.buttons[entry.action])
            if (button != 0) text += (text.empty() ? "" : ", ") + std::string(ButtonName(button));
        return text.empty() ? "none" : text;
    case VOLUME: return std::to_string(s.volume);
    case WINDOW_SIZE: return std::to_string(s.windowScale);
    case SCALING: return s.scaling == SCALING_SHARP ? "sharp" : "fill";
    case MUTE: return yesNo(s.mute);
    case REDUCED_FLASHING: return yesNo(s.reducedFlashing);
    case FULLSCREEN: return yesNo(s.fullscreen);
    case VSYNC: return yesNo(s.vsync);
    }
    return text;
}

// Shown in a complaint: the line, cut short, with no control characters to reach the terminal.
std::string Shown(const std::string& line) {
    std::string shown = line.substr(0, 60);
    for (char& c : shown)
        if ((unsigned char)c < 32 || c == 127) c = '?';
    return shown + (line.size() > 60 ? "..." : "");
}

std::string Complaint(size_t lineIndex, const std::string& line, const std::string& reason) {
    return "line " + std::to_string(lineIndex + 1) + " (" + Shown(line) + "): " + reason + "; ignored";
}

// The line each action's keys and buttons came from (-1: the default), for the conflict rule.
struct Sources {
    int keys[ACTION_COUNT];
    int buttons[ACTION_COUNT];
};

// Two actions holding one key: the binding read last gives way to the other (a default gives way
// to any line), so a file of swapped keys reads as written whatever the order of its lines.
bool SettleOneConflict(SettingsFile* file, Sources& sources, bool buttons, std::vector<std::string>* complaints) {
    PlatformSettings& s = file->settings;
    const PlatformSettings defaults = DefaultSettings();
    for (int a = 0; a < ACTION_COUNT; ++a)
        for (int slot = 0; slot < BINDINGS_PER_ACTION; ++slot) {
            const int b = buttons ? ActionHoldingButton(s, a, s.buttons[a][slot]) : ActionHoldingKey(s, a, s.keys[a][slot]);
            if (b < 0) continue;
            int* source = buttons ? sources.buttons : sources.keys;
            const int loser = source[a] > source[b] ? a : b, winner = loser == a ? b : a;
            const std::string name = buttons ? ButtonName(s.buttons[a][slot]) : KeyName(s.keys[a][slot]);
            const size_t line = size_t(source[loser]);
            complaints->push_back(Complaint(line, file->lines[line], name + " is already " + ActionName(winner)));
            if (buttons) std::copy_n(defaults.buttons[loser], BINDINGS_PER_ACTION, s.buttons[loser]);
            else std::copy_n(defaults.keys[loser], BINDINGS_PER_ACTION, s.keys[loser]);
            source[loser] = -1;
            return true;
        }
    return false;
}

}  // namespace

void ParseSettings(const std::string& text, SettingsFile* file, std::vector<std::string>* complaints) {
    *file = SettingsFile{};
    Sources sources;
    std::fill_n(sources.keys, ACTION_COUNT, -1);
    std::fill_n(sources.buttons, ACTION_COUNT, -1);
    std::string section;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        start = end + 1;
        file->lines.push_back(line);
        const size_t index = file->lines.size() - 1;
        const std::string trimmed = Trim(line);
        std::string key, value, reason;
        if (trimmed.empty() || trimmed[0] == '#' || trimmed[0] == ';') continue;
        if (trimmed.front() == '[' && trimmed.back() == ']') {
            section = Lower(Trim(trimmed.substr(1, trimmed.size() - 2)));
        } else if (!SplitLine(trimmed, &key, &value)) {
            complaints->push_back(Complaint(index, line, "not a \"name = value\" line"));
        } else if (const int entry = FindEntry(section, key); entry >= 0) {
            if (!ReadValue(ENTRIES[entry], value, file->settings, &reason))
                complaints->push_back(Complaint(index, line, reason));
            else if (ENTRIES[entry].kind == KEYS) sources.keys[ENTRIES[entry].action] = int(index);
            else if (ENTRIES[entry].kind == BUTTONS) sources.buttons[ENTRIES[entry].action] = int(index);
        }
    }
    for (int i = 0; i < 2 * ACTION_COUNT && SettleOneConflict(file, sources, false, complaints); ++i) {}
    for (int i = 0; i < 2 * ACTION_COUNT && SettleOneConflict(file, sources, true, complaints); ++i) {}
}

std::string FormatSettings(const SettingsFile& file, const PlatformSettings& settings) {
    bool written[ENTRY_COUNT] = {};
    std::vector<std::string> out;
    std::string section;
    // The known keys a section lacked go after its last line of its own: blank lines and comments
    // before the next section belong to that one.
    auto closeSection = [&](const std::string& name) {
        size_t at = out.size();
        while (at > 0 && (Trim(out[at - 1]).empty() || Trim(out[at - 1])[0] == '#' || Trim(out[at - 1])[0] == ';')) --at;
        for (int i = 0; i < ENTRY_COUNT; ++i)
            if (!written[i] && name == ENTRIES[i].section) {
                out.insert(out.begin() + long(at++), std::string(ENTRIES[i].key) + " = " + ValueText(ENTRIES[i], settings));
                written[i] = true;
            }
    };
    if (file.lines.empty()) out.push_back(FILE_HEADER), out.back().pop_back();
    for (const std::string& line : file.lines) {
        const std::string trimmed = Trim(line);
        std::string key, value;
        if (!trimmed.empty() && trimmed.front() == '[' && trimmed.back() == ']') {
            closeSection(section);
            section = Lower(Trim(trimmed.substr(1, trimmed.size() - 2)));
        } else if (!trimmed.empty() && trimmed[0] != '#' && trimmed[0] != ';' && SplitLine(trimmed, &key, &value)) {
            if (const int entry = FindEntry(section, key); entry >= 0) {
                out.push_back(std::string(ENTRIES[entry].key) + " = " + ValueText(ENTRIES[entry], settings));
                written[entry] = true;
                continue;
            }
        }
        out.push_back(line);
    }
    closeSection(section);
    for (int i = 0; i < ENTRY_COUNT; ++i)
        if (!written[i]) {
            out.push_back("");
            out.push_back(std::string("[") + ENTRIES[i].section + "]");
            closeSection(ENTRIES[i].section);
        }
    std::string text;
    for (const std::string& line : out) text += line + "\n";
    return text;
}
