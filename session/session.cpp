// The session layer: every answer the game gets across the seam (the frame's input, the waits
// for a key's release, the data files read at start) passes through here to the backend, is
// recorded as it passes, or is answered from a recording. Every frame of a recording keeps a
// hash of the game state, so a replay notices the first frame that differs.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/backend.h"
#include "platform/hall.h"
#include "session/recording.h"
#include "session/rules.h"

namespace {

enum SessionMode { SESSION_LIVE, SESSION_RECORDING, SESSION_REPLAYING };

struct Session {
    SessionMode mode = SESSION_LIVE;
    PlatformStateHooks hooks;
    PlatformInput input;        // what the game read last
    int frames = 0;
    // What the next input read follows: a present (with the state's hash) or a wait.
    RecordingEntryKind next = ENTRY_INPUT;
    uint32_t nextValue = 0;
    // Recording.
    RecordingWriter writer;
    RecordingHeader header;
    uint32_t lastFlush = 0;
    // Sending finished games to a Hall (--hall).
    HallLink hall;
    PlatformInputMode lastMode = INPUT_MENU;  // what the game waited for at the read before
    bool gameToSend = false;      // a game has ended and waits to be sent
    int messagesWaiting = 0;      // at most this many messages wait in the game's queue
    bool sentAny = false;
    int32_t bestSent = 0;
    std::string hallNote;         // said instead of the Hall's answer: a game not sent
    // Replaying.
    RecordingReader reader;
    bool over = false;            // the replay has ended: the game is told to quit
    bool quitSent = false;
    bool stoppedByViewer = false; // Escape or the window closed while watching
    int divergedAt = 0;           // first frame whose state differs from the recording's
    std::string divergence;       // what differed first
    std::string summary;          // the recording's summary, once reached
    bool summaryReached = false;
};
Session session;

const char* KindName(int kind) {
    switch (kind) {
    case ENTRY_INPUT: return "the input of a pass";
    case ENTRY_FRAME: return "a frame";
    case ENTRY_WAIT: return "a wait for a key's release";
    case ENTRY_FILE: return "a data file";
    case ENTRY_SUMMARY: return "the end of the session";
    default: return "nothing";
    }
}

// Text from a file, for the terminal: control characters and bytes past ASCII escaped.
std::string Printable(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c >= 32 && c < 127 && c != '\\') {
            out += char(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            out += escaped;
        }
    }
    return out;
}

void Diverge(const std::string& why) {
    if (session.divergedAt != 0) return;
    session.divergedAt = session.frames > 0 ? session.frames : 1;
    session.divergence = why;
}

// The recording's next entry, when it is of the kind (and value) the game asks for now.
bool Expect(RecordingEntryKind kind, uint32_t value, RecordingEntry* e) {
    if (session.over) return false;
    if (!NextRecordingEntry(session.reader, e)) {
        session.over = true;
        return false;
    }
    if (e->kind == ENTRY_SUMMARY) {
        session.summary = e->bytes;
        session.summaryReached = true;
    }
    if (e->kind != kind || ((kind == ENTRY_WAIT || kind == ENTRY_FILE) && e->value != value)) {
        Diverge(std::string("the game asked for ") + KindName(kind) + " where the recording has " + KindName(e->kind));
        session.over = true;
        return false;
    }
    if (kind == ENTRY_FRAME && e->value != value)
        Diverge("the game state differs from the recording's");
    return true;
}

std::string Summary() {
    std::string out = "frames " + std::to_string(session.frames) + "\n";
    if (session.hooks.writeSummary != nullptr) session.hooks.writeSummary(out);
    return out;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        out.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return out;
}

// The lines of two summaries that differ, as "score 2600 (recorded 2700)".
std::string SummaryDifferences(const std::string& mine, const std::string& recorded) {
    const std::vector<std::string> a = Lines(mine), b = Lines(recorded);
    std::string out;
    for (size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
        const std::string x = i < a.size() ? a[i] : "", y = i < b.size() ? b[i] : "";
        if (x == y) continue;
        const size_t space = y.find(' ');
        out += (out.empty() ? "" : "; ") + x + " (recorded " + y.substr(space == std::string::npos ? 0 : space + 1) + ")";
    }
    return Printable(out);
}

