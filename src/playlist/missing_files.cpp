#include "playlist/missing_files.h"

#include "playlist/entry.h"

#include <string>
#include <sys/stat.h>

namespace kesto {

bool namesMissingFile(std::string_view entry) {
    const std::string_view path = EntryPath(entry);
    if (isUrl(path))
        return false;
    const std::string name(path);
    struct stat st {};
    return name.empty() || ::stat(name.c_str(), &st) != 0 || S_ISDIR(st.st_mode);
}

} // namespace kesto
