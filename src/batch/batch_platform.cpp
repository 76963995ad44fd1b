#include "batch/batch_platform.h"

#include <dlfcn.h>

#include <cctype>
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

namespace {

std::optional<std::string> AsPath(std::optional<std::string> answer) {
    if (answer) answer = std::filesystem::absolute(*answer).lexically_normal().string();
    return answer;
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

std::optional<std::string> BatchPlatform::OpenFileDialog(const std::string&) {
    return AsPath(NextAnswer());
}
std::optional<std::string> BatchPlatform::SaveFileDialog(const std::string&) {
    return AsPath(NextAnswer());
}

std::optional<int> BatchPlatform::Choose(const std::string& question, const std::vector<std::string>& options,
                                         int preselected) {
    std::optional<int> choice = preselected;
    if (!answers_.empty()) {
        const std::optional<std::string> answer = NextAnswer();
        choice.reset();
        // An option by its number, its whole text or its text before a remark in parentheses
        // ("cycle 2" for "cycle 2 (601 points)").
        for (std::size_t i = 0; answer && !choice && i < options.size(); ++i) {
            const std::string option = Lower(options[i]);
            const std::string shortOption = option.substr(0, option.find(" ("));
            if (option == Lower(*answer) || shortOption == Lower(*answer) || std::to_string(i + 1) == *answer)
                choice = static_cast<int>(i);
        }
        if (answer && !choice) {
            out_ << "Choose: " << question << " -> '" << *answer << "' is none of the answers; cancelled" << std::endl;
            return std::nullopt;
        }
    }
    const bool valid = choice && *choice >= 0 && *choice < static_cast<int>(options.size());
    out_ << "Choose: " << question << " -> " << (valid ? options[static_cast<std::size_t>(*choice)] : "cancel")
         << std::endl;
    return valid ? choice : std::nullopt;
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

namespace talvex {

bool BatchPlatform::WritePlotPicture(const std::string& path, const std::string& format, int width, int height) {
    if (!plot || (format != "png" && format != "pdf")) return false;
    // The picture module of the desktop build, beside this program; loaded once, kept loaded (Qt's
    // application object lives in it).
    using Write = int (*)(const void*, const char*, int, int);
    static void* const module = [] {
        std::error_code ec;
        const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
        return dlopen((self.parent_path() / "talvex-png.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    }();
    const auto write = module ? reinterpret_cast<Write>(
                                    dlsym(module, format == "png" ? "talvex_write_plot_png" : "talvex_write_plot_pdf"))
                              : nullptr;
    if (!write) {
        out_ << "PNG and PDF pictures need the desktop build of Talvex (talvex-png.so beside talvex-batch); write "
                "an .svg instead"
             << std::endl;
        return false;
    }
    return write(plot, path.c_str(), width, height) != 0;
}

}  // namespace talvex
