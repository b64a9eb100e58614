#include "playback/engine/mpg123_decoder.h"

#include <algorithm>
#include <mpg123.h>

namespace kesto {

namespace {

mpg123_ssize_t readSource(void* handle, void* buffer, size_t size) {
    return static_cast<mpg123_ssize_t>(static_cast<ByteSource*>(handle)->read(buffer, size));
}

off_t seekSource(void* handle, off_t offset, int whence) {
    return static_cast<off_t>(static_cast<ByteSource*>(handle)->seek(offset, whence));
}

// Only signed 16-bit output, at whatever rate and channel count the file has.
bool allowOnly16Bit(mpg123_handle* mh) {
    if (mpg123_format_none(mh) != MPG123_OK)
        return false;
    const long* rates = nullptr;
    size_t count = 0;
    mpg123_rates(&rates, &count);
    for (size_t i = 0; i < count; ++i)
        mpg123_format(mh, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    return true;
}

constexpr std::size_t kFeedChunk = 16 * 1024;

} // namespace

bool Mpg123Decoder::createHandle(int flags) {
    int err = MPG123_OK;
    handle_ = mpg123_new(nullptr, &err);
    if (!handle_)
        return false;
    mpg123_param(handle_, MPG123_FLAGS, flags, 0.);
    return allowOnly16Bit(handle_);
}

std::unique_ptr<Mpg123Decoder> Mpg123Decoder::openStream(std::unique_ptr<ByteSource> source,
                                                         AudioError& error) {
    std::unique_ptr<Mpg123Decoder> d(new Mpg123Decoder(std::move(source)));
    error = AudioError::Internal;
    // No gapless trimming: a stream has neither a start nor an end to trim.
    // Stations that relay files send each file's length header along; taken
    // at its word, it would end the stream after the first file.
    if (!d->createHandle(MPG123_QUIET | MPG123_NO_FRANKENSTEIN | MPG123_IGNORE_STREAMLENGTH |
                         MPG123_IGNORE_INFOFRAME))
        return nullptr;
    mpg123_handle* mh = d->handle_;
    // A station that drops a few bytes must not end the stream: look further for the next frame.
    mpg123_param(mh, MPG123_RESYNC_LIMIT, 64 * 1024, 0.);
    // Fed buffers come back to a pool big enough for one of our chunks, so
    // feeding allocates nothing once the stream runs.
    mpg123_param(mh, MPG123_FEEDPOOL, 16, 0.);
    mpg123_param(mh, MPG123_FEEDBUFFER, static_cast<long>(kFeedChunk), 0.);
    if (mpg123_open_feed(mh) != MPG123_OK)
        return nullptr;
    d->input_ = std::make_unique<std::uint8_t[]>(kFeedChunk);
    error = AudioError::FileFormat;
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    std::size_t fed = 0;
    for (;;) {
        const int rc = mpg123_getformat(mh, &rate, &channels, &encoding);
        if (rc == MPG123_OK)
            break;
        if (rc != MPG123_NEED_MORE || fed >= kProbeLimit)
            return nullptr;
        const std::int64_t n = d->source_->read(d->input_.get(), kFeedChunk);
        if (n <= 0 || mpg123_feed(mh, d->input_.get(), static_cast<size_t>(n)) != MPG123_OK)
            return nullptr;
        fed += static_cast<std::size_t>(n);
    }
    if (encoding != MPG123_ENC_SIGNED_16 || channels < 1 || channels > 2) {
        error = AudioError::SampleFormat;
        return nullptr;
    }
    d->format_ = {static_cast<std::uint32_t>(rate), static_cast<std::uint32_t>(channels), false};
    d->length_ = -1;
    error = AudioError::Ok;
    return d;
}

std::unique_ptr<Mpg123Decoder> Mpg123Decoder::open(std::unique_ptr<ByteSource> source,
                                                   const MpegProbe& probe, AudioError& error) {
    std::unique_ptr<Mpg123Decoder> d(new Mpg123Decoder(std::move(source)));
    error = AudioError::Internal;
    // Format changes inside one file would break the output's fixed format,
    // so a second stream glued onto the first ends decoding instead.
    if (!d->createHandle(MPG123_QUIET | MPG123_GAPLESS | MPG123_NO_FRANKENSTEIN))
        return nullptr;
    mpg123_handle* mh = d->handle_;
    if (mpg123_replace_reader_handle(mh, readSource, seekSource, nullptr) != MPG123_OK)
        return nullptr;
    d->source_->seek(0, SEEK_SET);
    error = AudioError::FileFormat;
    if (mpg123_open_handle(mh, d->source_.get()) != MPG123_OK)
        return nullptr;
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_getformat(mh, &rate, &channels, &encoding) != MPG123_OK)
        return nullptr;
    if (encoding != MPG123_ENC_SIGNED_16 || channels < 1 || channels > 2) {
        error = AudioError::SampleFormat;
        return nullptr;
    }
    d->format_ = {static_cast<std::uint32_t>(rate), static_cast<std::uint32_t>(channels), false};

