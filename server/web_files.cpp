// The browser game's files, read once at start and served from memory.
#include "server/web_files.h"

#include <filesystem>
#include <fstream>
#include <iterator>

// What a browser needs to be told: the page, its scripts and the WebAssembly above all.
static std::string ContentType(const std::filesystem::path& file) {
    static const std::map<std::string, std::string> types = {
        {".html", "text/html; charset=utf-8"}, {".js", "text/javascript; charset=utf-8"},
        {".mjs", "text/javascript; charset=utf-8"}, {".css", "text/css; charset=utf-8"},
        {".wasm", "application/wasm"}, {".json", "application/json"},
        {".png", "image/png"}, {".svg", "image/svg+xml"}, {".ico", "image/x-icon"},
        {".webmanifest", "application/manifest+json"}, {".txt", "text/plain; charset=utf-8"},
        {".gz", "application/gzip"}, {".tar", "application/x-tar"}};
    const auto found = types.find(file.extension().string());
    return found == types.end() ? "application/octet-stream" : found->second;
}

bool LoadWebFiles(const std::string& dir, WebFiles* files, std::string* error) {
    namespace fs = std::filesystem;
    std::error_code failure;
    const fs::path root = fs::canonical(dir, failure);
    if (failure || !fs::is_directory(root)) {
        *error = "cannot serve " + dir + ": not a folder";
        return false;
    }
    size_t total = 0;
    for (auto it = fs::recursive_directory_iterator(root, failure);
         !failure && it != fs::recursive_directory_iterator(); it.increment(failure)) {
        if (!it->is_regular_file()) continue;
        std::ifstream in(it->path(), std::ios::binary);
        WebFile file{std::string(std::istreambuf_iterator<char>(in), {}), ContentType(it->path())};
        total += file.bytes.size();
        // The game is a few megabytes; a folder much larger than that is not the one meant.
        if (!in || total > (size_t(256) << 20)) {
            *error = "cannot serve " + dir + ": " + it->path().string() + " could not be read, "
                     "or the folder holds more than 256 MB";
            return false;
        }
        (*files)[std::string(1, '/').append(fs::relative(it->path(), root).generic_string())] =
            std::move(file);
    }
    if (failure) {
        *error = "cannot serve " + dir + ": " + failure.message();
        return false;
    }
    return true;
}

const WebFile* FindWebFile(const WebFiles& files, const std::string& path) {
    const auto found = files.find(!path.empty() && path.back() == '/' ? path + "index.html" : path);
    return found == files.end() ? nullptr : &found->second;
}
