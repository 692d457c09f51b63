// Writes the program's whole state, named as the game names it, as the members of one JSON
// object. Enumerations are numbers, each byte of a name the character of that code point.
#include "app/trace.h"

#include <cstdio>

#include "flow/flow.h"
#include "game/game.h"
#include "gfx/playfield.h"
#include "records/records.h"

namespace {

void Key(std::string& out, const char* name) {
    if (!out.empty() && out.back() != '{') out += ',';
    out += '"';
    out += name;
    out += "\":";
}
void Int(std::string& out, const char* name, long long value) {
    Key(out, name);
    out += std::to_string(value);
}
void Bool(std::string& out, const char* name, bool value) {
    Key(out, name);
    out += value ? "true" : "false";
}

// A JSON string of single bytes, each byte the code point of its value.
void Text(std::string& out, const char* name, const std::string& text) {
    Key(out, name);
    out += '"';
    for (unsigned char c : text) {
        char buffer[8];
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20 || c == 0x7F) {
            std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
            out += buffer;
        } else if (c < 0x80) {
            out += char(c);
        } else {  // UTF-8 of code point c
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        }
    }
    out += '"';
}

void Open(std::string& out, const char* name, char bracket) {
    if (name != nullptr) Key(out, name);
    else if (!out.empty() && out.back() != '[' && out.back() != '{') out += ',';
    out += bracket;
}

void Frame(std::string& out, int32_t x, int32_t y, int32_t frameX, int32_t frameY) {
    Int(out, "x", x);
    Int(out, "y", y);
    Int(out, "frameX", frameX);
    Int(out, "frameY", frameY);
}

void WriteShip(std::string& out, const PlayerShip& s) {
    Open(out, "ship", '{');
    Frame(out, s.x, s.y, s.frameX, s.frameY);
    Int(out, "state", s.state);
    Int(out, "armour", s.armour);
    Int(out, "invulnerableUntil", s.invulnerableUntil);
    out += '}';
}

void WriteViruses(std::string& out) {
    Open(out, "viruses", '[');
    for (int column = 0; column < FORMATION_COLUMNS; ++column)
        for (int row = 0; row < FORMATION_ROWS; ++row) {
            const Virus& v = world.viruses[column][row];
            Open(out, nullptr, '{');
            Frame(out, v.x, v.y, v.frameX, v.frameY);
            Int(out, "state", v.state);
            Int(out, "kind", v.kind);
            Int(out, "frameTimer", v.frameTimer);
            out += '}';
        }
    out += ']';
}

void WriteShieldsAndShots(std::string& out) {
    Open(out, "shields", '[');
    for (const Shield& s : world.shields) {
        Open(out, nullptr, '{');
        Int(out, "left", s.left);
        Int(out, "top", s.top);
        Int(out, "right", s.right);
        Int(out, "bottom", s.bottom);
        out += '}';
    }
    out += ']';
    Open(out, "projectiles", '[');
    for (const Projectile& p : world.projectiles) {
        Open(out, nullptr, '{');
        Frame(out, p.x, p.y, p.frameX, p.frameY);
        Int(out, "owner", p.owner);
        Int(out, "frameTimer", p.frameTimer);
        out += '}';
    }
    out += ']';
}

void WriteItem(std::string& out, const char* name, const PowerUp& item) {
    Open(out, name, '{');
    Frame(out, item.x, item.y, item.frameX, item.frameY);
    Bool(out, "active", item.active);
    out += '}';
}

void WriteWorld(std::string& out) {
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
    WriteShip(out, w.ship);
    WriteViruses(out);
    WriteShieldsAndShots(out);
    WriteItem(out, "extraLifeItem", w.extraLifeItem);
    WriteItem(out, "extraGunItem", w.extraGunItem);
    out += '}';
}

void WriteScreens(std::string& out) {
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
    out += '}';
    Open(out, "highScores", '[');
    for (const HighScoreEntry& row : highScores.rows) {
        Open(out, nullptr, '{');
        Text(out, "name", row.name);
        Int(out, "score", row.score);
        out += '}';
    }
    out += ']';
}

}  // namespace

void WriteTraceState(std::string& out) {
    WriteScreens(out);
    WriteWorld(out);
}
