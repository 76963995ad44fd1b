#include "files/data_import.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "core/checked_math.h"
#include "core/model.h"
#include "core/text_number.h"
#include "files/data_export.h"
#include "files/file_replace.h"

namespace talvex {
namespace {

namespace fs = std::filesystem;

// No number needs more characters; a longer field is rejected at once, so that a file without
// separators (binary data, a device) is not read to its end.
constexpr std::size_t kMaxFieldLength = 1000;

[[noreturn]] void RaiseInLine(ErrorCode code, std::int64_t line) {
    throw RunError(code, std::string(Description(code)) + " in line " + GeneralFormat(static_cast<double>(line)));
}

// Closes the file on every way out.
class InputFile {
  public:
    explicit InputFile(const std::string& path) {
        std::error_code ec;
        const fs::file_status status = fs::status(path, ec);
        if (!fs::exists(status)) {
            const fs::path folder = fs::path(path).parent_path();
            const bool folderThere = folder.empty() || fs::is_directory(folder, ec);
            Raise(folderThere ? ErrorCode::FileNotFound : ErrorCode::PathNotFound);
        }
        // Folders, pipes and devices are no data files (a pipe would wait for a writer).
        if (!fs::is_regular_file(status)) Raise(ErrorCode::FileAccessError);
        errno = 0;
        file_ = std::fopen(path.c_str(), "rb");
        if (!file_) Raise(FileErrorCode(std::error_code(errno, std::generic_category())));
    }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    ~InputFile() { std::fclose(file_); }
    std::FILE* get() const { return file_; }

  private:
    std::FILE* file_ = nullptr;
};

// Hands out the fields of a data file one by one, each with the line it stands on. The bytes come
// from an open file, read in blocks, or from a buffer already in memory.
class FieldReader {
  public:
    explicit FieldReader(std::FILE* f) : file_(f), buffer_(1 << 16) { field_.reserve(64); }
    explicit FieldReader(std::string_view bytes) : data_(bytes.data()), size_(bytes.size()) {
        field_.reserve(64);
        SkipByteOrderMark();
    }

    // The next field, blanks around it removed; false at the end of the file.
    bool Next(std::string_view& field, std::int64_t& line) {
        field_.clear();
        for (;;) {
            const int c = Get();
            if (c == EOF) {
                const bool pending = Pending();
                lineHasSeparator_ = false;  // the last field is out; nothing follows
                return pending && Emit(field, line);
            }
            if (c == ',') {
                lineHasSeparator_ = true;
                return Emit(field, line);
            }
            if (c == '\r' || c == '\n') {
                if (c == '\r' && Peek() == '\n') Get();
                const bool pending = Pending();
                const std::int64_t endedLine = line_;
                ++line_;
                lineHasSeparator_ = false;
                if (pending) return Emit(field, line, endedLine);
                field_.clear();  // a line of blanks only
                continue;
            }
            if (field_.size() >= kMaxFieldLength) RaiseInLine(ErrorCode::TypeMismatch, line_);
            field_.push_back(static_cast<char>(c));
        }
    }

  private:
    static bool IsBlank(char c) { return c == ' ' || c == '\t'; }

    // A field is due when it holds more than blanks, or when a comma on this line announced it.
    bool Pending() const {
        if (lineHasSeparator_) return true;
        for (char c : field_)
            if (!IsBlank(c)) return true;
        return false;
    }

    bool Emit(std::string_view& field, std::int64_t& line) { return Emit(field, line, line_); }
    bool Emit(std::string_view& field, std::int64_t& line, std::int64_t fieldLine) {
        std::string_view f(field_);
        while (!f.empty() && IsBlank(f.front())) f.remove_prefix(1);
        while (!f.empty() && IsBlank(f.back())) f.remove_suffix(1);
        field = f;
        line = fieldLine;
        return true;
    }

