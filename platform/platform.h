// The seam between the game and the machine: everything the game needs from an operating system.
// Game code includes this header (and through it settings.h) and nothing else of the platform;
// each backend implements it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/settings.h"  // the player's settings: the rest of the seam

// The game's keys as the platform reports them, numbered as the game's virtual-key codes are.
// The first six are the game's own actions, reached through the player's key bindings; Up, Down,
// F1 and O serve only the options screen and the way to it.
enum PlatformKey : int {
    PLATFORM_KEY_RETURN = 13,
    PLATFORM_KEY_ESCAPE = 27,
    PLATFORM_KEY_SPACE = 32,
    PLATFORM_KEY_LEFT = 37,
    PLATFORM_KEY_RIGHT = 39,
    PLATFORM_KEY_P = 80,
    PLATFORM_KEY_UP = 38,
    PLATFORM_KEY_DOWN = 40,
    PLATFORM_KEY_F1 = 112,
    PLATFORM_KEY_O = 79,
};
// Each game key's bit in PlatformInput::keys is its place in this list.
constexpr int PLATFORM_KEYS[] = {PLATFORM_KEY_RETURN, PLATFORM_KEY_ESCAPE, PLATFORM_KEY_SPACE,
                                 PLATFORM_KEY_LEFT,   PLATFORM_KEY_RIGHT,  PLATFORM_KEY_P,
                                 PLATFORM_KEY_UP,     PLATFORM_KEY_DOWN,   PLATFORM_KEY_F1,
                                 PLATFORM_KEY_O};
constexpr int PLATFORM_KEY_COUNT = int(sizeof PLATFORM_KEYS / sizeof PLATFORM_KEYS[0]);
constexpr uint32_t PlatformKeyBit(int key) {
    for (int i = 0; i < PLATFORM_KEY_COUNT; ++i)
        if (PLATFORM_KEYS[i] == key) return 1u << i;
    return 0;
}

enum PlatformMessageKind : int {
    MESSAGE_CHAR = 1,   // a typed character: one Windows-1252 byte (Backspace is 8)
    MESSAGE_CLOSE = 2,  // a request to close the window (close button, SIGINT/SIGTERM, Escape)
    MESSAGE_QUIT = 3,   // the window is gone; the main loop ends when it removes this
    MESSAGE_KEY = 4,    // while the game waits for a key to bind: a key pressed (its key code)
    MESSAGE_BUTTON = 5, // the same for a controller button (the number of its PadButton bit)
};

struct PlatformMessage {
    PlatformMessageKind kind;
    uint8_t character;  // MESSAGE_CHAR, MESSAGE_KEY, MESSAGE_BUTTON: the byte it carries
};

// Everything that reaches the game from outside in one frame. The game reads it once a frame
// and nothing else of the machine's state, so a recording keeps exactly this.
constexpr int PLATFORM_MAX_MESSAGES = 32;
struct PlatformInput {
    uint32_t ticks = 0;  // milliseconds since an arbitrary origin, wrapping at 2^32
    int64_t time = 0;    // calendar time in whole seconds since 1970
    uint32_t keys = 0;   // PlatformKeyBit of each game key down now or pressed since the last read
    int messageCount = 0;  // the messages that arrived since the last read, oldest first
    PlatformMessage messages[PLATFORM_MAX_MESSAGES] = {};
};

// What the game waits for, so that a controller can act as the game expects: the menus (Enter
// goes on), play (fire, pause), or a name being typed (the name as it stands and its limit); on
// the options screen its own fixed keys, or any key or button to bind (MESSAGE_KEY, _BUTTON).
enum PlatformInputMode : int { INPUT_MENU = 0, INPUT_PLAY = 1, INPUT_NAME = 2, INPUT_OPTIONS = 3, INPUT_BIND = 4 };
struct PlatformInputWanted {
    PlatformInputMode mode = INPUT_MENU;
    bool paused = false;        // play is paused
    const uint8_t* name = nullptr;  // INPUT_NAME: the name's bytes so far
    int nameLength = 0;
    int nameLimit = 0;
};

constexpr int SCREEN_WIDTH = 800;
constexpr int SCREEN_HEIGHT = 600;

// Start-up of the backend, called by main() before the game starts. Parses the command line;
// returns -1 to go on, otherwise the process exit status (help printed, bad script, no display).
int PlatformStart(int argc, char** argv);
// Called by main() after the game has shut down; returns the process exit status.
int PlatformFinish();

// Called by the game's entry point first and last: hide and show the mouse cursor.
void PlatformShowCursor(bool show);

// Fills the frame's input. Called by the game once a frame: after presenting it, after a wait
// for a key's release, and at the top of a main-loop pass that presented nothing.
void PlatformReadInput(const PlatformInputWanted& wanted, PlatformInput* input);
// Returns once the key is up; nothing else of the game runs meanwhile. Called by the menus,
// which then read the input again.
void PlatformWaitKeyUp(int key);

