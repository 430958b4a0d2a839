#pragma once

#include <QWidget>

#include <optional>
#include <string>

class QLabel;
class QPushButton;

namespace tunebay {

class CCatalogueConnection;
class IPrompter;

// The cover beside the Properties window's fields: the item's picture (click: full size), and
// buttons that embed another picture as its front cover or remove the embedded one.
class CoverPanel : public QWidget {
    Q_OBJECT
public:
    CoverPanel(CCatalogueConnection& connection, IPrompter& prompter, QWidget* parent = nullptr);

    // Shows the cover of the audio file at `path` ("" shows none and disables the buttons).
    void ShowFile(const QString& path);

    QPushButton* pictureButton() const { return m_picture; }
    QPushButton* setButton() const { return m_set; }
    QPushButton* removeButton() const { return m_remove; }
    QLabel* sourceLabel() const { return m_source; }

signals:
    // The file was rewritten with another cover.
    void coverChanged();

private:
    void setCover();
    void removeCover();
    void showFullSize();
    void change(const std::optional<std::string>& image);

    CCatalogueConnection& m_connection;
    IPrompter& m_prompter;
    QString m_path;
    std::string m_bytes; // the cover shown, as stored
    QPushButton* m_picture;
    QLabel* m_source;
    QPushButton* m_set;
    QPushButton* m_remove;
};

} // namespace tunebay
