// Shared test fixture: every test starts from the program's initial state, in a scratch folder
// of its own (so qfhs.dat and qfel.dat of one test never meet another's), with images/ linked in.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "app/app.h"
#include "platform/headless/headless.h"

// Runs the whole program on a script from its initial state, as quellfort-headless does;
// returns 2 for a malformed script, otherwise 0.
int RunHeadlessScript(const std::string& script, const HeadlessOptions& options);

// Moves the headless clock, the calendar or a key, and lets the game read its input as a new
// frame would.
void SetTestTicks(uint32_t ticks);
void SetTestTime(int64_t seconds);
void SetTestKey(int virtualKey, bool down);

class GameTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Path of a file inside this test's scratch folder.
    std::string ScratchPath(const std::string& name) const;
    std::string ReadFile(const std::string& name) const;
    void WriteFile(const std::string& name, const std::string& bytes) const;

private:
    std::string scratch_;
    std::string previousDir_;
};
