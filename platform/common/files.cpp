// The game's files on disk: finding the data and the high-score file, reading them, and saving
// the table so that neither a crash nor a full disk leaves half of it, and so that nothing but a
// plain file is ever read or replaced.
#include "platform/common/files.h"
// Before windows.h, whose key-code macros would otherwise rename the seam's key constants.
#include "platform/backend.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

FileLocations fileLocations;

namespace {

const char* const TABLE_FILE = "qfhs.dat";
// A table is ten short lines; a bigger file is hand-made and only its start can matter.
constexpr size_t MAX_TABLE_BYTES = 64 * 1024;
constexpr size_t MAX_DATA_BYTES = 64 * 1024 * 1024;
constexpr int BACKUP_NAMES = 10;  // qfhs.dat.bak, then .bak.1 ... .bak.9

#ifdef _WIN32
constexpr int NO_FOLLOW = 0, NO_BLOCK = 0;
int OpenFile(const fs::path& path, int flags, int mode = 0) {
    return _wopen(path.c_str(), flags | O_BINARY | O_NOINHERIT, mode);
}
bool SyncFile(int fd) { return FlushFileBuffers(HANDLE(_get_osfhandle(fd))) != 0; }
// Windows has no way to flush a folder's entries; its rename is journalled by NTFS.
void SyncFolder(const fs::path&) {}
void KeepMode(int, fs::perms) {}
#else
// A symbolic link in the temporary file's place is never followed; a FIFO never blocks the open.
constexpr int NO_FOLLOW = O_NOFOLLOW, NO_BLOCK = O_NONBLOCK;
int OpenFile(const fs::path& path, int flags, int mode = 0) {
    return open(path.c_str(), flags | O_CLOEXEC, mode);
}
bool SyncFile(int fd) { return fsync(fd) == 0; }
// Makes the rename itself durable.
void SyncFolder(const fs::path& folder) {
    const int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}
// The new table keeps the permissions the player gave the old one.
void KeepMode(int fd, fs::perms old) { fchmod(fd, mode_t(old) & 07777); }
#endif

// One line on stderr, as every message of the game.
void Say(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::fputs("quellfort: ", stderr);
    std::vfprintf(stderr, format, args);
    std::fputc('\n', stderr);
    va_end(args);
}

bool WriteAll(int fd, const std::string& bytes) {
    for (size_t done = 0; done < bytes.size();) {
        const auto wrote = write(fd, bytes.data() + done, unsigned(bytes.size() - done));
        if (wrote < 0 && errno == EINTR) continue;  // a signal (the close request) came in between
        if (wrote <= 0) return false;
        done += size_t(wrote);
    }
    return true;
}

enum ReadResult { READ_OK, READ_MISSING, READ_NOT_A_FILE, READ_FAILED };

// Reads up to `limit` bytes of a regular file; anything else is not even opened for long.
ReadResult ReadRegularFile(const fs::path& path, size_t limit, std::string* bytes, int* error) {
    bytes->clear();
    const int fd = OpenFile(path, O_RDONLY | NO_BLOCK);
    *error = errno;
    if (fd < 0) return errno == ENOENT ? READ_MISSING : READ_FAILED;
    struct stat info;
    ReadResult result = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) ? READ_OK : READ_NOT_A_FILE;
    char buffer[16384];
    while (result == READ_OK && bytes->size() < limit) {
        const auto got = read(fd, buffer, unsigned(std::min(sizeof buffer, limit - bytes->size())));
        if (got == 0) break;
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) *error = errno, result = READ_FAILED;
        else bytes->append(buffer, size_t(got));
    }
    close(fd);
    return result;
}

bool HoldsGameData(const fs::path& folder) {
    std::error_code e;
    return fs::is_regular_file(folder / "qfel.dat", e) || fs::is_directory(folder / "images", e);
}

bool CurrentFolderIsGameFolder() { return fileLocations.currentFolderOnly || HoldsGameData("."); }

fs::path ExecutableFolder() {
#ifdef _WIN32
    wchar_t name[32768];
    const DWORD length = GetModuleFileNameW(nullptr, name, 32768);
    if (length == 0 || length >= 32768) return {};
    return fs::path(name).parent_path();
#else
    std::error_code e;
    const fs::path exe = fs::read_symlink("/proc/self/exe", e);
    return e ? fs::path() : exe.parent_path();
#endif
}

