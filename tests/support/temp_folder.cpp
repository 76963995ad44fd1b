#include "support/temp_folder.h"

#include <fstream>
#include <iterator>
#include <random>

namespace talvex::testing {

namespace fs = std::filesystem;

TempFolder::TempFolder() {
    std::random_device rd;
    do dir_ = fs::temp_directory_path() / ("talvex-test-" + std::to_string(rd()));
    while (!fs::create_directory(dir_));
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
}

std::string TempFolder::Path(const std::string& name) const { return (dir_ / name).string(); }

std::string TempFolder::Read(const std::string& name) const {
    std::ifstream in(Path(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void TempFolder::Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(Path(name), std::ios::binary) << bytes;
}

long TempFolder::Entries() const { return std::distance(fs::directory_iterator(dir_), {}); }

}  // namespace talvex::testing
