#pragma once

#include "prompter.h"

#include <QStringList>

namespace tunebay::test {

// Answers the window's questions by itself and records every box it was asked to show.
class FakePrompter : public IPrompter {
public:
    void Message(const QString& text, PromptIcon icon) override {
        messages << text;
        icons << icon;
    }
    void StatisticsReport(const QString& text, const std::vector<StatisticsChart>& shown) override {
        charts = shown;
        Report(text);
    }
    bool AskYesNo(const QString& text, PromptIcon) override {
        questions << text;
        return answerYes;
    }
    TimedAnswer AskYesNoTimed(const QString& text, int) override {
        questions << text;
        return timedAnswer;
    }
    QuestionAnswer Ask(const QString& text, const QString& title, QuestionButtons,
                       PromptIcon) override {
        questions << text;
        questionTitles << title;
        if (!answers.isEmpty())
            return answers.takeFirst();
        return answerYes ? QuestionAnswer::Yes : QuestionAnswer::No;
    }
    QString OpenFileName(const QString&, const QString&, const QString&) override {
        return openFile;
    }
    QStringList OpenFileNames(const QString&, const QString&, const QString&) override {
        return openFiles;
    }
    QString SaveFileName(const QString&, const QString&, const QString&) override {
        return saveFile;
    }
    QString FolderName(const QString&, const QString&) override { return folder; }
    QString ServerCatalogueAddress(const QString& proposed) override {
        proposedAddresses << proposed;
        return serverAddress;
    }
    QString ExportFileName(const QString&, const QString& initialPath, const QStringList& filters,
                           int& filterIndex) override {
        exportInitialPath = initialPath;
        exportFilters = filters;
        offeredFilterIndex = filterIndex;
        if (exportFilterIndex > 0)
            filterIndex = exportFilterIndex;
        return saveFile;
    }
    bool AskExportOptions(CAppSettings&) override {
        ++exportOptionsAsked;
        return exportOptionsOk;
    }
    bool OpenWithDesktop(const QString& pathOrUrl) override {
        opened << pathOrUrl;
        return openSucceeds;
    }
    bool openSucceeds = true; // false: no application is associated with the file

    std::vector<StatisticsChart> charts;
    QStringList messages;
    QList<PromptIcon> icons;
    QStringList questions;
    QStringList questionTitles;
    // Answers of `Ask`, in order; once used up, `answerYes` decides.
    QList<QuestionAnswer> answers;
    QStringList opened;
    bool answerYes = true;
    TimedAnswer timedAnswer = TimedAnswer::Yes;
    QString openFile;
    QStringList openFiles;
    QString saveFile;
    QString folder;
    QString serverAddress;
    QStringList proposedAddresses;
    QString exportInitialPath;
    QStringList exportFilters;
    int offeredFilterIndex = 0;
    int exportFilterIndex = 0; // the format "chosen" in the export dialog; 0 keeps the offered
    int exportOptionsAsked = 0;
    bool exportOptionsOk = true;
};

} // namespace tunebay::test
