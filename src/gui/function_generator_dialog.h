#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tunebay {

// "Function Generator": builds a field function from a statement and two arguments and shows
// what it does to a sample text. OK is enabled only while the function is valid.
class CFunctionGeneratorDialog : public QDialog {
    Q_OBJECT
public:
    explicit CFunctionGeneratorDialog(QWidget* parent = nullptr);

    // The function built; empty while it is invalid.
    QString FunctionText() const { return m_functionText; }

    QComboBox* statementList() const { return m_statement; }
    QComboBox* firstArgument() const { return m_first; }
    QComboBox* secondArgument() const { return m_second; }
    QLabel* functionLine() const { return m_functionLine; }
    QLabel* previewLine() const { return m_previewLine; }
    QPushButton* okButton() const { return m_ok; }

private:
    void statementChosen(int index);
    void rebuild();

    QComboBox* m_statement;
    QComboBox* m_first;
    QComboBox* m_second;
    QLabel* m_functionLine;
    QLabel* m_previewLine;
    QPushButton* m_ok;
    QString m_functionText;
};

// Shows a text field's function in italics while it is a valid function, and opens the Function
// Generator when the field is double-clicked (OK with a function replaces the field's text).
class FieldFunctionDecorator : public QObject {
    Q_OBJECT
public:
    explicit FieldFunctionDecorator(QLineEdit* field);

    // Whether the field shows its text as a function.
    static bool ShowsFunction(const QLineEdit* field);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void check();
    QLineEdit* m_field;
    bool m_italic = false;
};

} // namespace tunebay
