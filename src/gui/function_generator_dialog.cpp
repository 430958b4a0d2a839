#include "function_generator_dialog.h"
#include "shown_text.h"

#include "text/field_function.h"
#include "text/field_function_generator.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tunebay {

CFunctionGeneratorDialog::CFunctionGeneratorDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Function Generator"));
    m_statement = new QComboBox(this);
    for (const FieldFunctionStatement statement : kFieldFunctionStatements)
        m_statement->addItem(ShownText(std::string(FieldFunctionStatementName(statement))));
    m_first = new QComboBox(this);
    m_first->setEditable(true);
    m_second = new QComboBox(this);
    m_second->setEditable(true);
    m_functionLine = new QLabel(this);
    m_functionLine->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_previewLine = new QLabel(this);
    // Why a function fails can be longer than the window is wide, translated more so.
    m_previewLine->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);

    auto* form = new QFormLayout;
    form->addRow(tr("Statement"), m_statement);
    form->addRow(tr("Argument 1"), m_first);
    form->addRow(tr("Argument 2"), m_second);
    form->addRow(tr("Function"), m_functionLine);
    form->addRow(tr("Preview"), m_previewLine);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_statement, &QComboBox::currentIndexChanged, this,
            &CFunctionGeneratorDialog::statementChosen);
    connect(m_first, &QComboBox::editTextChanged, this, &CFunctionGeneratorDialog::rebuild);
    connect(m_second, &QComboBox::editTextChanged, this, &CFunctionGeneratorDialog::rebuild);
    statementChosen(0);
    setMinimumWidth(420);
}

void CFunctionGeneratorDialog::statementChosen(int index) {
    if (index < 0 || index >= static_cast<int>(kFieldFunctionStatements.size()))
        return;
    const FieldFunctionSuggestions suggestions =
        SuggestFieldFunctionArguments(kFieldFunctionStatements[static_cast<std::size_t>(index)]);
    for (auto [list, texts] :
         {std::pair{m_first, &suggestions.first}, std::pair{m_second, &suggestions.second}}) {
        const QSignalBlocker quiet(list);
        list->clear();
        for (const std::string& text : *texts)
            list->addItem(QString::fromStdString(text));
        list->setCurrentIndex(0);
    }
    rebuild();
}

void CFunctionGeneratorDialog::rebuild() {
    const int index = std::max(0, m_statement->currentIndex());
    const FieldFunctionPreview preview =
        PreviewFieldFunction(kFieldFunctionStatements[static_cast<std::size_t>(index)],
                             m_first->currentText().toStdString(),
                             m_second->currentText().toStdString(), ShownTextLookup());
    m_functionText = QString::fromStdString(preview.functionText);
    m_functionLine->setText(m_functionText);
    m_previewLine->setText(QString::fromStdString(preview.previewLine));
    m_ok->setEnabled(preview.valid);
}

FieldFunctionDecorator::FieldFunctionDecorator(QLineEdit* field) : QObject(field), m_field(field) {
    field->installEventFilter(this);
    connect(field, &QLineEdit::textChanged, this, &FieldFunctionDecorator::check);
    check();
}

bool FieldFunctionDecorator::ShowsFunction(const QLineEdit* field) {
    return field->font().italic();
}

void FieldFunctionDecorator::check() {
    const bool valid = ApplyFieldFunction(nullptr, m_field->text().toStdString(), true);
    if (valid == m_italic)
        return;
    m_italic = valid;
    QFont font = m_field->font();
    font.setItalic(valid);
    m_field->setFont(font);
}

bool FieldFunctionDecorator::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_field && event->type() == QEvent::MouseButtonDblClick) {
        CFunctionGeneratorDialog generator(m_field->window());
        if (generator.exec() == QDialog::Accepted && !generator.FunctionText().isEmpty())
            m_field->setText(generator.FunctionText());
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tunebay
