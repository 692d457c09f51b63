// The scratch folder and whole-file helpers of the fuzz targets that read files by name.
#include "fuzz/fuzz_support.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/common/files.h"

namespace {

std::string scratchFolder;

void RemoveScratchFolder() {
    std::error_code ignored;
    if (!scratchFolder.empty()) std::filesystem::remove_all(scratchFolder, ignored);
}

}  // namespace

void EnterScratchFolder(const char* purpose) {
    // Memory-backed when the machine has it: the targets write a file for every input.
    const char* base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
    std::string pattern = std::string(base) + "/quellfort-fuzz-" + purpose + "-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr || chdir(pattern.c_str()) != 0) {
        std::perror("quellfort fuzz: no scratch folder");
        std::abort();
    }
    scratchFolder = pattern;
    fileLocations.currentFolderOnly = true;  // the files the targets write are the game's
    std::atexit(RemoveScratchFolder);
}

// Plain system calls: these run several times for every input, so they are kept cheap.
void WriteWholeFile(const char* name, const uint8_t* bytes, size_t size) {
    const int fd = open(name, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || write(fd, bytes, size) != ssize_t(size) || close(fd) != 0) std::abort();
}

std::string ReadWholeFile(const char* name, bool* missing) {
    std::string bytes;
    const int fd = open(name, O_RDONLY);
    if (missing != nullptr) *missing = fd < 0;
    if (fd < 0) return bytes;
    char buffer[4096];
    for (ssize_t got; (got = read(fd, buffer, sizeof buffer)) > 0;) bytes.append(buffer, size_t(got));
    close(fd);
    return bytes;
}
