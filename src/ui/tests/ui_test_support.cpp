// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/tests/ui_test_support.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QStandardPaths>
#include <QTimer>
#include <QWidget>

#include "ui/about_dlg.h"
#include "ui/clipboard_dlg.h"
#include "ui/language_dlg.h"
#include "ui/preference_dlg.h"
#include "ui/trakor_dlg.h"

namespace trakor::uitest {

int32_t MemoryStore::readInt(std::string_view name, int32_t fallback) {
    auto it = values.find(name);
    return it == values.end() ? fallback : it->second;
}

bool MemoryStore::writeInt(std::string_view name, int32_t value) {
    values[std::string(name)] = value;
    written.emplace_back(name);
    return true;
}

bool MemoryStore::deleteValue(std::string_view name) {
    auto it = values.find(name);
    if (it != values.end()) values.erase(it);
    return true;
}

std::string MemoryStore::readText(std::string_view name) {
    auto it = texts.find(name);
    return it == texts.end() ? std::string() : it->second;
}

bool MemoryStore::writeText(std::string_view name, const std::string& value) {
    texts[std::string(name)] = value;
    written.emplace_back(name);
    return true;
}

Fixture::Fixture() {
    ctx.settings = defaultSettings(true);
    ctx.notifier = &notifier;
    ctx.texts = &language;
    ctx.paths.appName = "Trakor3";
    services.lockFolder = temp.path().toStdString();
}

void Fixture::useGerman() {
    language.setText(germanLanguageText());
    ctx.settings.Language = 3;
}

void Fixture::useLanguageFile(int32_t language) {
    if (!this->language.load(UI_LANGUAGE_FILE)) qFatal("cannot read %s", UI_LANGUAGE_FILE);
    ctx.settings.Language = language;
}

void Fixture::showOneDevice(const std::string& name) {
    services.scanDrives = [name](Context&) {
        DriveScan scan;
        scan.entries = {{"/media/user/GARMIN/", "/media/user/GARMIN/" + name}};
        scan.selected = 0;
        return scan;
    };
}

void addLanguageRows() {
    QTest::addColumn<int>("language");
    for (int32_t l = 1; l <= 9; ++l) QTest::newRow(std::string(languageCode(l)).c_str()) << static_cast<int>(l);
}

std::string Fixture::file(const QString& name, const std::string& bytes) {
    QString path = temp.filePath(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes.data(), static_cast<qint64>(bytes.size()));
    return path.toStdString();
}

std::string germanLanguageText() {
    return R"LNG(; German texts for the dialog tests
DE$GDB01 = "Trakor3 Version %s - Dateikonverter für MapSource-Dateien (%c)"
DE$GDB02 = "Durchsuchen..."
DE$GDB03 = "Speichern unter..."
DE$GDB04 = "Konvertieren"
DE$GDB05 = "Einstellungen"
DE$GDB06 = "Hilfe"
DE$GDB07 = "Vorschau"
DE$GDB09 = "Zum Zwischenablage-Menü"
DE$GDB10 = "Beenden"
DE$GDB11 = "Eingabedatei --- gdb, gpx, crs, tcx, kml, kmz, itn oder nmea/nma/log"
DE$GDB12 = "Ausgabe --- gdb oder tcx"
DE$GDB13 = "Verarbeitungsoptionen"
DE$GDB14 = "Optionen zum Teilen und Filtern bei Routen- und Trackkonvertierungen"
DE$GDB15 = "Konvertierungen von Via-Punkten"
DE$GDB16 = "Routenkonvertierungen - - - - - - - - - - -"
DE$GDB17 = "Originalrouten beibehalten"
DE$GDB18 = "Trackkonvertierungen - - - - - - - - - - -"
DE$GDB19 = "Originaltracks beibehalten"
DE$GDB20 = " 0. Nur Dateikonvertierung"
DE$GDB21 = " 1. Via-Punkte in Routen in Wegpunkte umwandeln"
DE$GDB22 = " 2. Richtungspunkte in Routen in Via-Punkte umwandeln"
DE$GDB23 = " 3. Via-Punkte in Routen unsichtbar machen (Markierungen entfernen)"
DE$GDB24 = " 4. Unsichtbare Via-Punkte in Routen sichtbar machen"
DE$GDB25 = "11. Routen in Tracks mit allen Routenpunkten umwandeln"
DE$GDB26 = "12. Routen in Tracks mit Via-Punkten und Richtungspunkten umwandeln"
DE$GDB27 = "13. Berechnete Routen in direkte Routen mit allen Routenpunkten umwandeln"
DE$GDB28 = "14. Berechnete Routen in direkte Routen mit Via-Punkten und Richtungspunkten umwandeln"
DE$GDB29 = "15. Eine berechnete Anzahl (zusätzlicher) Via-Punkte wird über die Route verteilt"
DE$GDB30 = "21. Tracks in Routen mit Wegpunkten umwandeln"
DE$GDB31 = "22. Tracks in Routen mit sichtbaren Via-Punkten umwandeln"
DE$GDB32 = "23. Tracks in Routen mit unsichtbaren Via-Punkten umwandeln (Markierungen entfernen)"
DE$GDB33 = "24. Trackfilter"
DE$GDB34 = "Eingabedatei mit der Ausgabedatei überschreiben"
DE$GDB35 = "Datei"
DE$GDB36 = "Teilen"
DE$GDB37 = "Maximale Länge geteilter Routen in %s."
DE$GDB38 = "Maximale Länge geteilter Tracks in %s."
DE$GDB39 = "Filtern"
DE$GDB40 = "Anzahl der Punkte pro Route nach dem Filtern"
DE$GDB41 = "Anzahl der Punkte pro Track nach dem Filtern"
DE$GDB42 = "Prozentsatz der zu entfernenden Punkte"
DE$GDB43 = "Maximale Richtungsänderung in Grad"
DE$GDB44 = "Über Trakor3"
DE$GDB45 = "Maximale Anzahl der Punkte pro geteilter Route"
DE$GDB46 = "Maximale Anzahl der Punkte pro geteiltem Track"
DE$CLP01 = "Trakor3 Konvertierung der Zwischenablage"
DE$CLP02 = "Konvertierungsoptionen für Routen in der Zwischenablage"
DE$CLP03 = " 3. Via-Punkte in Routen unsichtbar machen (Markierungen entfernen)"
DE$CLP04 = "11. Routen in Tracks mit allen Routenpunkten umwandeln"
DE$CLP05 = "12. Routen in Tracks mit Via-Punkten und Richtungspunkten umwandeln"
DE$CLP06 = "Filtern"
DE$CLP07 = "Anzahl der Punkte pro Track nach dem Filtern"
DE$CLP08 = "Konvertierungsoptionen für Tracks in der Zwischenablage"
DE$CLP09 = "22. Tracks in Routen mit sichtbaren Via-Punkten umwandeln"
DE$CLP10 = "23. Tracks in Routen mit unsichtbaren Via-Punkten umwandeln (Markierungen entfernen)"
DE$CLP11 = "24. Trackfilter"
DE$CLP12 = "Filtern"
DE$CLP13 = "Anzahl der Punkte pro Track nach dem Filtern"
DE$CLP14 = "Anzahl der Punkte pro Route nach dem Filtern"
DE$CLP15 = "In die Zwischenablage konvertieren"
DE$CLP16 = "Nach MapSource konvertieren"
DE$CLP17 = "Trakor3-Menü"
DE$CLP18 = "Beenden"
DE$PRF01 = "Einstellungen"
DE$PRF02 = "Abseits der Straße liegende Ausreißer aus einer berechneten Route entfernen"
DE$PRF03 = "Minimaler Abstand zwischen den Punkten eines Tracks/einer Route"
DE$PRF05 = "Ursprüngliche Via-Punkte beibehalten"
DE$PRF06 = "Filtermethode"
DE$PRF07 = "Nach der Anzahl der Punkte"
DE$PRF08 = "Nach dem Prozentsatz der Punkte"
DE$PRF09 = "Nach Richtungsänderungen"
DE$PRF10 = "Festlegungen für Option 15"
DE$PRF11 = "Durchschnittlicher Abstand zwischen 2 Via-Punkten in %s"
DE$PRF12 = "Maximale Anzahl der Via-Punkte"
DE$PRF13 = "Symbol && Präfix"
DE$PRF14 = "Wegpunkt-Symbolcode für Via-Punkte"
DE$PRF15 = "Verwendung siehe Dokumentation"
DE$PRF16 = "Präfixzeichen erzeugter Punkte"
DE$PRF17 = "Tabelle"
DE$PRF18 = "Kurspunkte bei Richtungsänderungen >"
DE$PRF19 = "Zeiten aus dem Track verwenden, falls vorhanden"
DE$PRF20 = "Durchschnittsgeschwindigkeit in %s"
DE$PRF21 = "Zusätzliche Filteroptionen"
DE$PRF23 = "Edge/Forerunner-Unterstützung"
DE$PRF27 = "Abbrechen"
DE$PRF28 = "Warnzeit"
DE$PRF29 = "Teilungsmethode"
DE$PRF30 = "Nach der Länge der Route/des Tracks"
DE$PRF31 = "Nach der Anzahl der Punkte"
DE$LAN01 = "Sprache"
DE$LAN02 = "Sprache wählen"
DE$ABT04 = "Trakor3 läuft jetzt als portable Anwendung"
DE$MSG61 = "Das Trakor3-Zwischenablage-Menü kann nur einmal geöffnet werden."
)LNG";
}

