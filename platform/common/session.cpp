// The session layer: the game's calls that make one run differ from another (the tick count,
// calendar time, keys, waits for a release, messages, the data files read at start) pass through
// to the backend, are recorded as they pass, or are answered from a recording. Every frame of a
// recording keeps a hash of the game state, so a replay notices the first frame that differs.
#include <cstdio>
#include <fstream>
#include <iterator>

#include "platform/common/backend.h"
#include "platform/common/files.h"
#include "platform/common/recording.h"

namespace {

enum SessionMode { SESSION_LIVE, SESSION_RECORDING, SESSION_REPLAYING };

struct Session {
    SessionMode mode = SESSION_LIVE;
    PlatformStateHooks hooks;
    uint32_t ticks = 0;
    int64_t time = 0;
    int frames = 0;
    // Recording.
    RecordingWriter writer;
    uint32_t lastFlush = 0;
    // Replaying.
    Recording recording;
    size_t next = 0;
    bool over = false;            // the replay has ended: the game is told to quit
    bool stoppedByViewer = false; // Escape or the window closed while watching
    int divergedAt = 0;           // first frame whose state differs from the recording's
    std::string divergence;       // what differed first
    std::string endedWhy;         // why the replay stopped before the recording's end
};
Session session;

const char* KindName(int kind) {
    switch (kind) {
    case REC_TICKS: return "the tick count";
    case REC_TIME: return "the calendar time";
    case REC_KEY: return "a key";
    case REC_WAIT_KEY: return "a wait for a key's release";
    case REC_NO_MESSAGE:
    case REC_MESSAGE: return "a message";
    case REC_FRAME: return "a frame";
    case REC_FILE: return "a data file";
    case REC_SUMMARY: return "the end of the session";
    default: return "nothing";
    }
}

void Record(const RecordingEvent& event) {
    RecordEvent(session.writer, event);
    // At least once a second the recording reaches the file, so a killed game leaves it whole.
    if (session.ticks - session.lastFlush >= 1000) {
        session.lastFlush = session.ticks;
        FlushRecording(session.writer);
    }
}

void EndReplay(const std::string& why) {
    if (session.over) return;
    session.over = true;
    session.endedWhy = why;
}

// The recording's next event, when it is of the kind (and key) the game asks for now.
const RecordingEvent* Expect(RecordingEventKind kind, int key = -1) {
    if (session.over) return nullptr;
    if (session.next >= session.recording.events.size()) {
        EndReplay("the recording stops there");
        return nullptr;
    }
    const RecordingEvent& e = session.recording.events[session.next];
    const bool same = e.kind == kind || (kind == REC_MESSAGE && e.kind == REC_NO_MESSAGE);
    if (!same || (key >= 0 && e.key != key)) {
        if (session.divergedAt == 0) {
            session.divergedAt = session.frames + 1;
            session.divergence = std::string("the game asked for ") + KindName(kind) +
                                 " where the recording has " + KindName(e.kind);
        }
        EndReplay("the game went another way");
        return nullptr;
    }
    ++session.next;
    return &e;
}

std::string Summary() {
    std::string out = "frames " + std::to_string(session.frames) + "\n";
    if (session.hooks.writeSummary != nullptr) session.hooks.writeSummary(out);
    return out;
}

// The lines of two summaries that differ, as "score 2600 (recorded 2700)".
std::string SummaryDifferences(const std::string& mine, const std::string& recorded) {
    auto lines = [](const std::string& text) {
        std::vector<std::string> out;
        for (size_t at = 0; at < text.size();) {
            size_t end = text.find('\n', at);
            if (end == std::string::npos) end = text.size();
            out.push_back(text.substr(at, end - at));
            at = end + 1;
        }
        return out;
    };
    const std::vector<std::string> a = lines(mine), b = lines(recorded);
    std::string out;
    for (size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
        const std::string x = i < a.size() ? a[i] : "", y = i < b.size() ? b[i] : "";
        if (x == y) continue;
        const size_t space = y.find(' ');
        out += (out.empty() ? "" : "; ") + x + " (recorded " + y.substr(space == std::string::npos ? 0 : space + 1) + ")";
    }
    return out;
}

int FinishReplay() {
    const std::string mine = Summary();
    std::fputs(mine.c_str(), stdout);
    const std::vector<RecordingEvent>& events = session.recording.events;
    const bool reachedEnd = session.next < events.size() && events[session.next].kind == REC_SUMMARY;
    if (reachedEnd) {
        const std::string differences = SummaryDifferences(mine, events[session.next].bytes);
        if (session.divergedAt == 0 && differences.empty()) {
            std::printf("replay matches\n");
            return 0;
        }
        if (session.divergedAt == 0) session.divergedAt = session.frames;
        std::printf("replay diverged at frame %d: %s%s%s\n", session.divergedAt,
                    session.divergence.empty() ? "the final state differs" : session.divergence.c_str(),
                    differences.empty() ? "" : "; at the end: ", differences.c_str());
        return 1;
    }
    if (session.stoppedByViewer) {
        std::printf("replay stopped by the viewer at frame %d\n", session.frames);
        return 0;
    }
    if (session.divergedAt != 0) {
        std::printf("replay diverged at frame %d: %s\n", session.divergedAt, session.divergence.c_str());
        return 1;
    }
    std::printf("replay ended at frame %d: %s (the recording is cut short)\n", session.frames,
                session.endedWhy.empty() ? "the recording stops there" : session.endedWhy.c_str());
    return 2;
}

// What a recorded game read of qfel.dat and qfhs.dat.
void NoteFile(SessionFile file, int result, const std::string& bytes) {
    RecordingEvent e(REC_FILE, uint8_t(file), uint32_t(result));
    e.bytes = bytes;
    RecordEvent(session.writer, e);
}

// A replay's files come from the recording, wherever it plays.
bool AnswerFile(SessionFile file, int* result, std::string* bytes) {
    const RecordingEvent* e = Expect(REC_FILE, file);
    if (e == nullptr) return false;
    *result = int(e->value);
    *bytes = e->bytes;
    return true;
}

// Reads the recording at path into the session; otherwise the reason it cannot be replayed.
std::string LoadRecording(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return "cannot read it";
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    std::string error;
    if (!ParseRecording(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &session.recording, &error))
        return error;
    if (session.recording.build != quellfortBuildId)
        return "recorded by another build of the game (" + session.recording.build + "; this is " +
               quellfortBuildId + ")";
    return "";
}

}  // namespace

