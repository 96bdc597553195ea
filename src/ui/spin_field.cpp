// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/spin_field.h"

#include <QLineEdit>
#include <algorithm>

namespace trakor {

SpinField::SpinField(QWidget* parent) : QSpinBox(parent) {
    setAlignment(Qt::AlignRight);
    connect(lineEdit(), &QLineEdit::textEdited, this, [this] { edited_ = true; });
}

void SpinField::setLimits(int maxChars, int lo, int hi) {
    int top = 1;
    for (int i = 0; i < maxChars; ++i) top *= 10;
    setRange(0, top - 1);
    lo_ = lo;
    hi_ = hi;
}

void SpinField::stepBy(int steps) {
    edited_ = true;
    int v = std::clamp(value() + steps, lo_, hi_);
    setValue(v);
    selectAll();
}

QAbstractSpinBox::StepEnabled SpinField::stepEnabled() const {
    StepEnabled e = StepNone;
    if (value() < hi_) e |= StepUpEnabled;
    if (value() > lo_) e |= StepDownEnabled;
    return e;
}

}  // namespace trakor
