#pragma once

namespace kesto {

// Gives freed heap pages back to the system, so that a player that has just
// closed a large file or folder scan shrinks again.
void TrimWorkingSet();

} // namespace kesto
