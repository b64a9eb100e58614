#pragma once

// The recorder's files: the raw PCM temporary files kesto0.pcm … kesto4.pcm
// in the temp folder, and the WAV file assembled from them.
//
// The temp folder is usually shared (/tmp), so a name there may already be
// taken by someone else's file or by a link planted to make us overwrite
// one of our own files. A temp file is therefore only ever created afresh
// (O_EXCL, no link followed, owner-only), after removing an old one of our
// own; a name held by another user is refused and left alone.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kesto {

inline constexpr int kTempFileCount = 5; // file 0 the recording, 1..4 the ring
inline constexpr std::uint64_t kWavHeaderBytes = 44;
// The RIFF size field holds the data size plus 36: the most data a WAV can say it holds.
inline constexpr std::uint64_t kWavDataLimit = 0xFFFFFFFFull - 36;

struct WavFormat {
    std::uint32_t rate = 0;
    std::uint16_t channels = 0;
    std::uint16_t bitsPerSample = 16;
    std::uint32_t bytesPerSecond() const { return rate * blockAlign(); }
    std::uint16_t blockAlign() const {
        return static_cast<std::uint16_t>(channels * bitsPerSample / 8);
    }
};

// temp folder + "kesto" + n + ".pcm": a plain prefix, as the setting says.
std::string tempFilePath(const std::string& folder, int n);

enum class TempFileError { None, TakenByOther, CannotCreate };

// Creates `path` empty for writing, mode 0600, or says why not. An old file
// of ours (or our own link) under the name is removed first; nothing under
// the name that belongs to someone else is touched. Returns the descriptor.
int createTempFile(const std::string& path, TempFileError& error);

// Deletes the five temp files of `folder` that are ours; missing ones and
// other users' files are skipped.
void DeleteTempFiles(const std::string& folder);

// The 44-byte header with the two sizes at their start values (36 and 0).
std::vector<std::uint8_t> WriteWavHeader(const WavFormat& format);
// Sets offset 4 to the file size − 8 and offset 40 to the file size − 44.
bool FixWavSizes(const std::string& path);

// The temp file numbers in the order they are joined: the ring files after
// `lastRing` and wrapping round, then file 0. lastRing 0 gives 1 2 3 4 0.
std::vector<int> assemblyOrder(int lastRing);

// Writes `target` as a WAV of `format` from the temp files numbered `files`
// (in that order) that exist in `folder`, each cut to whole frames. Should
// they hold more than `dataLimit` bytes, the first (oldest) are left out
// until the rest fits. Returns false on any failure; the temp files are
// never touched.
bool assembleWav(const std::string& folder, const std::vector<int>& files, const WavFormat& format,
                 const std::string& target, std::uint64_t dataLimit = kWavDataLimit);

// Free bytes on the file system of `folder`; nothing when it cannot be asked.
std::optional<std::uint64_t> freeBytesOf(const std::string& folder);

} // namespace kesto
