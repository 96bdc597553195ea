// SPDX-License-Identifier: GPL-3.0-or-later
// The main dialog and the map view: the Map menu, "Show result" after a conversion to a file,
// and the map view standing in for MapSource when MapSource cannot be started.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

#include "ui/dialog_support.h"
#include "ui/trakor_dlg.h"
#include "view/map_view.h"

namespace trakor {

void CTrakorDlg::buildMapMenu() {
    mapMenu_ = new QMenu(menuBar_);
    menuBar_->insertMenu(helpMenu_->menuAction(), mapMenu_);
    mapInputAction_ = mapMenu_->addAction(QString());
    mapInputAction_->setObjectName(QStringLiteral("mapInputAction"));
    mapResultAction_ = mapMenu_->addAction(QString());
    mapResultAction_->setObjectName(QStringLiteral("mapResultAction"));
    mapResultAction_->setEnabled(false);
    connect(mapInputAction_, &QAction::triggered, this, &CTrakorDlg::showInputOnMap);
    connect(mapResultAction_, &QAction::triggered, this, &CTrakorDlg::showResultOnMap);

    showResult_ = new QPushButton(this);
    showResult_->setObjectName(QStringLiteral("showResultButton"));
    showResult_->setAutoDefault(false);
    showResult_->hide();
    connect(showResult_, &QPushButton::clicked, this, &CTrakorDlg::showResultOnMap);
}

QChar CTrakorDlg::mapMenuKey(QChar helpKey) {
    const Context& ctx = ui_.ctx;
    mapInputAction_->setText(uiText(ctx, maptext::ShowInput));
    mapResultAction_->setText(uiText(ctx, maptext::ShowResult));
    showResult_->setText(uiText(ctx, maptext::ShowResultButton));
    QString title = uiText(ctx, maptext::Menu).remove(u'&');
    for (int i = 0; i < title.size(); ++i) {
        if (title[i].toLower() == helpKey.toLower()) continue;
        const QChar key = title[i].toLower();
        title.insert(i, QLatin1Char('&'));
        mapMenu_->setTitle(title);
        return key;
    }
    mapMenu_->setTitle(title);
    return QChar();
}

void CTrakorDlg::openMap(const std::string& path, const std::string& beforePath, const QString& note) {
    view::openMapWindow(ui_.ctx, path, beforePath, note, this);
}

void CTrakorDlg::showInputOnMap() {
    const ConversionRequest r = gatherRequest();
    if (r.inputPath.empty() || r.multipleInput) {
        chooseInput();
        if (gatherRequest().inputPath.empty() || multipleInput_) return;
    }
    openMap(gatherRequest().inputPath, std::string(), QString());
}

void CTrakorDlg::showResultOnMap() {
    if (!lastResult_.empty()) openMap(lastResult_, lastResultInput_, QString());
}

void CTrakorDlg::rememberResult(int rc, const ConversionRequest& request) {
    if (rc != kDelivered || request.outputTarget != OutputTarget::File) return;
    lastResult_ = request.overwriteInput ? request.inputPath : request.outputPath;
    // An input that was replaced by its result, or a batch, has no single input to show under it.
    lastResultInput_ = request.overwriteInput || request.multipleInput ? std::string() : request.inputPath;
    showResult_->show();
    mapResultAction_->setEnabled(true);
}

void CTrakorDlg::addMapFallback(DriverCalls& calls, const ConversionRequest& request) {
    if (!ui_.startMapSource) return;
    const bool preview = previewing_;
    calls.openInMapSource = [this, preview, request](Context&, const std::string& gdbPath) {
        if (ui_.startMapSource(gdbPath)) return 0;
        const bool single = !request.multipleInput && !request.inputPath.empty();
        if (preview)
            openMap(single ? request.inputPath : gdbPath, std::string(), uiText(ui_.ctx, maptext::PreviewNote));
        else
            openMap(gdbPath, single && gdbPath != request.inputPath ? request.inputPath : std::string(),
                    uiText(ui_.ctx, maptext::ResultNote));
        return 0;
    };
}

}  // namespace trakor
