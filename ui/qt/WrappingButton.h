#pragma once
// A push button whose caption wraps.

#include <QPushButton>

namespace leitzahl {

// A push button whose caption wraps onto more lines when it is wider than the
// button, as the window's narrow buttons need. The "&" access key works as usual.
class WrappingButton final : public QPushButton {
    Q_OBJECT

public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace leitzahl