// Shows one finished 800 x 600 RGB565 frame and paces the game to 60 frames a second.
// Called once by every drawing pass of the frame function.
void PlatformPresent(const uint16_t* pixels);

// False when nobody sees the frames (a replay that only verifies a recording): the game then
// draws nothing and loads no pictures. Called once at start-up.
bool PlatformShowsFrames();

// One line for the game-over and title screens from outside the game: what a Hall answered to
// the game sent last (quellfort --hall), or empty. Drawing only: the game's state never depends
// on it, so a recording holds nothing of it. Called while those screens are drawn.
std::string PlatformHallLine();

// Files. Game data (pictures, qfel.dat) comes from the current folder when it holds them, else
// from the data folder installed beside the executable. The high-score table is qfhs.dat in the
// game folder when the game runs from one, else in the player's own data folder.
// Reads the whole data file `name` ("images/title.bmp"); false when it is missing or not a
// regular file. Called by the image table and the formation loader.
bool PlatformReadDataFile(const char* name, std::string* bytes);

enum PlatformTableRead : int {
    TABLE_READ = 0,        // *bytes holds the file (its first 64 KiB)
    TABLE_MISSING = 1,     // no file yet
    TABLE_LEFT_ALONE = 2,  // not a regular file, or unreadable: said why on stderr; never write it
};
// Reads the high-score file, only a regular file and at most 64 KiB. Called at start-up.
PlatformTableRead PlatformReadTable(std::string* bytes);
// Copies the whole high-score file to the first free name of qfhs.dat.bak, .bak.1 ... .bak.9,
// never over an existing file; false, having said why, when no whole copy was kept (the file
// must then stay as it is). Called before a damaged table is replaced.
bool PlatformKeepTableCopy();
// Takes the high-score file's lock, waiting while another game saves the same file, then reads
// the file again as PlatformReadTable does. Called by every save, which ends with the unlock.
PlatformTableRead PlatformLockTable(std::string* bytes);
// Replaces the file with `bytes` through a temporary file of this save's own, so a crash or power
// cut leaves the old table or the new one; false, with one line on stderr, when the file was
// left as it was. Called under the lock.
bool PlatformSaveTable(const std::string& bytes);
void PlatformUnlockTable();
// Shows the player, where they look, the reason last given on stderr why the table was not
// saved (a message box as the window closes). Called when a save lost this session's new scores.
void PlatformTableNotSaved();

// Embedded resource lookup by name, without regard to case. Called by the sound bank.
bool PlatformFindResource(const char* name, const uint8_t** data, size_t* size);

// Sound device. Handles are positive; 0 means none. All calls accept 0 and then do nothing.
struct PlatformWaveFormat {
    uint16_t formatTag, channels;
    uint32_t samplesPerSecond;
    uint16_t bitsPerSample;
};
// Opens the audio device; false when there is none (the game then runs silently).
bool PlatformOpenAudio();
// Makes a sound of the given PCM samples; name is used for logs. Called by the sound bank.
int PlatformCreateSound(const char* name, const PlatformWaveFormat& format, const uint8_t* data,
                        uint32_t bytes);
// A second sound on the same samples with its own play state. Called by the sound bank.
int PlatformDuplicateSound(int source, const char* name);
void PlatformStartSound(int sound);    // play from the start unless it is playing now
void PlatformRestartSound(int sound);  // stop, rewind, play
void PlatformSilenceSound(int sound);  // stop, rewind
bool PlatformSoundPlaying(int sound);
void PlatformReleaseSound(int sound);
void PlatformCloseAudio();

// The game's account of its own state, registered at start-up: the trace writer (the whole state
// as JSON members, no braces, appended to out; the headless runner writes it after every frame),
// a hash of the whole game state (kept with every frame of a recording and checked by its replay)
// and the few lines that sum up a finished session (printed by recordings and replays); and what
// to do when a backend whose program can be hidden or closed without an exit (the browser's page)
// is hidden: the game saves its high-score table (never called inside PlatformWaitKeyUp; such a
// backend pauses a game in play itself, by a press of P that reaches the game as input); and
// whether bytes read as a whole high-score file by the game's own reader (the browser page's
// import of a table).
struct PlatformStateHooks {
    void (*writeTrace)(std::string& out) = nullptr;
    uint32_t (*hashState)() = nullptr;
    void (*writeSummary)(std::string& out) = nullptr;
    void (*suspend)() = nullptr;
    bool (*isWholeTable)(const std::string& bytes) = nullptr;
};
void PlatformSetStateHooks(const PlatformStateHooks& hooks);
