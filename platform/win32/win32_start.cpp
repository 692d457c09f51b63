// The native Windows game's start: its command line, the console it prints to, and where the
// player's high-score table lives.
#include "platform/win32/win32.h"

#include "platform/common/hall_client.h"
#include "platform/common/usage.h"

#include "platform/backend.h"
#include "platform/common/files.h"

#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

struct ConsoleState {
    bool looked = false;
    bool stdoutGoesSomewhere = false;
    bool stderrGoesSomewhere = false;
};
ConsoleState console;

bool Connected(DWORD which) {
    const HANDLE handle = GetStdHandle(which);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

// Ctrl+C in the console the game was started from asks it to close, as SIGINT does on Linux,
// so the table is saved and a recording ends whole.
BOOL WINAPI OnConsoleControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    if (win32.mainWindow != nullptr) PostMessageA(win32.mainWindow, WM_CLOSE, 0, 0);
    return TRUE;
}

// A windowed program has no console of its own. Output already sent to a file or a pipe stays
// there; otherwise it goes to the console of the program that started the game (cmd, a
// terminal), if any: started from Explorer, nothing pops up.
void ConnectConsole() {
    if (console.looked) return;
    console.looked = true;
    console.stdoutGoesSomewhere = Connected(STD_OUTPUT_HANDLE);
    console.stderrGoesSomewhere = Connected(STD_ERROR_HANDLE);
    if (console.stdoutGoesSomewhere && console.stderrGoesSomewhere) return;
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    if (!console.stdoutGoesSomewhere && std::freopen("CONOUT$", "w", stdout) != nullptr)
        console.stdoutGoesSomewhere = true;
    if (!console.stderrGoesSomewhere && std::freopen("CONOUT$", "w", stderr) != nullptr)
        console.stderrGoesSomewhere = true;
}

fs::path ProgramFolder() {
    wchar_t name[32768];
    const DWORD length = GetModuleFileNameW(nullptr, name, 32768);
    if (length == 0 || length >= 32768) return {};
    return fs::path(name).parent_path();
}

fs::path RoamingAppData() {
    wchar_t folder[MAX_PATH];
    if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder)))
        return folder;
    const wchar_t* variable = _wgetenv(L"APPDATA");
    return variable != nullptr ? fs::path(variable) : fs::path();
}


}  // namespace

StartOptions ReadCommandLine(int argc, char** argv) {
    StartOptions options;
    if (argc > 1) ConnectConsole();
    for (int i = 1; i < argc && options.exitStatus < 0; ++i) {
        const bool hasValue = i + 1 < argc;
        const int used = ParseSettingsOption(argc, argv, i, &options.overrides);
        if (used < 0) {
            options.exitStatus = 2;
        } else if (used > 0) {
            i += used - 1;
        } else if (std::strcmp(argv[i], "--window") == 0) {
            win32.windowed = true;
        } else if (std::strcmp(argv[i], "--hall") == 0 && hasValue) {
            options.hall = argv[++i];
        } else if (std::strcmp(argv[i], "--submit") == 0 && i + 2 < argc) {
            options.exitStatus = HallSubmitFile(argv[i + 1], argv[i + 2]);
            std::fflush(stdout);
        } else if (std::strcmp(argv[i], "--record") == 0 && hasValue) {
            options.record = argv[++i];
        } else if (std::strcmp(argv[i], "--replay") == 0 && hasValue) {
            options.replay = argv[++i];
        } else if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("quellfort " QUELLFORT_VERSION "\n");
            std::fflush(stdout);
            options.exitStatus = 0;
        } else {
            const bool help = std::strcmp(argv[i], "--help") == 0;
            PrintGameUsage(help ? stdout : stderr, HALL_OPTIONS_HELP);
            options.exitStatus = help ? 0 : 2;
        }
    }
    if (options.exitStatus < 0 && !options.record.empty() && !options.replay.empty()) {
        SayStartFailure("--record or --replay, not both");
        options.exitStatus = 2;
    }
    if (options.exitStatus < 0 && !options.hall.empty() && !options.replay.empty()) {
        SayStartFailure("--hall or --replay, not both");
        options.exitStatus = 2;
    }
    // Games sent to a Hall are recorded, into nothing when no file is asked for.
    if (!options.hall.empty() && options.record.empty()) options.record = "NUL";
    return options;
}

void SayStartFailure(const std::string& line) {
    ConnectConsole();
    std::fprintf(stderr, "quellfort: %s\n", line.c_str());
    std::fflush(stderr);
    if (!console.stderrGoesSomewhere) MessageBoxA(nullptr, line.c_str(), "Quellfort", MB_OK | MB_ICONERROR);
}

// The portable game (the zip) says so with portable.txt beside the program and keeps its table
// there, wherever it is started from. An installed game keeps it in the player's roaming
// profile, never in the program's folder, which the uninstaller empties.
void ChooseTableFolder() {
    const fs::path program = ProgramFolder();
    std::error_code e;
    const fs::path appData = RoamingAppData();
    const bool portable = fs::exists(program / "portable.txt", e) || appData.empty();
    fileLocations.tableFolder = portable ? program : appData / "Quellfort";
}

// Earlier Windows games kept the table beside the program; the first start of an installed game
// moves it to the player's folder, unless a table is already there (then both stay as they are).
// A replay writes nothing, so it moves nothing either.
void MoveOlderTable() {
    const fs::path program = ProgramFolder(), folder = fileLocations.tableFolder;
    if (SessionReplaying() || program.empty() || folder.empty() || folder == program) return;
    std::error_code e;
    const fs::path older = program / "qfhs.dat", table = folder / "qfhs.dat";
    if (!fs::is_regular_file(older, e)) return;
    if (fs::exists(table, e)) {
        std::fprintf(stderr, "quellfort: %s left where it is: %s already holds the high scores\n",
                     older.string().c_str(), table.string().c_str());
        return;
    }
    fs::create_directories(folder, e);
    if (MoveFileExW(older.c_str(), table.c_str(), MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH))
        std::fprintf(stderr, "quellfort: the high scores moved from %s to %s\n", older.string().c_str(),
                     table.string().c_str());
    else
        std::fprintf(stderr, "quellfort: could not move %s to %s (error %lu)\n", older.string().c_str(),
                     table.string().c_str(), GetLastError());
}
