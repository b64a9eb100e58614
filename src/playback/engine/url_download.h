#pragma once

// The download of one internet stream: a thread of its own running libcurl,
// reading the server's answer (HTTP or a SHOUTcast "ICY 200 OK"), taking the
// metadata blocks out of the audio and pouring the audio into a StreamRing.
//
// Threads: the download thread runs run() and every curl callback. Anyone
// may call cancel(), the tag and answer getters, and the destructor (which
// cancels and joins; libcurl is woken, so it returns at once).
//
// Locks (leaves, never held together): answerMutex_ for the answer as it
// arrives; tagMutex_ for the header block and the latest metadata, so any
// thread can read them while the audio flows. The ring has its own.

#include "playback/engine/audio_types.h"
#include "playback/engine/icy_meta_splitter.h"
#include "playback/engine/stream_source.h"

#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace kesto {

class UrlDownload {
public:
    using Clock = StreamRing::Clock;

    struct Request {
        std::string url;
        bool metadata = false; // ask for icy-metaint metadata
        int connectTimeoutMs = 10000;
        std::size_t ringBytes = 256 * 1024;
    };

    // Starts the download; nullptr with `error` when libcurl cannot be set up.
    static std::shared_ptr<UrlDownload> start(const Request& request, AudioError& error);
    ~UrlDownload();
    UrlDownload(const UrlDownload&) = delete;
    UrlDownload& operator=(const UrlDownload&) = delete;

    // Ends the download as soon as possible; reads from the ring return 0.
    void cancel();

    enum class Answer { Pending, Streaming, Failed, Cancelled };
    // Waits until the answer's status and headers are in (Streaming), the
    // request failed (failure() says why), cancel(), or `until` passed
    // (Pending).
    Answer waitForAnswer(Clock::time_point until);
    AudioError failure() const;
    // The Content-Type of the answer, as sent.
    std::string contentType() const;

    const std::shared_ptr<StreamRing>& ring() const { return ring_; }

    // Icy: every header line of the answer, the status line first, each
    // followed by a NUL, and one more NUL at the end. Meta: the latest
    // metadata text, e.g. StreamTitle='Artist - Song';. nullopt until there
    // is one.
    std::optional<std::string> tags(TagKind kind) const;

private:
    explicit UrlDownload(const Request& request);
    void run();
    static std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* self);
    static std::size_t onBody(char* data, std::size_t size, std::size_t count, void* self);
    static int onProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t);
    // One line of the answer's head, from libcurl or from an ICY preamble.
    // False when the answer is refused and the transfer must end.
    bool headLine(std::string_view line);
    // Bytes of an answer libcurl took for a headerless one: an ICY status
    // line and headers come first. Returns how many bytes were head.
    std::size_t icyPreamble(const std::uint8_t* data, std::size_t size, bool& refused);
    void fail(AudioError error);
    void body(const std::uint8_t* data, std::size_t size);

    const Request request_;
    const std::shared_ptr<StreamRing> ring_;
    CURLM* multi_ = nullptr;
    CURL* easy_ = nullptr;
    curl_slist* headers_ = nullptr;
    std::thread thread_;
    std::atomic<bool> cancelled_{false};

    // Download thread only:
    bool sawStatusLine_ = false; // libcurl parsed an HTTP head
    std::string preamble_;       // the ICY head gathered so far
    bool preambleDone_ = false;
    std::string headLines_; // the current response's lines, NUL-separated
    std::string contentType_;
    std::size_t metaInt_ = 0;
    int statusCode_ = 0;
    AudioError statusError_ = AudioError::FileOpen;
    std::optional<IcyMetaSplitter> splitter_;

    mutable std::mutex answerMutex_;
    std::condition_variable answerCv_;
    // Guarded by answerMutex_:
    Answer answer_ = Answer::Pending;
    AudioError failure_ = AudioError::Ok;
    std::string answerType_;

    mutable std::mutex tagMutex_;
    // Guarded by tagMutex_:
    std::string icyBlock_;
    bool haveIcy_ = false;
    std::string meta_; // reserved once: replacing it allocates nothing
    bool haveMeta_ = false;
};

} // namespace kesto
