// The command line of quellfort-headless: a script to run (and maybe record), or a recording
// to replay (or only verify), with the trace, the sound log and the frame rate as asked.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/common/files.h"
#include "platform/common/hall_client.h"
#include "platform/headless/headless.h"

namespace fs = std::filesystem;

namespace {

struct Runner {
    std::string traceFile, soundsFile, scriptFile, record, replay, settings, hall;
    bool bench = false;
    bool verify = false;
    std::FILE* trace = nullptr;
    std::FILE* sounds = nullptr;
    std::chrono::steady_clock::time_point started;
};
Runner runner;

constexpr const char* USAGE =
    "usage: quellfort-headless [--trace FILE] [--sounds FILE] [--bench] [--settings FILE] [--record FILE]\n"
    "                          [--hall URL] SCRIPT\n"
    "       quellfort-headless [--trace FILE] [--sounds FILE] [--bench] [--settings FILE] [--verify] --replay FILE\n"
    "  --trace FILE    one line of JSON per presented frame: the program's whole state\n"
    "  --sounds FILE   one line per sound operation\n"
    "  --bench         run as fast as possible and print the frame rate at the end\n"
    "  --record FILE   keep the session in FILE (see docs/recording-format.md)\n"
    "  --hall URL      send each finished game to the Hall at URL (docs/hall-api.md)\n"
    "  --replay FILE   play a recording again and say whether it matches\n"
    "  --verify        with --replay: draw nothing and mix no sound, only check every frame\n"
    "  --settings FILE the player's settings.ini (keys, flashing ...), saved there by the options\n"
    "                  screen; without it the run plays on the defaults and saves none\n"
    "Exit status: 0 when the run ends (a replay that matches), 1 when an output cannot be\n"
    "written or a replay diverged, 2 for a usage error, a malformed script, or a recording that\n"
    "is cut short, damaged, or of other rules.\n";

int Usage(const char* complaint = nullptr, const char* what = "") {
    if (complaint != nullptr) std::fprintf(stderr, "quellfort-headless: %s%s\n", complaint, what);
    std::fputs(USAGE, stderr);
    return 2;
}

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code e;
    if (fs::equivalent(a, b, e)) return true;
    return fs::weakly_canonical(fs::absolute(a), e) == fs::weakly_canonical(fs::absolute(b), e);
}

// An output is refused when it is an input or one of the game's files: opening it for writing
// would cut what is about to be read (or the player's table) before anything runs.
bool OutputsAreSafe() {
    const std::vector<std::string> inputs = {runner.scriptFile, runner.replay, "qfel.dat", "qfhs.dat"};
    std::vector<std::string> outputs = {runner.traceFile, runner.soundsFile, runner.record};
    for (size_t i = 0; i < outputs.size(); ++i) {
        if (outputs[i].empty()) continue;
        for (const std::string& input : inputs)
            if (!input.empty() && SameFile(outputs[i], input))
                return std::fprintf(stderr, "quellfort-headless: %s is also read by this run; not written\n",
                                    outputs[i].c_str()), false;
        for (size_t j = 0; j < i; ++j)
            if (!outputs[j].empty() && SameFile(outputs[i], outputs[j]))
                return std::fprintf(stderr, "quellfort-headless: %s is named for two outputs\n", outputs[i].c_str()), false;
    }
    return true;
}

std::FILE* OpenOutput(const std::string& file) {
    if (file.empty()) return nullptr;
    std::FILE* out = std::fopen(file.c_str(), "wb");
    if (out == nullptr) std::fprintf(stderr, "quellfort-headless: cannot write %s\n", file.c_str());
    return out;
}

// False, with a line on stderr, when what was written did not all reach the file.
bool CloseOutput(std::FILE*& out, const std::string& name) {
    if (out == nullptr) return true;
    bool ok = std::ferror(out) == 0;
    ok = std::fclose(out) == 0 && ok;
    out = nullptr;
    if (!ok) std::fprintf(stderr, "quellfort-headless: %s could not be written whole\n", name.c_str());
    return ok;
}

