#pragma once

#include <filesystem>
#include <string>

namespace talvex::testing {

// A fresh folder under the system's temporary directory, removed with everything in it when the
// object goes. Path names an entry in it; Read and Write take whole files as bytes.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string Path(const std::string& name) const;
    std::string Read(const std::string& name) const;  // "" when the file is missing
    void Write(const std::string& name, const std::string& bytes) const;
    long Entries() const;  // files and folders directly inside

private:
    std::filesystem::path dir_;
};

}  // namespace talvex::testing
