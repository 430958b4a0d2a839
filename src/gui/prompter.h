#pragma once

#include "app/worker_question.h"
#include "output/statistics_charts.h"

#include <QString>
#include <QStringList>

class QWidget;

namespace tunebay {

class CAppSettings;

enum class PromptIcon { Error, Warning, Question, Information };

// The answer of a question box that closes itself after a while.
enum class TimedAnswer { Yes, No, TimedOut };

// Everything the window asks of the user or of the desktop outside its own widgets: message
// boxes, questions, file and folder choosers, and opening pages with the desktop's programs.
// The window gets one through its constructor; tests hand in one that answers by itself.
class IPrompter {
public:
    virtual ~IPrompter() = default;

    // A message box captioned "Tunebay" with an OK button.
    virtual void Message(const QString& text, PromptIcon icon) = 0;
    // A report of label and value lines (the label, a tab, the value) in a message box with
    // the information icon; the real box shows its columns aligned.
    virtual void Report(const QString& text) { Message(text, PromptIcon::Information); }
    // The statistics: the report as Report shows it, and beside it a page of charts.
    virtual void StatisticsReport(const QString& text, const std::vector<StatisticsChart>& charts) {
        (void)charts;
        Report(text);
    }
    // Yes/No; true for Yes.
    virtual bool AskYesNo(const QString& text, PromptIcon icon) = 0;
    // Yes/No with the question icon that closes itself after `timeoutMs`.
    virtual TimedAnswer AskYesNoTimed(const QString& text, int timeoutMs) = 0;
    // A question with its own caption ("Tunebay" when empty) and buttons.
    virtual QuestionAnswer Ask(const QString& text, const QString& title, QuestionButtons buttons,
                               PromptIcon icon) = 0;
    // Retry/Cancel; true for Retry.
    virtual bool AskRetryCancel(const QString& text, PromptIcon icon) {
        return AskYesNo(text, icon);
    }

    // Choosers; an empty result (or list) when the user cancels.
    virtual QString OpenFileName(const QString& title, const QString& directory,
                                 const QString& filter) = 0;
    virtual QStringList OpenFileNames(const QString& title, const QString& directory,
                                      const QString& filter) = 0;
    // Asks before replacing an existing file.
    virtual QString SaveFileName(const QString& title, const QString& directory,
                                 const QString& filter) = 0;
    virtual QString FolderName(const QString& title, const QString& directory) = 0;
    // File > Open Server Catalogue...: the postgresql: address of a server catalogue, starting
    // from `proposed`.
    virtual QString ServerCatalogueAddress(const QString& proposed) = 0;
    // The export file chooser: `filters` in order, `filterIndex` (1-based) preselected and set
    // to the chosen one; a name typed without extension gets the chosen format's.
    virtual QString ExportFileName(const QString& title, const QString& initialPath,
                                   const QStringList& filters, int& filterIndex) = 0;
    // The export options page in a sheet of its own; false on Cancel. OK stores the page into
    // `settings`.
    virtual bool AskExportOptions(CAppSettings& settings) = 0;

    // Opens a local file or a web address with the desktop's program for it; false when no
    // application could open it.
    virtual bool OpenWithDesktop(const QString& pathOrUrl) = 0;
};

// The real boxes and choosers, shown over `parent`.
class DialogPrompter : public IPrompter {
public:
    explicit DialogPrompter(QWidget* parent = nullptr) : m_parent(parent) {}
    void SetParent(QWidget* parent) { m_parent = parent; }

    void Message(const QString& text, PromptIcon icon) override;
    void Report(const QString& text) override;
    void StatisticsReport(const QString& text, const std::vector<StatisticsChart>& charts) override;
    bool AskYesNo(const QString& text, PromptIcon icon) override;
    TimedAnswer AskYesNoTimed(const QString& text, int timeoutMs) override;
    bool AskRetryCancel(const QString& text, PromptIcon icon) override;
    QuestionAnswer Ask(const QString& text, const QString& title, QuestionButtons buttons,
                       PromptIcon icon) override;
    QString OpenFileName(const QString& title, const QString& directory,
                         const QString& filter) override;
    QStringList OpenFileNames(const QString& title, const QString& directory,
                              const QString& filter) override;
    QString SaveFileName(const QString& title, const QString& directory,
                         const QString& filter) override;
    QString FolderName(const QString& title, const QString& directory) override;
    QString ServerCatalogueAddress(const QString& proposed) override;
    QString ExportFileName(const QString& title, const QString& initialPath,
                           const QStringList& filters, int& filterIndex) override;
    bool AskExportOptions(CAppSettings& settings) override;
    bool OpenWithDesktop(const QString& pathOrUrl) override;

private:
    // The window the boxes belong to: the one given, else the active window.
    QWidget* parentWidget() const;

    QWidget* m_parent;
};

} // namespace tunebay
