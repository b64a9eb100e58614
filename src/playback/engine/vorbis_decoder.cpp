#include "playback/engine/vorbis_decoder.h"

#include <algorithm>
#include <cerrno>
#include <vorbis/vorbisfile.h>

namespace kesto {

struct VorbisDecoder::File {
    OggVorbis_File vf{};
};

namespace {

size_t readSource(void* ptr, size_t size, size_t count, void* source) {
    if (size == 0)
        return 0;
    std::int64_t n = static_cast<ByteSource*>(source)->read(ptr, size * count);
    // vorbisfile takes 0 with errno set for a read error; a live stream that
    // has merely run dry must read as "nothing yet".
    if (n == 0)
        errno = 0;
    return n <= 0 ? 0 : static_cast<size_t>(n) / size;
}

int seekSource(void* source, ogg_int64_t offset, int whence) {
    return static_cast<ByteSource*>(source)->seek(offset, whence) < 0 ? -1 : 0;
}

long tellSource(void* source) {
    return static_cast<long>(static_cast<ByteSource*>(source)->tell());
}

} // namespace

VorbisDecoder::VorbisDecoder(std::unique_ptr<ByteSource> source)
    : source_(std::move(source)), file_(std::make_unique<File>()) {}

std::unique_ptr<VorbisDecoder> VorbisDecoder::open(std::unique_ptr<ByteSource> source,
                                                   AudioError& error) {
    std::unique_ptr<VorbisDecoder> d(new VorbisDecoder(std::move(source)));
    d->source_->seek(0, SEEK_SET);
    ov_callbacks callbacks{readSource, seekSource, nullptr, tellSource};
    if (!d->source_->seekable())
        callbacks.seek_func = nullptr;
    int rc = ov_open_callbacks(d->source_.get(), &d->file_->vf, nullptr, 0, callbacks);
    if (rc != 0) {
        error = rc == OV_EREAD ? AudioError::FileOpen : AudioError::FileFormat;
        return nullptr;
    }
    d->opened_ = true;
    OggVorbis_File* vf = &d->file_->vf;
    const vorbis_info* info = ov_info(vf, 0);
    if (!info) {
        error = AudioError::FileFormat;
        return nullptr;
    }
    if (info->channels < 1 || info->channels > 8) {
        error = AudioError::SampleFormat;
        return nullptr;
    }
    if (info->rate < 1000 || info->rate > 384000) {
        error = AudioError::BadRate;
        return nullptr;
    }
    d->format_ = {static_cast<std::uint32_t>(info->rate),
                  static_cast<std::uint32_t>(info->channels), false};
    if (ov_seekable(vf)) {
        std::int64_t total = 0;
        for (long link = 0; link < ov_streams(vf); ++link) {
            const vorbis_info* li = ov_info(vf, static_cast<int>(link));
            if (!li || li->rate != info->rate || li->channels != info->channels)
                break;
            const ogg_int64_t pcm = ov_pcm_total(vf, static_cast<int>(link));
            if (pcm < 0)
                break;
            total += pcm;
        }
        if (total <= 0) {
            error = AudioError::NotAudio;
            return nullptr;
        }
        d->length_ = total;
    }
    error = AudioError::Ok;
    return d;
}

VorbisDecoder::~VorbisDecoder() {
    if (opened_)
        ov_clear(&file_->vf);
}

ReadResult VorbisDecoder::read(std::int16_t* out, std::int64_t frames) {
    if (length_ >= 0)
        frames = std::min(frames, length_ - frame_);
    const std::size_t frameBytes = format_.channels * sizeof(std::int16_t);
    char* dst = reinterpret_cast<char*>(out);
    const std::size_t want = static_cast<std::size_t>(frames) * frameBytes;
    std::size_t have = 0;
    ReadStatus status = ReadStatus::Ok;
    int holes = 0;
    while (have < want) {
        int link = 0;
        const int chunk = static_cast<int>(std::min<std::size_t>(want - have, 1 << 20));
        long n = ov_read(&file_->vf, dst + have, chunk, 0, 2, 1, &link);
        if (n > 0) {
            const vorbis_info* li = ov_info(&file_->vf, link);
            if (!li || li->rate != static_cast<long>(format_.rate) ||
                li->channels != static_cast<int>(format_.channels)) {
                status = ReadStatus::End; // a link of another format: stop before it
                break;
            }
            have += static_cast<std::size_t>(n);
            continue;
        }
        if (n == OV_HOLE && ++holes < 64)
            continue; // a damaged page: vorbisfile resyncs on the next one
        if (n == 0 && source_->moreToCome())
            status = ReadStatus::Starved; // vorbisfile picks up where it was on the next read
        else
            status = n == 0 ? ReadStatus::End : ReadStatus::Error;
        break;
    }
    const std::int64_t got = static_cast<std::int64_t>(have / frameBytes);
    frame_ += got;
    if (length_ >= 0 && frame_ >= length_)
        status = ReadStatus::End;
    return {got, status};
}

bool VorbisDecoder::seek(std::int64_t frame) {
    if (length_ < 0 || frame < 0 || frame > length_)
        return false;
    if (ov_pcm_seek(&file_->vf, frame) != 0)
        return false;
    frame_ = frame;
    return true;
}

std::int64_t VorbisDecoder::sourceOffset() const {
    ogg_int64_t at = ov_raw_tell(&file_->vf);
    return at < 0 ? source_->tell() : at;
}

} // namespace kesto
