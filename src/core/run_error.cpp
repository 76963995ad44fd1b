#include "core/run_error.h"

namespace talvex {

const char* Description(ErrorCode code) {
    switch (code) {
        case ErrorCode::InvalidProcedureCall:
            return "Invalid procedure call or argument";
        case ErrorCode::Overflow:
            return "Overflow";
        case ErrorCode::SubscriptOutOfRange:
            return "Subscript out of range";
        case ErrorCode::DivisionByZero:
            return "Division by zero";
        case ErrorCode::TypeMismatch:
            return "Type mismatch";
        case ErrorCode::BadFileName:
            return "Bad file name or number";
        case ErrorCode::FileNotFound:
            return "File not found";
        case ErrorCode::InputPastEnd:
            return "Input past end of file";
        case ErrorCode::DiskFull:
            return "Disk full";
        case ErrorCode::PermissionDenied:
            return "Permission denied";
        case ErrorCode::PathNotFound:
            return "Path not found";
        case ErrorCode::FileAccessError:
            return "Path/File access error";
        case ErrorCode::DeviceIOError:
            return "Device I/O error";
    }
    return "Application-defined or object-defined error";
}

void Raise(ErrorCode code) {
    throw RunError(code);
}

}  // namespace talvex
