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

} // namespace

std::unique_ptr<Mpg123Decoder> Mpg123Decoder::open(std::unique_ptr<ByteSource> source,
                                                   const MpegProbe& probe, AudioError& error) {
    std::unique_ptr<Mpg123Decoder> d(new Mpg123Decoder(std::move(source)));
    int err = MPG123_OK;
    d->handle_ = mpg123_new(nullptr, &err);
    error = AudioError::Internal;
    if (!d->handle_)
        return nullptr;
    mpg123_handle* mh = d->handle_;
    // Format changes inside one file would break the output's fixed format,
    // so a second stream glued onto the first ends decoding instead.
    mpg123_param(mh, MPG123_FLAGS, MPG123_QUIET | MPG123_GAPLESS | MPG123_NO_FRANKENSTEIN, 0.);
    if (!allowOnly16Bit(mh) ||
        mpg123_replace_reader_handle(mh, readSource, seekSource, nullptr) != MPG123_OK)
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
    error = AudioError::Ok;
    return d;
}

Mpg123Decoder::~Mpg123Decoder() {
    if (handle_) {
        mpg123_close(handle_);
        mpg123_delete(handle_);
    }
}

ReadResult Mpg123Decoder::read(std::int16_t* out, std::int64_t frames) {
    frames = std::min(frames, length_ - frame_);
    const std::size_t frameBytes = format_.channels * sizeof(std::int16_t);
    auto* dst = reinterpret_cast<unsigned char*>(out);
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
    if (frame < 0 || frame > length_)
        return false;
    off_t at = mpg123_seek(handle_, static_cast<off_t>(frame), SEEK_SET);
    if (at < 0)
        return false;
    frame_ = at;
    return at == frame;
}

std::int64_t Mpg123Decoder::sourceOffset() const {
    off_t at = mpg123_tell_stream(handle_);
    return at < 0 ? source_->tell() : at;
}

} // namespace kesto
