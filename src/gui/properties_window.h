#pragma once

#include "edit/item_properties.h"

#include <QDialog>

#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace tunebay {

class CAppSettings;
class CCatalogueConnection;
class CoverPanel;
class IPrompter;

// The Properties window: one item of the selection at a time, stepped through with "<<" and
// ">>", saved with the one-item rules (asking first when it leaves an item with changes), its
// tag written on request, and a details text that the window grows to show.
class CPropertiesWindow : public QDialog {
    Q_OBJECT
public:
    CPropertiesWindow(CAppSettings& settings, CCatalogueConnection& connection, IPrompter& prompter,
                      QWidget* parent = nullptr);

    // Shows the first of `itemIds` (the selection), after the save question for the item shown.
    void ShowItems(const std::vector<int>& itemIds);
    // Saves the item shown; `ask` puts the save question first. False when the window must
    // stay on the item (an empty title, a failed save).
    bool SaveCurrent(bool ask);
    int CurrentItem() const { return m_item ? m_item->itemId : 0; }
    bool HasChanges() const;

    // For tests and the main window.
    QLineEdit* fileField() const { return m_file; }
    QLineEdit* titleField() const { return m_title; }
    QComboBox* groupField() const { return m_group; }
    QComboBox* packageField() const { return m_package; }
    QLineEdit* publishedField() const { return m_published; }
    QComboBox* genreField() const { return m_genre; }
    QLineEdit* commentField() const { return m_comment; }
    QPushButton* previousButton() const { return m_previous; }
    QPushButton* nextButton() const { return m_next; }
    QPushButton* applyButton() const { return m_apply; }
    QPushButton* newGroupButton() const { return m_newGroup; }
    QPushButton* newPackageButton() const { return m_newPackage; }
    QPushButton* changeFileButton() const { return m_changeFile; }
    QCheckBox* autoPlayBox() const { return m_autoPlay; }
    QCheckBox* writeTagBox() const { return m_writeTag; }
    QCheckBox* detailsBox() const { return m_detailsBox; }
    QPlainTextEdit* detailsText() const { return m_details; }
    CoverPanel* coverPanel() const { return m_cover; }

signals:
    // The catalogue changed: the list shows the saved values.
    void itemsSaved();
    // Set cover or Remove cover rewrote the item's file.
    void coverChanged();
    // AutoPlay: the item the window moved to is to be played.
    void playRequested(int itemId);
    void visibilityChanged(bool visible);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void step(int by);
    void load(int itemId);
    void fillGroups();
    void fillPackages(int groupId);
    void showDetails(bool shown);
    void changeFile();
    void writeTag(int itemId);
    void clearChanges();

    CAppSettings& m_settings;
    CCatalogueConnection& m_connection;
    IPrompter& m_prompter;
    std::vector<int> m_items;
    std::size_t m_index = 0;
    std::optional<ItemProperties> m_item;
    PropertyChanges m_changes;
    bool m_filling = false;

    QLineEdit* m_file;
    QPushButton* m_changeFile;
    QLineEdit* m_title;
    QComboBox* m_group;
    QPushButton* m_newGroup;
    QComboBox* m_package;
    QPushButton* m_newPackage;
    QLineEdit* m_published;
    QComboBox* m_genre;
    QLineEdit* m_comment;
    QPushButton* m_previous;
    QPushButton* m_apply;
    QPushButton* m_next;
    QCheckBox* m_autoPlay;
    QCheckBox* m_writeTag;
    QCheckBox* m_detailsBox;
    QPlainTextEdit* m_details;
    CoverPanel* m_cover;
};

} // namespace tunebay
