// Every member of the World reaches the trace and the state hash, which walk it in one function:
// a member added to the World and not to that walk fails here.
#include <gtest/gtest.h>

#include <string>

#include "app/trace.h"
#include "game/world.h"
#include "tests/test_support.h"

namespace {

// How many initialisers the aggregate takes: its members, each array counted by its elements.
struct AnyMember {
    template <typename T>
    operator T() const;
};
template <typename T, typename... Members>
constexpr int CountMembers() {
    if constexpr (requires { T{Members{}..., AnyMember{}}; }) return CountMembers<T, Members..., AnyMember>();
    else return int(sizeof...(Members));
}

// The members of the trace's "world" object (an array is one member).
int TracedWorldMembers(const std::string& json) {
    size_t at = json.find("\"world\":{");
    if (at == std::string::npos) return -1;
    int depth = 1, members = 0;
    bool inString = false;
    for (at += 9; at < json.size() && depth > 0; ++at) {
        const char c = json[at];
        if (inString) {
            if (c == '\\') ++at;
            else if (c == '"') inString = false;
        } else if (c == '"') {
            inString = true;
            members += depth == 1 && (json[at - 1] == '{' || json[at - 1] == ',');
        } else if (c == '{' || c == '[') {
            ++depth;
        } else if (c == '}' || c == ']') {
            --depth;
        }
    }
    return members;
}

class StateCoverageTest : public GameTest {};

TEST_F(StateCoverageTest, EveryWorldMemberIsTracedAndHashed) {
    std::string json = "{";
    WriteTraceState(json);
    // The aggregate count takes each array element as an initialiser; the trace shows the three
    // arrays (viruses, shields, shots) as one member each.
    const int arrayElements = FORMATION_COLUMNS * FORMATION_ROWS + SHIELD_COUNT + PROJECTILE_SLOTS;
    EXPECT_EQ(TracedWorldMembers(json), CountMembers<World>() - arrayElements + 3);
    EXPECT_NE(json.find("\"background\":"), std::string::npos);
    // The hash walks the same members: the background picture counts.
    const uint32_t before = HashState();
    world.background = 2;
    EXPECT_NE(HashState(), before);
}

}  // namespace
