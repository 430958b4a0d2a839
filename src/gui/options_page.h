#pragma once

#include "app/app_settings.h"

#include <QString>
#include <QWidget>

namespace tunebay {

// One page of the Options sheet: it copies its settings when the sheet opens and writes them
// back only when the sheet is closed with OK.
class OptionsPage : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    virtual void Load(const CAppSettings& settings) = 0;
    // False, with the message to show, while a value is out of its range.
    virtual bool Validate(QString& message) const {
        (void)message;
        return true;
    }
    virtual void Store(CAppSettings& settings) const = 0;
};

// The range message of a number field.
QString RangeMessage(int minimum, int maximum);

// Reads a whole number from a field; false when the text is not one or lies outside the range.
bool ReadRangedNumber(const QString& text, int minimum, int maximum, int& value);

} // namespace tunebay
