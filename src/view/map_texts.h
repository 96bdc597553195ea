// SPDX-License-Identifier: GPL-3.0-or-later
// Texts of the map window and its settings dialog, by key, with their built-in English wording.
#pragma once

#include <QString>

#include "core/context.h"
#include "core/messages.h"

namespace trakor::view {

namespace viewtext {
inline constexpr UiText FitAll{"$MAP07", "Fit all", 32};
inline constexpr UiText BackgroundMap{"$MAP08", "Background map", 64};
inline constexpr UiText MapSettings{"$MAP09", "Map settings...", 64};
inline constexpr UiText Close{"$MAP10", "Close", 32};
inline constexpr UiText Route{"$MAP11", "Route", 32};
inline constexpr UiText Track{"$MAP12", "Track", 32};
inline constexpr UiText Counts{"$MAP13", "Routes and tracks: %s, points: %s, waypoints: %s", 128};
inline constexpr UiText SettingsTitle{"$MAP14", "Map settings", 64};
inline constexpr UiText TileUrl{"$MAP15", "Tile URL ({z}, {x}, {y})", 64};
inline constexpr UiText Attribution{"$MAP16", "Attribution", 64};
inline constexpr UiText MaxZoom{"$MAP17", "Highest tile zoom", 64};
inline constexpr UiText KeepDays{"$MAP18", "Keep tiles (days)", 64};
inline constexpr UiText CachedIn{"$MAP19", "Tiles are cached in %s", 128};
inline constexpr UiText NothingToDraw{"$MAP20", "%s holds no routes, tracks or waypoints.", 256};
inline constexpr UiText TilesFailed{"$MAP24", "Background map unavailable: %s", 256};
inline constexpr UiText Unreachable{"$MAP27", "server not reachable", 128};
inline constexpr UiText NoTile{"$MAP28", "the server's answers are no map tiles", 128};
inline constexpr UiText Cancel{"$PRF27", "Cancel", 32};
}  // namespace viewtext

// The text of a key in the run's language; English without a context.
QString mapText(const Context* ctx, const UiText& t);
// The same, formatted with string arguments for its "%s" placeholders.
QString mapText(const Context* ctx, const UiText& t, const QString& a, const QString& b = QString(),
                const QString& c = QString());

}  // namespace trakor::view
