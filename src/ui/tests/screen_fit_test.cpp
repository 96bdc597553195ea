// SPDX-License-Identifier: GPL-3.0-or-later
// Every window in every language on the screen the test runs on (offscreen, or a virtual X screen
// at 1280x720 and at 1920x1080 with a scale factor of 2, framed by openbox where it is installed):
// the window and its title bar lie within the screen's room, its controls within the window with
// their texts whole, nothing scrolls sideways, and every text it shows comes from the language
// file (file names, numbers and product names aside). A picture of each is kept for review.
#include <QAbstractButton>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTextDocumentFragment>
#include <QtTest>
#include <memory>

#include "ui/about_dlg.h"
#include "ui/clipboard_dlg.h"
#include "ui/dialog_support.h"
#include "ui/language_dlg.h"
#include "ui/preference_dlg.h"
#include "ui/trakor_dlg.h"
#include "ui/tests/ui_test_support.h"
#include "view/map_view.h"

using namespace trakor;
using namespace trakor::uitest;

namespace {

// Visible texts are compared with line breaks, mnemonics and runs of blanks taken out.
QString normalised(QString text) {
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QChar(1), QLatin1Char('&'));
    return text.simplified();
}

// The entries of one language as patterns: "%s" and "%c" stand for a word, "%d" and "%u" for a
// number.
QList<QRegularExpression> languagePatterns(const QString& code) {
    QFile f(QStringLiteral(UI_LANGUAGE_FILE));
    if (!f.open(QIODevice::ReadOnly)) qFatal("cannot read %s", UI_LANGUAGE_FILE);
    const QString text = QString::fromUtf8(f.readAll());
    QList<QRegularExpression> out;
    QRegularExpression entry(QStringLiteral("^%1\\$[A-Z]{3}\\d\\d\\s*=\\s*\"(.*)\"\\s*$").arg(code),
                             QRegularExpression::MultilineOption);
    QStringList texts;
    for (auto it = entry.globalMatch(text); it.hasNext();) {
        QString t = it.next().captured(1);
        t.replace(QStringLiteral("\\n"), QStringLiteral(" ")).replace(QStringLiteral("\\\""), QStringLiteral("\""));
        t = normalised(t);
        if (!t.isEmpty()) texts << t;
    }
    // Longest first, so a long text is taken whole before a short one eats part of it.
    std::sort(texts.begin(), texts.end(), [](const QString& a, const QString& b) { return a.size() > b.size(); });
    for (const QString& t : texts) {
        QString p = QRegularExpression::escape(t);
        p.replace(QStringLiteral("%0d"), QStringLiteral("%d"));
        p.replace(QStringLiteral("\\%s"), QStringLiteral("\\S+")).replace(QStringLiteral("%s"), QStringLiteral("\\S+"));
        p.replace(QStringLiteral("\\%c"), QStringLiteral("\\S")).replace(QStringLiteral("%c"), QStringLiteral("\\S"));
        for (const char* n : {"%d", "%u", "\\%d", "\\%u"}) p.replace(QString::fromLatin1(n), QStringLiteral("[\\d ]+"));
        out << QRegularExpression(QStringLiteral("(?<![\\w])") + p + QStringLiteral("(?![\\w])"));
    }
    return out;
}

// What is left of a text once every language file text in it is taken out, less the words no
// language translates: product and language names, numbers, paths and addresses.
QString untranslated(const QString& text, const QList<QRegularExpression>& patterns) {
    static const QRegularExpression names(QStringLiteral(
        "Trakor3|MapSource|TrainingCenter|Training Center|Edge/Forerunner|GPS|OK|"
        "English|Nederlands|Deutsch|Français|Português|Italiano|Polski|Español|Türkçe|"
        "https?://\\S+|/\\S*|\\S+\\.(gpx|gdb|tcx|fit|kml|kmz)|\\b(km|mi|m|ft|s|sec|km/h|mph)\\b|[\\d .,:%°()\\[\\]\\-–→]+"));
    QString rest = normalised(text);
    for (const QRegularExpression& p : patterns) rest.replace(p, QStringLiteral(" "));
    rest.replace(names, QStringLiteral(" "));
    return rest.simplified();
}

// Every text a window shows: title, menus, buttons, labels and group titles.
QStringList visibleTexts(QWidget* w) {
    QStringList out{w->windowTitle()};
    for (QMenuBar* m : w->findChildren<QMenuBar*>())
        for (QAction* a : m->actions()) {
            out << a->text();
            if (a->menu() != nullptr)
                for (QAction* item : a->menu()->actions()) out << item->text();
        }
    for (QAbstractButton* b : w->findChildren<QAbstractButton*>())
        if (b->isVisibleTo(w)) out << b->text();
    for (QLabel* l : w->findChildren<QLabel*>())
        if (l->isVisibleTo(w)) out << (l->textFormat() == Qt::RichText ? QTextDocumentFragment::fromHtml(l->text()).toPlainText() : l->text());
    for (QGroupBox* g : w->findChildren<QGroupBox*>())
        if (g->isVisibleTo(w)) out << g->title();
    return out;
}

