#include "playback/engine/url_download.h"

#include "platform/curl_common.h"
#include "playback/engine/stream_answer.h"

#include <algorithm>
#include <cstring>

namespace kesto {

namespace {

// A head longer than this is not a radio station's.
constexpr std::size_t kMaxHead = 64 * 1024;
// How long the thread sleeps in libcurl when nothing happens; cancel() wakes it sooner.
constexpr int kPollMs = 200;

std::string_view withoutLineEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    return line;
}

} // namespace

UrlDownload::UrlDownload(const Request& request)
    : request_(request), ring_(std::make_shared<StreamRing>(request.ringBytes)) {
    meta_.reserve(IcyMetaSplitter::kMaxMetaBytes);
    preamble_.reserve(1024);
}

std::shared_ptr<UrlDownload> UrlDownload::start(const Request& request, AudioError& error) {
    error = AudioError::Internal;
    if (!curlReady())
        return nullptr;
    std::shared_ptr<UrlDownload> d(new UrlDownload(request));
    d->multi_ = curl_multi_init();
    d->easy_ = curl_easy_init();
    if (!d->multi_ || !d->easy_)
        return nullptr;
    CURL* curl = d->easy_;
    setCommonCurlOptions(curl, request.url, request.connectTimeoutMs);
    // SHOUTcast v1 servers answer "ICY 200 OK", which libcurl reads as a
    // response without a head; we find the head in the body ourselves.
    curl_easy_setopt(curl, CURLOPT_HTTP09_ALLOWED, 1L);
    if (request.metadata) {
        d->headers_ = curl_slist_append(nullptr, "Icy-MetaData: 1");
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, d->headers_);
    }
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &UrlDownload::onHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, d.get());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &UrlDownload::onBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, d.get());
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &UrlDownload::onProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, d.get());
    if (curl_multi_add_handle(d->multi_, curl) != CURLM_OK)
        return nullptr;
    d->thread_ = std::thread([raw = d.get()] { raw->run(); });
    error = AudioError::Ok;
    return d;
}

UrlDownload::~UrlDownload() {
    cancel();
    if (thread_.joinable())
        thread_.join();
    if (multi_ && easy_)
        curl_multi_remove_handle(multi_, easy_);
    if (easy_)
        curl_easy_cleanup(easy_);
    if (multi_)
        curl_multi_cleanup(multi_);
    curl_slist_free_all(headers_);
}

void UrlDownload::cancel() {
    cancelled_.store(true);
    ring_->cancel();
    if (multi_)
        curl_multi_wakeup(multi_);
    {
        std::lock_guard lock(answerMutex_);
        if (answer_ == Answer::Pending)
            answer_ = Answer::Cancelled;
    }
    answerCv_.notify_all();
}

void UrlDownload::run() {
    int running = 1;
    while (running && !cancelled_.load()) {
        if (curl_multi_perform(multi_, &running) != CURLM_OK)
            break;
        if (running)
            curl_multi_poll(multi_, nullptr, 0, kPollMs, nullptr);
    }
    CURLcode result = CURLE_OK;
    int left = 0;
    while (CURLMsg* msg = curl_multi_info_read(multi_, &left)) {
        if (msg->msg == CURLMSG_DONE)
            result = msg->data.result;
    }
    // The transfer is over: whatever is in the ring still plays, then the stream ends.
    ring_->finish();
    if (cancelled_.load())
        return;
    if (result == CURLE_OPERATION_TIMEDOUT)
        fail(AudioError::Timeout);
    else
        fail(AudioError::FileOpen); // no effect once the answer was in
}

void UrlDownload::fail(AudioError error) {
    {
        std::lock_guard lock(answerMutex_);
        if (answer_ != Answer::Pending)
            return;
        answer_ = Answer::Failed;
        failure_ = error;
    }
    answerCv_.notify_all();
}

UrlDownload::Answer UrlDownload::waitForAnswer(Clock::time_point until) {
    std::unique_lock lock(answerMutex_);
    answerCv_.wait_until(lock, until, [&] { return answer_ != Answer::Pending; });
    return answer_;
}

AudioError UrlDownload::failure() const {
    std::lock_guard lock(answerMutex_);
    return failure_;
}

std::string UrlDownload::contentType() const {
    std::lock_guard lock(answerMutex_);
    return answerType_;
}

std::optional<std::string> UrlDownload::tags(TagKind kind) const {
    std::lock_guard lock(tagMutex_);
    switch (kind) {
    case TagKind::Icy:
        return haveIcy_ ? std::optional<std::string>(icyBlock_) : std::nullopt;
    case TagKind::Meta:
        return haveMeta_ ? std::optional<std::string>(meta_) : std::nullopt;
    }
    return std::nullopt;
}