int FinishReplay(bool quietly) {
    const std::string mine = Summary();
    std::FILE* out = quietly ? nullptr : stdout;
    auto say = [out](const char* format, auto... args) {
        if (out != nullptr) std::fprintf(out, format, args...);
    };
    say("%s", mine.c_str());
    RecordingEntry e;
    // A game that ended where its recording did has the summary next.
    if (!session.over && !session.summaryReached && NextRecordingEntry(session.reader, &e) && e.kind == ENTRY_SUMMARY)
        session.summary = e.bytes, session.summaryReached = true;
    if (session.summaryReached && !session.stoppedByViewer) {
        const std::string differences = SummaryDifferences(mine, session.summary);
        if (session.divergedAt == 0 && differences.empty()) {
            say("%s", "replay matches\n");
            return 0;
        }
        if (session.divergedAt == 0) session.divergedAt = session.frames;
        say("replay diverged at frame %d: %s%s%s\n", session.divergedAt,
                    session.divergence.empty() ? "the final state differs" : session.divergence.c_str(),
                    differences.empty() ? "" : "; at the end: ", differences.c_str());
        return 1;
    }
    if (session.divergedAt != 0) {
        say("replay diverged at frame %d: %s\n", session.divergedAt, session.divergence.c_str());
        return 1;
    }
    if (session.stoppedByViewer) {
        say("replay stopped by the viewer at frame %d\n", session.frames);
        return 0;
    }
    say("replay ended at frame %d: the recording stops there (it is cut short)\n", session.frames);
    return 2;
}

// Reads a recording file: only a regular file of a recording's size at most.
std::string ReadRecordingFile(const std::string& path, std::string* bytes) {
    struct stat info{};
    if (stat(path.c_str(), &info) != 0) return std::string("cannot read it: ") + std::strerror(errno);
    if (!S_ISREG(info.st_mode)) return "not a regular file";
    if (size_t(info.st_size) > RECORDING_MAX_FILE_BYTES) return "too large to be a recording";
    std::ifstream in(path, std::ios::binary);
    if (!in) return "cannot read it";
    bytes->assign(std::istreambuf_iterator<char>(in), {});
    if (bytes->size() > RECORDING_MAX_FILE_BYTES) return "too large to be a recording";
    return "";
}

// When a finished game can go to the Hall: at a read of the menus after play or after the name
// prompt (the game is over and its name, if it earned one, typed), that comes with a present or
// at the top of a pass (never inside a wait, after which the pass goes on), and when no message
// waits in the game's queue, which takes one a pass (so the quit in place of this read's
// messages is the next it takes). Called with every read while recording.
bool GameReadyToSend(const PlatformInputWanted& wanted, RecordingEntryKind kind, int messages) {
    const bool leftGame = session.lastMode == INPUT_PLAY || session.lastMode == INPUT_NAME;
    if (leftGame && wanted.mode == INPUT_MENU) session.gameToSend = true;
    if (wanted.mode != INPUT_MENU) session.gameToSend = false;
    session.lastMode = wanted.mode;
    // A pass that presented took a message at its top, before this read; passes that read
    // nothing are not seen, so this is an upper bound.
    if (kind == ENTRY_FRAME && session.messagesWaiting > 0) --session.messagesWaiting;
    const bool ready = session.gameToSend && kind != ENTRY_WAIT && session.messagesWaiting == 0;
    session.messagesWaiting += messages;
    if (ready) session.gameToSend = false;
    return ready;
}

// After a finished game, the whole session up to it goes to the Hall when that game beats the
// ones sent before (the Hall counts a recording's best game: a lesser one would count an earlier
// game again). The copy ends with this read, every key let go and a request to quit in place of
// its messages, so that its replay ends here as the game would on a quit (the menus act on keys
// only, so the rest of the pass changes nothing), then the summary of the state now.
void SendFinishedGame(const RecordingEntry& read) {
    const std::string summary = Summary();
    const size_t at = summary.find("\nscore ");
    const int32_t score = at == std::string::npos ? 0 : int32_t(std::atol(summary.c_str() + at + 7));
    if (!session.hall.everyGame && session.sentAny && score <= session.bestSent) {
        session.hallNote = "Not sent to the Hall: this session sent a game of " +
                           std::to_string(session.bestSent) + " already";
        return;
    }
    RecordingEntry last[2];
    last[0] = read;
    last[0].input.keys = 0;
    last[0].input.messageCount = 1;
    last[0].input.messages[0] = {MESSAGE_QUIT, 0};
    last[1].kind = ENTRY_SUMMARY;
    last[1].bytes = summary;
    session.hallNote.clear();
    session.sentAny = true;
    session.bestSent = score;
    session.hall.send(WholeRecordingSoFar(session.writer, session.header, last, 2));
}

