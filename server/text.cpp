// Names and texts as the Hall shows them: the game's names in UTF-8, and escaping for HTML and JSON.
#include "server/text.h"

#include "formats/cp1252.h"
#include "records/records.h"

#include <cctype>
#include <cstdint>

// Decodes one UTF-8 sequence at text[*at]; false on a malformed, overlong or surrogate one.
static bool NextCodePoint(const std::string& text, size_t* at, uint32_t* codePoint) {
    const auto byte = [&](size_t i) { return uint8_t(text[i]); };
    const uint8_t lead = byte(*at);
    int extra = lead < 0x80 ? 0 : (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2
              : (lead & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0 || text.size() - *at <= size_t(extra)) return false;
    uint32_t value = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int i = 1; i <= extra; ++i) {
        const uint8_t next = byte(*at + size_t(i));
        if ((next & 0xC0) != 0x80) return false;
        value = value << 6 | (next & 0x3F);
    }
    static const uint32_t smallest[] = {0, 0x80, 0x800, 0x10000};
    if (value < smallest[extra] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return false;
    *at += size_t(extra) + 1;
    *codePoint = value;
    return true;
}

static void AppendUtf8(std::string& out, uint32_t codePoint) {
    if (codePoint < 0x80) {
        out += char(codePoint);
    } else if (codePoint < 0x800) {
        out += char(0xC0 | codePoint >> 6);
        out += char(0x80 | (codePoint & 0x3F));
    } else {
        out += char(0xE0 | codePoint >> 12);
        out += char(0x80 | (codePoint >> 6 & 0x3F));
        out += char(0x80 | (codePoint & 0x3F));
    }
}

bool NameFromUtf8(const std::string& utf8, std::string* cp1252, std::string* why) {
    cp1252->clear();
    size_t at = 0;
    while (at < utf8.size()) {
        uint32_t codePoint = 0;
        if (!NextCodePoint(utf8, &at, &codePoint)) {
            *why = "the name is not UTF-8";
            return false;
        }
        // The name prompt takes every Windows-1252 character but the control characters.
        const int byte = Cp1252Byte(codePoint);
        if (byte < 32 || byte == 127) {
            *why = "the name holds a character the game's names cannot";
            return false;
        }
        if (cp1252->size() == size_t(MAX_NAME_LENGTH)) {
            *why = "the name is longer than " + std::to_string(MAX_NAME_LENGTH) + " characters";
            return false;
        }
        cp1252->push_back(char(byte));
    }
    return true;
}

std::string Cp1252ToUtf8(const std::string& bytes) {
    std::string out;
    for (const char c : bytes) {
        const uint32_t codePoint = Cp1252CodePoint(uint8_t(c));
        AppendUtf8(out, codePoint == 0 && c != 0 ? '?' : codePoint);
    }
    return out;
}

std::string HtmlEscape(const std::string& utf8) {
    std::string out;
    for (const char c : utf8) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string JsonString(const std::string& utf8) {
    static const char hex[] = "0123456789abcdef";
    std::string out = "\"";
    for (const char c : utf8) {
        const uint8_t byte = uint8_t(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || c == '<') {
            // '<' too, so that no name can close a script element the JSON is placed in.
            out += "\\u00";
            out += hex[byte >> 4];
            out += hex[byte & 15];
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string UrlEncode(const std::string& utf8) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : utf8) {
        const uint8_t byte = uint8_t(c);
        if (std::isalnum(byte) && byte < 0x80) {
            out += c;
        } else if (c == '-' || c == '_' || c == '.' || c == '~') {
            out += c;
        } else {
            out += '%';
            out += hex[byte >> 4];
            out += hex[byte & 15];
        }
    }
    return out;
}