// Controls that stick out of the window (those inside a scroll area are where it scrolls them).
QStringList outsideWindow(QWidget* w) {
    QStringList out;
    const QRect inside(QPoint(0, 0), w->size());
    for (QWidget* c : w->findChildren<QWidget*>()) {
        if (!c->isVisibleTo(w) || c->isWindow()) continue;
        bool scrolled = false;
        for (QWidget* p = c->parentWidget(); p != nullptr && p != w; p = p->parentWidget())
            if (qobject_cast<QScrollArea*>(p) != nullptr && p != c) scrolled = true;
        if (scrolled) continue;
        const QRect r(c->mapTo(w, QPoint(0, 0)), c->size());
        if (!inside.contains(r))
            out << QStringLiteral("%1 at %2,%3 %4x%5").arg(c->objectName(), QString::number(r.x()), QString::number(r.y()),
                                                           QString::number(r.width()), QString::number(r.height()));
    }
    return out;
}

// What keeps a shown window from fitting its screen: its frame past the screen's room, a main
// window smaller than it wants where there is room, controls outside it or cut, a sideways scroll
// bar, a title bar too narrow for its title.
QStringList fitProblems(QWidget* w, bool isMain) {
    QStringList out;
    const QRect room = w->screen()->availableGeometry();
    const QRect frame = frameOf(w);
    const QString where = QStringLiteral("%1x%2 at %3,%4 on %5x%6 at %7,%8").arg(frame.width()).arg(frame.height()).arg(frame.x())
                              .arg(frame.y()).arg(room.width()).arg(room.height()).arg(room.x()).arg(room.y());
    if (!room.contains(frame)) out << QStringLiteral("frame %1").arg(where);
    // The main window takes the size it wants as far as the screen has room (a title bar aside).
    const QSize hint = w->sizeHint();
    if (isMain && (w->width() < std::min(hint.width(), room.width() - 40) || w->height() < std::min(hint.height(), room.height() - 80)))
        out << QStringLiteral("smaller than its wanted %1x%2: %3").arg(hint.width()).arg(hint.height()).arg(where);
    out << outsideWindow(w);
    for (const QString& t : cutTexts(w)) out << QStringLiteral("cut '%1'").arg(t);
    for (QScrollArea* a : w->findChildren<QScrollArea*>())
        if (a->horizontalScrollBar()->isVisible()) out << QStringLiteral("sideways scroll bar in %1").arg(a->objectName());
    QFont bold = w->font();
    bold.setBold(true);
    const QFontMetrics title(bold);
    if (w->width() < title.horizontalAdvance(w->windowTitle()) + 4 * title.height())
        out << QStringLiteral("title bar too narrow for '%1'").arg(w->windowTitle());
    return out;
}

// Shown and, under a window manager, framed.
bool showAndWait(QWidget* w, bool managed) {
    w->show();
    return QTest::qWaitForWindowExposed(w) && (!managed || QTest::qWaitFor([w] { return framed(w); }, 20000));
}

}  // namespace

class ScreenFitTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void everyWindowFitsAndSpeaksTheLanguage_data();
    void everyWindowFitsAndSpeaksTheLanguage();
    void languageChangeTakesTheNewTextsAtOnce_data();
    void languageChangeTakesTheNewTextsAtOnce();
    void mainWindowShrinksWithTheScreen();

private:
    QProcess manager_;
    QTemporaryDir temp_;
    bool managed_ = false;
};

void ScreenFitTest::initTestCase() {
    if (QGuiApplication::platformName() != QStringLiteral("xcb")) return;
    const QString why = startWindowManager(manager_, temp_.path());
    managed_ = why.isEmpty();
    if (!managed_) qInfo("windows without frames: %s", qPrintable(why));
}

void ScreenFitTest::cleanupTestCase() {
    if (manager_.state() == QProcess::NotRunning) return;
    manager_.terminate();
    manager_.waitForFinished();
}

void ScreenFitTest::everyWindowFitsAndSpeaksTheLanguage_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<int>("language");
    for (const char* w : {"main", "clipboard", "preferences", "language", "about", "map"})
        for (int32_t l = 1; l <= 9; ++l)
            QTest::newRow(QStringLiteral("%1-%2").arg(QString::fromLatin1(w), QString::fromLatin1(languageCode(l).data(), 2).toLower()).toLatin1())
                << QString::fromLatin1(w) << static_cast<int>(l);
}

