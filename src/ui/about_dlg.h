// SPDX-License-Identifier: GPL-3.0-or-later
// The About box: name, version, mode of the run and the credits.
#pragma once

#include <QDialog>

#include "core/context.h"

class QLabel;

namespace trakor {

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(const Context& ctx, QWidget* parent = nullptr);
    QString modeLine() const;

private:
    QLabel* mode_;
};

}  // namespace trakor
