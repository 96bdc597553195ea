// SPDX-License-Identifier: GPL-3.0-or-later
// The painter's texts and shades, checked on its output: where it says it put each label, and
// the pixels there.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <string>

#include "view/map_painter.h"

using namespace trakor::view;

namespace {
constexpr double kPerDegree = 11930464.0;

GeoPoint at(double lat, double lon) {
    return {static_cast<int32_t>(lat * kPerDegree), static_cast<int32_t>(lon * kPerDegree)};
}

int lightness(QRgb c) { return QColor(c).lightness(); }

// Every pair of rectangles of the two lists (the same list: every other one) that overlap.
int overlaps(const std::vector<QRectF>& a, const std::vector<QRectF>& b) {
    int n = 0;
    for (size_t i = 0; i < a.size(); ++i)
        for (size_t j = 0; j < b.size(); ++j)
            if ((&a != &b || i != j) && a[i].intersects(b[j])) ++n;
    return n;
}
}  // namespace

// A crowd of waypoints over the whole picture, with the background map's attribution and the
// counts of a conversion: no label lies under a box, a symbol or another label, and each label
// is dark text on a light ground where the layout says it is.
TEST(MapPainter, LabelsKeepClearOfBoxesSymbolsAndEachOther) {
    MapModel model;
    for (int row = 0; row < 9; ++row)
        for (int col = 0; col < 7; ++col)
            model.waypoints.push_back({at(47.0 + row * 0.01, 8.0 + col * 0.015), "Waypoint " + std::to_string(row * 7 + col)});
    MapScene scene;
    scene.setModel(model);
    const Viewport vp = fitBox(scene.bounds(), 420, 320);
    PaintOptions o;
    o.tiles = [](const TileId&) -> const QImage* { return nullptr; };
    o.attribution = QStringLiteral("\u00a9 OpenStreetMap contributors");
    for (int i = 0; i < 40; ++i) o.notes << QStringLiteral("Track %1: 1 866 \u2192 100 points").arg(i);
    QImage img(vp.width, vp.height, QImage::Format_RGB32);
    PaintedLayout layout;
    {
        QPainter p(&img);
        paintMap(p, vp, scene, o, &layout);
    }
    ASSERT_FALSE(layout.scaleBar.isEmpty());
    ASSERT_FALSE(layout.attribution.isEmpty());
    ASSERT_FALSE(layout.notes.isEmpty());
    EXPECT_LE(layout.notes.height(), vp.height / 2.0);  // long lists are cut to half the picture
    EXPECT_EQ(layout.symbols.size(), model.waypoints.size());
    EXPECT_GT(layout.waypointLabels.size(), 10u);
    EXPECT_FALSE(layout.gridLabels.empty());

    const std::vector<QRectF> boxes{layout.scaleBar, layout.attribution, layout.notes};
    for (const std::vector<QRectF>* labels : {&layout.waypointLabels, &layout.gridLabels}) {
        EXPECT_EQ(overlaps(*labels, boxes), 0);
        EXPECT_EQ(overlaps(*labels, layout.symbols), 0);
        EXPECT_EQ(overlaps(*labels, *labels), 0);
    }
    EXPECT_EQ(overlaps(layout.waypointLabels, layout.gridLabels), 0);
    for (const QRectF& r : layout.waypointLabels) EXPECT_TRUE(QRectF(0, 0, vp.width, vp.height).contains(r));

    // Readable: within each label a light ground and dark letters.
    for (const std::vector<QRectF>* labels : {&layout.waypointLabels, &layout.gridLabels})
        for (const QRectF& r : *labels) {
            int light = 0, dark = 0, all = 0;
            for (int y = static_cast<int>(r.top()) + 1; y < static_cast<int>(r.bottom()); ++y)
                for (int x = static_cast<int>(r.left()) + 1; x < static_cast<int>(r.right()); ++x, ++all) {
                    const int l = lightness(img.pixel(x, y));
                    light += l > 225;
                    dark += l < 110;
                }
            EXPECT_GT(light, all / 3) << r.x() << "," << r.y();
            EXPECT_GT(dark, 4) << r.x() << "," << r.y();
        }
}

// The parts of a split track: every other one in the second shade, a lone "#2" name not.
TEST(MapPainter, PartsOfASplitTrackAlternateTheirShade) {
    MapModel model;
    const char* names[] = {"Ride#1", "Ride#2", "Ride#3", "Other#2"};
    for (int i = 0; i < 4; ++i) {
        MapItem item;
        item.name = names[i];
        item.colour = 5;  // dark blue: its second shade is lighter
        item.line = {at(47.0 + i * 0.01, 8.0), at(47.0 + i * 0.01, 8.1)};
        model.items.push_back(item);
    }
    MapScene scene;
    scene.setModel(model);
    const Viewport vp = fitBox(scene.bounds(), 400, 300);
    PaintOptions o;
    o.grid = false;
    o.antialias = false;
    QImage img(vp.width, vp.height, QImage::Format_RGB32);
    {
        QPainter p(&img);
        paintMap(p, vp, scene, o);
    }
    const QColor first = itemColour(model.items[0]);
    const QColor second = secondShadeOf(first);
    auto middleOf = [&](int i) {
        const WorldPoint w = projectSemicircles(model.items[i].line[0].lat, model.items[i].line[0].lon + static_cast<int32_t>(0.05 * kPerDegree));
        return img.pixelColor(static_cast<int>(vp.toScreenX(w.x)), static_cast<int>(std::lround(vp.toScreenY(w.y))));
    };
    EXPECT_EQ(middleOf(0), first);
    EXPECT_EQ(middleOf(1), second);
    EXPECT_EQ(middleOf(2), first);
    EXPECT_EQ(middleOf(3), first);

    // Every GDB colour has a second shade that stands apart from it.
    for (uint8_t index = 0; index <= 16; ++index) {
        const QColor c = QColor::fromRgb(colourRgb(index)), s = secondShadeOf(c);
        EXPECT_GT(std::abs(c.red() - s.red()) + std::abs(c.green() - s.green()) + std::abs(c.blue() - s.blue()), 90)
            << int(index);
    }
}
