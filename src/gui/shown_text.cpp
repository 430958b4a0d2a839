#include "shown_text.h"

#include <QCoreApplication>

namespace tunebay {

namespace {

// The translation of `text`, or nothing when none is installed.
bool lookUp(const char* text, QString& translated) {
    translated = QCoreApplication::translate(kCoreTextContext, text);
    return translated != QString::fromUtf8(text);
}

} // namespace

QString ShownText(const char* text) {
    return QCoreApplication::translate(kCoreTextContext, text);
}

QString ShownText(const std::string& text) {
    QString translated;
    if (lookUp(text.c_str(), translated))
        return translated;
    const std::size_t lastOther = text.find_last_not_of("0123456789");
    if (lastOther != std::string::npos && lastOther + 1 < text.size()) {
        const std::string format = text.substr(0, lastOther + 1) + "%d";
        if (lookUp(format.c_str(), translated))
            return translated.replace(QStringLiteral("%d"),
                                      QString::fromStdString(text.substr(lastOther + 1)));
    }
    return QString::fromStdString(text);
}

TextLookup ShownTextLookup() {
    return [](const char* text) { return ShownText(text).toStdString(); };
}

} // namespace tunebay
