// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/map_painter.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <map>
#include <unordered_map>

#include "core/geo_math.h"
#include "platform/text_encoding.h"

namespace trakor::view {

namespace {

const QColor kOutside(0xd4, 0xd4, 0xd4);
const QColor kLand(0xf4, 0xf2, 0xec);
const QColor kGrid(0x9a, 0xa8, 0xb8, 140);
const QColor kFaint(0x70, 0x70, 0x70, 110);
const QColor kWaypoint(0x10, 0x30, 0x90);

SceneItem sceneItem(const MapItem& item) {
    SceneItem s;
    s.item = item;
    std::vector<WorldPoint> line;
    line.reserve(item.line.size());
    for (const GeoPoint& g : item.line) {
        WorldPoint p = projectSemicircles(g.lat, g.lon);
        if (!line.empty()) p.x = unwrapX(p.x, line.back().x);
        line.push_back(p);
    }
    double previous = line.empty() ? -1 : line.front().x;
    for (const RouteMark& m : item.marks) {
        WorldPoint p = projectSemicircles(m.pos.lat, m.pos.lon);
        if (previous >= -0.5) p.x = unwrapX(p.x, previous);
        previous = p.x;
        s.marks.push_back(p);
    }
    s.cache = PolylineCache(std::move(line));
    return s;
}

SceneLayer sceneLayer(const MapModel& model) {
    SceneLayer layer;
    // Parts of one split route or track: the names of their source with more than one part.
    std::map<std::string, int> parts;
    for (const MapItem& item : model.items)
        if (partNumberOf(item.name) > 0) ++parts[sourceNameOf(item.name)];
    for (const MapItem& item : model.items) {
        layer.items.push_back(sceneItem(item));
        const int part = partNumberOf(item.name);
        layer.items.back().secondShade = part % 2 == 0 && part > 0 && parts[sourceNameOf(item.name)] > 1;
    }
    for (const MapWaypoint& w : model.waypoints)
        layer.waypoints.emplace_back(projectSemicircles(w.pos.lat, w.pos.lon), QString::fromStdString(toUtf8(w.name)));
    return layer;
}

WorldBox itemBox(const SceneItem& s) {
    WorldBox b = s.cache.box();
    for (const WorldPoint& p : s.marks) b.add(p);
    return b;
}

// The whole-world shifts k for which box + k meets the visible box.
std::pair<int, int> copiesShowing(const WorldBox& box, const WorldBox& visible) {
    return {static_cast<int>(std::floor(visible.minX - box.maxX)), static_cast<int>(std::ceil(visible.maxX - box.minX))};
}

bool meets(const WorldBox& box, double shift, const WorldBox& visible) {
    return box.minX + shift <= visible.maxX && box.maxX + shift >= visible.minX && box.minY <= visible.maxY &&
           box.maxY >= visible.minY;
}

class Frame {
public:
    Frame(QPainter& p, const Viewport& vp) : p_(p), vp_(vp), s_(vp.scale()), visible_(vp.visibleBox()) {
        // A little beyond the window, so wide pens at the edge are not cut.
        const double pad = 8 / s_;
        visible_.minX -= pad;
        visible_.maxX += pad;
        visible_.minY -= pad;
        visible_.maxY += pad;
    }

    QPointF screen(const WorldPoint& w, double shift) const {
        return {(w.x + shift - vp_.centerX) * s_ + vp_.width / 2.0, (w.y - vp_.centerY) * s_ + vp_.height / 2.0};
    }

