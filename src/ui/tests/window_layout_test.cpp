// SPDX-License-Identifier: GPL-3.0-or-later
// The main window on a 1280x720 screen in every language and state, a layout that does not jump,
// and keyboard access (unique access keys in every dialog, the Help menu's key, Tab order).
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <memory>

#include "ui/about_dlg.h"
#include "ui/clipboard_dlg.h"
#include "ui/dialog_support.h"
#include "ui/language_dlg.h"
#include "ui/preference_dlg.h"
#include "ui/reflow_columns.h"
#include "ui/trakor_dlg.h"
#include "ui/tests/ui_test_support.h"

using namespace trakor;
using namespace trakor::uitest;

namespace {
const QRect kScreen(0, 0, 1280, 720);

// Controls of `w` that are visible and do not lie within the 1280x720 screen.
QStringList offScreen(QWidget* w) {
    QStringList out;
    for (QWidget* c : w->findChildren<QWidget*>()) {
        if (!c->isVisibleTo(w)) continue;
        QRect r(c->mapTo(w, QPoint(0, 0)), c->size());
        if (!kScreen.contains(r)) out << QStringLiteral("%1 at %2,%3 %4x%5").arg(c->objectName()).arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
    }
    return out;
}

// Access key faults of a dialog: push buttons and check boxes without one, and keys used twice
// (buttons, labels of fields, menu titles).
QStringList accessKeyFaults(QWidget* dialog) {
    QStringList faults;
    QMap<QChar, QString> owners;
    auto take = [&](const QString& text) {
        QChar key = mnemonicOf(text);
        if (key.isNull()) return;
        if (owners.contains(key)) faults << QStringLiteral("'%1' in \"%2\" and \"%3\"").arg(key).arg(owners[key], text);
        owners[key] = text;
    };
    for (QAbstractButton* b : dialog->findChildren<QAbstractButton*>()) {
        const bool needsKey = qobject_cast<QPushButton*>(b) != nullptr || qobject_cast<QCheckBox*>(b) != nullptr;
        if (needsKey && mnemonicOf(b->text()).isNull()) faults << QStringLiteral("no key: \"%1\"").arg(b->text());
        take(b->text());
    }
    for (QLabel* l : dialog->findChildren<QLabel*>())
        if (l->buddy() != nullptr) take(l->text());
    for (QMenuBar* m : dialog->findChildren<QMenuBar*>())
        for (QAction* a : m->actions()) take(a->text());
    return faults;
}

void activate(QWidget* w) {
    w->show();
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w));
}
}  // namespace

class WindowLayoutTest : public QObject {
    Q_OBJECT
private slots:
    void mainWindowFitsInEveryState_data() { addLanguageRows(); }
    void mainWindowFitsInEveryState();
    void accessKeysInEveryDialog_data() { addLanguageRows(); }
    void accessKeysInEveryDialog();
    void tabLandsOnTheCheckedOption();
    void columnsStackWhenNarrow();
    void windowComesBackOnScreen();
};

void WindowLayoutTest::mainWindowFitsInEveryState() {
    QFETCH(int, language);
    Fixture f;
    f.useLanguageFile(language);
    Settings& s = f.ctx.settings;
    s.OutputOption = 1;
    f.showOneDevice("Forerunner 405CX");
    CTrakorDlg dlg(f.services);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    type(&dlg, "inputField", "/data/ride.gdb");  // shows the overwrite box

    QMap<int, QString> heights;  // height: first state with it
    for (int edge : {0, 1}) {
        if (child<QCheckBox>(&dlg, "edgeBox")->isChecked() != (edge == 1)) child<QCheckBox>(&dlg, "edgeBox")->click();
        for (int option : {0, 3, 12, 14, 15, 22, 24}) {
            // Each split and filter label of the option's kind, the longest texts included.
            for (int type : {1, 2, 3}) {
                s.Splittype = type == 3 ? 1 : type;
                s.Filtertype = type;
                child<QRadioButton>(&dlg, qPrintable(QStringLiteral("option%1").arg(option)))->click();
                // The layouts settle as the event loop would let them (the scrolled body first).
                QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
                dlg.layout()->activate();
                const QString state = QStringLiteral("edge %1, option %2, type %3").arg(edge).arg(option).arg(type);
                QSize hint = dlg.sizeHint();
                QVERIFY2(hint.width() <= kScreen.width() && hint.height() <= kScreen.height(),
                         qPrintable(state + QStringLiteral(": %1x%2").arg(hint.width()).arg(hint.height())));
                if (!heights.contains(hint.height())) heights[hint.height()] = state;
                dlg.resize(hint);
                QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
                dlg.layout()->activate();
                QStringList out = offScreen(&dlg);
                QVERIFY2(out.isEmpty(), qPrintable(state + QStringLiteral(": ") + out.join(QStringLiteral(", "))));
                QStringList cut = cutTexts(&dlg);
                QVERIFY2(cut.isEmpty(), qPrintable(state + QStringLiteral(": ") + cut.join(QStringLiteral(" | "))));
            }
        }
    }
    // Controls appear in place: the window keeps its height through every state.
    QStringList seen;
    for (auto it = heights.begin(); it != heights.end(); ++it) seen << QStringLiteral("%1 (%2)").arg(it.key()).arg(it.value());
    QVERIFY2(heights.size() == 1, qPrintable(seen.join(QStringLiteral(", "))));
}