void Record(const RecordingEntry& entry) {
    RecordEntry(session.writer, entry);
    // At least once a second the recording reaches the file, so a killed game leaves it whole.
    if (int32_t(session.input.ticks - session.lastFlush) >= 1000 || entry.kind == ENTRY_WAIT) {
        session.lastFlush = session.input.ticks;
        FlushRecording(session.writer);
    }
}

// While a replay plays, the viewer's own input only stops it: Escape or closing the window.
bool ViewerStops(const PlatformInputWanted& wanted) {
    PlatformInput live;
    BackendReadInput(wanted, &live);
    bool stop = (live.keys & PlatformKeyBit(PLATFORM_KEY_ESCAPE)) != 0;
    for (int i = 0; i < live.messageCount; ++i)
        stop |= live.messages[i].kind == MESSAGE_CLOSE || live.messages[i].kind == MESSAGE_QUIT;
    return stop;
}

void ReplayInput(const PlatformInputWanted& wanted) {
    RecordingEntry e;
    if (!session.over && ViewerStops(wanted)) {
        session.stoppedByViewer = true;
        session.over = true;
    }
    if (Expect(session.next, session.nextValue, &e)) {
        session.input = e.input;
        return;
    }
    // The replay is over: the game hears nothing more, then quits as after a close.
    session.input.messageCount = 0;
    if (!session.quitSent) {
        session.quitSent = true;
        session.input.messageCount = 1;
        session.input.messages[0] = {MESSAGE_QUIT, 0};
    }
}

}  // namespace

// ---- For the backends ----

bool SessionStartRecording(const std::string& path, const char* platformName) {
    RecordingHeader header{RULES_VERSION, QUELLFORT_VERSION, platformName};
    session.header = header;
    if (!OpenRecording(session.writer, path, header)) {
        std::fprintf(stderr, "quellfort: cannot write the recording %s\n", path.c_str());
        return false;
    }
    session.mode = SESSION_RECORDING;
    return true;
}

bool SessionStartReplayBytes(std::string bytes, std::string* error) {
    if (!OpenRecordingReader(session.reader, std::move(bytes), error)) return false;
    const RecordingHeader& header = session.reader.header;
    if (header.rulesVersion != RULES_VERSION) {
        *error = "recorded under rules version " + std::to_string(header.rulesVersion) + " by quellfort " +
                 Printable(header.program) + " (" + Printable(header.platform) + "); this game plays rules version " +
                 std::to_string(RULES_VERSION);
        return false;
    }
    session.mode = SESSION_REPLAYING;
    return true;
}

bool SessionStartReplay(const std::string& path) {
    std::string bytes, error = ReadRecordingFile(path, &bytes);
    if (error.empty() && SessionStartReplayBytes(std::move(bytes), &error)) return true;
    std::fprintf(stderr, "quellfort: %s: %s\n", path.c_str(), error.c_str());
    CloseRecordingReader(session.reader);
    return false;
}

bool SessionReplaying() { return session.mode == SESSION_REPLAYING; }
const PlatformStateHooks& SessionHooks() { return session.hooks; }
const RecordingHeader& SessionRecordingHeader() { return session.reader.header; }

int SessionFinish(bool quietly) {
    int status = 0;
    if (session.mode == SESSION_RECORDING) {
        RecordingEntry summary;
        summary.kind = ENTRY_SUMMARY;
        summary.bytes = Summary();
        RecordEntry(session.writer, summary);
        if (!CloseRecording(session.writer)) {
            std::fprintf(stderr, "quellfort: the recording could not be written whole\n");
            status = 1;
        }
        std::fputs(summary.bytes.c_str(), stdout);
    } else if (session.mode == SESSION_REPLAYING) {
        status = FinishReplay(quietly);
    }
    std::fflush(stdout);
    CloseRecordingReader(session.reader);
    session = Session{};
    return status;
}

