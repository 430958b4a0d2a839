#pragma once

#include "app/app_settings.h"
#include "browse/search_row.h"

#include <QWidget>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace tunebay {

// The search form of the explorer bar: two condition rows (type, comparison, value), the second
// joined to the first by a link. "&Search Now" turns them into the condition the item list
// shows.
class CLeftSearch : public QWidget {
    Q_OBJECT
public:
    explicit CLeftSearch(QWidget* parent = nullptr);

    // The rows as the settings remember them.
    void LoadSettings(const CAppSettings& settings);
    void StoreSettings(CAppSettings& settings) const;

    SearchForm Form() const;
    // The condition of the last "&Search Now" (empty before the first).
    const std::string& Condition() const { return m_condition; }

    // Builds the condition from the rows; true when it could be built (it is then kept and
    // searchRequested is emitted), false with `searchRefused` when a value does not fit.
    bool SearchNow();
    // Builds the condition from the rows as they stand without searching (the form shown at
    // start-up lists what its remembered rows find); false when a value does not fit.
    bool PrepareCondition();

    QComboBox* type1 = nullptr;
    QComboBox* compare1 = nullptr;
    QLineEdit* value1 = nullptr;
    QComboBox* link = nullptr;
    QComboBox* type2 = nullptr;
    QComboBox* compare2 = nullptr;
    QLineEdit* value2 = nullptr;
    QPushButton* searchButton = nullptr;

signals:
    void searchRequested();
    void searchRefused(const QString& message);
    // One of the form's controls has taken the keyboard focus.
    void focusGained();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateEnabled();

    std::string m_condition;
};

} // namespace tunebay