void WindowLayoutTest::accessKeysInEveryDialog() {
    QFETCH(int, language);
    Fixture f;
    f.useLanguageFile(language);
    f.ctx.settings.EdgeSupport = 1;
    int helpShown = 0;
    f.services.showHelp = [&helpShown](Context&) { return ++helpShown; };
    {
        CTrakorDlg main(f.services);
        QStringList faults = accessKeyFaults(&main);
        QVERIFY2(faults.isEmpty(), qPrintable(QStringLiteral("main: ") + faults.join(QStringLiteral("; "))));

        // Alt with the Help menu's key opens the menu, not the Help button.
        activate(&main);
        auto* menu = main.findChild<QMenuBar*>()->actions().front()->menu();
        QChar key = mnemonicOf(menu->title());
        QVERIFY(!key.isNull());
        QTest::keyClick(&main, key.toLatin1(), Qt::AltModifier);
        QTRY_COMPARE(QApplication::activePopupWidget(), static_cast<QWidget*>(menu));
        menu->hide();
        // Whatever the key press posted is handled before the count is read.
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        QCOMPARE(helpShown, 0);
    }
    std::unique_ptr<QWidget> dialogs[] = {std::make_unique<CClipboardDlg>(f.services),
                                          std::make_unique<CPreferenceDlg>(f.services),
                                          std::make_unique<CLanguageDlg>(f.services), std::make_unique<CAboutDlg>(f.ctx)};
    for (const auto& d : dialogs) {
        QStringList faults = accessKeyFaults(d.get());
        QVERIFY2(faults.isEmpty(), qPrintable(d->objectName() + QStringLiteral(": ") + faults.join(QStringLiteral("; "))));
    }
}

void WindowLayoutTest::tabLandsOnTheCheckedOption() {
    Fixture f;
    f.ctx.settings.Mode = 12;
    CTrakorDlg dlg(f.services);
    activate(&dlg);
    auto* options = child<QWidget>(&dlg, "option0")->parentWidget();
    child<QWidget>(&dlg, "inputField")->setFocus();
    for (int i = 0; i < 30 && QApplication::focusWidget()->parentWidget() != options; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("option12"));
    // After another choice, Tab comes back to that one.
    child<QRadioButton>(&dlg, "option22")->click();
    child<QWidget>(&dlg, "inputField")->setFocus();
    for (int i = 0; i < 30 && QApplication::focusWidget()->parentWidget() != options; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("option22"));
}

// Two columns stand side by side from their wanted width on, one below the other, each the whole
// width, a pixel narrower; the height a width needs follows.
void WindowLayoutTest::columnsStackWhenNarrow() {
    QWidget host;
    auto* columns = new ReflowColumns(&host);
    columns->setContentsMargins(0, 0, 0, 0);
    auto* a = new QLabel(QStringLiteral("A column of some width"));
    auto* b = new QLabel(QStringLiteral("Another\ncolumn"));
    columns->addColumn(a);
    columns->addColumn(b);
    const QSize wide = columns->sizeHint();
    QCOMPARE(columns->minimumSize().width(), std::max(a->minimumSizeHint().width(), b->minimumSizeHint().width()));
    columns->setGeometry(QRect(QPoint(0, 0), wide));
    QVERIFY(!columns->stacked());
    QVERIFY(b->geometry().left() > a->geometry().right());
    QCOMPARE(b->geometry().top(), a->geometry().top());
    QCOMPARE(columns->heightForWidth(wide.width()), wide.height());
    const int narrow = wide.width() - 1;
    const int tall = columns->heightForWidth(narrow);
    QVERIFY(tall > a->sizeHint().height() + b->sizeHint().height());
    columns->setGeometry(QRect(0, 0, narrow, tall));
    QVERIFY(columns->stacked());
    QVERIFY(b->geometry().top() > a->geometry().bottom());
    QCOMPARE(a->geometry().width(), narrow);
    QCOMPARE(b->geometry().width(), narrow);
    QVERIFY(b->geometry().bottom() < tall);
}

void WindowLayoutTest::windowComesBackOnScreen() {
    const QRect screen(0, 0, 1366, 728);
    QCOMPARE(placeWithin(QRect(100, 50, 1000, 600), screen), QPoint(100, 50));
    QCOMPARE(placeWithin(QRect(500, 300, 1000, 600), screen), QPoint(366, 128));
    // Too large for the screen: the top-left corner stays on it.
    QCOMPARE(placeWithin(QRect(-40, -10, 1500, 800), screen), QPoint(0, 0));
}

QTEST_MAIN(WindowLayoutTest)
#include "window_layout_test.moc"
