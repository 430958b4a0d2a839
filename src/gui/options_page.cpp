#include "options_page.h"

namespace tunebay {

QString RangeMessage(int minimum, int maximum) {
    return OptionsPage::tr("Please enter an integer between %1 and %2.").arg(minimum).arg(maximum);
}

bool ReadRangedNumber(const QString& text, int minimum, int maximum, int& value) {
    bool ok = false;
    const int number = text.trimmed().toInt(&ok);
    if (!ok || number < minimum || number > maximum)
        return false;
    value = number;
    return true;
}

} // namespace tunebay
