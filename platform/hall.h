// A Hall (quellfort-server) that a session's finished games are sent to: what a backend that can
// reach one hands the session layer (session/), which decides when a game is finished and makes
// its recording.
#pragma once

#include <string>

struct HallLink {
    // Takes a whole recording ending on a finished game's game-over screen and sends it; returns
    // at once (the sending runs elsewhere). Called by the session layer.
    void (*send)(const std::string& recording) = nullptr;
    // What came back for the game sent last, as one line for the player; empty before anything
    // has. Called while a frame is drawn.
    std::string (*line)() = nullptr;
    // Every finished game is sent, not only one that beats the games sent before (the browser
    // page, which offers each game's recording to the player).
    bool everyGame = false;
};

// --hall URL: the session, which must be recording, sends each finished game that beats the
// games it sent before (a recording holds the whole session, and the Hall counts its best game).
void SessionSendGamesToHall(const HallLink& link);
