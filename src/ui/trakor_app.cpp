// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/trakor_app.h"

#include <QApplication>
#include <QEventLoop>
#include <QIcon>
#include <cstdio>

#include "app/startup.h"
#include "core/settings_io.h"
#include "clipboard/clipboard_conversion.h"
#include "course/companion_launcher.h"
#include "course/device_detection.h"
#include "platform/instance_lock.h"
#include "ui/dialog_support.h"
#include "ui/qt_clipboard.h"
#include "ui/trakor_dlg.h"

namespace trakor {

namespace {
// Device detection as the drive box shows it.
DriveScan scanRealDrives(Context& ctx) {
    DeviceDetection state;
    detectDevices(ctx, DeviceRoots{}, state);
    DriveScan scan;
    scan.device = detectedDevice(state);
    for (const DeviceEntry& e : state.entries) scan.entries.push_back({e.root, e.text});
    scan.selected = state.selected;
    return scan;
}
}  // namespace

CTrakorApp::CTrakorApp(int argc, const char* const* argv) : env_(Environment::fromProcess()) {
    ctx_.paths = startUp(argc, argv);
    startFiles_ = splitStartArguments(argc, argv).files;
    language_ = std::make_unique<LanguageFile>(ctx_.settings.Language);
    notifier_ = std::make_unique<QtNotifier>(ctx_.paths.appName);
    ctx_.notifier = notifier_.get();
    launcher_ = std::make_unique<CompanionLauncher>(LaunchSetup::fromEnvironment(env_));
}

CTrakorApp::~CTrakorApp() = default;

int CTrakorApp::run() {
    store_ = openSettingsStore(ctx_.paths, env_);
    loadSettings(ctx_.settings, *store_, ctx_.paths.portable(), env_);

    UiServices services(ctx_, *store_);
    services.calls = defaultDriverCalls();
    services.prepareLanguage = [this](Context& ctx) {
        chooseInitialLanguage(ctx, env_);
        loadLanguageFile(ctx, *language_);
    };
    auto clipboardCalls = std::make_shared<ClipboardCalls>(defaultClipboardCalls());
    services.convertClipboard = [clipboardCalls](Context& ctx, int destination) {
        return convertSystemClipboard(ctx, destination, *clipboardCalls);
    };
    services.showHelp = [this](Context& ctx) { return launcher_->showHelp(ctx); };
    services.openSymbolTable = [this](Context& ctx) { return launcher_->openSymbolTable(ctx); };
    services.clipboardImage = [] {
        std::vector<uint8_t> block;
        std::span<const uint8_t> image;
        QtClipboard board;
        if (!board.get(kGarminClipboardFormat, block) || !blockImage(block, image)) return std::vector<uint8_t>();
        return std::vector<uint8_t>(image.begin(), image.end());
    };
    services.startMapSource = [this](const std::string& gdbPath) { return launcher_->tryOpenInMapSource(gdbPath); };
    services.scanDrives = scanRealDrives;
    services.mountTable = DeviceRoots{}.mountTable;
    services.lockFolder = instanceLockFolder(env_);

    QApplication::setWindowIcon(programIcon());
    RecentFiles recent;
    {
        // The main dialog runs modally until it finishes. Its own loop is used rather than exec(),
        // which would end when the dialog hides itself for the clipboard dialog.
        CTrakorDlg dialog(services);
        notifier_->setOwner(&dialog);
        // Files handed over by the file manager ("Open with") become the input.
        if (!startFiles_.empty()) {
            QStringList files;
            for (const std::string& f : startFiles_) files << QString::fromStdString(f);
            dialog.takeInputFiles(files, true);
        }
        QEventLoop loop;
        QObject::connect(&dialog, &QDialog::finished, &loop, &QEventLoop::quit);
        dialog.setWindowModality(Qt::ApplicationModal);
        dialog.show();
        loop.exec(QEventLoop::DialogExec);
        notifier_->setOwner(nullptr);
        recent = dialog.recentFiles();
    }

    // Exit: the settings of the run, then the help viewer this program started.
    if (!saveExitSettings(ctx_.settings, *store_))
        std::fprintf(stderr, "%s: the settings could not be saved\n", ctx_.paths.appName.c_str());
    // A path that cannot be kept (a line break in it) is simply not offered next time.
    saveRecentFiles(recent, *store_);
    launcher_->stopHelpViewer();
    return 0;
}

}  // namespace trakor
