#pragma once

// What every HTTP request of the player shares: libcurl set up once for the
// process, and the options that keep a request safe and bounded.

#include <curl/curl.h>

#include <string>

namespace kesto {

// libcurl's process-wide set-up, done once whichever thread asks first.
bool curlReady();

// URL, plain http/https only (also after a redirect, so a server cannot send
// us to a local file), redirects followed, the connect time-out, no signals
// (we run on worker threads), our user agent.
void setCommonCurlOptions(CURL* curl, const std::string& url, int connectTimeoutMs);

// True for an address libcurl may fetch for us: http:// or https://, any case.
bool isHttpUrl(const std::string& url);

} // namespace kesto
