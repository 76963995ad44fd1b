#pragma once

#include <filesystem>
#include <string>

namespace talvex::testing {

// A fresh folder for the files a test writes, removed with everything in it afterwards.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string Path(const std::string& name) const { return (root_ / name).string(); }
    std::size_t EntryCount() const;  // to see that no temporary file was left behind

  private:
    std::filesystem::path root_;
};

std::string ReadWhole(const std::string& path);
void WriteWhole(const std::string& path, const std::string& content);

}  // namespace talvex::testing
