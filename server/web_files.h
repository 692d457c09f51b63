// The browser game's files, served beside the Hall: read once at start from the folder given,
// so that a request's path only ever picks among them and is never made into a file path.
#pragma once

#include <map>
#include <string>

struct WebFile {
    std::string bytes;
    std::string type;
};
using WebFiles = std::map<std::string, WebFile>;  // by URL path: "/index.html", "/page.js"

// Reads every regular file under dir. False, with one line in *error, when it cannot.
bool LoadWebFiles(const std::string& dir, WebFiles* files, std::string* error);
// The file a URL path names ("/" and "/x/" are their index.html), or null.
const WebFile* FindWebFile(const WebFiles& files, const std::string& path);
