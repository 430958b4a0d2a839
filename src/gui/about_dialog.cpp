#include "about_dialog.h"

#include "app/product.h"
#include "app_icon.h"

#include <QDialogButtonBox>
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
    auto* text = new QLabel(
        QStringLiteral("<b>%1</b><br>A cataloguer for MP3 files.<br><br>Copyright &copy; "
                       "%2 and the Tunebay contributors.<br><a href=\"%3\">%3</a>")
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
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(buttons);
    resize(520, 360);
}

QString LicenseText() {
    return QStringLiteral(
        "Tunebay 1.53 for Linux\n"
        "\n"
        "You may use this program and pass on unchanged copies of it, as a whole and free of "
        "charge, on the terms published with its source code.\n"
        "\n"
        "The program is provided as it is, WITHOUT ANY WARRANTY, without even the implied "
        "warranty of MERCHANTABILITY or FITNESS FOR A PARTICULAR PURPOSE. Its makers are not "
        "liable for any damage, loss of data included, that comes from using it. Keep copies "
        "of your catalogues and of your music files.\n");
}

} // namespace tunebay
