// SPDX-License-Identifier: GPL-3.0-or-later
// Plain geometry of the map view: Web Mercator projection, the viewport, slippy-map tile
// arithmetic, the scale bar and the latitude/longitude grid. No Qt here, so the command line,
// the desktop program and the tests share it.
//
// World coordinates run from 0 to 1 in both directions (x east from longitude -180, y south
// from latitude +85.0511); a viewport at zoom z shows 256 * 2^z pixels for the whole world.
// x is not wrapped: a line that crosses the antimeridian keeps going past 1 (or below 0), and
// the painter draws every copy of the world that the window shows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace trakor::view {

// Latitude beyond which Web Mercator is clipped (the square world of the tile servers).
constexpr double kMaxLatitude = 85.0511287798066;
constexpr int kTileSize = 256;
constexpr double kMinZoom = 0.0;
constexpr double kMaxZoom = 20.0;
// Equatorial radius of WGS 84, the sphere of Web Mercator.
constexpr double kEarthRadius = 6378137.0;

struct WorldPoint {
    double x = 0.0, y = 0.0;
};

struct WorldBox {
    double minX = 0.0, minY = 0.0, maxX = 0.0, maxY = 0.0;
    bool empty = true;
    void add(const WorldPoint& p);
    void add(const WorldBox& b);
    bool intersects(const WorldBox& b) const {
        return !empty && !b.empty && minX <= b.maxX && b.minX <= maxX && minY <= b.maxY && b.minY <= maxY;
    }
};

double clampLatitude(double lat);
WorldPoint project(double lat, double lon);
// Semicircles, as the point store and the GDB records hold them.
WorldPoint projectSemicircles(int32_t lat, int32_t lon);
double latitudeOf(double y);
double longitudeOf(double x);  // wrapped into [-180, 180)

// Moves x by whole worlds so that it lies within half a world of `previous`: consecutive
// points of a line never jump across the map at the antimeridian.
double unwrapX(double x, double previous);

// What the window shows: the world point at its centre, the zoom and its size in pixels.
struct Viewport {
    double centerX = 0.5, centerY = 0.5;
    double zoom = 1.0;
    int width = 800, height = 600;

    double scale() const;  // pixels per world unit
    double toScreenX(double x) const { return (x - centerX) * scale() + width / 2.0; }
    double toScreenY(double y) const { return (y - centerY) * scale() + height / 2.0; }
    WorldPoint toWorld(double sx, double sy) const;
    WorldBox visibleBox() const;
    // Zooms by `steps` (powers of two) keeping the world point under (sx, sy) in place.
    void zoomAt(double steps, double sx, double sy);
    void panPixels(double dx, double dy);
    // Keeps the zoom in range, the centre x inside [0, 1) and the centre y on the world.
    void normalise();
};

// A viewport that shows `box` with a margin of `marginPx` on every side; a box of one point
// (or none) is shown at zoom 14 (none: the whole world).
Viewport fitBox(const WorldBox& box, int width, int height, int marginPx = 24);

// The box of a set of x ranges on the circle of longitudes: the ranges are moved by whole
// worlds so that together they span the least width (the largest gap becomes the outside).
// Each entry is one line's box in unwrapped coordinates; the result may reach beyond [0, 1].
WorldBox circularBounds(const std::vector<WorldBox>& boxes);

// --- Tiles ---------------------------------------------------------------------------------

struct TileId {
    int z = 0, x = 0, y = 0;
    bool operator==(const TileId&) const = default;
};

// The tile holding a position at zoom z (x wrapped, y clamped to the world).
TileId tileAt(double lat, double lon, int z);
// North-west corner of a tile in world coordinates.
WorldPoint tileOrigin(int z, int x, int y);
// The tile zoom for a view zoom: rounded, within [0, maxTileZoom].
int tileZoomFor(double zoom, int maxTileZoom = 19);

// One tile to draw: its id (x wrapped into range) and where its world copy lies (unwrapped x).
struct TilePlacement {
    TileId id;
    int unwrappedX = 0;
};
// The tiles that cover the viewport at tile zoom z, rows outside the world left out.
std::vector<TilePlacement> tilesCovering(const Viewport& vp, int z);

// A URL template with {z}, {x}, {y} (and {s}, taken as "a") filled in.
std::string tileUrl(const std::string& urlTemplate, const TileId& id);

// --- Scale bar and grid --------------------------------------------------------------------

// Metres per pixel at latitude `lat` and zoom.
double metresPerPixel(double lat, double zoom);

struct ScaleBar {
    double pixels = 0.0;  // length of the bar
    std::string label;    // "500 m", "2 km", "1 mi", "500 ft"
};
// The longest round length (1, 2 or 5 times a power of ten) that fits into maxPixels.
ScaleBar scaleBarFor(double lat, double zoom, int maxPixels, bool miles);

// Grid spacing in degrees for lines at least minPixels apart at this zoom.
double gridStepDegrees(double zoom, double minPixels = 80.0);

}  // namespace trakor::view
