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
#include <process.h>
#include <windows.h>
#else
#include <pwd.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

FileLocations fileLocations;
TableReport tableReport;

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
int ProcessId() { return _getpid(); }
// Windows locks ranges of files, not folders, and cannot rename a file over one held open, so the
// lock is a file of its own beside the table; it stays there, empty.
struct TableLock {
    HANDLE handle = INVALID_HANDLE_VALUE;
};
void TakeLock(const fs::path& file, TableLock& lock) {
    fs::path name = file;
    name += ".lock";
    lock.handle = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    OVERLAPPED whole = {};
    if (lock.handle != INVALID_HANDLE_VALUE) LockFileEx(lock.handle, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &whole);
}
void ReleaseLock(TableLock& lock) {
    if (lock.handle == INVALID_HANDLE_VALUE) return;
    OVERLAPPED whole = {};
    UnlockFileEx(lock.handle, 0, 1, 0, &whole);
    CloseHandle(lock.handle);
    lock.handle = INVALID_HANDLE_VALUE;
}
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
int ProcessId() { return int(getpid()); }
// The lock is on the table's folder: a lock on the file would leave with the file a save renames
// away, and a lock file would be one more file in the player's folder. Where no lock can be had
// (a folder on NFS) the save goes on without one, as it always did.
struct TableLock {
    int fd = -1;
};
void TakeLock(const fs::path& file, TableLock& lock) {
    const fs::path folder = file.parent_path();
    lock.fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    while (lock.fd >= 0 && flock(lock.fd, LOCK_EX) != 0 && errno == EINTR) {}
}
void ReleaseLock(TableLock& lock) {
    if (lock.fd >= 0) close(lock.fd);  // closing lets go of the lock
    lock.fd = -1;
}
#endif

TableLock tableLock;

// One line on stderr, as every message of the game; kept for a message box should the save fail.
void Say(const char* format, ...) {
    char line[2048];
    std::va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    std::fprintf(stderr, "quellfort: %s\n", line);
    tableReport.lastSaid = line;
}

bool WriteAll(int fd, const char* bytes, size_t size) {
    for (size_t done = 0; done < size;) {
        const auto wrote = write(fd, bytes + done, unsigned(size - done));
        if (wrote < 0 && errno == EINTR) continue;  // a signal (the close request) came in between
        if (wrote <= 0) return false;
        done += size_t(wrote);
    }
    return true;
}

bool WriteAll(int fd, const std::string& bytes) { return WriteAll(fd, bytes.data(), bytes.size()); }

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

// The player's own folder for the table, used when the game does not run from a game folder:
// the XDG base directories, $XDG_DATA_HOME when set to an absolute path, else ~/.local/share.
fs::path PlayerTableFolder() {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome != nullptr && dataHome[0] == '/') return fs::path(dataHome) / "quellfort";
    const char* home = std::getenv("HOME");
#ifndef _WIN32
    // A home unset, empty or relative (a service, `env -i`) is the one the password database gives.
    if (home == nullptr || home[0] != '/') {
        const passwd* user = getpwuid(getuid());
        home = user != nullptr ? user->pw_dir : nullptr;
    }
#endif
    if (home != nullptr && home[0] == '/') return fs::path(home) / ".local" / "share" / "quellfort";
    return {};
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

