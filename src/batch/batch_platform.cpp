#include "batch/batch_platform.h"

#include <chrono>
#include <ctime>
#include <filesystem>

namespace talvex {

void BatchPlatform::MessageBox(const std::string& text) {
    out_ << "MessageBox: " << text << std::endl;
}

std::optional<std::string> BatchPlatform::NextAnswer() {
    if (answers_.empty()) return std::nullopt;  // nobody answers: the dialog is cancelled
    auto answer = answers_.front();
    answers_.pop_front();
    return answer;
}

std::optional<std::string> BatchPlatform::OpenFileDialog(const std::string&) {
    return NextAnswer();
}
std::optional<std::string> BatchPlatform::SaveFileDialog(const std::string&) {
    return NextAnswer();
}

float BatchPlatform::Timer() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&t, &local);
    const auto sinceSecond = now - std::chrono::system_clock::from_time_t(t);
    const double fraction = std::chrono::duration<double>(sinceSecond).count();
    return static_cast<float>(local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec + fraction);
}

bool BatchPlatform::OpenManual(const std::string& path) {
    // No browser without a desktop: point the user to the page instead.
    if (!std::filesystem::exists(path)) return false;
    out_ << "Manual: " << path << std::endl;
    return true;
}

}  // namespace talvex
