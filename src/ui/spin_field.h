// SPDX-License-Identifier: GPL-3.0-or-later
// A number field with a spin control whose arrows keep to one range while typing may go beyond
// it up to the field's character limit, as the preference fields allow.
#pragma once

#include <QSpinBox>

namespace trakor {

class SpinField : public QSpinBox {
    Q_OBJECT
public:
    explicit SpinField(QWidget* parent = nullptr);
    // `maxChars` digits may be typed; the arrows step within lo..hi.
    void setLimits(int maxChars, int lo, int hi);
    int spinLow() const { return lo_; }
    int spinHigh() const { return hi_; }
    void stepBy(int steps) override;
    // Whether the user typed in the field or used its arrows (a value set by the program is not).
    bool edited() const { return edited_; }

protected:
    StepEnabled stepEnabled() const override;

private:
    int lo_ = 0;
    int hi_ = 99;
    bool edited_ = false;
};

}  // namespace trakor
