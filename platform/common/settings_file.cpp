// Where settings.ini lives, reading it at start-up, writing it back whole or not at all, and the
// command line's overrides for one run.
#include "platform/common/settings.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/common/files.h"

#ifdef _WIN32
#include <io.h>
#include <process.h>
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

SettingsStore settingsStore;

namespace {

// A settings file is a few dozen short lines; a bigger one is not ours to read whole.
constexpr uintmax_t MAX_SETTINGS_BYTES = 64 * 1024;

#ifdef _WIN32
int CreateNew(const fs::path& path) { return _wopen(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_BINARY, 0644); }
bool Flush(int fd) { return _commit(fd) == 0; }
int ProcessId() { return _getpid(); }
bool Writable(const fs::path& path) { return _waccess(path.c_str(), 2) == 0; }
#else
int CreateNew(const fs::path& path) { return open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644); }
bool Flush(int fd) { return fsync(fd) == 0; }
int ProcessId() { return int(getpid()); }
bool Writable(const fs::path& path) { return access(path.c_str(), W_OK) == 0; }
#endif

bool WriteAll(int fd, const std::string& bytes) {
    for (size_t done = 0; done < bytes.size();) {
        const auto wrote = write(fd, bytes.data() + done, unsigned(bytes.size() - done));
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return false;
        done += size_t(wrote);
    }
    return true;
}

// The new text goes to a temporary file of this process beside the old one, is flushed to the
// disk and renamed over it: a crash leaves the old settings or the new, never half of them.
bool ReplaceFile(const fs::path& path, const std::string& text, std::string* why) {
    std::error_code e;
    if (path.has_parent_path()) fs::create_directories(path.parent_path(), e);
    const fs::file_status old = fs::status(path, e);
    if (fs::exists(old) && !fs::is_regular_file(old)) return *why = "it is not a regular file", false;
    // A file the player made read-only stays as it is, though the rename could replace it.
    if (fs::exists(old) && !Writable(path)) return *why = "it is read-only", false;
    fs::path temporary = path;
    temporary += ".";
    temporary += std::to_string(ProcessId());
    temporary += ".tmp";
    const int fd = CreateNew(temporary);
    if (fd < 0) return *why = std::strerror(errno), false;
    bool ok = WriteAll(fd, text) && Flush(fd);
    const int error = errno;
    ok = close(fd) == 0 && ok;
    if (ok) fs::rename(temporary, path, e);
    if (!ok || e) {
        *why = e ? e.message() : std::strerror(error);
        fs::remove(temporary, e);
        return false;
    }
    return true;
}

bool ReadSmallFile(const fs::path& path, std::string* text) {
    std::error_code e;
    if (!fs::is_regular_file(path, e) || fs::file_size(path, e) > MAX_SETTINGS_BYTES) return false;
    std::ifstream in(path, std::ios::binary);
    text->assign(std::istreambuf_iterator<char>(in), {});
    return bool(in) || in.eof();
}

int NumberOption(int argc, char** argv, int i, int low, int high, int* out) {
    char* end = nullptr;
    const long n = i + 1 < argc ? std::strtol(argv[i + 1], &end, 10) : -1;
    if (end == nullptr || *end != 0 || end == argv[i + 1] || n < low || n > high) {
        std::fprintf(stderr, "quellfort: %s takes a whole number from %d to %d\n", argv[i], low, high);
        return -1;
    }
    *out = int(n);
    return 2;
}

}  // namespace

fs::path PlayerSettingsPath() {
#if defined(__EMSCRIPTEN__)
    return "settings.ini";  // the page keeps it in the browser's storage
#elif defined(_WIN32)
    const fs::path exe = GameExecutableFolder();
    std::error_code e;
    if (!exe.empty() && (fs::exists(exe / "portable.txt", e) || fs::exists(exe / "settings.ini", e)))
        return exe / "settings.ini";
    const wchar_t* appData = _wgetenv(L"APPDATA");
    return appData != nullptr && *appData != 0 ? fs::path(appData) / "Quellfort" / "settings.ini" : exe / "settings.ini";
#else
    // The XDG base directories: $XDG_CONFIG_HOME when set to an absolute path, else ~/.config.
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    if (configHome != nullptr && configHome[0] == '/') return fs::path(configHome) / "quellfort" / "settings.ini";
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') return fs::path(home) / ".config" / "quellfort" / "settings.ini";
    return {};
#endif
}

