// Where the game's files live, for the backends: the data folder and the high-score file.
#pragma once

#include <filesystem>
#include <string>

struct FileLocations {
    // The headless backend runs in the current folder whatever it holds; the real game looks
    // for its data and its table as an installed game does.
    bool currentFolderOnly = false;
    bool saidWhereTableIs = false;  // with no home folder, where the table went is said once
    // Where the table lives when a backend decides it for itself (the Windows game: beside the
    // program or in the player's profile); empty: the game folder or the player's data folder.
    std::filesystem::path tableFolder;
};
extern FileLocations fileLocations;

// What the player is told about the high-score file: the last line said about it on stderr, and
// the message a backend with a window shows as it closes when a save lost this session's new
// scores (empty when nothing was lost).
struct TableReport {
    std::string lastSaid;
    std::string notSaved;
};
extern TableReport tableReport;

// The folder holding the pictures and qfel.dat: empty for the current folder. False when no
// place holds them (then the current folder is used and pictures show black).
bool FindDataFolder(std::filesystem::path* folder);
// The places FindDataFolder tries, for the message that says none holds the data.
std::string DataFolderPlaces();
// The high-score file as the game saves it.
std::filesystem::path TablePath();
// The folder of the running executable; empty when it cannot be told.
std::filesystem::path GameExecutableFolder();
