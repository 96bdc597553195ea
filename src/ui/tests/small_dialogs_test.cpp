// SPDX-License-Identifier: GPL-3.0-or-later
// The language dialog, the About box, keyed texts and keyboard mnemonics.
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include "ui/about_dlg.h"
#include "ui/dialog_support.h"
#include "ui/language_dlg.h"
#include "ui/qt_notifier.h"
#include "ui/trakor_dlg.h"
#include "ui/tests/ui_test_support.h"

using namespace trakor;
using namespace trakor::uitest;

class SmallDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void languageChoiceIsStoredAtOnce();
    void escapeKeepsTheLanguage();
    void arrowKeysOnlyMoveTheFocus();
    void programIconInWindowAndAbout();
    void mainDialogTakesTheNewLanguage();
    void aboutBoxShowsTheMode();
    void translatedFormatsAreGuarded();
    void mnemonicsAreUniqueAndKeepGivenOnes();
    void numberFieldsReadAsUnsignedDecimal();
    void messageBoxesFollowTheirStyle();
};

void SmallDialogsTest::languageChoiceIsStoredAtOnce() {
    Fixture f;
    f.useGerman();  // chosen from the locale, not stored yet
    CLanguageDlg dlg(f.services);
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Sprache"));
    QVERIFY(dlg.languageButton(3)->isChecked());
    dlg.languageButton(3)->click();
    QCOMPARE(dlg.result(), static_cast<int>(QDialog::Accepted));
    QCOMPARE(f.store.written, std::vector<std::string>{"Language"});
    QCOMPARE(f.store.values["Language"], 3);

    Fixture g;
    CLanguageDlg english(g.services);
    QCOMPARE(english.windowTitle(), QStringLiteral("Language"));
    QVERIFY(english.languageButton(1)->isChecked());
    english.languageButton(2)->click();
    QCOMPARE(g.ctx.settings.Language, 2);
    QCOMPARE(g.store.values["Language"], 2);
}

void SmallDialogsTest::escapeKeepsTheLanguage() {
    Fixture f;
    f.useGerman();
    CLanguageDlg dlg(f.services);
    f.ctx.settings.Language = 5;  // as if a choice had been half made
    QTest::keyClick(&dlg, Qt::Key_Escape);
    QCOMPARE(dlg.result(), static_cast<int>(QDialog::Rejected));
    QCOMPARE(f.ctx.settings.Language, 3);
    QVERIFY(f.store.written.empty());
}

void SmallDialogsTest::arrowKeysOnlyMoveTheFocus() {
    for (int chooseKey : {Qt::Key_Space, Qt::Key_Return}) {
        Fixture f;
        f.ctx.settings.Language = 1;
        CLanguageDlg dlg(f.services);
        dlg.show();
        dlg.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        dlg.languageButton(1)->setFocus();
        QTest::keyClick(dlg.languageButton(1), Qt::Key_Down);
        QTest::keyClick(dlg.languageButton(2), Qt::Key_Down);
        QTest::keyClick(dlg.languageButton(3), Qt::Key_Up);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dlg.languageButton(2)));
        QVERIFY(dlg.isVisible());
        QVERIFY(dlg.languageButton(1)->isChecked());
        QCOMPARE(f.ctx.settings.Language, 1);
        QVERIFY(f.store.written.empty());
        // Up from the first wraps to the last; the chosen one is stored.
        QTest::keyClick(dlg.languageButton(2), Qt::Key_Up);
        QTest::keyClick(dlg.languageButton(1), Qt::Key_Up);
        QTest::keyClick(dlg.languageButton(9), static_cast<Qt::Key>(chooseKey));
        QCOMPARE(dlg.result(), static_cast<int>(QDialog::Accepted));
        QCOMPARE(f.ctx.settings.Language, 9);
        QCOMPARE(f.store.values["Language"], 9);
    }
}

void SmallDialogsTest::programIconInWindowAndAbout() {
    QImage icon = programIcon().pixmap(48, 48).toImage();
    QVERIFY(!icon.isNull());
    // The program's own picture: its green tile.
    QCOMPARE(icon.pixelColor(40, 42).name(), QStringLiteral("#2e7d32"));
    Fixture f;
    CTrakorDlg main(f.services);
    QCOMPARE(main.windowIcon().pixmap(48, 48).toImage(), icon);
    CAboutDlg about(f.ctx);
    QCOMPARE(child<QLabel>(&about, "programIcon")->pixmap().toImage(), icon);
}

void SmallDialogsTest::mainDialogTakesTheNewLanguage() {
    Fixture f;
    f.language.setText(germanLanguageText());
    f.ctx.settings.Language = 1;
    CTrakorDlg dlg(f.services);
    auto* convert = dlg.findChild<QPushButton*>(QStringLiteral("convertButton"));
    // No English entries in this file: a missing text shows its key.
    QCOMPARE(convert->text().remove(u'&'), QStringLiteral("$GDB04"));
    onNextModal([](QWidget* modal) {
        static_cast<CLanguageDlg*>(modal)->languageButton(3)->click();
    });
    dlg.findChild<QPushButton*>(QStringLiteral("languageButton"))->click();
    QCOMPARE(f.ctx.settings.Language, 3);
    QCOMPARE(convert->text().remove(u'&'), QStringLiteral("Konvertieren"));
}

