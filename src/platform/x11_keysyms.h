#pragma once

// The keys a stored hotkey names (Windows virtual-key numbers, as the
// settings file has always kept them) and the X keysyms that stand for them.

namespace kesto {

// 0 when the key has no X counterpart here.
unsigned long keysymForVk(int vk);
// 0 when the keysym is none of the keys above.
int vkForKeysym(unsigned long keysym);

} // namespace kesto
