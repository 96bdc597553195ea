#include "view/map_painter.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

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
    for (const MapItem& item : model.items) layer.items.push_back(sceneItem(item));
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
    const double n = std::exp2(z);
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
    const int decimals = step >= 1 ? 0 : static_cast<int>(std::ceil(-std::log10(step) - 1e-9));
    // 0 and 180 lie on no side.
    if (value == 0 || std::abs(value) == 180) return QStringLiteral("%1\u00b0").arg(std::abs(value), 0, 'f', decimals);
    return QStringLiteral("%1\u00b0%2").arg(std::abs(value), 0, 'f', decimals).arg(QLatin1Char(value < 0 ? negative : positive));
}

void paintGrid(QPainter& p, const Viewport& vp) {
    const double step = gridStepDegrees(vp.zoom);
    const WorldBox v = vp.visibleBox();
    p.setPen(QPen(kGrid, 1));
    QFont f = p.font();
    f.setPointSizeF(7.5);
    p.setFont(f);
    const double top = std::max(0.0, vp.toScreenY(0)), bottom = std::min<double>(vp.height, vp.toScreenY(1));
    const double lonMin = v.minX * 360 - 180, lonMax = v.maxX * 360 - 180;
    int lines = 0;
    for (double lon = std::ceil(lonMin / step) * step; lon <= lonMax && lines < 400; lon += step, ++lines) {
        const double x = vp.toScreenX((lon + 180) / 360);
        p.drawLine(QPointF(x, top), QPointF(x, bottom));
        double wrapped = std::remainder(lon, 360.0);
        if (std::abs(wrapped) < step / 1000) wrapped = 0;
        p.drawText(QPointF(x + 2, bottom - 3), degreeText(wrapped, 'E', 'W', step));
    }
    const double latTop = latitudeOf(std::max(0.0, v.minY)), latBottom = latitudeOf(std::min(1.0, v.maxY));
    lines = 0;
    for (double lat = std::ceil(latBottom / step) * step; lat <= latTop && lines < 400; lat += step, ++lines) {
        const double y = vp.toScreenY(project(lat, 0).y);
        p.drawLine(QPointF(0, y), QPointF(vp.width, y));
        p.drawText(QPointF(2, y - 2), degreeText(std::abs(lat) < step / 1000 ? 0 : lat, 'N', 'S', step));
    }
}

void paintScaleBar(QPainter& p, const Viewport& vp, bool miles) {
    const ScaleBar bar = scaleBarFor(latitudeOf(vp.centerY), vp.zoom, std::min(160, vp.width / 3), miles);
    if (bar.pixels < 1) return;
    const double x = 12, y = vp.height - 14;
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(Qt::white, 5));
    p.drawLine(QPointF(x, y), QPointF(x + bar.pixels, y));
    p.setPen(QPen(Qt::black, 2));
    p.drawLine(QPointF(x, y), QPointF(x + bar.pixels, y));
    p.drawLine(QPointF(x, y - 5), QPointF(x, y + 2));
    p.drawLine(QPointF(x + bar.pixels, y - 5), QPointF(x + bar.pixels, y + 2));
    QFont f = p.font();
    f.setPointSizeF(8);
    p.setFont(f);
    const QString text = QString::fromStdString(bar.label);
    const QRectF box = QFontMetricsF(f).boundingRect(text).translated(x + 4, y - 7);
    p.fillRect(box.adjusted(-2, -1, 2, 1), QColor(255, 255, 255, 190));
    p.drawText(QPointF(x + 4, y - 7), text);
}

void paintAttribution(QPainter& p, const Viewport& vp, const QString& text) {
    if (text.isEmpty()) return;
    QFont f = p.font();
    f.setPointSizeF(7.5);
    p.setFont(f);
    QFontMetricsF fm(f);
    const double w = fm.horizontalAdvance(text) + 8, h = fm.height() + 2;
    const QRectF r(vp.width - w, vp.height - h, w, h);
    p.fillRect(r, QColor(255, 255, 255, 200));
    p.setPen(Qt::black);
    p.drawText(r, Qt::AlignCenter, text);
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
            frame.drawLine(s, QPen(itemColour(s.item), width, Qt::SolidLine, Qt::FlatCap, Qt::BevelJoin));
        }
    }
    // Route points: visible via points as filled circles, invisible ones as small hollow squares.
    p.setRenderHint(QPainter::Antialiasing, antialias);
    for (SceneItem& s : layer.items) {
        if (s.hidden) continue;
        const QColor c = itemColour(s.item);
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

void paintWaypoints(QPainter& p, Frame& frame, const SceneLayer& layer) {
    QFont f = p.font();
    f.setPointSizeF(8);
    p.setFont(f);
    QFontMetricsF fm(f);
    std::vector<QRectF> taken;
    for (const auto& waypoint : layer.waypoints) {
        const QString& name = waypoint.second;
        frame.forEachCopy(waypoint.first, [&](QPointF at) {
            p.setPen(QPen(Qt::white, 1));
            p.setBrush(kWaypoint);
            const QPointF tri[3] = {at + QPointF(0, -6), at + QPointF(5, 3), at + QPointF(-5, 3)};
            p.drawPolygon(tri, 3);
            if (name.isEmpty() || taken.size() >= 400) return;
            QRectF r = fm.boundingRect(name);
            r.moveTopLeft(at + QPointF(7, -r.height() / 2));
            for (const QRectF& t : taken)
                if (t.intersects(r)) return;
            taken.push_back(r);
            p.fillRect(r.adjusted(-1, 0, 1, 0), QColor(255, 255, 255, 170));
            p.setPen(kWaypoint);
            p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter, name);
        });
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

void paintMap(QPainter& p, const Viewport& vp, MapScene& scene, const PaintOptions& options) {
    p.save();
    paintBackground(p, vp);
    if (options.tiles) paintTiles(p, vp, options);
    p.setRenderHint(QPainter::Antialiasing, false);
    if (options.grid) paintGrid(p, vp);
    Frame frame(p, vp);
    if (SceneLayer* before = scene.before()) paintLayer(p, frame, *before, true, options.antialias);
    paintLayer(p, frame, scene.layer(), false, options.antialias);
    p.setRenderHint(QPainter::Antialiasing, options.antialias);
    paintWaypoints(p, frame, scene.layer());
    paintScaleBar(p, vp, options.miles);
    if (options.tiles) paintAttribution(p, vp, options.attribution);
    p.restore();
}

}  // namespace trakor::view