void ScreenFitTest::everyWindowFitsAndSpeaksTheLanguage() {
    QFETCH(QString, window);
    QFETCH(int, language);
    Fixture f;
    f.useLanguageFile(language);
    f.showEverydaySettings();
    f.ctx.settings.Filter_CBR = 1;
    f.ctx.settings.Filter_CBT = 1;

    std::unique_ptr<QWidget> w;
    if (window != QStringLiteral("map")) {
        w = makeDialog(window, f);
        if (window == QStringLiteral("main")) type(w.get(), "inputField", QStringLiteral("/home/user/Rides/Alps.gdb"));
    } else {
        auto* map = view::openMapWindow(f.ctx, f.file(QStringLiteral("ride.gpx"),
                                                      "<gpx><trk><name>Alps</name><trkseg><trkpt lat=\"46.5\" lon=\"7.9\"/>"
                                                      "<trkpt lat=\"46.6\" lon=\"8.0\"/></trkseg></trk></gpx>"),
                                        std::string(), QString(), nullptr);
        QVERIFY(map != nullptr);
        map->setAttribute(Qt::WA_DeleteOnClose, false);
        map->setTilesEnabled(false);
        w.reset(map);
    }
    QVERIFY(showAndWait(w.get(), managed_));
    const QStringList problems = fitProblems(w.get(), window == QStringLiteral("main"));
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QStringLiteral(", "))));

    // Number fields show their largest number whole.
    for (QLineEdit* field : w->findChildren<QLineEdit*>())
        if (field->isVisibleTo(w.get()) && field->maxLength() <= 5)
            QVERIFY2(field->contentsRect().width() >= field->fontMetrics().horizontalAdvance(QString(field->maxLength(), u'9')),
                     qPrintable(field->objectName()));

    // Every text is one of the language file's, in the window's language.
    const QList<QRegularExpression> patterns = languagePatterns(QString::fromLatin1(languageCode(language).data(), 2));
    QStringList foreign;
    for (const QString& t : visibleTexts(w.get()))
        if (const QString rest = untranslated(t, patterns); !rest.isEmpty()) foreign << QStringLiteral("\"%1\" (%2)").arg(t, rest);
    QVERIFY2(foreign.isEmpty(), qPrintable(foreign.join(QStringLiteral(" | "))));
    // One word does not name two things: no button bears the name of a group it is not in.
    for (QGroupBox* g : w->findChildren<QGroupBox*>())
        for (QAbstractButton* b : w->findChildren<QAbstractButton*>())
            if (g->isVisibleTo(w.get()) && b->isVisibleTo(w.get()) && !g->isAncestorOf(b))
                QVERIFY2(normalised(b->text()) != normalised(g->title()).section(QStringLiteral(" --- "), 0, 0), qPrintable(b->text()));

    const QString scale = QStringLiteral("%1x").arg(w->devicePixelRatioF());
    QVERIFY(!saveScreenshot(w.get(), QStringLiteral("%1-%2").arg(QString::fromLatin1(QTest::currentDataTag()), scale)).isEmpty());
}

void ScreenFitTest::languageChangeTakesTheNewTextsAtOnce_data() {
    QTest::addColumn<int>("language");
    for (int32_t l = 2; l <= 9; ++l) QTest::newRow(std::string(languageCode(l)).c_str()) << static_cast<int>(l);
}

// The main window, shown in English, takes the size the new texts want as soon as another
// language is chosen, as a start in that language would.
void ScreenFitTest::languageChangeTakesTheNewTextsAtOnce() {
    QFETCH(int, language);
    Fixture f;
    f.useLanguageFile(1);
    f.showEverydaySettings();
    CTrakorDlg dlg(f.services);
    QVERIFY(showAndWait(&dlg, managed_));
    const QString choice = QStringLiteral("language%1").arg(language);
    onNextModal([choice](QWidget* modal) { modal->findChild<QAbstractButton*>(choice)->click(); });
    child<QPushButton>(&dlg, "languageButton")->click();
    QCOMPARE(f.ctx.settings.Language, language);
    QStringList problems;
    // The window manager answers the new size in its own time.
    const bool fits = QTest::qWaitFor([&] { return (problems = fitProblems(&dlg, true)).isEmpty(); }, 5000);
    QVERIFY2(fits, qPrintable(problems.join(QStringLiteral(", "))));
}

// A screen smaller than the main window wants: the window takes the room there is and scrolls its
// options, with the button row in view; on a large screen it takes its whole size.
void ScreenFitTest::mainWindowShrinksWithTheScreen() {
    Fixture f;
    f.useLanguageFile(3);
    CTrakorDlg dlg(f.services);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    const QSize wanted = dlg.sizeHint();
    QVERIFY2(dlg.minimumSizeHint().height() < wanted.height() / 2, "the window cannot shrink");
    dlg.resize(wanted.width(), wanted.height() / 2);
    QTRY_COMPARE(dlg.height(), wanted.height() / 2);
    auto* convert = child<QWidget>(&dlg, "convertButton");
    const QRect button(convert->mapTo(&dlg, QPoint(0, 0)), convert->size());
    QVERIFY(QRect(QPoint(0, 0), dlg.size()).contains(button));
    auto* scroller = child<QScrollArea>(&dlg, "bodyScroller");
    QTRY_VERIFY(scroller->verticalScrollBar()->isVisible());
}

QTEST_MAIN(ScreenFitTest)
#include "screen_fit_test.moc"
