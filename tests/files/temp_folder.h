#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace talvex::testing {

// A fresh folder for the files a test writes, removed with everything in it afterwards.
class TempFolder {
  public:
    TempFolder() {
        std::random_device rd;
        do
            root_ =
                std::filesystem::temp_directory_path() / ("talvex-files-" + std::to_string(rd()));
        while (!std::filesystem::create_directory(root_));
    }
    ~TempFolder() { std::filesystem::remove_all(root_); }
    std::string Path(const std::string& name) const { return (root_ / name).string(); }
    // To see that no temporary file was left behind.
    long Entries() const { return std::distance(std::filesystem::directory_iterator(root_), {}); }

  private:
    std::filesystem::path root_;
};

inline std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteWhole(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

}  // namespace talvex::testing
