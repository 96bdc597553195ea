// SPDX-License-Identifier: GPL-3.0-or-later
// Great-circle angle and initial bearing, used to tell left turns from right turns.
#pragma once

namespace trakor {

// Central angle in radians between two positions in degrees (haversine form).
double centralAngle(double lat1, double lon1, double lat2, double lon2);

// Bearing from the first position to the second, in degrees clockwise from north, 0 to 360.
// Identical positions give 0.
double initialBearing(double lat1, double lon1, double lat2, double lon2);

}  // namespace trakor
