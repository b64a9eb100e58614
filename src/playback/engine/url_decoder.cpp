#include "playback/engine/url_decoder.h"

#include "playback/engine/mpg123_decoder.h"
#include "playback/engine/stream_answer.h"
#include "playback/engine/vorbis_decoder.h"

#include <array>

namespace kesto {

namespace {

// Enough for two MPEG frames at any bit rate, wherever the stream starts.
constexpr std::size_t kSniffBytes = 8 * 1024;

class UrlDecoder final : public Decoder {
public:
    UrlDecoder(std::shared_ptr<UrlDownload> download, std::unique_ptr<Decoder> inner)
        : download_(std::move(download)), inner_(std::move(inner)) {}
    // Cancel first, so that nothing the inner decoder does can wait on the network.
    ~UrlDecoder() override {
        download_->cancel();
        inner_.reset();
    }
    UrlDecoder(const UrlDecoder&) = delete;
    UrlDecoder& operator=(const UrlDecoder&) = delete;

    DecoderFormat format() const override { return inner_->format(); }
    std::int64_t lengthFrames() const override { return -1; }
    ReadResult read(std::int16_t* out, std::int64_t frames) override {
        return inner_->read(out, frames);
    }
    bool seek(std::int64_t) override { return false; }
    std::int64_t positionFrames() const override { return inner_->positionFrames(); }
    std::int64_t sourceOffset() const override {
        return static_cast<std::int64_t>(download_->ring()->taken());
    }
    std::int64_t sourceDownloaded() const override {
        return static_cast<std::int64_t>(download_->ring()->written());
    }
    std::int64_t sourceSize() const override { return -1; }
    std::optional<std::string> tags(TagKind kind) const override { return download_->tags(kind); }

private:
    std::shared_ptr<UrlDownload> download_;
    std::unique_ptr<Decoder> inner_;
};

} // namespace

std::unique_ptr<Decoder> openUrlDecoder(std::shared_ptr<UrlDownload> download,
                                        UrlDownload::Clock::time_point deadline,
                                        AudioError& error) {
    switch (download->waitForAnswer(deadline)) {
    case UrlDownload::Answer::Pending:
        error = AudioError::Timeout;
        return nullptr;
    case UrlDownload::Answer::Failed:
        error = download->failure();
        return nullptr;
    case UrlDownload::Answer::Cancelled:
        error = AudioError::NotInitialized;
        return nullptr;
    case UrlDownload::Answer::Streaming:
        break;
    }
    const std::shared_ptr<StreamRing>& ring = download->ring();
    StreamFormat format = formatForContentType(download->contentType());
    if (format == StreamFormat::Sniff) {
        std::array<std::uint8_t, kSniffBytes> head{};
        const std::size_t got = ring->peek(head.data(), head.size(), deadline);
        format = sniffFormat(head.data(), got);
        if (format == StreamFormat::Refused && got < head.size() && !ring->finished()) {
            error = AudioError::Timeout;
            return nullptr;
        }
    }
    if (format == StreamFormat::Refused) {
        error = AudioError::FileFormat;
        return nullptr;
    }
    auto source = std::make_unique<StreamSource>(ring);
    StreamSource* view = source.get();
    // Opening reads the first frames (and the Vorbis headers): wait for
    // them until the deadline, then never again.
    view->waitUntil(deadline);
    std::unique_ptr<Decoder> inner;
    if (format == StreamFormat::Mp3)
        inner = Mpg123Decoder::openStream(std::move(source), error);
    else
        inner = VorbisDecoder::open(std::move(source), error);
    if (!inner) {
        if (ring->cancelled())
            error = AudioError::NotInitialized;
        else if (UrlDownload::Clock::now() >= deadline)
            error = AudioError::Timeout; // the source is gone with the decoder; the clock tells
        else if (error != AudioError::Internal)
            error = AudioError::FileFormat;
        return nullptr;
    }
    view->waitUntil({});
    error = AudioError::Ok;
    return std::make_unique<UrlDecoder>(std::move(download), std::move(inner));
}

} // namespace kesto
