// SPDX-License-Identifier: GPL-3.0-or-later
// The preferences dialog: units and limits of its fields, the prefix check, the symbol message,
// what OK and Cancel store.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include "ui/preference_dlg.h"
#include "ui/spin_field.h"
#include "ui/tests/ui_test_support.h"

using namespace trakor;
using namespace trakor::uitest;

namespace {
void typeIn(QWidget* field, const QString& text) {
    if (auto* spin = qobject_cast<QAbstractSpinBox*>(field)) {
        spin->selectAll();
        QTest::keyClick(spin, Qt::Key_Delete);
        QTest::keyClicks(spin, text);
        return;
    }
    auto* line = static_cast<QLineEdit*>(field);
    line->selectAll();
    QTest::keyClick(line, Qt::Key_Delete);
    QTest::keyClicks(line, text);
}
}  // namespace

class PreferenceDialogTest : public QObject {
    Q_OBJECT
private slots:
    void metricFields();
    void milesFields();
    void untouchedFieldsKeepTheStoredValues();
    void valuesAreClampedOnOk();
    void prefixCheck();
    void symbolChangeIsToldOnce();
    void cancelWritesNothing();
    void hintSentencesStandApart();
};

void PreferenceDialogTest::metricFields() {
    Fixture f;
    f.ctx.settings.RemovalDistance = 30;
    CPreferenceDlg dlg(f.services);
    auto* removal = child<SpinField>(&dlg, "removalDistance");
    QCOMPARE(removal->value(), 3);
    QCOMPARE(removal->spinHigh(), 9);
    QCOMPARE(child<SpinField>(&dlg, "extraDistance")->spinHigh(), 99);
    // The arrows keep to the spin range; typing may go up to the field's two digits.
    removal->setValue(9);
    removal->stepBy(1);
    QCOMPARE(removal->value(), 9);
    typeIn(removal, "5");
    QVERIFY(dlg.takeValues());
    QCOMPARE(f.ctx.settings.RemovalDistance, 50);
    typeIn(removal, "12");
    QVERIFY(dlg.takeValues());
    QCOMPARE(f.ctx.settings.RemovalDistance, 120);
}

void PreferenceDialogTest::milesFields() {
    Fixture f;
    Settings& s = f.ctx.settings;
    s.milesMode = 1;
    s.RemovalDistance = 30;
    s.ExtraDistance = 3;
    s.AverageSpeed = 15;
    CPreferenceDlg dlg(f.services);
    QCOMPARE(child<SpinField>(&dlg, "removalDistance")->value(), 9);
    QCOMPARE(child<SpinField>(&dlg, "removalDistance")->spinHigh(), 30);
    QCOMPARE(child<SpinField>(&dlg, "extraDistance")->value(), 2);
    QCOMPARE(child<SpinField>(&dlg, "extraDistance")->spinHigh(), 60);
    QCOMPARE(child<SpinField>(&dlg, "averageSpeed")->value(), 9);
    typeIn(child<SpinField>(&dlg, "removalDistance"), "9");
    typeIn(child<SpinField>(&dlg, "extraDistance"), "2");
    typeIn(child<SpinField>(&dlg, "averageSpeed"), "10");
    QVERIFY(dlg.takeValues());
    QCOMPARE(s.RemovalDistance, 27);
    QCOMPARE(s.ExtraDistance, 3);
    QCOMPARE(s.AverageSpeed, 16);
}

// Values shown rounded to the field's unit come back as stored, OK after OK, in either unit.
void PreferenceDialogTest::untouchedFieldsKeepTheStoredValues() {
    for (int32_t miles : {0, 1}) {
        Fixture f;
        Settings& s = f.ctx.settings;
        s.milesMode = miles;
        s.RemovalDistance = 35;
        s.AverageSpeed = 15;
        s.ExtraDistance = 4;
        for (int ok = 0; ok < 2; ++ok) {
            CPreferenceDlg dlg(f.services);
            child<QPushButton>(&dlg, "okButton")->click();
            QCOMPARE(dlg.result(), static_cast<int>(QDialog::Accepted));
            QCOMPARE(f.store.values["Removal Distance"], 35);
            QCOMPARE(f.store.values["Average Speed"], 15);
            QCOMPARE(f.store.values["Extra Distance"], 4);
        }
    }
}

