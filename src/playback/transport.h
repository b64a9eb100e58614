#pragma once

// The transport: every play, pause, stop, next, previous and keyboard-seek
// command goes through RunKeyCommand, with the key as a Windows virtual-key
// number (app/key_codes.h) and the modifier set as vk::NoModifier,
// vk::ShiftModifier or vk::CtrlModifier. Runs on the UI thread.

#include <cstdint>

namespace kesto {

class Player;

// Carries out the command for a key; false when the key is not handled
// (the list then handles it) or while another command runs.
bool RunKeyCommand(Player& player, int key, int shift);
// Key-up of Left, Right, numeric-pad 1 or numeric-pad 3: ends a keyboard
// seek by seeking to where the seek bar stands.
void finishKeyboardSeek(Player& player);
// Ends a keyboard or mouse seek in progress the way its release would: the
// output seeks to where the seek bar stands. Nothing when none runs. For a
// release that will never come (it went to another window).
void endSeek(Player& player);

// The seek drag on the seek bar. Begin says whether a drag may start (not
// on a stream, only with the device ready); the seek happens at the end.
bool beginSeekDrag(Player& player);
void seekDragTo(Player& player, std::int64_t ms);
void endSeekDrag(Player& player);

// The halves of the pause key: pause shows "已暂停" and rests the timers,
// resume shows the format and wakes them.
void pauseOutput(Player& player);
void resumeOutput(Player& player);
// The transport bar's pause button: Space, except that a stopped player
// first loads the focused entry and holds it paused. With an empty list,
// Enter's offer to add files comes first, once; the first file added is
// then held paused, and nothing happens when none was.
void pauseButton(Player& player);
// Opens an entry keeping the paused state; -1 opens nothing.
void switchTo(Player& player, int index);
// The numeric-pad 7 favourite list: love.txt in the program folder, played
// shuffled at full volume in the alternative look.
void playLoveList(Player& player);

} // namespace kesto
