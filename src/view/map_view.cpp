// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/map_view.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSpinBox>
#include <QSplitter>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <utility>

#include "gdb/stream.h"
#include "view/map_texts.h"
#include "view/window_place.h"
#include "platform/text_encoding.h"

namespace trakor::view {

// --- Canvas --------------------------------------------------------------------------------

MapCanvas::MapCanvas(MapScene& scene, QWidget* parent) : QWidget(parent), scene_(scene) {
    setObjectName(QStringLiteral("mapCanvas"));
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(320, 240);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::OpenHandCursor);
}

void MapCanvas::fitAll() {
    vp_ = fitBox(scene_.bounds(), std::max(1, width()), std::max(1, height()));
    userMoved_ = false;
    update();
}

void MapCanvas::setTileLoader(TileLoader* loader) {
    tiles_ = loader;
    if (loader) {
        options_.tiles = [loader](const TileId& id) { return loader->tile(id); };
        options_.maxTileZoom = loader->settings().maxZoom;
        options_.attribution = loader->settings().attribution;
        connect(loader, &TileLoader::tileReady, this, qOverload<>(&QWidget::update));
    } else {
        options_.tiles = nullptr;
    }
    update();
}

void MapCanvas::paintEvent(QPaintEvent*) {
    vp_.width = width();
    vp_.height = height();
    QPainter p(this);
    paintMap(p, vp_, scene_, options_);
}

void MapCanvas::resizeEvent(QResizeEvent*) {
    if (!userMoved_) fitAll();
}

void MapCanvas::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    dragging_ = true;
    options_.antialias = false;  // plain lines keep frames short while dragging
    last_ = e->position();
    setCursor(Qt::ClosedHandCursor);
}

void MapCanvas::mouseMoveEvent(QMouseEvent* e) {
    if (!dragging_) return;
    const QPointF d = e->position() - last_;
    last_ = e->position();
    vp_.panPixels(d.x(), d.y());
    userMoved_ = true;
    update();
}

void MapCanvas::mouseReleaseEvent(QMouseEvent*) {
    dragging_ = false;
    options_.antialias = true;
    update();
    setCursor(Qt::OpenHandCursor);
}

void MapCanvas::mouseDoubleClickEvent(QMouseEvent* e) {
    vp_.zoomAt(1, e->position().x(), e->position().y());
    userMoved_ = true;
    update();
}

void MapCanvas::wheelEvent(QWheelEvent* e) {
    const double steps = e->angleDelta().y() / 120.0 * 0.5;
    vp_.zoomAt(steps, e->position().x(), e->position().y());
    userMoved_ = true;
    update();
}

void MapCanvas::keyPressEvent(QKeyEvent* e) {
    const double w = width() / 2.0, h = height() / 2.0;
    switch (e->key()) {
        case Qt::Key_Plus:
        case Qt::Key_Equal: vp_.zoomAt(0.5, w, h); break;
        case Qt::Key_Minus: vp_.zoomAt(-0.5, w, h); break;
        case Qt::Key_Left: vp_.panPixels(width() / 4.0, 0); break;
        case Qt::Key_Right: vp_.panPixels(-width() / 4.0, 0); break;
        case Qt::Key_Up: vp_.panPixels(0, height() / 4.0); break;
        case Qt::Key_Down: vp_.panPixels(0, -height() / 4.0); break;
        case Qt::Key_Home:
        case Qt::Key_0: fitAll(); return;
        default: QWidget::keyPressEvent(e); return;
    }
    userMoved_ = true;
    update();
}

// --- Window --------------------------------------------------------------------------------

namespace {
QString kindWord(const Context* ctx, ItemKind k) {
    return mapText(ctx, k == ItemKind::Route ? viewtext::Route : viewtext::Track);
}
}  // namespace

QString mapText(const Context* ctx, const UiText& t) {
    return ctx == nullptr ? QString::fromUtf8(t.english) : QString::fromStdString(messageText(*ctx, t.key, t.english, t.limit));
}

QString mapText(const Context* ctx, const UiText& t, const QString& a, const QString& b, const QString& c) {
    if (ctx == nullptr) {
        QString out = QString::fromUtf8(t.english);
        for (const QString* arg : {&a, &b, &c})
            if (int at = out.indexOf(QStringLiteral("%s")); at >= 0) out.replace(at, 2, *arg);
        return out;
    }
    const std::string sa = a.toStdString(), sb = b.toStdString(), sc = c.toStdString();
    return QString::fromStdString(formatMessage(*ctx, t.key, t.english, t.limit, sa.c_str(), sb.c_str(), sc.c_str()));
}

