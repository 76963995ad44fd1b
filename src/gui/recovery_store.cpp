#include "gui/recovery_store.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUuid>

#include "gui/qt_text.h"

namespace talvex::gui {
namespace {

QString LockOf(const QString& copy) {
    return copy.left(copy.size() - 4) + QStringLiteral(".lock");
}

}  // namespace

RecoveryStore::RecoveryStore(const QString& folder) : folder_(folder) {
    QDir().mkpath(folder_);
    const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces).left(8);
    path_ = QDir(folder_).filePath(QStringLiteral("session-%1-%2.tvw").arg(QCoreApplication::applicationPid()).arg(id));
    lock_ = std::make_unique<QLockFile>(LockOf(path_));
    lock_->setStaleLockTime(0);
    lock_->tryLock(0);
}

RecoveryStore::~RecoveryStore() = default;

QString RecoveryStore::DefaultFolder() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)).filePath(QStringLiteral("recovery"));
}

QStringList RecoveryStore::Orphans() const {
    QStringList orphans;
    const QFileInfoList copies =
        QDir(folder_).entryInfoList({QStringLiteral("session-*.tvw")}, QDir::Files, QDir::Time);  // newest first
    for (const QFileInfo& copy : copies) {
        const QString file = copy.absoluteFilePath();
        if (file == QFileInfo(path_).absoluteFilePath()) continue;
        // Whoever wrote it still runs as long as it holds the lock.
        QLockFile lock(LockOf(file));
        lock.setStaleLockTime(0);
        if (!lock.tryLock(0)) continue;
        lock.unlock();
        orphans << file;
    }
    return orphans;
}

void RecoveryStore::Remove(const QString& orphan) {
    QFile::remove(orphan);
    QFile::remove(LockOf(orphan));
}

bool RecoveryStore::Write(const std::string& workspaceText) {
    // Whole or not at all: a crash while writing leaves the copy before.
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write(workspaceText.data(), static_cast<qint64>(workspaceText.size()));
    return file.commit();
}

void RecoveryStore::Clear() {
    QFile::remove(path_);
}

void RecoveryStore::Discard() {
    QFile::remove(path_);
    if (lock_) lock_->unlock();
}

}  // namespace talvex::gui