    int Get() {
        if (pos_ == size_) Fill();
        return pos_ < size_ ? static_cast<unsigned char>(data_[pos_++]) : EOF;
    }
    int Peek() {
        if (pos_ == size_) Fill();
        return pos_ < size_ ? static_cast<unsigned char>(data_[pos_]) : EOF;
    }
    void Fill() {
        pos_ = 0;
        size_ = 0;
        if (!file_) return;  // a buffer is given whole
        size_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
        data_ = buffer_.data();
        if (size_ == 0 && std::ferror(file_)) Raise(ErrorCode::DeviceIOError);
        SkipByteOrderMark();
    }
    // A byte-order mark some editors put first is not part of the data.
    void SkipByteOrderMark() {
        if (!atStart_) return;
        atStart_ = false;
        if (size_ >= 3 && data_[0] == '\xEF' && data_[1] == '\xBB' && data_[2] == '\xBF') pos_ = 3;
    }

    std::FILE* file_ = nullptr;
    std::vector<char> buffer_;
    const char* data_ = nullptr;
    std::size_t pos_ = 0, size_ = 0;
    bool atStart_ = true;
    std::string field_;
    std::int64_t line_ = 1;
    bool lineHasSeparator_ = false;
};

double FieldNumber(std::string_view field, std::int64_t line) {
    if (IsNumber(field)) return StrictNumber(field);
    // A well-formed number that no double holds is named as such rather than as a mismatch.
    double ignored = 0.0;
    if (ReadField(field, ignored) == FieldReading::OutOfRange && !field.empty() &&
        field.find_first_of(" \t") == std::string_view::npos)
        throw RunError(ErrorCode::Overflow, "Overflow in line " + GeneralFormat(static_cast<double>(line)) + ": " +
                                                std::string(field) + " is beyond the largest number a curve can hold");
    RaiseInLine(ErrorCode::TypeMismatch, line);
}

DataPairs ReadPairs(FieldReader& reader) {
    DataPairs d;
    d.x.reserve(kMaxPoints);
    d.y.reserve(kMaxPoints);
    std::string_view field;
    std::int64_t line = 0;
    while (reader.Next(field, line)) {
        if (d.x.size() == static_cast<std::size_t>(kMaxPoints)) RaiseInLine(ErrorCode::SubscriptOutOfRange, line);
        const double x = FieldNumber(field, line);
        const std::int64_t xLine = line;
        if (!reader.Next(field, line)) RaiseInLine(ErrorCode::InputPastEnd, xLine);
        const double y = FieldNumber(field, line);
        d.x.push_back(x);
        d.y.push_back(y);
    }
    if (d.x.empty()) Raise(ErrorCode::InputPastEnd);
    return d;
}

}  // namespace

// The texts the import proposes for the Instrument dialog, worked out before anything changes.
InstrumentTexts ProposeInstrument(const Model& m, const DataPairs& d) {
    const std::size_t k = d.x.size();
    double largest = d.x[0], smallest = d.x[0];
    for (std::size_t i = 1; i < k; ++i) {
        if (d.x[i] > largest) largest = d.x[i];
        if (d.x[i] < smallest) smallest = d.x[i];
    }
    // A single pair takes its step from whatever point 2 of the store holds.
    const double second = k >= 2 ? d.x[1] : m.Xdata(2);
    InstrumentTexts t;
    t.Estart = FieldFormat(d.x[0]);
    t.Eend = FieldFormat(d.x[0] == largest ? smallest : largest);
    t.Estep = FieldFormat(Checked(std::fabs(second - d.x[0])));
    t.I0 = FieldFormat(d.y[0]);
    return t;
}

std::string FullPath(const std::string& path) {
    std::error_code ec;
    const fs::path full = fs::absolute(path, ec);
    return ec ? path : full.lexically_normal().string();
}

DataPairs ReadDataPairs(const std::string& path) {
    InputFile file(path);
    FieldReader reader(file.get());
    return ReadPairs(reader);
}

DataPairs ParseDataPairs(std::string_view bytes) {
    FieldReader reader(bytes);
    return ReadPairs(reader);
}

}  // namespace talvex