void LoadSettings(const fs::path& path, const SettingsOverrides& overrides) {
    settingsStore = SettingsStore{};
    settingsStore.path = path;
    settingsStore.overrides = overrides;
    std::string text;
    if (!path.empty() && ReadSmallFile(path, &text)) {
        std::vector<std::string> complaints;
        ParseSettings(text, &settingsStore.file, &complaints);
        for (const std::string& complaint : complaints)
            std::fprintf(stderr, "quellfort: %s %s\n", path.string().c_str(), complaint.c_str());
    } else if (std::error_code e; !path.empty() && fs::exists(path, e)) {
        std::fprintf(stderr, "quellfort: %s is not a settings file (not a regular file, or over 64 KiB): "
                             "the default settings are used\n", path.string().c_str());
    }
    settingsStore.current = Overridden(settingsStore.file.settings, overrides);
}

bool SaveSettings(const PlatformSettings& settings) {
    SettingsStore& store = settingsStore;
    // A value the player changed is theirs from now on; one the command line set for this run
    // and the player left alone stays out of the file.
    PlatformSettings kept = settings;
    const PlatformSettings& before = store.current;
    const PlatformSettings& file = store.file.settings;
    if (settings.volume == before.volume) kept.volume = file.volume;
    else store.overrides.volume = -1;
    if (settings.mute == before.mute) kept.mute = file.mute;
    else store.overrides.mute = false;
    if (settings.reducedFlashing == before.reducedFlashing) kept.reducedFlashing = file.reducedFlashing;
    else store.overrides.reducedFlashing = false;
    if (settings.fullscreen == before.fullscreen && settings.windowScale == before.windowScale) {
        kept.fullscreen = file.fullscreen;
        kept.windowScale = file.windowScale;
    } else {
        store.overrides.window = false;
        store.overrides.windowScale = 0;
    }
    const std::string text = FormatSettings(store.file, kept);
    store.file.settings = kept;
    store.current = Overridden(kept, store.overrides);
    if (store.runOnly) return true;
    std::string why = "no folder for it: HOME is not set";
    if (!store.path.empty() && ReplaceFile(store.path, text, &why)) {
        std::vector<std::string> ignored;
        ParseSettings(text, &store.file, &ignored);  // the lines as they now stand
        return true;
    }
    if (!store.saveFailureSaid)
        std::fprintf(stderr, "quellfort: settings not saved: cannot write %s (%s); they hold for this run only\n",
                     store.path.empty() ? "settings.ini" : store.path.string().c_str(), why.c_str());
    store.saveFailureSaid = true;
    return false;
}

int ParseSettingsOption(int argc, char** argv, int i, SettingsOverrides* overrides) {
    const std::string option = argv[i];
    if (option == "--volume") return NumberOption(argc, argv, i, 0, VOLUME_MAX, &overrides->volume);
    if (option == "--scale") return NumberOption(argc, argv, i, 1, 16, &overrides->windowScale);
    if (option == "--mute") return overrides->mute = true, 1;
    if (option == "--reduced-flashing") return overrides->reducedFlashing = true, 1;
    if (option == "--window") return overrides->window = true, 1;
    return 0;
}

const char* SettingsOptionsHelp() {
    return "  --window         play in a window instead of full screen\n"
           "  --scale N        play in a window N times 800 x 600 (as large as fits)\n"
           "  --volume N       sound effects at N (0 to 100)\n"
           "  --mute           no sound\n"
           "  --reduced-flashing  show the blinking warnings steadily\n";
}

PlatformSettings Overridden(PlatformSettings settings, const SettingsOverrides& overrides) {
    if (overrides.volume >= 0) settings.volume = overrides.volume;
    if (overrides.mute) settings.mute = true;
    if (overrides.reducedFlashing) settings.reducedFlashing = true;
    if (overrides.window || overrides.windowScale > 0) settings.fullscreen = false;
    if (overrides.windowScale > 0) settings.windowScale = overrides.windowScale;
    return settings;
}
