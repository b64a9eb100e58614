#pragma once

// The few things the playlist code asks of playback. The playback module
// implements it and hands a pointer to the Player; until then the pointer is
// null and the playlist code makes no playback calls at all.

namespace kesto {

class PlaybackControl {
public:
    virtual ~PlaybackControl() = default;

    // Opens the playlist entry at `index` and starts it playing.
    virtual void OpenEntry(int index) = 0;
    // Stops the output; `releaseDevice` also closes the sound device.
    virtual void StopPlayback(bool releaseDevice) = 0;
    // True while the output has moved on to another file and the window has
    // not followed yet; a folder scan waits for it before it changes the list.
    virtual bool outputSwitched() const = 0;
    virtual bool outputPaused() const = 0;
};

} // namespace kesto
