// The shared fixture of the tests: a clean program state in a scratch folder per test.
#include "tests/test_support.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/core.h"

namespace fs = std::filesystem;

void GameTest::SetUp() {
    previousDir_ = fs::current_path().string();
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    for (char& c : name)
        if (c == '/') c = '_';
    scratch_ = (fs::temp_directory_path() / ("quellfort-test-" + std::to_string(getpid())) / name).string();
    fs::remove_all(scratch_);
    fs::create_directories(scratch_);
    fs::create_directory_symlink(std::string(QUELLFORT_BUILD_DIR) + "/images", scratch_ + "/images");
    fs::current_path(scratch_);
    HeadlessReset();
    ResetProgramState();
}

void GameTest::TearDown() {
    fs::current_path(previousDir_);
    std::error_code ignored;
    fs::remove_all(scratch_, ignored);
}

std::string GameTest::ScratchPath(const std::string& name) const { return scratch_ + "/" + name; }

std::string GameTest::ReadFile(const std::string& name) const {
    std::ifstream in(ScratchPath(name), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

void GameTest::WriteFile(const std::string& name, const std::string& bytes) const {
    std::ofstream out(ScratchPath(name), std::ios::binary);
    out << bytes;
}

void SetTestTicks(uint32_t ticks) {
    HeadlessSetTicks(ticks);
    ReadFrameInput();
}
void SetTestTime(int64_t seconds) {
    HeadlessSetTime(seconds);
    ReadFrameInput();
}
void SetTestKey(int virtualKey, bool down) {
    HeadlessSetKey(virtualKey, down);
    ReadFrameInput();
}

int RunHeadlessScript(const std::string& script, const HeadlessOptions& options) {
    if (!HeadlessLoadScript(script, options)) return 2;
    ResetProgramState();
    QuellfortMain();
    return 0;
}
