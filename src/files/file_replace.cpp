#include "files/file_replace.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>

#if defined(__unix__) || defined(__APPLE__)
#include <unistd.h>
#endif

#include "core/text_number.h"

namespace talvex {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void RaiseFileError(std::error_code ec) {
    Raise(FileErrorCode(ec));
}
[[noreturn]] void RaiseErrno(int err) {
    RaiseFileError(std::error_code(err, std::generic_category()));
}

// Removes the temporary file unless it has been renamed over the target.
class TemporaryFile {
  public:
    explicit TemporaryFile(fs::path path) : path_(std::move(path)) {}
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        if (file_) std::fclose(file_);
        if (!released_) {
            std::error_code ignored;
            fs::remove(path_, ignored);
        }
    }
    const fs::path& path() const { return path_; }
    std::FILE*& file() { return file_; }
    void Release() { released_ = true; }

  private:
    fs::path path_;
    std::FILE* file_ = nullptr;
    bool released_ = false;
};

// Creates a new file of a name no other file has in `folder` ("x": fails instead of reusing one).
std::FILE* CreateUnique(const fs::path& folder, const std::string& stem, fs::path& created) {
    static std::atomic<unsigned> counter{0};
    const auto seed = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const unsigned long long tag = seed + 7919ULL * counter.fetch_add(1);
        created = folder / ("." + stem + "." + GeneralFormat(static_cast<double>(tag % 1000000007ULL)) + ".tmp");
        errno = 0;
        if (std::FILE* f = std::fopen(created.string().c_str(), "wbx")) return f;
        if (errno != EEXIST) RaiseErrno(errno);
    }
    Raise(ErrorCode::FileAccessError);
}

}  // namespace

ErrorCode FileErrorCode(std::error_code ec) {
    if (ec == std::errc::no_such_file_or_directory || ec == std::errc::not_a_directory) return ErrorCode::PathNotFound;
    if (ec == std::errc::permission_denied || ec == std::errc::operation_not_permitted ||
        ec == std::errc::read_only_file_system || ec == std::errc::text_file_busy)
        return ErrorCode::PermissionDenied;
    if (ec == std::errc::no_space_on_device || ec == std::errc::file_too_large) return ErrorCode::DiskFull;
    if (ec == std::errc::io_error) return ErrorCode::DeviceIOError;
    if (ec == std::errc::filename_too_long || ec == std::errc::invalid_argument) return ErrorCode::BadFileName;
    return ErrorCode::FileAccessError;
}

void ReplaceFileContents(const std::string& path, std::string_view text) {
    if (path.empty()) Raise(ErrorCode::BadFileName);
    fs::path target(path);
    std::error_code ec;

    // A link stays a link: the new content replaces the file it points to.
    if (fs::is_symlink(fs::symlink_status(target, ec))) {
        const fs::path resolved = fs::weakly_canonical(target, ec);
        if (!ec) target = resolved;
    }
    if (!target.has_filename()) Raise(ErrorCode::BadFileName);

    const fs::file_status status = fs::status(target, ec);
    const bool exists = fs::exists(status);
    if (exists) {
        // Devices, pipes and folders are not files to replace.
        if (!fs::is_regular_file(status)) Raise(ErrorCode::FileAccessError);
        // A file that could not be written in place keeps its protection: renaming over it would
        // bypass it.
        errno = 0;
        std::FILE* probe = std::fopen(target.string().c_str(), "ab");
        if (!probe) RaiseErrno(errno);
        std::fclose(probe);
    }

    fs::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    fs::path tempPath;
    std::FILE* f = CreateUnique(folder, target.filename().string(), tempPath);
    TemporaryFile temp(tempPath);
    temp.file() = f;

    errno = 0;
    if (!text.empty() && std::fwrite(text.data(), 1, text.size(), f) != text.size()) RaiseErrno(errno ? errno : EIO);
    if (std::fflush(f) != 0) RaiseErrno(errno ? errno : EIO);
#if defined(__unix__) || defined(__APPLE__)
    // On disk before it takes the old file's place, so a crash cannot leave an empty file.
    if (::fsync(::fileno(f)) != 0 && errno != EINVAL) RaiseErrno(errno);
#endif
    temp.file() = nullptr;
    if (std::fclose(f) != 0) RaiseErrno(errno ? errno : EIO);

    if (exists) fs::permissions(temp.path(), status.permissions(), ec);  // keeps the old file's access
    fs::rename(temp.path(), target, ec);
    if (ec) RaiseFileError(ec);
    temp.Release();
}

}  // namespace talvex
