#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kesto::test {

// A fresh folder under $TMPDIR, removed with everything in it when the object dies.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // path() + "/" + name
    std::string file(std::string_view name) const;

private:
    std::string path_;
};

void writeFile(const std::string& path, std::string_view bytes);
std::string readFile(const std::string& path);
bool fileExists(const std::string& path);
void makeDirs(const std::string& path);
// The file's size in bytes, 0 when it is not there.
std::uint64_t fileSize(const std::string& path);
// The little-endian 32-bit number at `at` of `bytes` (a RIFF header's fields).
std::uint32_t le32(std::string_view bytes, std::size_t at);

} // namespace kesto::test
