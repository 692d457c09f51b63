// The game's --help, the same on Linux and Windows: the options, where the data, the table and
// the settings are, and the exit statuses.
#include "platform/common/usage.h"

#include <filesystem>
#include <string>

#include "platform/common/files.h"
#include "platform/common/settings.h"

void PrintGameUsage(std::FILE* out, const char* backendOptions) {
    std::filesystem::path dataFolder;
    const bool found = FindDataFolder(&dataFolder);
    const std::string data = !found ? "missing (looked in " + DataFolderPlaces() + ")"
                             : dataFolder.empty() ? "the current folder" : dataFolder.string();
    std::fprintf(out,
                 "usage: quellfort [--window] [--scale N] [--volume N] [--mute] [--reduced-flashing]\n"
                 "                 [--record FILE | --replay FILE] [--hall URL] [--version] [--help]\n"
                 "       quellfort --submit URL FILE\n"
                 "%s"
                 "  --record FILE    play as usual and keep the session in FILE\n"
                 "  --replay FILE    watch a recorded session (Escape stops watching)\n"
                 "%s"
                 "  --version        print the version and exit\n"
                 "  --help           print this help and exit\n"
                 "Alt+Enter switches between window and full screen; Escape quits. F1 or O on the\n"
                 "title screen opens the options: keys, sound, flashing, picture.\n"
                 "Pictures and qfel.dat: %s\n"
                 "High scores: %s\n"
                 "Settings: %s (the options above hold for one run and are not saved)\n"
                 "Exit status: 0 when the game ends, 1 when the display or the game's pictures are\n"
                 "missing, 2 for an unknown option or a file that is not a recording; a replay\n"
                 "ends with 1 when it diverged from its recording, 2 when the recording is cut short.\n",
                 SettingsOptionsHelp(), backendOptions, data.c_str(), TablePath().string().c_str(),
                 PlayerSettingsPath().empty() ? "not kept (HOME is not set)" : PlayerSettingsPath().string().c_str());
    std::fflush(out);
}
