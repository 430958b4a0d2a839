#include "about_dialog.h"

#include "app/product.h"
#include "app_icon.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tunebay {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("About Tunebay"));
    auto* icon = new QLabel(this);
    icon->setPixmap(AppIcon().pixmap(48, 48));
    auto* text =
        new QLabel(tr("<b>%1</b><br>A cataloguer for MP3 files.<br><br>Copyright &copy; "
                      "%2 and the Tunebay contributors.<br>Free software under the GNU General "
                      "Public License, version 3 or later: see License...<br>"
                      "<a href=\"%3\">%3</a>")
                       .arg(kProductVersionText, kCompanyName, kProductWebsite),
                   this);
    text->setOpenExternalLinks(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    QPushButton* license = buttons->addButton(tr("License..."), QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(license, &QPushButton::clicked, this, [this] {
        LicenseDialog dialog(this);
        dialog.exec();
    });
    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addWidget(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
}

LicenseDialog::LicenseDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("License"));
    auto* text = new QPlainTextEdit(LicenseText(), this);
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    // The licence is laid out for a fixed-width font, 80 columns wide.
    text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(buttons);
    const QFontMetrics metrics(text->font());
    resize(metrics.horizontalAdvance(QLatin1Char('x')) * 84 + 48, metrics.lineSpacing() * 30);
}

QString LicenseText() {
    QFile licence(QStringLiteral(":/LICENSE"));
    const QString terms = licence.open(QIODevice::ReadOnly | QIODevice::Text)
                              ? QString::fromUtf8(licence.readAll())
                              : QString();
    return AboutDialog::tr(
               "%1 for Linux\n"
               "\n"
               "This program is free software: you can redistribute it and/or modify it "
               "under\nthe terms of the GNU General Public License as published by the "
               "Free Software\nFoundation, either version 3 of the License, or (at your "
               "option) any later\nversion.\n"
               "\n"
               "This program is distributed in the hope that it will be useful, but "
               "WITHOUT\nANY WARRANTY; without even the implied warranty of "
               "MERCHANTABILITY or FITNESS\nFOR A PARTICULAR PURPOSE. See the GNU "
               "General Public License below for more\ndetails.\n"
               "\n"
               "%2")
        .arg(kProductVersionText, terms);
}

} // namespace tunebay
