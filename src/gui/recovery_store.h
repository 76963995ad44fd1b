#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <string>

class QLockFile;

namespace talvex::gui {

// Where a running program keeps a copy of its unsaved work, so that nothing is lost when it ends
// without a chance to ask (a crash, a killed process, a power cut). Each running program has its
// own copy, "session-….tvw" (a workspace file), and holds a lock beside it while it runs; a copy
// whose lock nobody holds was left by a program that did not end properly.
class RecoveryStore {
  public:
    // In `folder` (made when missing); by default the user's application data folder.
    explicit RecoveryStore(const QString& folder = DefaultFolder());
    // Leaves the copy where it is: only Discard (a proper end) removes it.
    ~RecoveryStore();
    RecoveryStore(const RecoveryStore&) = delete;
    RecoveryStore& operator=(const RecoveryStore&) = delete;

    static QString DefaultFolder();

    // Copies left by programs that did not end properly, newest first.
    QStringList Orphans() const;
    // Removes a copy that was left (restored or declined).
    static void Remove(const QString& orphan);

    // This program's copy of its work (a workspace text), replaced whole; false when it cannot be
    // written.
    bool Write(const std::string& workspaceText);
    // Nothing unsaved any more: the copy goes, the lock stays.
    void Clear();
    // The program ends properly: the copy and the lock go.
    void Discard();

    const QString& path() const { return path_; }
    const QString& folder() const { return folder_; }

  private:
    QString folder_;
    QString path_;
    std::unique_ptr<QLockFile> lock_;
};

}  // namespace talvex::gui
