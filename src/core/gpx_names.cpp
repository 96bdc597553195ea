// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/gpx_names.h"

#include <array>

namespace trakor {

namespace {

// Slot number = GDB symbol code, as MapSource numbers its symbols ("Number 3, Blue" is 199).
constexpr std::array<std::string_view, kWaypointSymbolSlots> kSymbolNames = {
    "Anchor", "Bell", "Diamond, Green", "Diamond, Red", "Diver Down Flag 1", "Diver Down Flag 2", "Bank",
    "Fishing Area", "Gas Station", "Horn", "Residence", "Restaurant", "Light", "Bar",
    "Skull and Crossbones", "Square, Green", "Square, Red", "Buoy, White", "Waypoint", "Shipwreck",
    "Man Overboard", "Navaid, Amber", "Navaid, Black", "Navaid, Blue", "Navaid, Green",
    "Navaid, Green/Red", "Navaid, Green/White", "Navaid, Orange", "Navaid, Red", "Navaid, Red/Green",
    "Navaid, Red/White", "Navaid, Violet", "Navaid, White", "Navaid, White/Green", "Navaid, White/Red",
    "Dot, White", "Radio Beacon", "Boat Ramp", "Campground", "Restroom", "Shower", "Drinking Water",
    "Telephone", "Medical Facility", "Information", "Parking Area", "Park", "Picnic Area", "Scenic Area",
    "Skiing Area", "Swimming Area", "Dam", "Controlled Area", "Danger Area", "Restricted Area",
    "Ball Park", "Car", "Hunting Area", "Shopping Center", "Lodging", "Mine", "Trail Head", "Truck Stop",
    "Exit", "Flag", "Circle with X", "Mile Marker", "TracBack Point", "Golf Course", "City (Small)",
    "City (Medium)", "City (Large)", "City (Capitol)", "Amusement Park", "Bowling", "Car Rental",
    "Car Repair", "Fast Food", "Fitness Center", "Movie Theater", "Museum", "Pharmacy", "Pizza",
    "Post Office", "RV Park", "School", "Stadium", "Department Store", "Zoo", "Convenience Store",
    "Live Theater", "Scales", "Toll Booth", "Bridge", "Building", "Cemetery", "Church", "Civil",
    "Crossing", "Ghost Town", "Levee", "Military", "Oil Field", "Tunnel", "Beach", "Forest", "Summit",
    "Airport", "Heliport", "Private Field", "Soft Field", "Tall Tower", "Short Tower", "Glider Area",
    "Ultralight Area", "Parachute Area", "Seaplane Base", "Geocache", "Geocache Found", "Contact, Afro",
    "Contact, Alien", "Contact, Ball Cap", "Contact, Big Ears", "Contact, Biker", "Contact, Bug",
    "Contact, Cat", "Contact, Dog", "Contact, Dreadlocks", "Contact, Female1", "Contact, Female2",
    "Contact, Female3", "Contact, Goatee", "Contact, Kung-Fu", "Contact, Pig", "Contact, Pirate",
    "Contact, Ranger", "Contact, Smiley", "Contact, Spike", "Contact, Sumo", "Water Hydrant", "Flag, Red",
    "Flag, Blue", "Flag, Green", "Pin, Red", "Pin, Blue", "Pin, Green", "Block, Red", "Block, Blue",
    "Block, Green", "Bike Trail", "Fishing Hot Spot Facility", "Police Station", "Ski Resort",
    "Ice Skating", "Wrecker", "Anchor Prohibited", "Beacon", "Coast Guard", "Reef", "Weed Bed", "Dropoff",
    "Dock", "Marina", "Bait and Tackle", "Stump", "Circle, Red", "Circle, Green", "Circle, Blue",
    "Diamond, Blue", "Oval, Red", "Oval, Green", "Oval, Blue", "Rectangle, Red", "Rectangle, Green",
    "Rectangle, Blue", "Square, Blue", "Letter A, Red", "Letter A, Green", "Letter A, Blue",
    "Letter B, Red", "Letter B, Green", "Letter B, Blue", "Letter C, Red", "Letter C, Green",
    "Letter C, Blue", "Letter D, Red", "Letter D, Green", "Letter D, Blue", "Number 0, Red",
    "Number 0, Green", "Number 0, Blue", "Number 1, Red", "Number 1, Green", "Number 1, Blue",
    "Number 2, Red", "Number 2, Green", "Number 2, Blue", "Number 3, Red", "Number 3, Green",
    "Number 3, Blue", "Number 4, Red", "Number 4, Green", "Number 4, Blue", "Number 5, Red", "Number 5, Green",
    "Number 5, Blue", "Number 6, Red", "Number 6, Green", "Number 6, Blue", "Number 7, Red",
    "Number 7, Green", "Number 7, Blue", "Number 8, Red", "Number 8, Green", "Number 8, Blue",
    "Number 9, Red", "Number 9, Green", "Number 9, Blue", "Triangle, Blue", "Triangle, Green",
    "Triangle, Red", "Contact, Blonde", "Contact, Clown", "Contact, Glasses", "Contact, Panda",
    "Multi-Cache", "Letterbox Cache", "Puzzle Cache", "Library", "Ground Transportation", "City Hall",
    "Winery", "ATV", "Big Game", "Blind", "Blood Trail", "Cover", "Covey", "Food Source", "Furbearer",
    "Lodge", "Small Game", "Animal Tracks", "Treed Quarry", "Tree Stand", "Truck", "Upland Game",
    "Waterfowl", "Water Source",
};

// The slot after White ("Transparant") never matches.
constexpr std::array<std::string_view, kDisplayColorSlots> kColorNames = {
    "Black", "DarkRed", "DarkGreen", "DarkYellow", "DarkBlue", "DarkMagenta", "DarkCyan", "LightGray",
    "DarkGray", "Red", "Green", "Yellow", "Blue", "Magenta", "Cyan", "White",
};

}  // namespace

std::string_view waypointSymbolName(int code) {
    if (code < 0 || code >= kWaypointSymbolSlots) return {};
    return kSymbolNames[static_cast<size_t>(code)];
}

int waypointSymbolCode(std::string_view name) {
    if (name.empty()) return -1;
    for (int i = 0; i < kWaypointSymbolSlots; ++i)
        if (kSymbolNames[static_cast<size_t>(i)] == name) return i;
    return -1;
}

uint8_t displayColorIndex(std::string_view name) {
    for (int i = 0; i < kDisplayColorSlots; ++i)
        if (kColorNames[static_cast<size_t>(i)] == name) return static_cast<uint8_t>(i + 1);
    return 0;
}

}  // namespace trakor
