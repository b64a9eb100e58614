#include "platform/curl_common.h"

#include "player/version.h"

namespace kesto {

bool curlReady() {
    // A function-local static: initialised exactly once, even when two
    // connect workers start at the same moment.
    static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return ready;
}

void setCommonCurlOptions(CURL* curl, const std::string& url, int connectTimeoutMs) {
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 8L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(connectTimeoutMs));
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    const std::string agent = "Kesto/" + std::string(kVersion); // libcurl keeps a copy
    curl_easy_setopt(curl, CURLOPT_USERAGENT, agent.c_str());
#if LIBCURL_VERSION_NUM >= 0x075700
    // Stopping during a name look-up must not wait for the resolver to give up.
    curl_easy_setopt(curl, CURLOPT_QUICK_EXIT, 1L);
#endif
}

bool isHttpUrl(const std::string& url) {
    auto startsWith = [&](const char* prefix) {
        std::size_t i = 0;
        for (; prefix[i]; ++i) {
            if (i >= url.size())
                return false;
            char c = url[i];
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
            if (c != prefix[i])
                return false;
        }
        return url.size() > i;
    };
    return startsWith("http://") || startsWith("https://");
}

} // namespace kesto