void PreferenceDialogTest::valuesAreClampedOnOk() {
    Fixture f;
    Settings& s = f.ctx.settings;
    CPreferenceDlg dlg(f.services);
    typeIn(child<QLineEdit>(&dlg, "courseTurn"), "0");
    typeIn(child<SpinField>(&dlg, "extraDistance"), "0");
    typeIn(child<SpinField>(&dlg, "maximumPoints"), "1");
    typeIn(child<SpinField>(&dlg, "averageSpeed"), "");
    child<QRadioButton>(&dlg, "filterDirection")->click();
    child<QRadioButton>(&dlg, "splitPoints")->click();
    QVERIFY(dlg.takeValues());
    QCOMPARE(s.CourseTurn, 1);
    QCOMPARE(s.ExtraDistance, 1);
    QCOMPARE(s.MaximumPoints, 2);
    QCOMPARE(s.AverageSpeed, 1);
    QCOMPARE(s.Filtertype, 3);
    QCOMPARE(s.Splittype, 2);
    typeIn(child<QLineEdit>(&dlg, "courseTurn"), "200");
    QVERIFY(dlg.takeValues());
    QCOMPARE(s.CourseTurn, 180);
    // The OK stores the preference set.
    QCOMPARE(f.store.values["Course Turn"], 180);
    QCOMPARE(f.store.values["Filtertype"], 3);
}

void PreferenceDialogTest::prefixCheck() {
    for (const char* bad : {"5", " ", ""}) {
        Fixture f;
        CPreferenceDlg dlg(f.services);
        typeIn(child<QLineEdit>(&dlg, "prefix"), QString::fromLatin1(bad));
        typeIn(child<QLineEdit>(&dlg, "courseTurn"), "45");
        child<QPushButton>(&dlg, "okButton")->click();
        QCOMPARE(f.notifier.keys(), std::vector<std::string>{"$MSG30"});
        QCOMPARE(f.notifier.entries[0].style, MsgStyle::Plain);
        QCOMPARE(dlg.result(), 0);  // still open
        QVERIFY(f.store.written.empty());
        // The values before the prefix stay in the record, unstored.
        QCOMPARE(f.ctx.settings.CourseTurn, 45);
        QCOMPARE(f.ctx.settings.Prefix, 58);
    }
    Fixture f;
    CPreferenceDlg dlg(f.services);
    typeIn(child<QLineEdit>(&dlg, "prefix"), "#");
    child<QPushButton>(&dlg, "okButton")->click();
    QVERIFY(f.notifier.entries.empty());
    QCOMPARE(dlg.result(), static_cast<int>(QDialog::Accepted));
    QCOMPARE(f.ctx.settings.Prefix, int('#'));
    QCOMPARE(f.store.values["Prefix"], int('#'));
    QVERIFY(isValidPrefix(QStringLiteral("~")));
    QVERIFY(isValidPrefix(QStringLiteral(":")));
    QVERIFY(!isValidPrefix(QString(QChar(0x00E9))));
    QVERIFY(!isValidPrefix(QString(QChar(0x7F))));
}

void PreferenceDialogTest::symbolChangeIsToldOnce() {
    Fixture f;
    f.ctx.settings.WaypointSymbol = 18;
    CPreferenceDlg dlg(f.services);
    auto* symbols = child<QComboBox>(&dlg, "waypointSymbol");
    QVERIFY(symbols->currentText().endsWith(QStringLiteral("Waypoint")));  // 18 by its name
    QVERIFY(child<QPushButton>(&dlg, "tableButton")->isHidden());
    symbols->setCurrentIndex(symbols->findData(8));
    QCOMPARE(symbols->currentText(), QStringLiteral("8  Gas Station"));
    child<QPushButton>(&dlg, "okButton")->click();
    QCOMPARE(f.notifier.keys(), std::vector<std::string>{"$MSG31"});
    QCOMPARE(f.ctx.settings.WaypointSymbol, 8);
    QCOMPARE(f.store.values["Waypoint Symbol"], 8);
}

void PreferenceDialogTest::cancelWritesNothing() {
    Fixture f;
    f.ctx.settings.CoursePoints = 0;
    CPreferenceDlg dlg(f.services);
    child<QCheckBox>(&dlg, "coursePoints")->click();
    QCOMPARE(f.ctx.settings.CoursePoints, 1);
    typeIn(child<QLineEdit>(&dlg, "courseTurn"), "90");
    child<QPushButton>(&dlg, "cancelButton")->click();
    QCOMPARE(dlg.result(), static_cast<int>(QDialog::Rejected));
    QCOMPARE(f.ctx.settings.CoursePoints, 1);
    QCOMPARE(f.ctx.settings.CourseTurn, 30);
    QVERIFY(f.store.written.empty());
}

// The hint beside the symbol list is two sentences on two lines: the first ends as a sentence
// does, so the two do not read as one.
void PreferenceDialogTest::hintSentencesStandApart() {
    for (int32_t language = 1; language <= 9; ++language) {
        Fixture f;
        f.useLanguageFile(language);
        CPreferenceDlg dlg(f.services);
        const QStringList lines = child<QLabel>(&dlg, "symbolHint")->text().split(u'\n');
        QCOMPARE(lines.size(), 2);
        QVERIFY2(lines[0].endsWith(u'.'), qPrintable(lines[0]));
    }
}

QTEST_MAIN(PreferenceDialogTest)
#include "preference_dialog_test.moc"
