#pragma once

// The folder browser's three pictures, drawn here so that they look the same
// under every icon theme (and under none): a folder, a drive, a disc.

#include <QIcon>

namespace kesto {

enum class DirIcon { Folder = 0, Drive = 1, Optical = 2 };

QIcon dirIcon(DirIcon which);

} // namespace kesto
