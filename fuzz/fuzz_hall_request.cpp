// libFuzzer target: what the Hall's server makes of a submitted run. The input is a name (its
// length in the first byte) and a body; the name is checked and shown as the pages and the API
// show it, and the body is judged by the same verification a server's child process runs.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "server/submission.h"
#include "server/text.h"
#include "server/verify_call.h"
#include "session/rules.h"

static void CheckShownName(const std::string& name) {
    std::string bytes, why;
    // A name the server took reads back as the same name: at most ten of the game's characters.
    if (!NameFromUtf8(name, &bytes, &why) || bytes.size() > 10 || Cp1252ToUtf8(bytes) != name) std::abort();
    if (HtmlEscape(name).find_first_of("<>\"'") != std::string::npos) std::abort();
    for (const char c : JsonString(name))
        if (uint8_t(c) < 0x20 || c == '<') std::abort();
    if (UrlEncode(name).find_first_of("&<>\"' #?") != std::string::npos) std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const size_t nameLength = std::min<size_t>(data[0] % 64, size - 1);
    const std::string name(reinterpret_cast<const char*>(data) + 1, nameLength);
    const std::string body(reinterpret_cast<const char*>(data) + 1 + nameLength, size - 1 - nameLength);

    Submission submission;
    if (!ParseSubmission(&name, body, &submission)) {
        if (submission.error.empty() || submission.error.find('\n') != std::string::npos) std::abort();
        return 0;
    }
    if (!name.empty()) CheckShownName(submission.name);
    if (RecordingHash(body).size() != 64) std::abort();

    const RunVerdict verdict = VerifyRecording(body);
    if (verdict.valid != verdict.reason.empty() || verdict.reason.find('\n') != std::string::npos) std::abort();
    if (verdict.valid && (verdict.rulesVersion != RULES_VERSION || verdict.name.size() > 10)) std::abort();
    if (verdict.valid) CheckShownName(Cp1252ToUtf8(verdict.name));
    return 0;
}