    // The encoder's frame count is exact unless the file was cut short after
    // it was written; without one, only a scan of every frame header is.
    const std::int64_t size = d->source_->size();
    const bool truncated =
        probe.tagBytes > 0 && size >= 0 && probe.firstFrameOffset + probe.tagBytes > size;
    if (!probe.lengthTag || truncated) {
        if (mpg123_scan(mh) != MPG123_OK)
            return nullptr;
    }
    const off_t length = mpg123_length(mh);
    if (length <= 0) {
        error = AudioError::NotAudio;
        return nullptr;
    }
    d->length_ = length;
    // A libmpg123 built with gapless decoding drops the delay and padding
    // that the LAME part of the Info header records. A bare Xing header
    // gives the frame count only, and the last frame's padding is then still
    // decoded as sound; a file cut short after its header was written ends
    // wherever the cut fell.
    long flags = 0;
    long delay = -1;
    long padding = -1;
    double unused = 0;
    const bool gapless = mpg123_getparam(mh, MPG123_FLAGS, &flags, &unused) == MPG123_OK &&
                         (flags & MPG123_GAPLESS) != 0;
    d->format_.exactEnd = gapless && probe.lengthTag && !truncated &&
                          mpg123_getstate(mh, MPG123_ENC_DELAY, &delay, &unused) == MPG123_OK &&
                          mpg123_getstate(mh, MPG123_ENC_PADDING, &padding, &unused) == MPG123_OK &&
                          delay >= 0 && padding >= 0;
    error = AudioError::Ok;
    return d;
}

Mpg123Decoder::~Mpg123Decoder() {
    if (handle_) {
        mpg123_close(handle_);
        mpg123_delete(handle_);
    }
}

std::optional<ReadStatus> Mpg123Decoder::feedMore() {
    const std::int64_t n = source_->read(input_.get(), kFeedChunk);
    if (n < 0)
        return ReadStatus::Error;
    if (n == 0)
        return source_->moreToCome() ? ReadStatus::Starved : ReadStatus::End;
    if (mpg123_feed(handle_, input_.get(), static_cast<size_t>(n)) != MPG123_OK)
        return ReadStatus::Error;
    return std::nullopt;
}

ReadResult Mpg123Decoder::readFed(std::uint8_t* dst, std::size_t want) {
    const std::size_t frameBytes = format_.channels * sizeof(std::int16_t);
    std::size_t have = 0;
    ReadStatus status = ReadStatus::Ok;
    while (have < want) {
        size_t done = 0;
        const int rc = mpg123_read(handle_, dst + have, want - have, &done);
        have += done;
        if (rc == MPG123_OK)
            continue;
        if (rc == MPG123_NEW_FORMAT) {
            long rate = 0;
            int channels = 0;
            int encoding = 0;
            mpg123_getformat(handle_, &rate, &channels, &encoding);
            if (rate == static_cast<long>(format_.rate) &&
                channels == static_cast<int>(format_.channels))
                continue;
            status = ReadStatus::End; // the output cannot change format midway
            break;
        }
        if (rc == MPG123_NEED_MORE) {
            if (auto stop = feedMore()) {
                status = *stop;
                break;
            }
            continue;
        }
        status = rc == MPG123_DONE ? ReadStatus::End : ReadStatus::Error;
        break;
    }
    const std::int64_t got = static_cast<std::int64_t>(have / frameBytes);
    frame_ += got;
    return {got, status};
}

ReadResult Mpg123Decoder::read(std::int16_t* out, std::int64_t frames) {
    const std::size_t frameBytes = format_.channels * sizeof(std::int16_t);
    auto* dst = reinterpret_cast<unsigned char*>(out);
    if (length_ < 0)
        return readFed(dst, static_cast<std::size_t>(frames) * frameBytes);
    frames = std::min(frames, length_ - frame_);
    std::size_t want = static_cast<std::size_t>(frames) * frameBytes;
    std::size_t have = 0;
    ReadStatus status = ReadStatus::Ok;
    int idle = 0; // calls that made no progress; a decoder stuck in place is broken
    while (have < want) {
        size_t done = 0;
        int rc = mpg123_read(handle_, dst + have, want - have, &done);
        have += done;
        idle = done ? 0 : idle + 1;
        if ((rc == MPG123_OK || rc == MPG123_NEW_FORMAT) && idle < 8)
            continue;
        if (rc == MPG123_OK || rc == MPG123_NEW_FORMAT) {
            status = ReadStatus::Error;
            break;
        }
        status = rc == MPG123_DONE ? ReadStatus::End : ReadStatus::Error;
        break;
    }
    const std::int64_t got = static_cast<std::int64_t>(have / frameBytes);
    frame_ += got;
    if (frame_ >= length_)
        status = ReadStatus::End;
    return {got, status};
}

bool Mpg123Decoder::seek(std::int64_t frame) {
    if (length_ < 0 || frame < 0 || frame > length_)
        return false;
    off_t at = mpg123_seek(handle_, static_cast<off_t>(frame), SEEK_SET);
    if (at < 0)
        return false;
    frame_ = at;
    return at == frame;
}

std::int64_t Mpg123Decoder::sourceOffset() const {
    if (length_ < 0)
        return source_->tell();
    off_t at = mpg123_tell_stream(handle_);
    return at < 0 ? source_->tell() : at;
}

} // namespace kesto
