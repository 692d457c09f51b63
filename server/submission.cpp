// What a POST of a run carries, checked before any replay is spent on it: the name and the body.
#include "server/submission.h"

#include "server/text.h"

#include <openssl/evp.h>

bool ParseSubmission(const std::string* nameParam, const std::string& body, Submission* submission) {
    submission->name.clear();
    if (nameParam && !nameParam->empty()) {
        std::string bytes;
        if (!NameFromUtf8(*nameParam, &bytes, &submission->error)) return false;
        submission->name = Cp1252ToUtf8(bytes);
    }
    if (body.empty()) {
        submission->error = "not a recording: the request has no body";
        return false;
    }
    if (body.size() > MAX_RECORDING_BYTES) {
        submission->error = "the recording is larger than 1 MiB";
        return false;
    }
    return true;
}

std::string RecordingHash(const std::string& body) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EVP_Digest(body.data(), body.size(), digest, &size, EVP_sha256(), nullptr);
    static const char hex[] = "0123456789abcdef";
    std::string text;
    for (unsigned int i = 0; i < size; ++i) {
        text += hex[digest[i] >> 4];
        text += hex[digest[i] & 15];
    }
    return text;
}
