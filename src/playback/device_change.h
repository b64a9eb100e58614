#pragma once

namespace kesto {

class Player;

// Moves the output to sound device `device` (1 = the default output) and
// stores it. What was playing goes on at the same place on the new device;
// paused stays paused. With nothing loaded nothing starts: picking a device
// is no play command.
void ChangeOutputDevice(Player& player, int device);

} // namespace kesto