// A temporary file of this save's own beside the table, made only where no file of its name is:
// never one that another game is writing, nor a link or a FIFO someone left there.
int CreateTemporaryFile(const fs::path& file, fs::path* temporary) {
    for (int attempt = 0; attempt < 100; ++attempt) {  // names left by games that crashed are passed by
        *temporary = file;
        *temporary += ".tmp." + std::to_string(ProcessId()) + "." + std::to_string(attempt);
        const int fd = OpenFile(*temporary, O_WRONLY | O_CREAT | O_EXCL | NO_FOLLOW, 0644);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// The new table goes to a temporary file beside the old, is flushed to the disk, renamed over
// the old one and the folder flushed, so a power cut leaves either table whole.
bool ReplaceThroughTemporaryFile(const fs::path& file, const std::string& bytes, const fs::file_status& old) {
    fs::path temporary;
    const int fd = CreateTemporaryFile(file, &temporary);
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

// Copies all of a regular file, however long, to `to`: the copy is all that stays of the player's
// damaged table, so a copy cut short is no copy.
bool CopyWholeFile(const fs::path& path, int to, int* error) {
    const int from = OpenFile(path, O_RDONLY | NO_BLOCK);
    if (from < 0) return *error = errno, false;
    struct stat info;
    bool ok = fstat(from, &info) == 0 && S_ISREG(info.st_mode);
    if (!ok) *error = EINVAL;
    char buffer[65536];
    while (ok) {
        const auto got = read(from, buffer, unsigned(sizeof buffer));
        if (got == 0) break;
        if (got < 0 && errno == EINTR) continue;
        ok = got > 0 && WriteAll(to, buffer, size_t(got));
        if (!ok) *error = errno;
    }
    close(from);
    return ok;
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
    if (!fileLocations.tableFolder.empty()) return fileLocations.tableFolder / TABLE_FILE;
    if (CurrentFolderIsGameFolder()) return TABLE_FILE;
    const fs::path folder = PlayerTableFolder();
    if (!folder.empty()) return folder / TABLE_FILE;
    // No home anywhere: the table stays in the current folder, and the player is told so once.
    std::error_code e;
    const fs::path here = fs::absolute(TABLE_FILE, e);
    if (!fileLocations.saidWhereTableIs)
        Say("no home folder (HOME, XDG_DATA_HOME, the password database): the high scores are kept in %s",
            here.string().c_str());
    fileLocations.saidWhereTableIs = true;
    return here;
}

// The table as the disk holds it; a file left alone is reported with what follows from that.
static PlatformTableRead ReadTableFromDisk(std::string* bytes, const char* consequence);

bool BackendReadDataFile(const char* name, std::string* bytes) {
    fs::path folder;
    FindDataFolder(&folder);
    int error = 0;
    return ReadRegularFile(folder / name, MAX_DATA_BYTES, bytes, &error) == READ_OK;
}

PlatformTableRead BackendReadTable(std::string* bytes) {
    return ReadTableFromDisk(bytes, "the default high scores are used and not saved");
}

static PlatformTableRead ReadTableFromDisk(std::string* bytes, const char* consequence) {
    const fs::path path = TablePath();
    int error = 0;
    switch (ReadRegularFile(path, MAX_TABLE_BYTES, bytes, &error)) {
    case READ_OK: return TABLE_READ;
    case READ_MISSING: return TABLE_MISSING;
    case READ_NOT_A_FILE:
        Say("%s is not a regular file: left alone, %s", path.string().c_str(), consequence);
        break;
    case READ_FAILED:
        Say("cannot read %s (%s): left alone, %s", path.string().c_str(), std::strerror(error), consequence);
        break;
    }
    return TABLE_LEFT_ALONE;
}

bool BackendKeepTableCopy() {
    const fs::path path = TablePath();
    const std::string name = path.string();
    for (int i = 0; i < BACKUP_NAMES; ++i) {
        fs::path backup = path;
        backup += i == 0 ? ".bak" : ".bak." + std::to_string(i);
        // Created only where no file of that name is, never over a backup the player made.
        const int fd = OpenFile(backup, O_WRONLY | O_CREAT | O_EXCL | NO_FOLLOW, 0644);
        if (fd < 0 && errno == EEXIST) continue;
        int error = errno;
        bool ok = fd >= 0 && CopyWholeFile(path, fd, &error);
        if (ok && !SyncFile(fd)) ok = false, error = errno;
        if (fd >= 0 && close(fd) != 0 && ok) ok = false, error = errno;
        if (ok) {
            Say("%s is damaged: kept as %s, the default high scores replace it", name.c_str(), backup.string().c_str());
            return true;
        }
        std::error_code ignored;
        if (fd >= 0) fs::remove(backup, ignored);
        Say("the damaged %s could not be copied to %s (%s): it is left as it is, and the default high "
            "scores are played and not saved", name.c_str(), backup.string().c_str(), std::strerror(error));
        return false;
    }
    Say("%s is damaged and no copy could be kept (%s.bak and .bak.1 to .bak.9 are all taken): it is left "
        "as it is, and the default high scores are played and not saved", name.c_str(), name.c_str());
    return false;
}

PlatformTableRead BackendLockTable(std::string* bytes) {
    bytes->clear();
    const fs::path path = TablePath();
    std::error_code e;
    if (path.has_parent_path()) fs::create_directories(path.parent_path(), e);
    TakeLock(ThroughLinks(path), tableLock);
    return ReadTableFromDisk(bytes, "the high scores are not saved");
}

void BackendUnlockTable() { ReleaseLock(tableLock); }

void BackendTableNotSaved() {
    tableReport.notSaved = "Quellfort could not save the new high scores.\n\n" + tableReport.lastSaid;
}

bool BackendSaveTable(const std::string& bytes) {
    const fs::path path = TablePath();
    std::error_code e;
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
