// SPDX-License-Identifier: GPL-3.0-or-later
// The GPX reader against libxml2 on the same bytes: every document libxml2 reads as well formed
// is one our reader reads whole, and the waypoints and track points it hands on are those a walk
// of libxml2's tree finds. Left out: document type declarations (entities of their own) and
// declared encodings (libxml2 knows more of them than our parser is given), and documents with
// namespace faults, which libxml2 only warns of.
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/coordinates.h"
#include "fuzz/fuzz_context.h"
#include "gdb/stream.h"
#include "import/reader.h"

namespace {

using Position = std::pair<int32_t, int32_t>;
using Track = std::vector<Position>;

bool gNamespaceFault = false;

void noteError(void*, xmlErrorPtr e) {
    if (e != nullptr && e->domain == XML_FROM_NAMESPACE) gNamespaceFault = true;
}

bool gpxElement(xmlNodePtr n, const char* name) {
    if (n->type != XML_ELEMENT_NODE || std::strcmp(reinterpret_cast<const char*>(n->name), name) != 0) return false;
    const char* href = n->ns && n->ns->href ? reinterpret_cast<const char*>(n->ns->href) : "";
    return *href == '\0' || std::string_view(href).starts_with("http://www.topografix.com/GPX/");
}

// A coordinate attribute as a plain decimal number (blanks around it allowed), from strtod.
bool degrees(xmlNodePtr n, const char* name, double& out) {
    xmlChar* v = xmlGetNoNsProp(n, reinterpret_cast<const xmlChar*>(name));
    if (v == nullptr) return false;
    std::string text(reinterpret_cast<const char*>(v));
    xmlFree(v);
    const size_t first = text.find_first_not_of(" \t\r\n"), last = text.find_last_not_of(" \t\r\n");
    if (first == std::string::npos) return false;
    text = text.substr(first, last - first + 1);
    if (text.find_first_of("xXnNiIpP") != std::string::npos) return false;  // hexadecimal, inf, nan
    char* end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size();
}

bool position(xmlNodePtr n, Position& p) {
    double lat = 0, lon = 0;
    if (!degrees(n, "lat", lat) || !degrees(n, "lon", lon) || !trakor::possibleCoordinates(lat, lon)) return false;
    p = {trakor::degreesToSemicircles(lat), trakor::degreesToSemicircles(lon)};
    return true;
}

// The track points below a track, none inside another point; a point at the place of the one
// before is the same point.
void trackPoints(xmlNodePtr n, Track& t) {
    for (xmlNodePtr c = n->children; c != nullptr; c = c->next) {
        if (c->type != XML_ELEMENT_NODE) continue;
        Position p;
        if (!gpxElement(c, "trkpt")) trackPoints(c, t);
        else if (position(c, p) && (t.empty() || t.back() != p)) t.push_back(p);
    }
}

// A waypoint, a track, or an element whose children are looked at; routes are passed over.
void visit(xmlNodePtr c, size_t& waypoints, std::vector<Track>& tracks) {
    Position p;
    if (gpxElement(c, "wpt")) {
        waypoints += position(c, p) ? 1 : 0;
    } else if (gpxElement(c, "trk")) {
        Track t;
        trackPoints(c, t);
        if (t.size() >= 2) tracks.push_back(std::move(t));
    } else if (!gpxElement(c, "rte") && c->type == XML_ELEMENT_NODE) {
        for (xmlNodePtr k = c->children; k != nullptr; k = k->next) visit(k, waypoints, tracks);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    xmlInitParser();
    xmlSetStructuredErrorFunc(nullptr, noteError);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (text.find("<!DOCTYPE") != std::string_view::npos || text.substr(0, 256).find("encoding") != std::string_view::npos ||
        text.find('\0') != std::string_view::npos)
        return 0;

    // Ours: routes are not read (they ask first), every point is kept.
    trakor::Context& ctx = trakor::fuzz::freshContext();
    ctx.settings.RemovalDistance = 0;
    ctx.settings.RemovalGlitches = 0;
    ctx.run.importQuestion = 2;
    trakor::MemoryStream out;
    trakor::ImportJob job{out};
    size_t ourWaypoints = 0;
    std::vector<Track> ourTracks;
    job.onWaypoint = [&](trakor::Context&, const std::string&, int32_t, const trakor::ImportedWaypointDetails&) {
        ++ourWaypoints;
    };
    job.onEmit = [&](trakor::Context& c, const std::string&) {
        Track t;
        for (int32_t i = 0; i < c.store.count; ++i) t.emplace_back(c.store.lat[i], c.store.lon[i]);
        ourTracks.push_back(std::move(t));
    };
    trakor::readGpx(ctx, job, data, size);

    gNamespaceFault = false;
    xmlDocPtr doc = xmlReadMemory(text.data(), static_cast<int>(size), nullptr, nullptr, XML_PARSE_NONET | XML_PARSE_HUGE);
    if (doc == nullptr || gNamespaceFault) {
        xmlFreeDoc(doc);
        return 0;
    }
    size_t waypoints = 0;
    std::vector<Track> tracks;
    if (xmlNodePtr root = xmlDocGetRootElement(doc)) visit(root, waypoints, tracks);
    xmlFreeDoc(doc);
    if (!ctx.run.cutNote.empty() || waypoints != ourWaypoints || tracks != ourTracks) __builtin_trap();
    return 0;
}
