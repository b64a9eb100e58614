#pragma once

// The test and headless outputs chosen by KESTO_AUDIO_OUTPUT: "null" for
// silence paced by the clock, "wav:PATH" for a WAV file paced the same way,
// "wav:PATH,fast" for the WAV file as fast as the feeder can go. Any other
// value (or none) leaves the choice to the device number.

#include <string>
#include <string_view>

namespace kesto {

struct OutputSelection {
    enum class Kind { Device, Null, Wav };
    Kind kind = Kind::Device;
    std::string path;
    bool fast = false;
};

OutputSelection parseOutputSelection(std::string_view text);

} // namespace kesto