MapViewWindow::MapViewWindow(const QString& settingsFile, bool miles, QWidget* parent, const Context* texts)
    : QDialog(parent), texts_(texts), settingsFile_(settingsFile), tileSettings_(loadTileSettings(settingsFile)) {
    setObjectName(QStringLiteral("mapView"));
    setWindowFlags(Qt::Window);
    setModal(false);
    note_ = new QLabel(this);
    note_->setObjectName(QStringLiteral("mapNote"));
    note_->setStyleSheet(QStringLiteral("QLabel { background: #fff4c2; padding: 3px; }"));
    note_->hide();
    canvas_ = new MapCanvas(scene_, this);
    canvas_->setMiles(miles);
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("mapItems"));
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("mapSummary"));
    summary_->setWordWrap(true);
    summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* side = new QWidget(this);
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(0, 0, 0, 0);
    auto* summaryScroll = new QScrollArea(side);
    summaryScroll->setWidget(summary_);
    summaryScroll->setWidgetResizable(true);
    summaryScroll->setFrameShape(QFrame::NoFrame);
    summary_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    auto* sideSplit = new QSplitter(Qt::Vertical, side);
    sideSplit->addWidget(list_);
    sideSplit->addWidget(summaryScroll);
    sideLayout->addWidget(sideSplit, 1);
    auto* split = new QSplitter(this);
    split->addWidget(canvas_);
    split->addWidget(side);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 0);
    side->setMinimumWidth(300);

    fit_ = new QPushButton(mapText(texts_, viewtext::FitAll), this);
    fit_->setObjectName(QStringLiteral("fitAll"));
    tilesBox_ = new QCheckBox(mapText(texts_, viewtext::BackgroundMap), this);
    tilesBox_->setObjectName(QStringLiteral("tilesBox"));
    tilesBox_->setToolTip(tileSettings_.urlTemplate);
    settings_ = new QPushButton(mapText(texts_, viewtext::MapSettings), this);
    auto* close = new QPushButton(mapText(texts_, viewtext::Close), this);
    for (QPushButton* b : {fit_, settings_, close}) b->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(fit_);
    buttons->addWidget(tilesBox_);
    buttons->addWidget(settings_);
    buttons->addStretch(1);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note_);
    layout->addWidget(split, 1);
    layout->addLayout(buttons);
    // At most 90 % of the screen's room; the window manager places the frame.
    QSize size(1100, 700);
    if (const QScreen* screen = this->screen(); screen != nullptr)
        size = size.boundedTo(screen->availableGeometry().size() * 0.9);
    resize(size);

    connect(fit_, &QPushButton::clicked, canvas_, &MapCanvas::fitAll);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    connect(settings_, &QPushButton::clicked, this, &MapViewWindow::editMapSettings);
    connect(tilesBox_, &QCheckBox::toggled, this, [this](bool on) {
        setTilesEnabled(on);
        tileSettings_.enabled = on;
        saveTileSettings(settingsFile_, tileSettings_);
    });
    connect(list_, &QListWidget::itemChanged, this, &MapViewWindow::itemChanged);
    connect(list_, &QListWidget::itemSelectionChanged, this, &MapViewWindow::selectionChanged);
    tilesBox_->setChecked(tileSettings_.enabled);
    setTilesEnabled(tileSettings_.enabled);
}

MapViewWindow::~MapViewWindow() { canvas_->setTileLoader(nullptr); }

void MapViewWindow::setVisible(bool visible) {
    // Placed by its frame the first time, so its title bar is on the screen.
    if (visible && !std::exchange(placed_, true)) placeBeforeShowing(this);
    QDialog::setVisible(visible);
}

void MapViewWindow::setTilesEnabled(bool on) {
    canvas_->setTileLoader(nullptr);
    tilesNote_.clear();
    showNotes();
    loader_.reset();
    if (on) {
        loader_ = std::make_unique<TileLoader>(tileSettings_);
        connect(loader_.get(), &TileLoader::tileFailed, this, [this](TileLoader::Failure why) {
            const UiText& reason = why == TileLoader::Failure::Unreachable ? viewtext::Unreachable : viewtext::NoTile;
            tilesNote_ = mapText(texts_, viewtext::TilesFailed, mapText(texts_, reason));
            showNotes();
        });
        canvas_->setTileLoader(loader_.get());
    }
    if (tilesBox_->isChecked() != on) tilesBox_->setChecked(on);
}

void MapViewWindow::setNote(const QString& note) {
    note_->setProperty("note", note);
    showNotes();
}

void MapViewWindow::showNotes() {
    QString text = note_->property("note").toString();
    if (!tilesNote_.isEmpty()) text += (text.isEmpty() ? QString() : QStringLiteral("\n")) + tilesNote_;
    note_->setText(text);
    note_->setVisible(!text.isEmpty());
}

void MapViewWindow::showModel(const MapModel& model, const QString& title) {
    scene_.clearBefore();
    scene_.setModel(model);
    setWindowTitle(title);
    fillList();
    size_t points = 0;
    for (const MapItem& i : model.items) points += i.pointCount();
    summary_->setText(mapText(texts_, viewtext::Counts, QString::fromStdString(groupedNumber(model.items.size())),
                              QString::fromStdString(groupedNumber(points)),
                              QString::fromStdString(groupedNumber(model.waypoints.size()))));
    canvas_->fitAll();
}

