// The program's whole state, named as the game names it: written as the members of one JSON
// object for the trace (enumerations are numbers, each byte of a name the character of that
// code point), or folded into one hash for recordings; and the summary of a finished session.
#include "app/trace.h"

#include <cstdio>

#include "flow/flow.h"
#include "game/game.h"
#include "gfx/playfield.h"
#include "records/records.h"

namespace {

// Where the state goes: JSON text, or a hash of every value in the same order (a multiply and
// a shift per value, so that a replay can hash every frame at no real cost).
struct StateOut {
    std::string* json = nullptr;
    uint64_t hash = 14695981039346656037ull;
};

void Mix(StateOut& out, const void* bytes, size_t size) {
    const unsigned char* p = static_cast<const unsigned char*>(bytes);
    for (size_t i = 0; i < size; ++i) out.hash = (out.hash ^ p[i]) * 1099511628211ull;
}

void Key(StateOut& out, const char* name) {
    std::string& json = *out.json;
    if (!json.empty() && json.back() != '{') json += ',';
    json += '"';
    json += name;
    json += "\":";
}
void MixValue(StateOut& out, uint64_t value) {
    out.hash = (out.hash ^ value) * 1099511628211ull;
    out.hash ^= out.hash >> 31;
}

void Int(StateOut& out, const char* name, long long value) {
    if (out.json == nullptr) return MixValue(out, uint64_t(value));
    Key(out, name);
    *out.json += std::to_string(value);
}
void Bool(StateOut& out, const char* name, bool value) {
    if (out.json == nullptr) return MixValue(out, value ? 1 : 0);
    Key(out, name);
    *out.json += value ? "true" : "false";
}

// A JSON string of single bytes, each byte the code point of its value.
void Text(StateOut& out, const char* name, const std::string& text) {
    if (out.json == nullptr) {
        const uint64_t size = text.size();
        Mix(out, &size, sizeof size);
        return Mix(out, text.data(), text.size());
    }
    Key(out, name);
    std::string& json = *out.json;
    json += '"';
    for (unsigned char c : text) {
        char buffer[8];
        if (c == '"' || c == '\\') {
            json += '\\';
            json += char(c);
        } else if (c < 0x20 || c == 0x7F) {
            std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
            json += buffer;
        } else if (c < 0x80) {
            json += char(c);
        } else {  // UTF-8 of code point c
            json += char(0xC0 | (c >> 6));
            json += char(0x80 | (c & 0x3F));
        }
    }
    json += '"';
}

void Open(StateOut& out, const char* name, char bracket) {
    if (out.json == nullptr) return;
    std::string& json = *out.json;
    if (name != nullptr) Key(out, name);
    else if (!json.empty() && json.back() != '[' && json.back() != '{') json += ',';
    json += bracket;
}

void Close(StateOut& out, char bracket) {
    if (out.json != nullptr) *out.json += bracket;
}

void Frame(StateOut& out, int32_t x, int32_t y, int32_t frameX, int32_t frameY) {
    Int(out, "x", x);
    Int(out, "y", y);
    Int(out, "frameX", frameX);
    Int(out, "frameY", frameY);
}

void WriteShip(StateOut& out, const PlayerShip& s) {
    Open(out, "ship", '{');
    Frame(out, s.x, s.y, s.frameX, s.frameY);
    Int(out, "state", s.state);
    Int(out, "armour", s.armour);
    Int(out, "invulnerableUntil", s.invulnerableUntil);
    Close(out, '}');
}

void WriteViruses(StateOut& out) {
    Open(out, "viruses", '[');
    for (int column = 0; column < FORMATION_COLUMNS; ++column)
        for (int row = 0; row < FORMATION_ROWS; ++row) {
            const Virus& v = world.viruses[column][row];
            Open(out, nullptr, '{');
            Frame(out, v.x, v.y, v.frameX, v.frameY);
            Int(out, "state", v.state);
            Int(out, "kind", v.kind);
            Int(out, "frameTimer", v.frameTimer);
            Close(out, '}');
        }
    Close(out, ']');
}

void WriteShieldsAndShots(StateOut& out) {
    Open(out, "shields", '[');
    for (const Shield& s : world.shields) {
        Open(out, nullptr, '{');
        Int(out, "left", s.left);
        Int(out, "top", s.top);
        Int(out, "right", s.right);
        Int(out, "bottom", s.bottom);
        Close(out, '}');
    }
    Close(out, ']');
    Open(out, "projectiles", '[');
    for (const Projectile& p : world.projectiles) {
        Open(out, nullptr, '{');
        Frame(out, p.x, p.y, p.frameX, p.frameY);
        Int(out, "owner", p.owner);
        Int(out, "frameTimer", p.frameTimer);
        Close(out, '}');
    }
    Close(out, ']');
}

void WriteItem(StateOut& out, const char* name, const PowerUp& item) {
    Open(out, name, '{');
    Frame(out, item.x, item.y, item.frameX, item.frameY);
    Bool(out, "active", item.active);
    Close(out, '}');
}

void WriteWorld(StateOut& out) {
    const World& w = world;
    Open(out, "world", '{');
    Int(out, "score", w.score);
    Int(out, "lives", w.lives);
    Int(out, "level", w.level);
    Int(out, "killCount", w.killCount);
    Bool(out, "paused", w.paused);
    Int(out, "shipKind", w.shipKind);
    Bool(out, "doubleGun", w.doubleGun);
    Int(out, "warningLevel", w.warningLevel);
    Int(out, "formationDx", w.formationDx);
    Int(out, "virusShotSpeed", w.virusShotSpeed);
    Int(out, "levelIntroPhase", w.levelIntroPhase);
    Int(out, "bottomRow", w.bottomRow);
    Int(out, "leftColumn", w.leftColumn);
    Int(out, "rightColumn", w.rightColumn);
    Int(out, "deathHoldUntil", w.deathHoldUntil);
    Int(out, "shipExplosionTimer", w.shipExplosionTimer);
    Int(out, "powerUpFrameTimer", w.powerUpFrameTimer);
    Int(out, "background", w.background);
    WriteShip(out, w.ship);
    WriteViruses(out);
    WriteShieldsAndShots(out);
    WriteItem(out, "extraLifeItem", w.extraLifeItem);
    WriteItem(out, "extraGunItem", w.extraGunItem);
    Close(out, '}');
}

void WriteScreens(StateOut& out) {
    Int(out, "gameState", gameState);
    Int(out, "randState", randState);
    Int(out, "introDeadline", introDeadline);
    Int(out, "screenDeadline", screenDeadline);
    Bool(out, "warningBlinkOn", warningBlinkOn);
    Int(out, "warningBlinkTimer", warningBlinkTimer);
    Int(out, "newEntryRow", newEntryRow);
    Int(out, "nameLength", nameLength);
    Open(out, "shipSelect", '{');
    Int(out, "stripLeft", shipSelect.stripSource.left);
    Int(out, "infoLeft", shipSelect.infoSource.left);
    Int(out, "stripStep", shipSelect.stripStep);
    Int(out, "stripDeadline", shipSelect.stripDeadline);
    Close(out, '}');
    Open(out, "highScores", '[');
    for (const HighScoreEntry& row : highScores.rows) {
        Open(out, nullptr, '{');
        Text(out, "name", row.name);
        Int(out, "score", row.score);
        Close(out, '}');
    }
    Close(out, ']');
}

}  // namespace

void WriteTraceState(std::string& json) {
    StateOut out{&json};
    WriteScreens(out);
    WriteWorld(out);
}

uint32_t HashState() {
    StateOut out;
    WriteScreens(out);
    WriteWorld(out);
    return uint32_t(out.hash ^ (out.hash >> 32));
}

void WriteSummary(std::string& out) {
    out += "score " + std::to_string(world.score) + "\n";
    out += "level " + std::to_string(world.level) + "\n";
    out += "kills " + std::to_string(world.killCount) + "\n";
    out += "table";
    for (const HighScoreEntry& row : highScores.rows) {
        out += ' ';
        for (unsigned char c : row.name) {  // a name may hold any byte but a line break
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            out += c > ' ' && c < 0x7F && c != '\\' ? std::string(1, char(c)) : std::string(escaped);
        }
        out += '=' + std::to_string(row.score);
    }
    char state[16];
    std::snprintf(state, sizeof state, "%08x", unsigned(HashState()));
    out += "\nstate " + std::string(state) + "\n";
}
