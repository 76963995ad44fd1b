#include "gui/qt_platform.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QSettings>
#include <QSpinBox>
#include <QStringList>
#include <QTime>
#include <QUrl>

#include "core/constants.h"
#include "gui/plot_image.h"
#include "gui/plot_widget.h"
#include "gui/qt_text.h"

namespace talvex::gui {

QString QtFileFilter(const std::string& filter) {
    const QStringList parts = Q(filter).split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        QString description = parts[i];
        // "parameter (*.par)" already names its pattern; Qt reads the last parentheses as the pattern.
        if (description.endsWith(QLatin1Char(')')) && description.contains(QLatin1Char('(')))
            description = description.left(description.lastIndexOf(QLatin1Char('('))).trimmed();
        entries << description + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return entries.join(QStringLiteral(";;"));
}

void QtPlatform::MessageBox(const std::string& text) {
    if (messageHook) {
        messageHook(text);
        return;
    }
    // A message must be read even while the wait cursor of a running command is up.
    const bool wait = waitCursor_;
    if (wait) QApplication::setOverrideCursor(Qt::ArrowCursor);
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(), Q(text), QMessageBox::Ok, parent);
    // The text is the program's own words, and may hold "<I>" or "&": never markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
    if (wait) QApplication::restoreOverrideCursor();
}

namespace {

// The kind of file a filter asks for, by its first pattern: "csv" for "csv|*.csv|all|*.*".
QString KindOf(const std::string& filter) {
    const QStringList parts = Q(filter).split(QLatin1Char('|'));
    if (parts.size() < 2) return QStringLiteral("any");
    QString pattern = parts[1].split(QLatin1Char(';')).first().trimmed();
    if (pattern.startsWith(QStringLiteral("*."))) pattern = pattern.mid(2);
    return pattern.isEmpty() || pattern == QStringLiteral("*") ? QStringLiteral("any") : pattern.toLower();
}

QString FolderKey(const std::string& filter) {
    return QStringLiteral("folders/") + KindOf(filter);
}

}  // namespace

QString QtPlatform::LastFolder(const std::string& filter) const {
    return QSettings().value(FolderKey(filter)).toString();
}

std::optional<std::string> QtPlatform::FileDialog(bool save, const std::string& filter) {
    std::optional<std::string> answer;
    if (fileDialogHook) {
        answer = fileDialogHook(save, QtFileFilter(filter));
    } else {
        // Each kind of file opens in the folder where the last one of its kind was.
        const QString start = LastFolder(filter);
        const QString path = save ? QFileDialog::getSaveFileName(parent, QString(), start, QtFileFilter(filter))
                                  : QFileDialog::getOpenFileName(parent, QString(), start, QtFileFilter(filter));
        if (!path.isEmpty()) answer = S(path);
    }
    if (answer && !answer->empty()) QSettings().setValue(FolderKey(filter), QFileInfo(Q(*answer)).absolutePath());
    return answer;
}

std::optional<std::string> QtPlatform::OpenFileDialog(const std::string& filter) {
    return FileDialog(false, filter);
}

std::optional<std::string> QtPlatform::SaveFileDialog(const std::string& filter) {
    return FileDialog(true, filter);
}

std::optional<int> QtPlatform::Choose(const std::string& question, const std::vector<std::string>& options,
                                      int preselected) {
    if (chooseHook) return chooseHook(question, options, preselected);
    QStringList items;
    for (const std::string& option : options) items << Q(option);
    QInputDialog dialog(parent);
    dialog.setWindowTitle(QApplication::applicationDisplayName());
    dialog.setLabelText(Q(question));
    dialog.setComboBoxItems(items);
    dialog.setComboBoxEditable(false);
    if (preselected >= 0 && preselected < items.size()) dialog.setTextValue(items[preselected]);
    // The question is the program's own words (a column may be called "<I>/mA"): never markup.
    for (QLabel* label : dialog.findChildren<QLabel*>()) label->setTextFormat(Qt::PlainText);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const qsizetype index = items.indexOf(dialog.textValue());
    if (index < 0) return std::nullopt;
    return static_cast<int>(index);
}