void MapViewWindow::showComparison(const MapModel& before, const MapModel& after, const QString& title) {
    scene_.setModel(after);
    scene_.setBefore(before);
    setWindowTitle(title);
    fillList();
    QStringList lines;
    for (const ItemComparison& c : compareModels(before, after))
        lines << QString::fromStdString(comparisonLine(c, texts_));
    summary_->setText(lines.join(QLatin1Char('\n')));
    canvas_->fitAll();
}

void MapViewWindow::fillList() {
    QSignalBlocker block(list_);
    list_->clear();
    for (const SceneItem& s : scene_.layer().items) {
        auto* item = new QListWidgetItem(kindWord(texts_, s.item.kind) + QStringLiteral(": ") + QString::fromStdString(toUtf8(s.item.name)) +
                                             QStringLiteral(" (%1)").arg(QString::fromStdString(groupedNumber(s.item.pointCount()))),
                                         list_);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
        QPixmap swatch(12, 12);
        swatch.fill(itemColour(s.item));
        item->setIcon(QIcon(swatch));
    }
}

void MapViewWindow::itemChanged(QListWidgetItem* item) {
    const int row = list_->row(item);
    auto& items = scene_.layer().items;
    if (row < 0 || static_cast<size_t>(row) >= items.size()) return;
    items[static_cast<size_t>(row)].hidden = item->checkState() != Qt::Checked;
    canvas_->update();
}

void MapViewWindow::selectionChanged() {
    auto& items = scene_.layer().items;
    for (size_t i = 0; i < items.size(); ++i) items[i].highlighted = list_->item(static_cast<int>(i))->isSelected();
    canvas_->update();
}

void MapViewWindow::editMapSettings() {
    QDialog d(this);
    d.setWindowTitle(mapText(texts_, viewtext::SettingsTitle));
    auto* url = new QLineEdit(tileSettings_.urlTemplate, &d);
    url->setMinimumWidth(380);
    auto* attribution = new QLineEdit(tileSettings_.attribution, &d);
    auto* days = new QSpinBox(&d);
    days->setRange(0, 365);
    days->setValue(tileSettings_.expiryDays);
    auto* maxZoom = new QSpinBox(&d);
    maxZoom->setRange(0, 22);
    maxZoom->setValue(tileSettings_.maxZoom);
    auto* form = new QFormLayout(&d);
    form->addRow(mapText(texts_, viewtext::TileUrl), url);
    form->addRow(mapText(texts_, viewtext::Attribution), attribution);
    form->addRow(mapText(texts_, viewtext::MaxZoom), maxZoom);
    form->addRow(mapText(texts_, viewtext::KeepDays), days);
    form->addRow(new QLabel(mapText(texts_, viewtext::CachedIn, defaultTileCacheFolder()), &d));
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &d);
    box->button(QDialogButtonBox::Cancel)->setText(mapText(texts_, viewtext::Cancel));
    form->addRow(box);
    connect(box, &QDialogButtonBox::accepted, &d, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, &d, &QDialog::reject);
    if (d.exec() != QDialog::Accepted) return;
    tileSettings_.urlTemplate = url->text().trimmed();
    tileSettings_.attribution = attribution->text();
    tileSettings_.expiryDays = days->value();
    tileSettings_.maxZoom = maxZoom->value();
    saveTileSettings(settingsFile_, tileSettings_);
    tilesBox_->setToolTip(tileSettings_.urlTemplate);
    setTilesEnabled(tilesBox_->isChecked());
}

MapViewWindow* openMapWindow(const Context& ctx, const std::string& path, const std::string& beforePath,
                             const QString& note, QWidget* parent) {
    MapModel after, before;
    std::string error;
    if (loadMapModel(ctx, path, after, &error) != kModelRead ||
        (!beforePath.empty() && loadMapModel(ctx, beforePath, before, &error) != kModelRead)) {
        QMessageBox::warning(parent, QString::fromStdString(ctx.paths.appName), QString::fromStdString(error));
        return nullptr;
    }
    if (!beforePath.empty()) addFilePoints(ctx, beforePath, before);
    auto* w = new MapViewWindow(mapSettingsFile(ctx.paths), ctx.settings.milesMode != 0, parent, &ctx);
    w->setAttribute(Qt::WA_DeleteOnClose);
    const QString name = QFileInfo(QString::fromStdString(path)).fileName();
    if (beforePath.empty())
        w->showModel(after, name);
    else
        w->showComparison(before, after, name);
    w->setNote(note);
    if (!after.hasPoints() && before.hasPoints() == false)
        w->setNote((note.isEmpty() ? QString() : note + QLatin1Char(' ')) + mapText(&ctx, viewtext::NothingToDraw, name));
    w->show();
    return w;
}

}  // namespace trakor::view
