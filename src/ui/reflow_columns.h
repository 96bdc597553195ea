// SPDX-License-Identifier: GPL-3.0-or-later
// Columns that stand side by side where the width allows and one below the other where it does
// not, so a narrow window scrolls only vertically.
#pragma once

#include <QLayout>
#include <QList>

namespace trakor {

class ReflowColumns : public QLayout {
public:
    explicit ReflowColumns(QWidget* parent = nullptr);
    ~ReflowColumns() override;

    // Adds a column; the layout takes it.
    void addColumn(QLayout* column);
    void addColumn(QWidget* column);
    // Whether the columns were last laid out one below the other.
    bool stacked() const { return stacked_; }

    QSize sizeHint() const override;
    QSize minimumSize() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    Qt::Orientations expandingDirections() const override;
    void setGeometry(const QRect& rect) override;
    void addItem(QLayoutItem* item) override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    int count() const override;

private:
    int gap() const;
    // The width the columns need side by side, margins included.
    int sideBySideWidth() const;
    // The columns' height one below the other, each `width` wide (inside the margins).
    int stackedHeight(int width) const;
    QList<QLayoutItem*> items_;
    bool stacked_ = false;
};

}  // namespace trakor
