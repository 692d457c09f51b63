// The Linux games' POST to a Hall, with libcurl.
#include "platform/common/hall_transport.h"

#include <curl/curl.h>

namespace {

size_t TakeBody(char* data, size_t size, size_t count, void* out) {
    std::string& body = *static_cast<std::string*>(out);
    if (body.size() + size * count > HALL_MAX_ANSWER_BYTES) return 0;
    body.append(data, size * count);
    return size * count;
}

}  // namespace

void HallTransportStart() { curl_global_init(CURL_GLOBAL_DEFAULT); }

HallAnswer HallTransportPost(const std::string& address, const std::string& recording) {
    HallAnswer answer;
    CURL* curl = curl_easy_init();
    if (curl == nullptr) return answer.error = "libcurl could not start", answer;
    curl_slist* headers = curl_slist_append(nullptr, "Content-Type: application/octet-stream");
    headers = curl_slist_append(headers, "Expect:");  // the whole body at once, no 100-continue
    char error[CURL_ERROR_SIZE] = {0};
    curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, recording.data());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(recording.size()));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, TakeBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &answer.body);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, long(HALL_CONNECT_SECONDS));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, long(HALL_ANSWER_SECONDS));
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, HALL_USER_AGENT);
    if (curl_easy_perform(curl) == CURLE_OK) {
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &answer.status);
    } else {
        answer.error = error;
    }
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
    return answer;
}
