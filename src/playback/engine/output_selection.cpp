#include "playback/engine/output_selection.h"

namespace kesto {

OutputSelection parseOutputSelection(std::string_view text) {
    OutputSelection s;
    if (text == "null") {
        s.kind = OutputSelection::Kind::Null;
        return s;
    }
    if (text.substr(0, 4) != "wav:")
        return s;
    std::string_view path = text.substr(4);
    constexpr std::string_view kFast = ",fast";
    if (path.size() >= kFast.size() && path.substr(path.size() - kFast.size()) == kFast) {
        path.remove_suffix(kFast.size());
        s.fast = true;
    }
    if (path.empty())
        return OutputSelection{};
    s.kind = OutputSelection::Kind::Wav;
    s.path = std::string(path);
    return s;
}

} // namespace kesto