bool UrlDownload::headLine(std::string_view line) {
    line = withoutLineEnd(line);
    if (auto status = parseStatusLine(line)) {
        // A new response: after a redirect only the last one counts.
        headLines_.clear();
        headLines_.append(line).push_back('\0');
        contentType_.clear();
        metaInt_ = 0;
        statusCode_ = status->code;
        statusError_ = answerError(*status);
        return true;
    }
    if (!line.empty()) {
        if (headLines_.size() + line.size() + 2 > kMaxHead) {
            fail(AudioError::FileFormat);
            return false;
        }
        headLines_.append(line).push_back('\0');
        if (auto type = headerValue(line, "content-type"))
            contentType_ = *type;
        else if (auto interval = headerValue(line, "icy-metaint"))
            metaInt_ = parseMetaInt(*interval);
        return true;
    }
    // The blank line: the head is complete. Interim answers and redirects
    // that libcurl follows are not ours to judge.
    if (statusCode_ < 200 || (statusCode_ >= 300 && statusCode_ < 400))
        return true;
    if (statusError_ != AudioError::Ok) {
        fail(statusError_);
        return false;
    }
    headLines_.push_back('\0');
    {
        std::lock_guard lock(tagMutex_);
        icyBlock_ = headLines_;
        haveIcy_ = true;
    }
    splitter_.emplace(metaInt_);
    {
        std::lock_guard lock(answerMutex_);
        if (answer_ != Answer::Pending)
            return false;
        answer_ = Answer::Streaming;
        answerType_ = contentType_;
    }
    answerCv_.notify_all();
    return true;
}

std::size_t UrlDownload::onHeader(char* data, std::size_t size, std::size_t count, void* self) {
    auto* d = static_cast<UrlDownload*>(self);
    const std::size_t bytes = size * count;
    if (d->cancelled_.load())
        return 0;
    d->sawStatusLine_ = true;
    return d->headLine(std::string_view(data, bytes)) ? bytes : 0;
}

std::size_t UrlDownload::icyPreamble(const std::uint8_t* data, std::size_t size, bool& refused) {
    refused = false;
    std::size_t used = 0;
    while (used < size && !preambleDone_) {
        const char c = static_cast<char>(data[used++]);
        preamble_.push_back(c);
        if (preamble_.size() == 4 && preamble_ != "ICY ") {
            // Not a head at all: a server that sends bare audio. What we
            // gathered is audio, and the format is found from the bytes.
            preambleDone_ = true;
            headLine("HTTP/1.0 200 OK");
            headLine("");
            body(reinterpret_cast<const std::uint8_t*>(preamble_.data()), preamble_.size());
            return used;
        }
        if (c != '\n')
            continue;
        const std::size_t start = preamble_.rfind('\n', preamble_.size() - 2);
        const std::string_view line =
            std::string_view(preamble_).substr(start == std::string::npos ? 0 : start + 1);
        const bool blank = withoutLineEnd(line).empty();
        if (!headLine(line)) {
            refused = true;
            return used;
        }
        preambleDone_ = blank;
        if (preamble_.size() > kMaxHead) {
            fail(AudioError::FileFormat);
            refused = true;
            return used;
        }
    }
    return used;
}

void UrlDownload::body(const std::uint8_t* data, std::size_t size) {
    splitter_->feed(
        data, size, [&](const std::uint8_t* audio, std::size_t n) { ring_->write(audio, n); },
        [&](std::string_view text) {
            std::lock_guard lock(tagMutex_);
            meta_.assign(text);
            haveMeta_ = true;
        });
}

std::size_t UrlDownload::onBody(char* data, std::size_t size, std::size_t count, void* self) {
    auto* d = static_cast<UrlDownload*>(self);
    const std::size_t bytes = size * count;
    if (d->cancelled_.load())
        return 0;
    const auto* p = reinterpret_cast<const std::uint8_t*>(data);
    std::size_t used = 0;
    if (!d->sawStatusLine_ && !d->preambleDone_) {
        bool refused = false;
        used = d->icyPreamble(p, bytes, refused);
        if (refused)
            return 0;
    }
    if (!d->splitter_)
        return used == bytes ? bytes : 0;
    if (used < bytes)
        d->body(p + used, bytes - used);
    return d->cancelled_.load() ? 0 : bytes;
}

int UrlDownload::onProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<UrlDownload*>(self)->cancelled_.load() ? 1 : 0;
}

} // namespace kesto