QString saveScreenshot(QWidget* w, const QString& name) {
    QDir dir(QStringLiteral(UI_TEST_OUTPUT_DIR));
    if (!dir.mkpath(QStringLiteral("."))) return {};
    w->adjustSize();
    QString path = dir.filePath(name + QStringLiteral(".png"));
    return w->grab().save(path) ? path : QString();
}

void onNextModal(std::function<void(QWidget*)> action) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || !modal->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        action(modal);
    });
    timer->start();
}

std::unique_ptr<QDialog> makeDialog(const QString& name, Fixture& f) {
    if (name == QStringLiteral("main")) return std::make_unique<CTrakorDlg>(f.services);
    if (name == QStringLiteral("clipboard")) return std::make_unique<CClipboardDlg>(f.services);
    if (name == QStringLiteral("preferences")) return std::make_unique<CPreferenceDlg>(f.services);
    if (name == QStringLiteral("language")) return std::make_unique<CLanguageDlg>(f.services);
    return std::make_unique<CAboutDlg>(f.ctx);
}

QStringList cutTexts(QWidget* w) {
    QStringList cut;
    for (QAbstractButton* b : w->findChildren<QAbstractButton*>()) {
        if (b->isVisibleTo(w) && b->width() < b->sizeHint().width()) cut << b->text();
    }
    for (QLabel* l : w->findChildren<QLabel*>()) {
        if (l->isVisibleTo(w) && !l->wordWrap() && l->width() < l->sizeHint().width()) cut << l->text();
    }
    for (QGroupBox* g : w->findChildren<QGroupBox*>()) {
        int titleWidth = g->fontMetrics().horizontalAdvance(g->title()) + 16;
        if (g->isVisibleTo(w) && g->width() < titleWidth) cut << g->title();
    }
    return cut;
}

QString startWindowManager(QProcess& manager, const QString& folder) {
    if (QGuiApplication::platformName() != QStringLiteral("xcb")) return QStringLiteral("needs an X server (runs under xvfb-run)");
    const QString openbox = QStandardPaths::findExecutable(QStringLiteral("openbox"));
    if (openbox.isEmpty()) return QStringLiteral("openbox is not installed (scripts/install-deps.sh installs it)");
    // The manager touches a file once it manages the screen.
    const QString ready = QDir(folder).filePath(QStringLiteral("ready"));
    manager.start(openbox, {QStringLiteral("--sm-disable"), QStringLiteral("--startup"), QStringLiteral("touch ") + ready});
    if (!manager.waitForStarted() || !QTest::qWaitFor([&ready] { return QFile::exists(ready); }, 20000))
        return QStringLiteral("openbox did not start");
    QWidget probe;
    probe.resize(100, 80);
    probe.show();
    return QTest::qWaitFor([&probe] { return framed(&probe); }, 20000) ? QString() : QStringLiteral("openbox frames no window");
}

}  // namespace trakor::uitest