// Reads the script; false (with the reason on stderr) when it cannot be read or is malformed.
bool LoadScript(const HeadlessOptions& options) {
    std::error_code e;
    if (!fs::is_regular_file(runner.scriptFile, e) || fs::file_size(runner.scriptFile, e) > (size_t(16) << 20)) {
        std::fprintf(stderr, "quellfort-headless: %s is not a script file\n", runner.scriptFile.c_str());
        return false;
    }
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

// Reads the options; -1 to go on, else the exit status.
int ParseOptions(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        const char* arg = argv[i];
        std::string* value = std::strcmp(arg, "--trace") == 0    ? &runner.traceFile
                             : std::strcmp(arg, "--sounds") == 0 ? &runner.soundsFile
                             : std::strcmp(arg, "--record") == 0 ? &runner.record
                             : std::strcmp(arg, "--replay") == 0 ? &runner.replay
                             : std::strcmp(arg, "--settings") == 0 ? &runner.settings
                             : std::strcmp(arg, "--hall") == 0   ? &runner.hall
                                                                 : nullptr;
        if (value != nullptr && !hasValue) return Usage("missing the file after ", arg);
        if (value != nullptr) *value = argv[++i];
        else if (std::strcmp(arg, "--bench") == 0) runner.bench = true;
        else if (std::strcmp(arg, "--verify") == 0) runner.verify = true;
        else if (std::strcmp(arg, "--help") == 0) return std::fputs(USAGE, stdout), 0;
        else if (arg[0] == '-') return Usage("unknown option ", arg);
        else if (runner.scriptFile.empty()) runner.scriptFile = arg;
        else return Usage("more than one script: ", arg);
    }
    if (runner.scriptFile.empty() == runner.replay.empty()) return Usage("a script or --replay FILE, one of them");
    if (!runner.replay.empty() && !runner.record.empty()) return Usage("--record and --replay together");
    if (runner.verify && runner.replay.empty()) return Usage("--verify goes with --replay");
    if (!runner.hall.empty() && !runner.replay.empty()) return Usage("--hall and --replay together");
    return -1;
}

}  // namespace

int PlatformStart(int argc, char** argv) {
    runner = Runner{};
    if (int status = ParseOptions(argc, argv); status >= 0) return status;
    if (!OutputsAreSafe()) return 2;
    HeadlessOptions options;
    std::string error;
    options.error = &error;
    options.settingsFile = runner.settings;
    bool ready;
    if (!runner.replay.empty()) {
        HeadlessReset();
        // A replay's formations and table come from the recording; its pictures, when drawn,
        // from wherever the game keeps them.
        fileLocations.currentFolderOnly = false;
        if (runner.verify) HeadlessVerifyOnly();
        HeadlessUseSettings(runner.settings);
        ready = SessionStartReplay(runner.replay);
    } else {
        // Games sent to a Hall are recorded, into nothing when no file is asked for.
        const std::string record = runner.record.empty() && !runner.hall.empty() ? "/dev/null" : runner.record;
        ready = LoadScript(options) && (record.empty() || SessionStartRecording(record, "headless"));
        if (ready && !runner.hall.empty()) SessionSendGamesToHall(HallLinkTo(runner.hall));
    }
    if (!ready) return 2;
    runner.trace = OpenOutput(runner.traceFile);
    runner.sounds = OpenOutput(runner.soundsFile);
    if ((!runner.traceFile.empty() && runner.trace == nullptr) || (!runner.soundsFile.empty() && runner.sounds == nullptr)) {
        CloseOutput(runner.trace, runner.traceFile);
        CloseOutput(runner.sounds, runner.soundsFile);
        SessionFinish();
        return 1;
    }
    options.traceFile = runner.trace;
    options.soundsFile = runner.sounds;
    HeadlessSetOutputs(options);
    runner.started = std::chrono::steady_clock::now();
    return -1;  // main() runs the game, then calls PlatformFinish
}

int PlatformFinish() {
    const int sessionStatus = SessionFinish();
    if (!runner.hall.empty()) HallFinishSending(60);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - runner.started).count();
    const bool traceOk = CloseOutput(runner.trace, runner.traceFile);
    const bool soundsOk = CloseOutput(runner.sounds, runner.soundsFile);
    const bool shotsOk = HeadlessShotsWritten();
    if (runner.bench) {
        const int frames = HeadlessFramesPresented();
        std::printf("frames %d\nwall_seconds %.6f\nframes_per_second %.0f\n", frames, seconds,
                    seconds > 0 ? frames / seconds : 0.0);
    }
    if (!traceOk || !soundsOk || !shotsOk) return 1;
    return sessionStatus;
}
