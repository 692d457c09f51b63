// Sending recordings to a Hall (quellfort-server) over HTTP: a saved recording from the terminal
// (--submit), and each finished game in the background while the game goes on (--hall). The same
// on Linux and Windows; only the POST is each platform's own (hall_transport.h).
#pragma once

#include <string>

#include "platform/common/hall_transport.h"
#include "platform/hall.h"

// Sends a recording to HALL/api/runs (HALL as the player gives it: "https://hall.example.org",
// with or without a trailing "/" or "/hall"; "http://" when it names no scheme). Waits for the
// answer, at most half a minute.
HallAnswer HallPost(const std::string& hall, const std::string& recording);
// What an answer means to a player, in one line of plain ASCII.
std::string HallAnswerLine(const HallAnswer& answer);

// The lines of --help for --hall and --submit.
constexpr const char* HALL_OPTIONS_HELP =
    "  --hall URL       send each finished game to the Hall at URL, where its replay proves its\n"
    "                   score; the game-over screen says what came back\n"
    "  --submit URL FILE  send a saved recording to the Hall at URL and say what came back;\n"
    "                   exit 0 when it took it, 1 when it refused it or could not be reached\n";

// --submit URL FILE: sends a saved recording, prints what came back; the exit status (0 when the
// Hall took it, 1 when it refused it or could not be reached, 2 when the file cannot be read).
int HallSubmitFile(const std::string& hall, const std::string& path);

// --hall URL: a link for the session layer whose sends run in threads of their own, retried a
// few times when the Hall is busy; the line is the last answer, and each answer is printed on
// stdout as it comes.
HallLink HallLinkTo(const std::string& hall);
// Waits up to `seconds` for sends still under way (at exit); says on stdout when one did not end.
void HallFinishSending(int seconds);
