#pragma once

// The modes the user picks and Kesto.ini stores. The numbers are the ones the
// settings file and the status texts have always used, so they stay fixed;
// code names them. Values read from a file go through the *FromInt functions,
// which fall back to the default for a number the program never wrote.

namespace kesto {

enum class PlayMode : int {
    RepeatList = 0,
    RepeatFile = 1,
    PlayList = 2,
    PlayFile = 3,
    Shuffle = 4
};

// How a playlist line is shown: the file name, the whole path, or the path
// below the music folder.
enum class ViewFormat : int { FileName = 0, FullPath = 1, RelativePath = 2 };

// The order folder scans and the sort command put entries in.
enum class SortingWay : int { WholeEntry = 0, FileName = 1 };

// The level meter beside the seek bar.
enum class VUStyle : int { None = 0, SevenLeds = 1, FourteenLeds = 2 };

constexpr int toInt(PlayMode m) {
    return static_cast<int>(m);
}
constexpr int toInt(ViewFormat f) {
    return static_cast<int>(f);
}
constexpr int toInt(SortingWay w) {
    return static_cast<int>(w);
}
constexpr int toInt(VUStyle s) {
    return static_cast<int>(s);
}

constexpr PlayMode playModeFromInt(int v) {
    return v >= 0 && v <= 4 ? static_cast<PlayMode>(v) : PlayMode::RepeatList;
}
constexpr ViewFormat viewFormatFromInt(int v) {
    return v >= 0 && v <= 2 ? static_cast<ViewFormat>(v) : ViewFormat::FileName;
}
// Only 1 ever meant "by file name"; every other number sorts whole entries.
constexpr SortingWay sortingWayFromInt(int v) {
    return v == 1 ? SortingWay::FileName : SortingWay::WholeEntry;
}
// 3 once stood for the fourteen-LED meter as well; it lays that meter out,
// and now also moves it.
constexpr VUStyle vuStyleFromInt(int v) {
    if (v == 3)
        return VUStyle::FourteenLeds;
    return v >= 0 && v <= 2 ? static_cast<VUStyle>(v) : VUStyle::SevenLeds;
}

} // namespace kesto
