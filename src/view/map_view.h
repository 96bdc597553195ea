// SPDX-License-Identifier: GPL-3.0-or-later
// The map window: a canvas painted with QPainter (drag to pan, wheel and keys to zoom, Home to
// fit all), a list of the routes and tracks beside it (untick to hide, select to highlight), the
// before/after counts, a one-line note, and the background map switch.
#pragma once

#include <QDialog>
#include <QWidget>
#include <memory>
#include <optional>

#include "core/context.h"
#include "view/map_model.h"
#include "view/map_painter.h"
#include "view/tile_loader.h"

class QCheckBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace trakor::view {

class MapCanvas : public QWidget {
    Q_OBJECT
public:
    explicit MapCanvas(MapScene& scene, QWidget* parent = nullptr);

    void fitAll();
    void setMiles(bool miles) { options_.miles = miles; }
    // Null: no background map.
    void setTileLoader(TileLoader* loader);
    const Viewport& viewport() const { return vp_; }
    Viewport& viewport() { return vp_; }

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent*) override;
    void wheelEvent(QWheelEvent*) override;
    void keyPressEvent(QKeyEvent*) override;

private:
    MapScene& scene_;
    Viewport vp_;
    PaintOptions options_;
    TileLoader* tiles_ = nullptr;
    // Until the user pans or zooms, a resize fits everything again.
    bool userMoved_ = false;
    bool dragging_ = false;
    QPointF last_;
};

class MapViewWindow : public QDialog {
    Q_OBJECT
public:
    // `settingsFile` keeps the background map choice (mapSettingsFile of the run's paths); the
    // texts are in the language of `texts` (English without it), which must outlive the window.
    MapViewWindow(const QString& settingsFile, bool miles, QWidget* parent = nullptr, const Context* texts = nullptr);
    ~MapViewWindow() override;

    // What to show: one model, or a result with the input faint under it and the counts of both.
    void showModel(const MapModel& model, const QString& title);
    void showComparison(const MapModel& before, const MapModel& after, const QString& title);
    // A one-line note above the map (empty: none).
    void setNote(const QString& note);

    MapCanvas* canvas() const { return canvas_; }
    QListWidget* list() const { return list_; }
    QLabel* summary() const { return summary_; }
    void setTilesEnabled(bool on);
    void setVisible(bool visible) override;

private:
    void fillList();
    void itemChanged(QListWidgetItem* item);
    void selectionChanged();
    void editMapSettings();
    // The caller's note and, below it, why the background map fails.
    void showNotes();

    const Context* texts_;
    QString settingsFile_;
    QString tilesNote_;
    TileSettings tileSettings_;
    std::unique_ptr<TileLoader> loader_;
    MapScene scene_;
    MapCanvas* canvas_;
    QListWidget* list_;
    QLabel* note_;
    QLabel* summary_;
    QCheckBox* tilesBox_;
    QPushButton* fit_;
    QPushButton* settings_;
    bool placed_ = false;
};

// Opens a map window for a file the program reads (GDB through the record readers, any other
// input through its importer); with `beforePath` the input of a conversion is drawn faint
// under it. Returns the window (deleted on close), or null after telling the user why the
// file cannot be shown.
MapViewWindow* openMapWindow(const Context& ctx, const std::string& path, const std::string& beforePath,
                             const QString& note, QWidget* parent);

}  // namespace trakor::view