// An installed game keeps its data in share/games/quellfort beside its bin or games folder; a
// game folder (the build folder, the Windows game) keeps it beside the executable.
std::vector<fs::path> InstalledDataFolders() {
    const fs::path exe = ExecutableFolder();
    if (exe.empty()) return {};
    return {(exe / ".." / "share" / "games" / "quellfort").lexically_normal(), exe};
}

// The player's own folder for the table, used when the game does not run from a game folder.
fs::path PlayerTableFolder() {
#ifdef _WIN32
    // Beside the executable when the player may write there, as a game folder on a desktop is.
    const fs::path exe = ExecutableFolder();
    const fs::path probe = exe / "qfhs.dat.tmp";
    const bool exists = fs::exists(exe / TABLE_FILE);
    const int fd = exists ? OpenFile(exe / TABLE_FILE, O_WRONLY) : OpenFile(probe, O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd >= 0) {
        close(fd);
        if (!exists) _wunlink(probe.c_str());
        return exe;
    }
    const wchar_t* appData = _wgetenv(L"APPDATA");
    return appData != nullptr && *appData != 0 ? fs::path(appData) / "Quellfort" : exe;
#else
    // The XDG base directories: $XDG_DATA_HOME when set to an absolute path, else ~/.local/share.
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome != nullptr && dataHome[0] == '/') return fs::path(dataHome) / "quellfort";
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') return fs::path(home) / ".local" / "share" / "quellfort";
    return {};
#endif
}

// Follows symbolic links to the file they name, so that a save changes the shared file and
// leaves the links as they are.
fs::path ThroughLinks(fs::path path) {
    std::error_code e;
    for (int depth = 0; depth < 40 && fs::is_symlink(fs::symlink_status(path, e)); ++depth) {
        const fs::path target = fs::read_symlink(path, e);
        if (e) break;
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return path;
}

// The table written over the file where it stands: the fallback when no temporary file can be
// made beside it (a read-only folder). Written before it is cut to length, so that on a full
// disk the blocks the old table held are reused rather than freed first.
bool WriteInPlace(const fs::path& file, const std::string& bytes) {
    const int fd = OpenFile(file, O_WRONLY | O_CREAT, 0644);
    if (fd < 0) {
        Say("high scores not saved: cannot write %s: %s", file.string().c_str(), std::strerror(errno));
        return false;
    }
    bool ok = WriteAll(fd, bytes);
#ifdef _WIN32
    ok = ok && _chsize_s(fd, int64_t(bytes.size())) == 0;
#else
    ok = ok && ftruncate(fd, off_t(bytes.size())) == 0;
#endif
    ok = ok && SyncFile(fd);
    const int error = errno;
    ok = close(fd) == 0 && ok;
    if (!ok) Say("high scores not saved whole: writing %s failed: %s", file.string().c_str(), std::strerror(error));
    return ok;
}

// The new table goes to a temporary file beside the old, is flushed to the disk, renamed over
// the old one and the folder flushed, so a power cut leaves either table whole.
bool ReplaceThroughTemporaryFile(const fs::path& file, const std::string& bytes, const fs::file_status& old) {
    fs::path temporary = file;
    temporary += ".tmp";
    const int fd = OpenFile(temporary, O_WRONLY | O_CREAT | O_TRUNC | NO_FOLLOW, 0644);
    if (fd < 0) return WriteInPlace(file, bytes);
    if (fs::exists(old)) KeepMode(fd, old.permissions());
    bool ok = WriteAll(fd, bytes) && SyncFile(fd);
    int error = errno;
    ok = close(fd) == 0 && ok;
    std::error_code renameError;
    if (ok) fs::rename(temporary, file, renameError);
    if (!ok || renameError) {
        if (renameError) error = renameError.value();
        std::error_code ignored;
        fs::remove(temporary, ignored);
        Say("high scores not saved (%s %s failed: %s); %s left as it was", ok ? "renaming" : "writing",
            temporary.string().c_str(), std::strerror(error), file.string().c_str());
        return false;
    }
    SyncFolder(file.parent_path());
    return true;
}

}  // namespace