// ---- For the backends ----

bool SessionStartRecording(const std::string& path) {
    if (!OpenRecording(session.writer, path, quellfortBuildId)) {
        std::fprintf(stderr, "quellfort: cannot write the recording %s\n", path.c_str());
        return false;
    }
    session.mode = SESSION_RECORDING;
    fileSession.note = NoteFile;
    return true;
}

bool SessionStartReplay(const std::string& path) {
    const std::string error = LoadRecording(path);
    if (!error.empty()) {
        std::fprintf(stderr, "quellfort: %s: %s\n", path.c_str(), error.c_str());
        return false;
    }
    session.mode = SESSION_REPLAYING;
    fileSession.answer = AnswerFile;
    fileSession.readOnly = true;  // a replay writes neither qfhs.dat nor anything beside it
    return true;
}

bool SessionReplaying() { return session.mode == SESSION_REPLAYING; }
uint32_t SessionTicks() { return session.ticks; }
int64_t SessionTime() { return session.time; }
const PlatformStateHooks& SessionHooks() { return session.hooks; }

int SessionFinish() {
    int status = 0;
    if (session.mode == SESSION_RECORDING) {
        RecordingEvent summary(REC_SUMMARY);
        summary.bytes = Summary();
        RecordEvent(session.writer, summary);
        if (!CloseRecording(session.writer)) {
            std::fprintf(stderr, "quellfort: the recording could not be written whole\n");
            status = 1;
        }
        std::fputs(summary.bytes.c_str(), stdout);
    } else if (session.mode == SESSION_REPLAYING) {
        status = FinishReplay();
    }
    std::fflush(stdout);
    session = Session{};
    fileSession = FileSession{};
    return status;
}

