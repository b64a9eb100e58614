#pragma once

// The desktop's trash (the freedesktop trash specification, through Qt).

#include <string>

namespace kesto {

// Moves `path` to the trash. False with the reason in `error` when it could
// not be moved (no permission on its folder, no trash on its file system).
// Fits the TrashFile of the delete-to-trash command.
bool moveFileToTrash(const std::string& path, std::string& error);

} // namespace kesto
