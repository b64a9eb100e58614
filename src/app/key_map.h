#pragma once

// The toolkit's keys as the command dispatcher knows them.

#include <Qt>

namespace kesto {

// The virtual-key number of a key, or 0 for keys the dispatcher never sees.
// Keys of the numeric pad map to the numeric-pad codes.
int vkFromQtKey(int qtKey, Qt::KeyboardModifiers modifiers);

// The dispatcher's modifier value: Shift 1, Alt 2, Ctrl 4, summed.
int shiftStateFromQt(Qt::KeyboardModifiers modifiers);

} // namespace kesto
