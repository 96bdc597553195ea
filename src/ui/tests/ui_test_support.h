// SPDX-License-Identifier: GPL-3.0-or-later
// Shared pieces of the dialog tests: a recording notifier, a settings store in memory, a German
// language file, screenshots, and a way to act on the next modal window.
#pragma once

#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/language.h"
#include "core/context.h"
#include "platform/settings_store.h"
#include "testsupport/testsupport.h"
#include "ui/ui_services.h"

#include <QLineEdit>
#include <QTest>
#include <QDialog>
#include <QProcess>
#include <QWidget>
#include <QWindow>

namespace trakor::uitest {

// The control of a dialog by object name; a missing one ends the test run.
template <class W>
W* child(QWidget* parent, const char* name) {
    W* w = parent->findChild<W*>(QString::fromLatin1(name));
    if (w == nullptr) qFatal("no control %s", name);
    return w;
}
// Whether the named control is visible, and typing into a named line edit.
inline bool shown(QWidget* parent, const char* name) { return !child<QWidget>(parent, name)->isHidden(); }
inline void type(QWidget* parent, const char* name, const QString& text) {
    auto* f = child<QLineEdit>(parent, name);
    f->selectAll();
    QTest::keyClicks(f, text);
}

using test::RecordingNotifier;

class MemoryStore : public SettingsStore {
public:
    std::map<std::string, int32_t, std::less<>> values;
    std::map<std::string, std::string, std::less<>> texts;
    std::vector<std::string> written;  // names in the order written
    int32_t readInt(std::string_view name, int32_t fallback) override;
    bool writeInt(std::string_view name, int32_t value) override;
    bool deleteValue(std::string_view name) override;
    std::string readText(std::string_view name) override;
    bool writeText(std::string_view name, const std::string& value) override;
};

// A context with English defaults, a recording notifier, a memory store and the services.
struct Fixture {
    Fixture();
    Context ctx;
    RecordingNotifier notifier;
    MemoryStore store;
    LanguageFile language{ctx.settings.Language};
    QTemporaryDir temp;
    UiServices services{ctx, store};

    // Loads the German test texts and selects German.
    void useGerman();
    // Loads the program's own language file and selects `language` (1 English ... 9 Turkish).
    void useLanguageFile(int32_t language);
    // The drive box finds one device: "/media/user/GARMIN/" shown as that root and `name`.
    void showOneDevice(const std::string& name);
    // The settings of the picture tests: Edge/Forerunner on, one EDGE 800 in the drive box and an
    // option that shows the split and filter fields.
    void showEverydaySettings() {
        ctx.settings.EdgeSupport = 1;
        ctx.settings.OutputOption = 1;
        ctx.settings.Mode = 14;
        ctx.settings.Split = 1;
        showOneDevice("EDGE 800");
    }
    // Writes a file in the temporary folder and returns its path.
    std::string file(const QString& name, const std::string& bytes = "x");
};

// Language file text with German entries for every dialog text.
std::string germanLanguageText();

// Saves a picture of `w` as <build>/screenshots/<name>.png; returns the path or empty.
QString saveScreenshot(QWidget* w, const QString& name);

// Runs `action` on the next modal window once it is open (a dialog's exec() blocks the test).
void onNextModal(std::function<void(QWidget*)> action);

// The nine languages of the language file as test rows ("EN" ... "TR"), with their `Language`.
void addLanguageRows();

// One of the program's dialogs by name: "main", "clipboard", "preferences", "language" or "about".
std::unique_ptr<QDialog> makeDialog(const QString& name, Fixture& f);

// Every visible button and label of `w` whose text needs more room than it has.
QStringList cutTexts(QWidget* w);

// Starts openbox on the test's X screen and waits until it frames windows. Returns why it could
// not (no X server, no openbox), or an empty text.
QString startWindowManager(QProcess& manager, const QString& folder);
// Whether the window manager has framed the window, and the frame as the window system last
// told it.
inline bool framed(const QWidget* w) {
    return w->isVisible() && w->windowHandle() != nullptr && !w->windowHandle()->frameMargins().isNull();
}
inline QRect frameOf(const QWidget* w) { return w->windowHandle() != nullptr ? w->windowHandle()->frameGeometry() : w->frameGeometry(); }

}  // namespace trakor::uitest
