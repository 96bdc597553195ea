// SPDX-License-Identifier: GPL-3.0-or-later
// The preferences dialog: filtering and splitting methods, filter options, symbol and prefix of
// generated points, option 15 and the course options. A valid OK stores them at once.
#pragma once

#include <QDialog>

#include "ui/ui_services.h"

class QButtonGroup;
class QDialogButtonBox;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QPushButton;
class QLabel;
class QLineEdit;

namespace trakor {

class SpinField;

class CPreferenceDlg : public QDialog {
    Q_OBJECT
public:
    CPreferenceDlg(UiServices& services, QWidget* parent = nullptr);

    // The OK steps; false (dialog stays open) when the prefix is not valid.
    bool takeValues();

public slots:
    void accept() override;

protected:
    // The first time on screen: the size the dialog wants, within the screen's room.
    void showEvent(QShowEvent* event) override;

private:
    void fillFromSettings();
    void applyTexts();
    void buildLayout();
    void buildAdditionalGroup(QWidget* page);
    void buildMethodGroups(QWidget* page);
    void buildOption15Group(QWidget* page);
    void buildSymbolGroup(QWidget* page);
    void buildEdgeGroup(QWidget* page);
    QDialogButtonBox* buildButtons();

    UiServices& ui_;
    int32_t rememberedSymbol_;

    QCheckBox* glitches_;
    QLabel* removalLabel_;
    SpinField* removalDistance_;
    QLabel* removalUnit_;
    QCheckBox* waypointPriority_;
    QCheckBox* gpxRoutes_;
    QButtonGroup* filterType_;
    QButtonGroup* splitType_;
    QLabel* extraLabel_;
    SpinField* extraDistance_;
    QLabel* maxPointsLabel_;
    SpinField* maximumPoints_;
    QLabel* symbolLabel_;
    QComboBox* symbol_;
    QLabel* symbolHint_;
    QPushButton* table_;
    QLabel* prefixLabel_;
    QLineEdit* prefix_;
    QCheckBox* coursePoints_;
    QLineEdit* courseTurn_;
    QLabel* turnUnit_;
    QLabel* speedLabel_;
    SpinField* averageSpeed_;
    QCheckBox* useFileTimes_;
    QLabel* warningLabel_;
    QLineEdit* turnWarnings_;
    QLabel* warningUnit_;
    QPushButton* ok_;
    QPushButton* cancel_;
    QGroupBox *additionalGroup_, *filterGroup_, *splitGroup_, *option15Group_, *symbolGroup_, *edgeGroup_;
    bool fitted_ = false;
};

// A prefix character is valid when printable, neither a blank nor a digit.
bool isValidPrefix(const QString& field);

}  // namespace trakor
