#include "prompter.h"

#include "options_sheet.h"
#include "statistics_dialog.h"

#include "app/product.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

#include <algorithm>

namespace tunebay {

namespace {

// How long the desktop's launcher may take to start, and to say whether it found an
// application.
constexpr int kLauncherStartMs = 3000;
constexpr int kLauncherAnswerMs = 3000;

QMessageBox::Icon boxIcon(PromptIcon icon) {
    switch (icon) {
    case PromptIcon::Error:
        return QMessageBox::Critical;
    case PromptIcon::Warning:
        return QMessageBox::Warning;
    case PromptIcon::Question:
        return QMessageBox::Question;
    case PromptIcon::Information:
        break;
    }
    return QMessageBox::Information;
}

// The program's texts end lines with "\r\n"; a box shows a line break for "\n" alone.
QString boxText(const QString& text) {
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return shown;
}

} // namespace

void DialogPrompter::Message(const QString& text, PromptIcon icon) {
    QMessageBox box(boxIcon(icon), kProductName, boxText(text), QMessageBox::Ok, parentWidget());
    box.exec();
}

void DialogPrompter::Report(const QString& text) {
    QMessageBox box(QMessageBox::Information, kProductName, ReportTable(boxText(text)),
                    QMessageBox::Ok, parentWidget());
    box.setTextFormat(Qt::RichText);
    box.exec();
}

void DialogPrompter::StatisticsReport(const QString& text,
                                      const std::vector<StatisticsChart>& charts) {
    StatisticsDialog dialog(ReportTable(boxText(text)), charts, parentWidget());
    dialog.exec();
}

bool DialogPrompter::AskYesNo(const QString& text, PromptIcon icon) {
    QMessageBox box(boxIcon(icon), kProductName, boxText(text), QMessageBox::Yes | QMessageBox::No,
                    parentWidget());
    return box.exec() == QMessageBox::Yes;
}

TimedAnswer DialogPrompter::AskYesNoTimed(const QString& text, int timeoutMs) {
    QMessageBox box(QMessageBox::Question, kProductName, boxText(text),
                    QMessageBox::Yes | QMessageBox::No, parentWidget());
    bool timedOut = false;
    QTimer::singleShot(timeoutMs, &box, [&box, &timedOut] {
        timedOut = true;
        box.done(QMessageBox::Yes);
    });
    const int answer = box.exec();
    if (timedOut)
        return TimedAnswer::TimedOut;
    return answer == QMessageBox::Yes ? TimedAnswer::Yes : TimedAnswer::No;
}

QuestionAnswer DialogPrompter::Ask(const QString& text, const QString& title,
                                   QuestionButtons buttons, PromptIcon icon) {
    QMessageBox::StandardButtons shown = QMessageBox::Yes | QMessageBox::No;
    if (buttons == QuestionButtons::YesNoCancel)
        shown |= QMessageBox::Cancel;
    QMessageBox box(boxIcon(icon), title.isEmpty() ? QString(kProductName) : title, boxText(text),
                    shown, parentWidget());
    switch (box.exec()) {
    case QMessageBox::Yes:
        return QuestionAnswer::Yes;
    case QMessageBox::No:
        return QuestionAnswer::No;
    default:
        // Closing the box counts as the most careful answer the box offers.
        return buttons == QuestionButtons::YesNoCancel ? QuestionAnswer::Cancel
                                                       : QuestionAnswer::No;
    }
}

bool DialogPrompter::AskRetryCancel(const QString& text, PromptIcon icon) {
    QMessageBox box(boxIcon(icon), QString(kProductName), boxText(text),
                    QMessageBox::Retry | QMessageBox::Cancel, parentWidget());
    return box.exec() == QMessageBox::Retry;
}

QString DialogPrompter::OpenFileName(const QString& title, const QString& directory,
                                     const QString& filter) {
    return QFileDialog::getOpenFileName(parentWidget(), title, directory, filter);
}

QStringList DialogPrompter::OpenFileNames(const QString& title, const QString& directory,
                                          const QString& filter) {
    return QFileDialog::getOpenFileNames(parentWidget(), title, directory, filter);
}

QString DialogPrompter::SaveFileName(const QString& title, const QString& directory,
                                     const QString& filter) {
    return QFileDialog::getSaveFileName(parentWidget(), title, directory, filter);
}

QString DialogPrompter::FolderName(const QString& title, const QString& directory) {
    return QFileDialog::getExistingDirectory(parentWidget(), title, directory);
}

QString DialogPrompter::ServerCatalogueAddress(const QString& proposed) {
    return QInputDialog::getText(
        parentWidget(), QObject::tr("Open Server Catalogue"),
        QObject::tr("Address of the catalogue's PostgreSQL database\n"
                    "(postgresql://[user@]host[:port]/dbname; the password comes from ~/.pgpass):"),
        QLineEdit::Normal, proposed);
}

QString DialogPrompter::ExportFileName(const QString& title, const QString& initialPath,
                                       const QStringList& filters, int& filterIndex) {
    QFileDialog dialog(parentWidget(), title, initialPath);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(filters);
    // The chosen format's extension goes on a bare name before the overwrite question.
    auto suffixOf = [](const QString& filter) {
        const qsizetype dot = filter.lastIndexOf(QLatin1String("*."));
        return dot < 0 ? QString() : filter.mid(dot + 2).chopped(1);
    };
    const int first = std::clamp(filterIndex, 1, static_cast<int>(filters.size())) - 1;
    dialog.selectNameFilter(filters.value(first));
    dialog.setDefaultSuffix(suffixOf(filters.value(first)));
    QObject::connect(
        &dialog, &QFileDialog::filterSelected, &dialog,
        [&dialog, suffixOf](const QString& filter) { dialog.setDefaultSuffix(suffixOf(filter)); });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    filterIndex = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
    return dialog.selectedFiles().front();
}

bool DialogPrompter::AskExportOptions(CAppSettings& settings) {
    COptionsSheet sheet(settings, *this, parentWidget(), OptionsSheetPages::ExportOnly);
    return sheet.exec() == QDialog::Accepted;
}

QWidget* DialogPrompter::parentWidget() const {
    if (m_parent)
        return m_parent;
    if (QWidget* active = QApplication::activeWindow())
        return active;
    // Before the window is handed over (the update reminder at start-up), the boxes still
    // belong to the main window.
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->isVisible() && qobject_cast<QMainWindow*>(top))
            return top;
    return nullptr;
}