void SmallDialogsTest::aboutBoxShowsTheMode() {
    Fixture f;
    f.ctx.paths.modeLetter = 'N';
    CAboutDlg native(f.ctx);
    QCOMPARE(native.modeLine(), QStringLiteral("Trakor3 is running now as native application"));
    QCOMPARE(native.windowTitle(), QStringLiteral("About"));
    // The licence, and no web address until the project has one.
    QVERIFY(native.findChild<QLabel*>(QStringLiteral("legalLines"))->text().contains(QStringLiteral("GPL-3.0-or-later")));
    for (const QLabel* l : native.findChildren<QLabel*>())
        QVERIFY2(!l->text().contains(QStringLiteral("://")), qPrintable(l->text()));
    f.ctx.paths.modeLetter = 'P';
    f.useGerman();
    CAboutDlg portable(f.ctx);
    QCOMPARE(portable.modeLine(), QStringLiteral("Trakor3 läuft jetzt als portable Anwendung"));
    QCOMPARE(portable.windowTitle(), QStringLiteral("Über Trakor3"));
}

void SmallDialogsTest::translatedFormatsAreGuarded() {
    Fixture f;
    f.language.setText("DE$GDB37 = \"Länge %d %s\"\nDE$GDB01 = \"Version %s (%c)\"\n");
    f.ctx.settings.Language = 3;
    // A translation with other placeholders than the English text is not used as a format.
    QCOMPARE(uiTextWith(f.ctx, gdbtext::SplitLengthRoute, "km"), QStringLiteral("Maximum length of split routes in km."));
    f.ctx.paths.modeLetter = 'N';
    QCOMPARE(mainTitle(f.ctx), QStringLiteral("Version 3.63 (N)"));
}

void SmallDialogsTest::mnemonicsAreUniqueAndKeepGivenOnes() {
    QPushButton a(QStringLiteral("Convert")), b(QStringLiteral("Cancel")), c(QStringLiteral("&Quit")),
        d(QStringLiteral("Symbol && prefix")), e(QStringLiteral("Quit"));
    assignMnemonics({&a, &b, &c, &d, &e});
    QCOMPARE(a.text(), QStringLiteral("&Convert"));
    QCOMPARE(b.text(), QStringLiteral("C&ancel"));
    QCOMPARE(c.text(), QStringLiteral("&Quit"));
    QCOMPARE(d.text(), QStringLiteral("&Symbol && prefix"));
    QCOMPARE(e.text(), QStringLiteral("Q&uit"));
    // Applying again changes nothing.
    assignMnemonics({&a, &b, &c, &d, &e});
    QCOMPARE(b.text(), QStringLiteral("C&ancel"));
}

void SmallDialogsTest::numberFieldsReadAsUnsignedDecimal() {
    QCOMPARE(fieldNumber(QStringLiteral("250")), 250u);
    QCOMPARE(fieldNumber(QString()), 0u);
    QCOMPARE(fieldNumber(QStringLiteral("12a")), 0u);
    QCOMPARE(fieldNumber(QStringLiteral("-5")), 0u);
    QCOMPARE(fieldNumber(QStringLiteral("4294967295")), 4294967295u);
    QCOMPARE(fieldNumber(QStringLiteral("4294967296")), 0u);
}

void SmallDialogsTest::messageBoxesFollowTheirStyle() {
    QtNotifier notifier("Trakor3");
    struct Seen {
        QString title;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
    } seen;
    auto answerWith = [&seen](std::function<void(QMessageBox*)> press) {
        onNextModal([&seen, press](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (box == nullptr) return modal->hide();
            seen = {box->windowTitle(), box->icon(), box->standardButtons()};
            press(box);
        });
    };
    answerWith([](QMessageBox* b) { b->button(QMessageBox::No)->click(); });
    QCOMPARE(notifier.notify("$MSG24", "Backup?", MsgStyle::QuestionCancel), Answer::No);
    QCOMPARE(seen.title, QStringLiteral("Trakor3 ($MSG24)"));
    QCOMPARE(seen.icon, QMessageBox::Question);
    QCOMPARE(seen.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);

    answerWith([](QMessageBox* b) { QTest::keyClick(b, Qt::Key_Escape); });
    QCOMPARE(notifier.notify("$MSG07", "Continue?", MsgStyle::Question), Answer::No);
    QCOMPARE(seen.buttons, QMessageBox::Yes | QMessageBox::No);

    answerWith([](QMessageBox* b) { b->button(QMessageBox::Ok)->click(); });
    QCOMPARE(notifier.notify("$MSG86", "Go on?", MsgStyle::QuestionOk), Answer::Ok);
    QCOMPARE(seen.buttons, QMessageBox::Ok | QMessageBox::Cancel);
    answerWith([](QMessageBox* b) { QTest::keyClick(b, Qt::Key_Escape); });
    QCOMPARE(notifier.notify("$MSG86", "Go on?", MsgStyle::QuestionOk), Answer::Cancel);

    answerWith([](QMessageBox* b) { b->button(QMessageBox::Ok)->click(); });
    QCOMPARE(notifier.notify("$MSG15", "Cannot open input file.", MsgStyle::Warning), Answer::Ok);
    QCOMPARE(seen.icon, QMessageBox::Warning);

    answerWith([](QMessageBox* b) { b->button(QMessageBox::Ok)->click(); });
    notifier.notify("Klaar", "Done", MsgStyle::Plain);
    QCOMPARE(seen.title, QStringLiteral("Klaar"));
    QCOMPARE(seen.icon, QMessageBox::NoIcon);

    answerWith([](QMessageBox* b) { b->button(QMessageBox::Ok)->click(); });
    notifier.notify("TITEL", "Mutex error", kStopStyle);
    QCOMPARE(seen.icon, QMessageBox::Critical);

    answerWith([](QMessageBox* b) { b->button(QMessageBox::Ok)->click(); });
    notifier.notify("$MSG40", "No Garmin data found", MsgStyle::Information);
    QCOMPARE(seen.icon, QMessageBox::Information);
}

QTEST_MAIN(SmallDialogsTest)
#include "small_dialogs_test.moc"