// ---- The seam, as the game sees it ----

void PlatformReadInput(const PlatformInputWanted& wanted, PlatformInput* input) {
    const RecordingEntryKind kind = session.next;
    if (session.mode == SESSION_REPLAYING) {
        ReplayInput(wanted);
    } else {
        BackendReadInput(wanted, &session.input);
        if (session.mode == SESSION_RECORDING) {
            RecordingEntry e;
            e.kind = kind;
            e.value = session.nextValue;
            e.input = session.input;
            if (GameReadyToSend(wanted, kind, e.input.messageCount) && session.hall.send != nullptr)
                SendFinishedGame(e);
            Record(e);
        }
    }
    *input = session.input;
    session.next = ENTRY_INPUT;
    if (kind == ENTRY_FRAME) BackendFrameShown(*input);
}

void PlatformWaitKeyUp(int key) {
    session.next = ENTRY_WAIT;
    session.nextValue = uint32_t(key);
    if (session.mode != SESSION_REPLAYING) BackendWaitKeyUp(key);
}

void PlatformPresent(const uint16_t* pixels) {
    const bool hashed = session.mode != SESSION_LIVE && session.hooks.hashState != nullptr;
    session.next = ENTRY_FRAME;
    session.nextValue = hashed ? session.hooks.hashState() : 0;
    ++session.frames;
    BackendPresent(pixels);
}

bool PlatformShowsFrames() { return BackendShowsFrames(); }

// The formations and the table decide a session; the pictures only show it.
bool PlatformReadDataFile(const char* name, std::string* bytes) {
    if (std::strcmp(name, "qfel.dat") != 0) return BackendReadDataFile(name, bytes);
    if (session.mode == SESSION_REPLAYING) {
        RecordingEntry e;
        if (!Expect(ENTRY_FILE, RECORDED_FORMATIONS, &e)) return false;
        *bytes = e.bytes;
        return e.result != 0;
    }
    const bool read = BackendReadDataFile(name, bytes);
    if (session.mode == SESSION_RECORDING) {
        RecordingEntry e;
        e.kind = ENTRY_FILE, e.value = RECORDED_FORMATIONS, e.result = read, e.bytes = *bytes;
        RecordEntry(session.writer, e);
    }
    return read;
}

PlatformTableRead PlatformReadTable(std::string* bytes) {
    if (session.mode == SESSION_REPLAYING) {
        RecordingEntry e;
        if (!Expect(ENTRY_FILE, RECORDED_TABLE, &e)) return TABLE_MISSING;
        *bytes = e.bytes;
        return PlatformTableRead(e.result);
    }
    const PlatformTableRead read = BackendReadTable(bytes);
    if (session.mode == SESSION_RECORDING) {
        RecordingEntry e;
        e.kind = ENTRY_FILE, e.value = RECORDED_TABLE, e.result = uint32_t(read), e.bytes = *bytes;
        RecordEntry(session.writer, e);
    }
    return read;
}

// A replay writes neither qfhs.dat nor anything beside it.
bool PlatformKeepTableCopy() { return session.mode == SESSION_REPLAYING || BackendKeepTableCopy(); }
bool PlatformSaveTable(const std::string& bytes) {
    return session.mode == SESSION_REPLAYING || BackendSaveTable(bytes);
}

// The save's lock and re-read of the table: a replay has no table on disk to share.
PlatformTableRead PlatformLockTable(std::string* bytes) {
    if (session.mode != SESSION_REPLAYING) return BackendLockTable(bytes);
    bytes->clear();
    return TABLE_MISSING;
}
void PlatformUnlockTable() {
    if (session.mode != SESSION_REPLAYING) BackendUnlockTable();
}
void PlatformTableNotSaved() {
    if (session.mode != SESSION_REPLAYING) BackendTableNotSaved();
}

void PlatformSetStateHooks(const PlatformStateHooks& hooks) { session.hooks = hooks; }

void SessionSendGamesToHall(const HallLink& link) {
    if (session.mode != SESSION_RECORDING || link.send == nullptr) return;
    session.hall = link;
    session.writer.keepCopy = true;
}

std::string PlatformHallLine() {
    if (!session.hallNote.empty()) return session.hallNote;
    return session.hall.line != nullptr ? session.hall.line() : std::string();
}