bool DialogPrompter::OpenWithDesktop(const QString& pathOrUrl) {
    const QUrl url =
        QFileInfo(pathOrUrl).isAbsolute() ? QUrl::fromLocalFile(pathOrUrl) : QUrl(pathOrUrl);
    // The desktop's launcher tells by its exit status whether an application took the file
    // (0) or none could (non-zero); merely starting it proves nothing. One still running after
    // a moment has started the application and waits for it, which counts as success.
    auto* launcher = new QProcess(qApp);
    launcher->setStandardOutputFile(QProcess::nullDevice());
    launcher->setStandardErrorFile(QProcess::nullDevice());
    launcher->start(QStringLiteral("xdg-open"), {url.toString(QUrl::FullyEncoded)});
    if (!launcher->waitForStarted(kLauncherStartMs)) {
        delete launcher;
        return QDesktopServices::openUrl(url); // no xdg-open: the toolkit's own way
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool ended = launcher->waitForFinished(kLauncherAnswerMs);
    QApplication::restoreOverrideCursor();
    if (!ended) {
        QObject::connect(launcher, &QProcess::finished, launcher, &QObject::deleteLater);
        return true;
    }
    const bool opened = launcher->exitStatus() == QProcess::NormalExit && launcher->exitCode() == 0;
    delete launcher;
    return opened;
}

} // namespace tunebay
