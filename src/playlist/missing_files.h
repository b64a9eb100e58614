#pragma once

// Which entries the clean-up commands (remove missing files, refresh) drop.

#include <string_view>

namespace kesto {

// True when the entry names a local file that is not there. Only the path
// part is tested: a title ("path|title") is no part of the file name. An
// internet address names no local file, so it is never missing. A folder is
// no file either.
bool namesMissingFile(std::string_view entry);

} // namespace kesto
