#include "playback/engine/wav_decoder.h"

#include <algorithm>

namespace kesto {

namespace {
constexpr std::size_t kScratchBytes = 32 * 1024;
}

std::unique_ptr<WavDecoder> WavDecoder::open(std::unique_ptr<ByteSource> source,
                                             AudioError& error) {
    auto layout = parseWav(*source, error);
    if (!layout)
        return nullptr;
    if (source->seek(layout->dataOffset, SEEK_SET) != layout->dataOffset) {
        error = AudioError::FileFormat;
        return nullptr;
    }
    return std::unique_ptr<WavDecoder>(new WavDecoder(std::move(source), *layout));
}

WavDecoder::WavDecoder(std::unique_ptr<ByteSource> source, const WavLayout& layout)
    : source_(std::move(source)), layout_(layout) {
    if (layout_.kind != SampleKind::Int16)
        scratch_.resize(std::max<std::size_t>(kScratchBytes, layout_.blockAlign));
}

DecoderFormat WavDecoder::format() const {
    return {layout_.rate, layout_.channels, layout_.kind == SampleKind::UInt8};
}

ReadResult WavDecoder::read(std::int16_t* out, std::int64_t frames) {
    frames = std::min(frames, layout_.frames - frame_);
    const std::size_t align = layout_.blockAlign;
    std::int64_t done = 0;
    while (done < frames) {
        std::size_t want = static_cast<std::size_t>(frames - done) * align;
        std::size_t got = 0;
        std::int16_t* dst = out + done * layout_.channels;
        if (scratch_.empty()) {
            got = readFully(*source_, dst, want);
        } else {
            want = std::min(want, scratch_.size() / align * align);
            got = readFully(*source_, scratch_.data(), want);
            convertToInt16(layout_.kind, scratch_.data(), dst, got / align * layout_.channels);
        }
        const std::int64_t whole = static_cast<std::int64_t>(got / align);
        done += whole;
        frame_ += whole;
        if (got < want) {
            // The file shrank under us or the disk failed: stop on the last whole frame.
            source_->seek(layout_.dataOffset + frame_ * static_cast<std::int64_t>(align), SEEK_SET);
            return {done, ReadStatus::Error};
        }
    }
    return {done, frame_ >= layout_.frames ? ReadStatus::End : ReadStatus::Ok};
}

bool WavDecoder::seek(std::int64_t frame) {
    if (frame < 0 || frame > layout_.frames)
        return false;
    const std::int64_t offset = layout_.dataOffset + frame * layout_.blockAlign;
    if (source_->seek(offset, SEEK_SET) != offset)
        return false;
    frame_ = frame;
    return true;
}

} // namespace kesto
