#pragma once

#include <QLineEdit>

namespace tunebay {

// The toolbar's filter box. ESC clears it while it holds text; an empty box leaves ESC to the
// window (stopping the running operations).
class FilterBox : public QLineEdit {
    Q_OBJECT
public:
    explicit FilterBox(QWidget* parent = nullptr);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace tunebay