bool FindDataFolder(fs::path* folder) {
    folder->clear();
    if (CurrentFolderIsGameFolder()) return true;
    for (const fs::path& place : InstalledDataFolders())
        if (HoldsGameData(place)) {
            *folder = place;
            return true;
        }
    return false;
}

std::string DataFolderPlaces() {
    std::string places = "the current folder";
    for (const fs::path& place : InstalledDataFolders()) places += ", " + place.string();
    return places;
}

fs::path TablePath() {
    return CurrentFolderIsGameFolder() ? fs::path(TABLE_FILE) : PlayerTableFolder() / TABLE_FILE;
}


bool BackendReadDataFile(const char* name, std::string* bytes) {
    fs::path folder;
    FindDataFolder(&folder);
    int error = 0;
    return ReadRegularFile(folder / name, MAX_DATA_BYTES, bytes, &error) == READ_OK;
}

PlatformTableRead BackendReadTable(std::string* bytes) {
    const fs::path path = TablePath();
    int error = 0;
    switch (ReadRegularFile(path, MAX_TABLE_BYTES, bytes, &error)) {
    case READ_OK: return TABLE_READ;
    case READ_MISSING: return TABLE_MISSING;
    case READ_NOT_A_FILE:
        Say("%s is not a regular file: left alone, the default high scores are used and not saved",
            path.string().c_str());
        break;
    case READ_FAILED:
        Say("cannot read %s (%s): left alone, the default high scores are used and not saved",
            path.string().c_str(), std::strerror(error));
        break;
    }
    return TABLE_LEFT_ALONE;
}

bool BackendKeepTableCopy() {
    const fs::path path = TablePath();
    std::string bytes;
    int error = 0;
    // The whole file, however long: it is the player's, and the copy is all that stays of it.
    if (ReadRegularFile(path, MAX_DATA_BYTES, &bytes, &error) != READ_OK) return false;
    for (int i = 0; i < BACKUP_NAMES; ++i) {
        fs::path backup = path;
        backup += i == 0 ? ".bak" : ".bak." + std::to_string(i);
        // Created only where no file of that name is, never over a backup the player made.
        const int fd = OpenFile(backup, O_WRONLY | O_CREAT | O_EXCL, 0644);
        if (fd < 0 && errno == EEXIST) continue;
        bool ok = fd >= 0 && WriteAll(fd, bytes) && SyncFile(fd);
        error = errno;
        if (fd >= 0) ok = close(fd) == 0 && ok;
        if (!ok) {
            std::error_code ignored;
            if (fd >= 0) fs::remove(backup, ignored);
            Say("could not keep the damaged %s as %s: %s", path.string().c_str(), backup.string().c_str(),
                std::strerror(error));
            return false;
        }
        Say("%s is damaged: kept as %s, the default high scores replace it", path.string().c_str(),
            backup.string().c_str());
        return true;
    }
    Say("%s is damaged and no copy was kept: %s.bak and .bak.1 to .bak.9 are all taken",
        path.string().c_str(), path.string().c_str());
    return false;
}

bool BackendSaveTable(const std::string& bytes) {
    const fs::path path = TablePath();
    std::error_code e;
    if (path.has_parent_path()) fs::create_directories(path.parent_path(), e);
    const fs::path file = ThroughLinks(path);
    const fs::file_status old = fs::status(file, e);
    const bool exists = fs::exists(old);
    if (exists && !fs::is_regular_file(old)) {
        Say("high scores not saved: %s is not a regular file and is left alone", path.string().c_str());
        return false;
    }
    if (exists) {
        // A table the player protected stays as it is; the rename would replace it regardless.
        const int fd = OpenFile(file, O_WRONLY);
        if (fd < 0) {
            Say("high scores not saved: %s cannot be opened for writing (%s) and is left as it is",
                path.string().c_str(), std::strerror(errno));
            return false;
        }
        close(fd);
    }
    return ReplaceThroughTemporaryFile(file, bytes, old);
}

fs::path GameExecutableFolder() { return ExecutableFolder(); }