    void drawLine(SceneItem& item, const QPen& pen) {
        const WorldBox& box = item.cache.box();
        if (box.empty) return;
        auto [k0, k1] = copiesShowing(box, visible_);
        if (k1 - k0 > 64) return;
        p_.setPen(pen);
        const std::vector<Chunk>& chunks = item.cache.at(simplifyLevel(vp_.zoom));
        for (int k = k0; k <= k1; ++k) {
            if (!meets(box, k, visible_)) continue;
            for (const Chunk& c : chunks) {
                if (!meets(c.box, k, visible_)) continue;
                points_.clear();
                for (const WorldPoint& w : c.points) points_.push_back(screen(w, k));
                if (points_.size() == 1) points_.push_back(points_.front());
                p_.drawPolyline(points_.data(), static_cast<int>(points_.size()));
            }
        }
    }

    template <typename Fn>
    void forEachCopy(const WorldPoint& w, Fn fn) {
        WorldBox b;
        b.add(w);
        auto [k0, k1] = copiesShowing(b, visible_);
        for (int k = k0; k <= k1 && k - k0 < 64; ++k)
            if (meets(b, k, visible_)) fn(screen(w, k));
    }

    const WorldBox& visible() const { return visible_; }

private:
    QPainter& p_;
    const Viewport& vp_;
    double s_;
    WorldBox visible_;
    std::vector<QPointF> points_;
};

void paintBackground(QPainter& p, const Viewport& vp) {
    p.fillRect(QRectF(0, 0, vp.width, vp.height), kOutside);
    const double top = vp.toScreenY(0), bottom = vp.toScreenY(1);
    p.fillRect(QRectF(0, top, vp.width, bottom - top), kLand);
}

void paintTiles(QPainter& p, const Viewport& vp, const PaintOptions& o) {
    const int z = tileZoomFor(vp.zoom, o.maxTileZoom);
    const double n = math::exp2(z);
    const double size = vp.scale() / n;
    p.setRenderHint(QPainter::SmoothPixmapTransform, std::abs(size - kTileSize) > 0.5);
    for (const TilePlacement& t : tilesCovering(vp, z)) {
        const QImage* img = o.tiles(t.id);
        if (img == nullptr || img->isNull()) continue;
        // Whole pixels on both edges, so neighbouring tiles leave no seam.
        const double x0 = std::round(vp.toScreenX(t.unwrappedX / n)), y0 = std::round(vp.toScreenY(t.id.y / n));
        const double x1 = std::round(vp.toScreenX((t.unwrappedX + 1) / n)), y1 = std::round(vp.toScreenY((t.id.y + 1) / n));
        p.drawImage(QRectF(x0, y0, x1 - x0, y1 - y0), *img);
    }
}

QString degreeText(double value, char positive, char negative, double step) {
    const int decimals = step >= 1 ? 0 : static_cast<int>(std::ceil(-math::log10(step) - 1e-9));
    // 0 and 180 lie on no side.
    if (value == 0 || std::abs(value) == 180) return QStringLiteral("%1\u00b0").arg(std::abs(value), 0, 'f', decimals);
    return QStringLiteral("%1\u00b0%2").arg(std::abs(value), 0, 'f', decimals).arg(QLatin1Char(value < 0 ? negative : positive));
}

// Texts placed on the map keep clear of what is already there. The rectangles are filed by the
// 64-pixel cells they touch, so a picture with thousands of waypoint symbols asks few of them.
class Obstacles {
public:
    void add(const QRectF& r) {
        if (r.isEmpty()) return;
        rects_.push_back(r);
        forCells(r, [&](int64_t cell) {
            cells_[cell].push_back(rects_.size() - 1);
            return false;
        });
    }
    bool hits(const QRectF& r) const {
        return forCells(r, [&](int64_t cell) {
            auto it = cells_.find(cell);
            return it != cells_.end() &&
                   std::any_of(it->second.begin(), it->second.end(), [&](size_t i) { return rects_[i].intersects(r); });
        });
    }

private:
    // Calls fn for each cell of r until it returns true; whether it did.
    template <typename Fn>
    static bool forCells(const QRectF& r, Fn fn) {
        const int x0 = static_cast<int>(std::floor(r.left() / 64)), x1 = static_cast<int>(std::floor(r.right() / 64));
        const int y0 = static_cast<int>(std::floor(r.top() / 64)), y1 = static_cast<int>(std::floor(r.bottom() / 64));
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                if (fn((static_cast<int64_t>(y) << 32) ^ static_cast<uint32_t>(x))) return true;
        return false;
    }

