#include "app/recent_files.h"

#include <algorithm>
#include <filesystem>

#include "app/file_commands.h"
#include "app/workbench.h"
#include "app/workspace_commands.h"
#include "core/text_number.h"
#include "plot/plot_labels.h"

namespace talvex {
namespace {

bool IsWorkspace(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".tvw";
}

void ShowInMenu(Workbench& wb) {
    for (int i = 1; i <= kRecentFiles; ++i) {
        MenuItem* item = wb.menu.Find("mnuRecent" + GeneralFormat(i));
        if (!item) continue;
        const bool used = i <= static_cast<int>(wb.recentFiles.size());
        // "&1 cv.csv": the number is the key that opens it from the open menu.
        std::string caption(used ? "&" : "Recent file ");
        caption.append(GeneralFormat(used ? i % 10 : i));
        if (used) caption.append(" ").append(FileNameOf(wb.recentFiles[static_cast<std::size_t>(i - 1)]));
        wb.menu.SetCaption(item->name, caption);
        wb.menu.SetVisible(item->name, used);
        if (used) item->statusTip = wb.recentFiles[static_cast<std::size_t>(i - 1)];
    }
    wb.menu.Enable("mnuRecent", !wb.recentFiles.empty());
}

}  // namespace

void NoteRecentFile(Workbench& wb, const std::string& path) {
    std::vector<std::string>& list = wb.recentFiles;
    list.erase(std::remove(list.begin(), list.end(), path), list.end());
    list.insert(list.begin(), path);
    if (list.size() > static_cast<std::size_t>(kRecentFiles)) list.resize(kRecentFiles);
    ShowInMenu(wb);
    if (wb.onRecentFilesChanged) wb.onRecentFilesChanged();
}

void SetRecentFiles(Workbench& wb, std::vector<std::string> paths) {
    std::vector<std::string> list;
    for (std::string& p : paths)
        if (!p.empty() && std::find(list.begin(), list.end(), p) == list.end() &&
            list.size() < static_cast<std::size_t>(kRecentFiles))
            list.push_back(std::move(p));
    wb.recentFiles = std::move(list);
    ShowInMenu(wb);
}

void OpenRecentFile(Workbench& wb, int index) {
    if (index < 1 || index > static_cast<int>(wb.recentFiles.size())) return;
    const std::string path = wb.recentFiles[static_cast<std::size_t>(index - 1)];
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        wb.Message("The recent file " + path + " is no longer there; it is taken off the list.");
        wb.recentFiles.erase(wb.recentFiles.begin() + (index - 1));
        ShowInMenu(wb);
        if (wb.onRecentFilesChanged) wb.onRecentFilesChanged();
        return;
    }
    if (IsWorkspace(path)) {
        if (AllowDiscard(wb, "opening " + FileNameOf(path))) OpenWorkspaceFile(wb, path);
    } else {
        ImportDataFile(wb, path);
    }
}

}  // namespace talvex
