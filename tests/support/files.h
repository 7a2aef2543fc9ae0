// Real files for the tests: a temporary folder removed with all it holds at the end, and
// whole-file reads and writes.
#pragma once

#include <set>
#include <string>
#include <string_view>

namespace test_support {

// A fresh folder under the system's temporary folder. At the end every entry gets its owner's
// permissions back (a test may have taken them away) and the folder goes with all it holds.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }
    std::string operator/(std::string_view name) const;

private:
    std::string path_;
};

// The whole file; empty when it cannot be read.
std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, std::string_view bytes);
// The names in a folder, without the folder's path.
std::set<std::string> FolderEntries(const std::string& folder);

} // namespace test_support
