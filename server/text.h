// Names and texts as the Hall shows them: the game's names in UTF-8, and escaping for HTML and JSON.
#pragma once

#include <string>

// Checks a name sent with a run (UTF-8, as it came out of the URL) and gives it as the game
// keeps names, one Windows-1252 byte a character. False, with one line in *why, when it is not
// valid UTF-8, longer than the game's names, or holds a character the name prompt cannot take.
bool NameFromUtf8(const std::string& utf8, std::string* cp1252, std::string* why);

// A name as the game keeps it (Windows-1252 bytes) in UTF-8; a byte that stands for no
// character becomes '?'.
std::string Cp1252ToUtf8(const std::string& bytes);

// Text safe inside an HTML element or a quoted attribute.
std::string HtmlEscape(const std::string& utf8);
// A JSON string literal, quotes included.
std::string JsonString(const std::string& utf8);
// A query-string value, percent-encoded (for links to a player's page).
std::string UrlEncode(const std::string& utf8);
