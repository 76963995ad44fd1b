#pragma once

#include <stdexcept>
#include <string>

namespace talvex {

// The run-time errors a computation can raise, each with the description the user reads in
// the message box of the operation that traps it.
enum class ErrorCode {
    InvalidProcedureCall,  // "Invalid procedure call or argument"
    Overflow,              // "Overflow"
    SubscriptOutOfRange,   // "Subscript out of range"
    DivisionByZero,        // "Division by zero"
    TypeMismatch,          // "Type mismatch"
    BadFileName,           // "Bad file name or number"
    FileNotFound,          // "File not found"
    InputPastEnd,          // "Input past end of file"
    DiskFull,              // "Disk full"
    PermissionDenied,      // "Permission denied"
    PathNotFound,          // "Path not found"
    FileAccessError,       // "Path/File access error"
    DeviceIOError,         // "Device I/O error"
};

const char* Description(ErrorCode code);

class RunError : public std::runtime_error {
  public:
    explicit RunError(ErrorCode code) : std::runtime_error(Description(code)), code_(code) {}
    // A more specific description, for errors whose system text would not tell the user enough.
    RunError(ErrorCode code, const std::string& description) : std::runtime_error(description), code_(code) {}
    ErrorCode code() const { return code_; }
    std::string description() const { return what(); }

  private:
    ErrorCode code_;
};

[[noreturn]] void Raise(ErrorCode code);

}  // namespace talvex
