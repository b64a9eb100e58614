#pragma once

// An internet stream as a decoder: waits for the server's answer, settles
// the format (by Content-Type, or by the first bytes when the type says
// nothing), opens the MP3 or Vorbis decoder on the download ring, and hands
// out the stream's header block and metadata as its tags.
//
// Errors: the download's own failure (FileOpen for an unknown host, a
// refused connection or an error status; FileFormat for a listener turned
// away), Timeout when the format is not known by `deadline`, FileFormat for
// audio we cannot play, NotInitialized when the download was cancelled.

#include "playback/engine/decoder.h"
#include "playback/engine/url_download.h"

#include <memory>

namespace kesto {

std::unique_ptr<Decoder> openUrlDecoder(std::shared_ptr<UrlDownload> download,
                                        UrlDownload::Clock::time_point deadline, AudioError& error);

} // namespace kesto