// ---- The seam, as the game sees it ----

uint32_t PlatformTicks() {
    if (session.mode != SESSION_REPLAYING) {
        session.ticks = BackendTicks();
        if (session.mode == SESSION_RECORDING) Record(RecordingEvent(REC_TICKS, 0, session.ticks));
    } else if (const RecordingEvent* e = Expect(REC_TICKS)) {
        session.ticks = e->value;
    }
    return session.ticks;
}

int64_t PlatformTime() {
    if (session.mode != SESSION_REPLAYING) {
        session.time = BackendTime();
        if (session.mode == SESSION_RECORDING) {
            RecordingEvent e(REC_TIME);
            e.time = session.time;
            Record(e);
        }
    } else if (const RecordingEvent* e = Expect(REC_TIME)) {
        session.time = e->time;
    }
    return session.time;
}

bool PlatformKeyDown(int virtualKey) {
    if (session.mode == SESSION_REPLAYING) {
        const RecordingEvent* e = Expect(REC_KEY, virtualKey & 255);
        return e != nullptr && e->value != 0;
    }
    const bool down = BackendKeyDown(virtualKey);
    if (session.mode == SESSION_RECORDING) Record(RecordingEvent(REC_KEY, uint8_t(virtualKey), down));
    return down;
}

void PlatformWaitKeyUp(int virtualKey) {
    if (session.mode == SESSION_REPLAYING) {
        Expect(REC_WAIT_KEY, virtualKey & 255);
        return;
    }
    if (session.mode == SESSION_RECORDING) {
        Record(RecordingEvent(REC_WAIT_KEY, uint8_t(virtualKey)));
        FlushRecording(session.writer);  // the wait may be long
    }
    BackendWaitKeyUp(virtualKey);
}

// While a replay plays, the viewer's own input only stops it: Escape or closing the window.
static bool ViewerStops() {
    PlatformMessage live;
    bool stop = BackendKeyDown(VK_ESCAPE);
    while (BackendNextMessage(&live)) stop |= live.kind != MESSAGE_CHAR;
    return stop;
}

bool PlatformNextMessage(PlatformMessage* message) {
    if (session.mode != SESSION_REPLAYING) {
        const bool got = BackendNextMessage(message);
        if (session.mode == SESSION_RECORDING)
            Record(got ? RecordingEvent(REC_MESSAGE, uint8_t(message->kind), message->character)
                       : RecordingEvent(REC_NO_MESSAGE));
        return got;
    }
    if (!session.over && ViewerStops()) {
        session.stoppedByViewer = true;
        EndReplay("stopped by the viewer");
    }
    if (const RecordingEvent* e = Expect(REC_MESSAGE)) {
        if (e->kind == REC_NO_MESSAGE) return false;
        *message = {PlatformMessageKind(e->key), uint8_t(e->value)};
        return true;
    }
    *message = {MESSAGE_QUIT, 0};  // the replay is over: the program ends as after a close
    return true;
}

// In a replay the messages the game posts come back from the recording, where they were
// recorded as they left the queue.
void PlatformPostMessage(PlatformMessageKind kind) {
    if (session.mode != SESSION_REPLAYING) BackendPostMessage(kind);
}

void PlatformPresent(const uint16_t* pixels) {
    const bool hashed = session.mode != SESSION_LIVE && session.hooks.hashState != nullptr;
    const uint32_t hash = hashed ? session.hooks.hashState() : 0;
    if (session.mode == SESSION_RECORDING) {
        Record(RecordingEvent(REC_FRAME, 0, hash));
    } else if (session.mode == SESSION_REPLAYING) {
        const RecordingEvent* e = Expect(REC_FRAME);
        if (e != nullptr && e->value != hash && session.divergedAt == 0) {
            session.divergedAt = session.frames + 1;
            session.divergence = "the game state differs from the recording's";
        }
    }
    ++session.frames;
    BackendPresent(pixels);
}

void PlatformSetStateHooks(const PlatformStateHooks& hooks) { session.hooks = hooks; }
