// The line a player is shown for a Hall's answer, whatever a server (or something posing as one)
// sends back: it is made in the thread that sends a game, where a throw would end the game.
#include <gtest/gtest.h>

#include <string>

#include "platform/common/hall_client.h"

namespace {

bool PrintableAscii(const std::string& line) {
    for (char c : line)
        if (c < 0x20 || c > 0x7E) return false;
    return true;
}

}  // namespace

TEST(HallClient, EveryAnswerBecomesOnePrintableLine) {
    const HallAnswer accepted{201, R"({"id":3,"rank":2,"name":"Gr\u00e9e","score":8100,"level":3})", ""};
    EXPECT_EQ(HallAnswerLine(accepted), "The Hall: rank 2 of all time, score 8100");
    const HallAnswer refused{400, R"({"error":"diverged: the replay differs at frame 12"})", ""};
    EXPECT_EQ(HallAnswerLine(refused), "The Hall refused this game: diverged");
    EXPECT_EQ(HallAnswerLine(HallAnswer{0, "", "could not connect"}), "The Hall could not be reached");

    // Broken escapes, cut-off bodies, bytes that are not ASCII, no JSON at all.
    const char* hostile[] = {R"({"error":"\uzzzz: x"})", R"({"error":"\u12)", R"({"error":"\)", "{\"error\":\"\xff\x01\"}",
                             "{\"rank\":\x80\n7,\"score\":1}", R"({"rank":)", R"({"rank":"\u00)", "<html>502 Bad Gateway</html>", ""};
    for (const char* body : hostile) {
        for (long status : {200L, 201L, 400L, 429L, 502L}) {
            std::string line;
            EXPECT_NO_THROW(line = HallAnswerLine(HallAnswer{status, body, ""})) << body;
            EXPECT_TRUE(PrintableAscii(line)) << status << " " << body << " -> " << line;
            EXPECT_FALSE(line.empty()) << status << " " << body;
        }
    }
}