void QtPlatform::SetPointer(int code) {
    const bool wait = code == kPointerHourglass;
    if (wait == waitCursor_) return;
    if (wait)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
    waitCursor_ = wait;
}

float QtPlatform::Timer() {
    return static_cast<float>(QTime::currentTime().msecsSinceStartOfDay()) / 1000.0f;
}

bool QtPlatform::CopyPlotToClipboard() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!plot || !clipboard) return false;
    clipboard->clear();
    clipboard->setImage(plot->Image());
    return true;
}

bool QtPlatform::PrintPlot() {
    if (!plot) return false;
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    if (printDialogHook) {
        if (!printDialogHook(printer)) return true;  // cancelled: nothing to report
    } else {
        QPrintDialog dialog(&printer, parent);
        if (dialog.exec() != QDialog::Accepted) return true;
    }
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    // The window's proportions, as large as the page allows.
    QSizeF size = QSizeF(plot->size());
    size.scale(QSizeF(printer.width(), printer.height()), Qt::KeepAspectRatio);
    plot->Paint(painter, QRectF(QPointF(0, 0), size));
    return painter.end();
}

bool QtPlatform::OpenManual(const std::string& path) {
    const QFileInfo file(Q(path));
    if (!file.exists()) return false;
    const QUrl url = QUrl::fromLocalFile(file.absoluteFilePath());
    return urlOpener ? urlOpener(url) : QDesktopServices::openUrl(url);
}

void QtPlatform::ShowStatus(const std::string& text) {
    if (statusHook) statusHook(text);
}

std::optional<std::pair<int, int>> QtPlatform::AskPictureSize(int width, int height) {
    if (pictureSizeHook) return pictureSizeHook(width, height);
    // The size chosen last time is offered again.
    const QSize last = QSettings().value(QStringLiteral("picture/size")).toSize();
    if (last.isValid()) {
        width = last.width();
        height = last.height();
    }
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Picture size"));
    auto* form = new QFormLayout(&dialog);
    auto spin = [&](int value) {
        auto* box = new QSpinBox(&dialog);
        box->setRange(16, 20000);
        box->setValue(value);
        box->setSuffix(QStringLiteral(" px"));
        return box;
    };
    QSpinBox* w = spin(width);
    QSpinBox* h = spin(height);
    form->addRow(QStringLiteral("&Width:"), w);
    form->addRow(QStringLiteral("&Height:"), h);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    QSettings().setValue(QStringLiteral("picture/size"), QSize(w->value(), h->value()));
    return std::pair{w->value(), h->value()};
}

bool QtPlatform::WritePlotPicture(const std::string& path, const std::string& format, int width, int height) {
    if (!plot) return false;
    if (format == "png") return WritePlotPng(plot->form(), path, width, height);
    if (format == "pdf") return WritePlotPdf(plot->form(), path, width, height);
    return false;
}

Platform::SaveChoice QtPlatform::AskSaveChanges(const std::string& question) {
    if (saveChangesHook) return saveChangesHook(question);
    const bool wait = waitCursor_;
    if (wait) QApplication::setOverrideCursor(Qt::ArrowCursor);
    QMessageBox box(QMessageBox::Question, QApplication::applicationDisplayName(), Q(question),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Save);
    const int answer = box.exec();
    if (wait) QApplication::restoreOverrideCursor();
    if (answer == QMessageBox::Save) return SaveChoice::Save;
    if (answer == QMessageBox::Discard) return SaveChoice::Discard;
    return SaveChoice::Cancel;
}

bool QtPlatform::ArrangeWindows(Arrangement arrangement) {
    return arrangeHook && arrangeHook(arrangement);
}

void QtPlatform::Exit() {
    if (exitHook) {
        exitHook();
        return;
    }
    QApplication::quit();
}

}  // namespace talvex::gui
