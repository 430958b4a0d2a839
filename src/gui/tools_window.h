#pragma once

#include "text/capitalize_exceptions.h"
#include "text/translatable.h"
#include "tools/tools_job.h"

#include <QDialog>

#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace tunebay {

class CAppSettings;
class CCatalogueConnection;
class IPrompter;

// The Tools window: the six tools with their options, bound to the Tools* settings. It lives
// from its first use to the end of the program and only starts and stops runs through
// `applyClicked`; the main window builds the job and runs it.
class CToolsWindow : public QDialog {
    Q_OBJECT
public:
    CToolsWindow(CAppSettings& settings, CCatalogueConnection& connection,
                 const std::string& applicationDirectory, const std::string& userDataDirectory,
                 IPrompter& prompter, QWidget* parent = nullptr);
    ~CToolsWindow() override;

    // The controls' values as a job (selection left empty), the settings updated to match.
    ToolsJob Job();
    // Re-reads the genre, group and package lists of the open catalogue.
    void FillLists();
    // "Abort" while a run is under way, else "Apply" or "Apply && Refresh".
    void SetRunning(bool running);
    bool Refresh() const { return m_refresh; }
    void SetRefresh(bool refresh);

    const CapitalizeExceptionsLoad& Exceptions() const { return m_exceptions; }

    // For tests and the main window.
    QCheckBox* toolBox(int number) const { return m_tool[number - 1]; }
    QComboBox* capitalizeMode() const { return m_capitalizeMode; }
    QPushButton* editButton() const { return m_edit; }
    QLineEdit* titleField() const { return m_title; }
    QComboBox* groupField() const { return m_group; }
    QComboBox* packageField() const { return m_package; }
    QLineEdit* publishedField() const { return m_published; }
    QComboBox* genreList() const { return m_genre; }
    QLineEdit* commentField() const { return m_comment; }
    QCheckBox* setBox(int property) const { return m_set[property]; }
    QCheckBox* askBox(int property) const { return m_ask[property]; }
    QComboBox* tagAction() const { return m_tagAction; }
    QComboBox* renameStyle() const { return m_renameStyle; }
    QPushButton* applyButton() const { return m_apply; }
    QToolButton* moreButton() const { return m_more; }
    QToolButton* lessButton() const { return m_less; }

signals:
    void applyClicked();
    void visibilityChanged(bool visible);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void load();
    void store();
    void editExceptions();
    void groupChosen();
    void updateEditButton();

    CAppSettings& m_settings;
    CCatalogueConnection& m_connection;
    std::string m_applicationDirectory;
    std::string m_userDataDirectory;
    IPrompter& m_prompter;
    CapitalizeExceptionsLoad m_exceptions;
    bool m_refresh = false;
    bool m_running = false;

    QCheckBox* m_tool[6] = {};
    QCheckBox* m_identifyMissing = nullptr;
    QCheckBox* m_identifyAsk = nullptr;
    QComboBox* m_capitalizeMode = nullptr;
    QPushButton* m_edit = nullptr;
    QLineEdit* m_title = nullptr;
    QComboBox* m_group = nullptr;
    QComboBox* m_package = nullptr;
    QLineEdit* m_published = nullptr;
    QComboBox* m_genre = nullptr;
    QLineEdit* m_comment = nullptr;
    // Title, group, package, published, genre, comment.
    QCheckBox* m_set[6] = {};
    QCheckBox* m_ask[6] = {};
    QComboBox* m_tagAction = nullptr;
    QComboBox* m_renameStyle = nullptr;
    QPushButton* m_apply = nullptr;
    QToolButton* m_more = nullptr;
    QToolButton* m_less = nullptr;
};

// The properties of "4. Set Property", in the window's order.
enum ToolsPropertyRow : int {
    kRowTitle = 0,
    kRowGroup = 1,
    kRowPackage = 2,
    kRowPublished = 3,
    kRowGenre = 4,
    kRowComment = 5,
};

inline constexpr const char* kMessageRestartForExceptions =
    TB_TRANSLATE_NOOP("Tunebay", "To take affect changes you have to restart Tunebay!");
inline constexpr const char* kMessageNoAssociatedApplication = TB_TRANSLATE_NOOP(
    "Tunebay", "There is no application associated with the given file name extension!");

} // namespace tunebay
