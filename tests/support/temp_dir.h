#pragma once

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

} // namespace kesto::test
