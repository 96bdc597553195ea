// SPDX-License-Identifier: GPL-3.0-or-later
// The clipboard dialog: one option for the routes and one for the tracks on the clipboard, their
// filters, and the two convert buttons. Its quit button ends the program.
#pragma once

#include <QDialog>
#include <cstdint>
#include <vector>

#include "ui/ui_services.h"

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace trakor {

class CClipboardDlg : public QDialog {
    Q_OBJECT
public:
    CClipboardDlg(UiServices& services, QWidget* parent = nullptr);

    // Set when the dialog was left with its quit action: the program then ends.
    bool quitRequested() const { return quit_; }

    // The convert buttons' step: checks the filter values, then runs the clipboard conversion.
    // Returns whether the conversion ran.
    bool convertTo(int destination);
    // The clipboard's data before and after the last conversion in the map view.
    void showOnMap();

public slots:
    // "Trakor3 menu": back to the main dialog.
    void accept() override;
    // "Quit", the close box and Escape: the program ends.
    void reject() override;

    // The first time on screen: the size the dialog wants, within the screen's room.
    void setVisible(bool visible) override;

private:
    void optionChange();
    void filterChange();
    void routeFieldEdited();
    void trackFieldEdited();
    void applyTexts();
    void keepImages(int destination, std::vector<uint8_t> before);

    UiServices& ui_;
    bool quit_ = false;
    QGroupBox* routeGroup_;
    QGroupBox* trackGroup_;
    QButtonGroup* routeOptions_;
    QButtonGroup* trackOptions_;
    QCheckBox* routeFilter_;
    QLineEdit* routeField_;
    QLabel* routeLabel_;
    QCheckBox* trackFilter_;
    QLineEdit* trackField_;
    QLabel* trackLabel24_;
    QLabel* trackLabel22_;
    QPushButton* toClipboard_;
    QPushButton* toMapSource_;
    QPushButton* menu_;
    QPushButton* quitButton_;
    QPushButton* showOnMap_;
    std::vector<uint8_t> imageBefore_, imageAfter_;
    bool fitted_ = false;
};

}  // namespace trakor
