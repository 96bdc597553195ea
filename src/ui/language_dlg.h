// SPDX-License-Identifier: GPL-3.0-or-later
// The language dialog: nine language buttons; a click, Space or Enter chooses and stores at once,
// arrow keys only move between them.
#pragma once

#include <QButtonGroup>
#include <QDialog>

#include "ui/ui_services.h"

namespace trakor {

class CLanguageDlg : public QDialog {
    Q_OBJECT
public:
    CLanguageDlg(UiServices& services, QWidget* parent = nullptr);
    QAbstractButton* languageButton(int language) const { return buttons_->button(language); }

public slots:
    // Close box and Escape: the language stays as it was.
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void choose(int language);

    UiServices& ui_;
    int32_t remembered_;
    QButtonGroup* buttons_;
};

}  // namespace trakor
