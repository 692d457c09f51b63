// The command line of quellfort-headless: a script to run (and maybe record), or a recording
// to replay, with the trace, the sound log and the frame rate as asked.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <iterator>

#include "platform/common/backend.h"
#include "platform/headless/headless.h"
#include "platform/platform.h"

namespace {

struct Runner {
    std::string traceFile, soundsFile, scriptFile;
    bool bench = false;
    std::FILE* trace = nullptr;
    std::FILE* sounds = nullptr;
    std::chrono::steady_clock::time_point started;
};
Runner runner;

std::FILE* OpenOutput(const std::string& file) {
    if (file.empty()) return nullptr;
    std::FILE* out = std::fopen(file.c_str(), "wb");
    if (out == nullptr) std::fprintf(stderr, "quellfort-headless: cannot write %s\n", file.c_str());
    return out;
}

bool CloseOutput(std::FILE*& out) {
    const bool ok = out == nullptr || std::fclose(out) == 0;
    out = nullptr;
    return ok;
}

// The usage on stdout for --help (exit 0), on stderr after a usage error (exit 2).
int Usage(std::FILE* out = stderr) {
    std::fprintf(out, "usage: quellfort-headless [--trace FILE] [--sounds FILE] [--bench] "
                      "[--record FILE] SCRIPT\n"
                      "       quellfort-headless [--trace FILE] [--sounds FILE] [--bench] "
                      "--replay FILE\n");
    return out == stdout ? 0 : 2;
}

bool TakesFile(const char* option) {
    for (const char* name : {"--trace", "--sounds", "--record", "--replay"})
        if (std::strcmp(option, name) == 0) return true;
    return false;
}

// Names what was wrong with the command line, then shows the usage.
int Refuse(const char* argument, bool takesFile) {
    if (takesFile) std::fprintf(stderr, "quellfort-headless: %s needs a file\n", argument);
    else if (argument[0] == '-') std::fprintf(stderr, "quellfort-headless: unknown option %s\n", argument);
    else std::fprintf(stderr, "quellfort-headless: one script only, not also %s\n", argument);
    return Usage();
}

// Reads the script; false (with the reason on stderr) when it cannot be read or is malformed.
bool LoadScript(const HeadlessOptions& options) {
    std::ifstream in(runner.scriptFile, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "quellfort-headless: cannot read %s\n", runner.scriptFile.c_str());
        return false;
    }
    const std::string script((std::istreambuf_iterator<char>(in)), {});
    if (HeadlessLoadScript(script, options)) return true;
    std::fprintf(stderr, "quellfort-headless: %s: %s\n", runner.scriptFile.c_str(), options.error->c_str());
    return false;
}

}  // namespace

int PlatformStart(int argc, char** argv) {
    std::string record, replay;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--trace") == 0 && hasValue) runner.traceFile = argv[++i];
        else if (std::strcmp(argv[i], "--sounds") == 0 && hasValue) runner.soundsFile = argv[++i];
        else if (std::strcmp(argv[i], "--record") == 0 && hasValue) record = argv[++i];
        else if (std::strcmp(argv[i], "--replay") == 0 && hasValue) replay = argv[++i];
        else if (std::strcmp(argv[i], "--bench") == 0) runner.bench = true;
        else if (std::strcmp(argv[i], "--help") == 0) return Usage(stdout);
        else if (argv[i][0] != '-' && runner.scriptFile.empty()) runner.scriptFile = argv[i];
        else return Refuse(argv[i], !hasValue && TakesFile(argv[i]));
    }
    if (runner.scriptFile.empty() == replay.empty() || (!replay.empty() && !record.empty())) return Usage();
    HeadlessOptions options;
    std::string error;
    options.error = &error;
    runner.trace = OpenOutput(runner.traceFile);
    runner.sounds = OpenOutput(runner.soundsFile);
    if ((!runner.traceFile.empty() && runner.trace == nullptr) ||
        (!runner.soundsFile.empty() && runner.sounds == nullptr))
        return 1;
    options.traceFile = runner.trace;
    options.soundsFile = runner.sounds;
    bool ready;
    if (!replay.empty()) {
        HeadlessReset();
        HeadlessSetOutputs(options);
        ready = SessionStartReplay(replay);
    } else {
        ready = LoadScript(options) && (record.empty() || SessionStartRecording(record));
    }
    if (!ready) {
        CloseOutput(runner.trace);
        CloseOutput(runner.sounds);
        return 2;
    }
    runner.started = std::chrono::steady_clock::now();
    return -1;  // main() runs the game, then calls PlatformFinish
}

int PlatformFinish() {
    const int sessionStatus = SessionFinish();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - runner.started).count();
    const bool traceOk = CloseOutput(runner.trace), soundsOk = CloseOutput(runner.sounds);
    if (!traceOk || !soundsOk) return 1;
    if (runner.bench) {
        const int frames = HeadlessFramesPresented();
        std::printf("frames %d\nwall_seconds %.6f\nframes_per_second %.0f\n", frames, seconds,
                    seconds > 0 ? frames / seconds : 0.0);
    }
    return sessionStatus;
}