    std::vector<QRectF> rects_;
    std::unordered_map<int64_t, std::vector<size_t>> cells_;
};

const QColor kGridText(0x30, 0x3c, 0x4a);
const QColor kLabelBack(255, 255, 255, 200);

QFont sizedFont(const QPainter& p, double points) {
    QFont f = p.font();
    f.setPointSizeF(points);
    return f;
}

// Grid lines; their labels come later, once the marks they must not cover are known.
struct GridLabel {
    QPointF anchor;  // left end of the text's base line
    QString text;
};

std::vector<GridLabel> paintGridLines(QPainter& p, const Viewport& vp, const QFontMetricsF& fm) {
    std::vector<GridLabel> labels;
    const double step = gridStepDegrees(vp.zoom);
    const WorldBox v = vp.visibleBox();
    p.setPen(QPen(kGrid, 1));
    const double top = std::max(0.0, vp.toScreenY(0)), bottom = std::min<double>(vp.height, vp.toScreenY(1));
    const double lonMin = v.minX * 360 - 180, lonMax = v.maxX * 360 - 180;
    int lines = 0;
    // Longitudes along the top edge, latitudes along the left one: the bottom corners hold the
    // scale bar and the attribution.
    for (double lon = std::ceil(lonMin / step) * step; lon <= lonMax && lines < 400; lon += step, ++lines) {
        const double x = vp.toScreenX((lon + 180) / 360);
        p.drawLine(QPointF(x, top), QPointF(x, bottom));
        double wrapped = std::remainder(lon, 360.0);
        if (std::abs(wrapped) < step / 1000) wrapped = 0;
        labels.push_back({QPointF(x + 3, top + fm.ascent() + 3), degreeText(wrapped, 'E', 'W', step)});
    }
    const double latTop = latitudeOf(std::max(0.0, v.minY)), latBottom = latitudeOf(std::min(1.0, v.maxY));
    lines = 0;
    for (double lat = std::ceil(latBottom / step) * step; lat <= latTop && lines < 400; lat += step, ++lines) {
        const double y = vp.toScreenY(project(lat, 0).y);
        p.drawLine(QPointF(0, y), QPointF(vp.width, y));
        labels.push_back({QPointF(3, y - fm.descent() - 3), degreeText(std::abs(lat) < step / 1000 ? 0 : lat, 'N', 'S', step)});
    }
    return labels;
}

// Dark text on a light box, so a label reads over tiles and lines alike.
void drawLabel(QPainter& p, const QRectF& box, const QString& text, const QColor& colour) {
    p.fillRect(box, kLabelBack);
    p.setPen(colour);
    p.drawText(box, Qt::AlignCenter, text);
}

QRectF labelBox(const QFontMetricsF& fm, const QString& text) {
    return QRectF(0, 0, fm.horizontalAdvance(text) + 4, fm.height());
}

void paintGridLabels(QPainter& p, const std::vector<GridLabel>& labels, Obstacles& clear, PaintedLayout& layout) {
    const QFont f = sizedFont(p, 8);
    p.setFont(f);
    const QFontMetricsF fm(f);
    for (const GridLabel& g : labels) {
        QRectF box = labelBox(fm, g.text);
        box.moveTopLeft(QPointF(g.anchor.x() - 2, g.anchor.y() - fm.ascent()));
        if (clear.hits(box)) continue;
        clear.add(box);
        layout.gridLabels.push_back(box);
        drawLabel(p, box, g.text, kGridText);
    }
}

struct ScaleBarPlace {
    ScaleBar bar;
    double x = 12, y = 0;
    QRectF textBox;
    QRectF whole;  // bar and text, empty when there is no bar
};

ScaleBarPlace placeScaleBar(const Viewport& vp, bool miles, const QFontMetricsF& fm) {
    ScaleBarPlace s;
    s.bar = scaleBarFor(latitudeOf(vp.centerY), vp.zoom, std::min(160, vp.width / 3), miles);
    s.y = vp.height - 14;
    if (s.bar.pixels < 1) return s;
    const QString text = QString::fromStdString(s.bar.label);
    s.textBox = fm.boundingRect(text).translated(s.x + 4, s.y - 7).adjusted(-2, -1, 2, 1);
    s.whole = QRectF(s.x - 3, s.y - 6, s.bar.pixels + 6, 11).united(s.textBox);
    return s;
}

void paintScaleBar(QPainter& p, const ScaleBarPlace& s, const QFont& f) {
    if (s.whole.isEmpty()) return;
    const double x = s.x, y = s.y, w = s.bar.pixels;
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(Qt::white, 5));
    p.drawLine(QPointF(x, y), QPointF(x + w, y));
    p.setPen(QPen(Qt::black, 2));
    p.drawLine(QPointF(x, y), QPointF(x + w, y));
    p.drawLine(QPointF(x, y - 5), QPointF(x, y + 2));
    p.drawLine(QPointF(x + w, y - 5), QPointF(x + w, y + 2));
    p.setFont(f);
    p.fillRect(s.textBox, QColor(255, 255, 255, 190));
    p.drawText(QPointF(x + 4, y - 7), QString::fromStdString(s.bar.label));
}

QRectF attributionBox(const Viewport& vp, const QString& text, const QFontMetricsF& fm) {
    if (text.isEmpty()) return QRectF();
    const double w = fm.horizontalAdvance(text) + 8, h = fm.height() + 2;
    return QRectF(vp.width - w, vp.height - h, w, h);
}

void paintAttribution(QPainter& p, const QRectF& r, const QString& text, const QFont& f) {
    if (r.isEmpty()) return;
    p.setFont(f);
    p.fillRect(r, QColor(255, 255, 255, 200));
    p.setPen(Qt::black);
    p.drawText(r, Qt::AlignCenter, text);
}

// The notes' lines as many as fit in the upper half of the picture, the last one saying how
// many more there are.
QStringList fittingNotes(const QStringList& notes, const Viewport& vp, const QFontMetricsF& fm) {
    const int room = std::max(1, static_cast<int>((vp.height / 2.0 - 8) / fm.lineSpacing()));
    if (notes.size() <= room) return notes;
    QStringList shown = notes.mid(0, room - 1);
    shown << QStringLiteral("\u2026 +%1").arg(notes.size() - shown.size());
    return shown;
}

QRectF notesBox(const QStringList& lines, const Viewport& vp, const QFontMetricsF& fm) {
    if (lines.isEmpty()) return QRectF();
    double w = 0;
    for (const QString& l : lines) w = std::max(w, fm.horizontalAdvance(l));
    w = std::min<double>(w + 12, vp.width - 8);
    return QRectF(4, 4, w, lines.size() * fm.lineSpacing() + 8);
}

void paintNotes(QPainter& p, const QRectF& box, const QStringList& lines, const QFont& f) {
    if (box.isEmpty()) return;
    p.setFont(f);
    const QFontMetricsF fm(f);
    p.setPen(QPen(QColor(0x60, 0x60, 0x60), 1));
    p.setBrush(QColor(255, 255, 255, 225));
    p.drawRect(box);
    p.setPen(Qt::black);
    double y = box.top() + 4 + fm.ascent();
    for (const QString& l : lines) {
        p.drawText(QPointF(box.left() + 6, y), fm.elidedText(l, Qt::ElideRight, box.width() - 12));
        y += fm.lineSpacing();
    }
}

bool lightColour(uint8_t index) { return index == 8 || index == 12 || index == 16; }

void paintLayer(QPainter& p, Frame& frame, SceneLayer& layer, bool faint, bool antialias) {
    p.setRenderHint(QPainter::Antialiasing, antialias);
    p.setBrush(Qt::NoBrush);
    if (faint) {
        QPen pen(kFaint, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        for (SceneItem& s : layer.items)
            if (!s.hidden) frame.drawLine(s, pen);
        return;
    }
    // Highlighted items last, on top of the others.
    for (int pass = 0; pass < 2; ++pass) {
        for (SceneItem& s : layer.items) {
            if (s.hidden || s.highlighted != (pass == 1)) continue;
            const double width = s.highlighted ? 4.5 : 2.0;
            if (s.highlighted || lightColour(s.item.colour))
                frame.drawLine(s, QPen(QColor(0, 0, 0, 150), width + 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            const QColor c = s.secondShade ? secondShadeOf(itemColour(s.item)) : itemColour(s.item);
            frame.drawLine(s, QPen(c, width, Qt::SolidLine, Qt::FlatCap, Qt::BevelJoin));
        }
    }
    // Route points: visible via points as filled circles, invisible ones as small hollow squares.
    p.setRenderHint(QPainter::Antialiasing, antialias);
    for (SceneItem& s : layer.items) {
        if (s.hidden) continue;
        const QColor c = s.secondShade ? secondShadeOf(itemColour(s.item)) : itemColour(s.item);
        for (size_t i = 0; i < s.marks.size(); ++i) {
            const bool visible = s.item.marks[i].visible;
            frame.forEachCopy(s.marks[i], [&](QPointF at) {
                if (visible) {
                    p.setPen(QPen(Qt::black, 1.2));
                    p.setBrush(c);
                    p.drawEllipse(at, 4.5, 4.5);
                } else {
                    p.setPen(QPen(QColor(60, 60, 60), 1.2));
                    p.setBrush(Qt::white);
                    p.drawRect(QRectF(at.x() - 2.5, at.y() - 2.5, 5, 5));
                }
            });
        }
    }
}

// Symbols first, then the names: to the right of their symbol, else left, above or below, where
// they cover no symbol, no other label and none of the fixed boxes; a name without room is left out.
void paintWaypoints(QPainter& p, Frame& frame, const SceneLayer& layer, const Viewport& vp, Obstacles& clear,
                    PaintedLayout& layout) {
    struct Placed {
        QPointF at;
        const QString* name;
    };
    std::vector<Placed> placed;
    p.setPen(QPen(Qt::white, 1));
    p.setBrush(kWaypoint);
    for (const auto& waypoint : layer.waypoints) {
        frame.forEachCopy(waypoint.first, [&](QPointF at) {
            const QPointF tri[3] = {at + QPointF(0, -6), at + QPointF(5, 3), at + QPointF(-5, 3)};
            p.drawPolygon(tri, 3);
            const QRectF symbol(at.x() - 6, at.y() - 7, 12, 11);
            layout.symbols.push_back(symbol);
            placed.push_back({at, &waypoint.second});
        });
    }
    for (const QRectF& r : layout.symbols) clear.add(r);
    const QFont f = sizedFont(p, 8);
    p.setFont(f);
    const QFontMetricsF fm(f);
    const QRectF picture(0, 0, vp.width, vp.height);
    for (const Placed& w : placed) {
        if (w.name->isEmpty() || layout.waypointLabels.size() >= 400) continue;
        const QRectF box = labelBox(fm, *w.name);
        const double h = box.height(), wd = box.width();
        const QPointF corners[] = {w.at + QPointF(7, -h / 2), w.at + QPointF(-7 - wd, -h / 2), w.at + QPointF(-wd / 2, -8 - h),
                                   w.at + QPointF(-wd / 2, 5)};
        for (const QPointF& c : corners) {
            const QRectF r(c, box.size());
            if (!picture.contains(r) || clear.hits(r)) continue;
            clear.add(r);
            layout.waypointLabels.push_back(r);
            drawLabel(p, r, *w.name, kWaypoint);
            break;
        }
    }
}

}  // namespace

void MapScene::setModel(const MapModel& model) { layer_ = sceneLayer(model); }

void MapScene::setBefore(const MapModel& before) { before_ = sceneLayer(before); }

WorldBox MapScene::bounds() const {
    std::vector<WorldBox> boxes;
    auto add = [&boxes](const SceneLayer& l) {
        for (const SceneItem& s : l.items) boxes.push_back(itemBox(s));
        for (const auto& w : l.waypoints) {
            WorldBox b;
            b.add(w.first);
            boxes.push_back(b);
        }
    };
    add(layer_);
    if (before_) add(*before_);
    return circularBounds(boxes);
}

bool MapScene::hasPoints() const { return !bounds().empty; }

size_t MapScene::pointCount() const {
    size_t n = 0;
    for (const SceneItem& s : layer_.items) n += s.cache.line().size();
    return n;
}

QColor itemColour(const MapItem& item) {
    uint8_t index = item.colour;
    if (index == 0 && item.kind == ItemKind::Route) index = 14;  // routes default to magenta
    return QColor::fromRgb(colourRgb(index));
}

QColor secondShadeOf(const QColor& c) {
    if (c.lightness() < 90) {
        // Dark colours (black, navy) turn a mid tone: darkening them would show no difference.
        return QColor((c.red() + 2 * 160) / 3, (c.green() + 2 * 160) / 3, (c.blue() + 2 * 160) / 3);
    }
    return c.darker(200);
}

void paintMap(QPainter& p, const Viewport& vp, MapScene& scene, const PaintOptions& options, PaintedLayout* layout) {
    PaintedLayout local;
    PaintedLayout& out = layout != nullptr ? *layout : local;
    out = PaintedLayout{};
    p.save();
    paintBackground(p, vp);
    if (options.tiles) paintTiles(p, vp, options);

    // The fixed boxes are placed first: nothing else may lie under them.
    const QFont barFont = sizedFont(p, 8), smallFont = sizedFont(p, 7.5), notesFont = sizedFont(p, 9);
    const ScaleBarPlace bar = placeScaleBar(vp, options.miles, QFontMetricsF(barFont));
    const QString attribution = options.tiles ? options.attribution : QString();
    const QRectF attributionRect = attributionBox(vp, attribution, QFontMetricsF(smallFont));
    const QStringList notes = fittingNotes(options.notes, vp, QFontMetricsF(notesFont));
    const QRectF notesRect = notesBox(notes, vp, QFontMetricsF(notesFont));
    out.scaleBar = bar.whole;
    out.attribution = attributionRect;
    out.notes = notesRect;
    Obstacles clear;
    for (const QRectF& r : {bar.whole, attributionRect, notesRect}) clear.add(r);

    p.setRenderHint(QPainter::Antialiasing, false);
    std::vector<GridLabel> gridLabels;
    if (options.grid) gridLabels = paintGridLines(p, vp, QFontMetricsF(sizedFont(p, 8)));
    Frame frame(p, vp);
    if (SceneLayer* before = scene.before()) paintLayer(p, frame, *before, true, options.antialias);
    paintLayer(p, frame, scene.layer(), false, options.antialias);
    p.setRenderHint(QPainter::Antialiasing, options.antialias);
    paintWaypoints(p, frame, scene.layer(), vp, clear, out);
    p.setRenderHint(QPainter::Antialiasing, false);
    paintGridLabels(p, gridLabels, clear, out);
    p.setRenderHint(QPainter::Antialiasing, options.antialias);
    paintScaleBar(p, bar, barFont);
    paintAttribution(p, attributionRect, attribution, smallFont);
    paintNotes(p, notesRect, notes, notesFont);
    p.restore();
}

}  // namespace trakor::view
