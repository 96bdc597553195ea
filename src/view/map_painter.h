// SPDX-License-Identifier: GPL-3.0-or-later
// Paints the drawing model with QPainter: background, tiles, latitude/longitude grid, the input
// faint under the result, routes with their via points, tracks in their display colour,
// waypoints with names that do not overlap, scale bar and attribution. The map window and the
// command line's PNG rendering both paint through here.
#pragma once

#include <QColor>
#include <QImage>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "view/map_geometry.h"
#include "view/map_model.h"
#include "view/polyline_cache.h"

class QPainter;

namespace trakor::view {

// One item as the painter keeps it: the line projected and unwrapped, with its cache.
struct SceneItem {
    MapItem item;
    PolylineCache cache;
    std::vector<WorldPoint> marks;  // route points, unwrapped like the line
    bool hidden = false;
    bool highlighted = false;
    bool secondShade = false;  // every other part of a split route or track
};

struct SceneLayer {
    std::vector<SceneItem> items;
    std::vector<std::pair<WorldPoint, QString>> waypoints;
};

// The result (or the one input) and, after a conversion, the input drawn faint under it.
class MapScene {
public:
    void setModel(const MapModel& model);
    void setBefore(const MapModel& before);
    void clearBefore() { before_.reset(); }

    SceneLayer& layer() { return layer_; }
    const SceneLayer& layer() const { return layer_; }
    SceneLayer* before() { return before_ ? &*before_ : nullptr; }
    // The smallest box holding everything, across the antimeridian where that is narrower.
    WorldBox bounds() const;
    bool hasPoints() const;
    // Points of every line of the result layer (for the window's status line and the benchmark).
    size_t pointCount() const;

private:
    std::optional<SceneLayer> before_;
    SceneLayer layer_;
};

// Gives the image of a tile when it is at hand (memory or disk cache); never waits.
using TileLookup = std::function<const QImage*(const TileId&)>;

struct PaintOptions {
    bool grid = true;
    bool miles = false;
    TileLookup tiles;      // empty: no background map
    int maxTileZoom = 19;
    QString attribution;  // shown bottom right while tiles are drawn
    bool antialias = true;
    QStringList notes;    // lines in a box at the top left (the counts of a conversion)
};

// Where the painter put its texts and marks, in pixels. Labels never lie under the scale bar,
// the attribution, the notes, a waypoint's symbol or another label.
struct PaintedLayout {
    QRectF scaleBar, attribution, notes;  // empty when not drawn
    std::vector<QRectF> gridLabels;
    std::vector<QRectF> symbols;  // waypoint symbols
    std::vector<QRectF> waypointLabels;
};

void paintMap(QPainter& p, const Viewport& vp, MapScene& scene, const PaintOptions& options,
              PaintedLayout* layout = nullptr);

QColor itemColour(const MapItem& item);
// The other shade of a colour, for every other part of a split route or track: lighter for dark
// colours, darker for the others.
QColor secondShadeOf(const QColor& c);

}  // namespace trakor::view
