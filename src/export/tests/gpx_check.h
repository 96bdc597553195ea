// Reading our GPX output in the tests: its schema validity (xmllint) and what each element holds.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "testsupport/testsupport.h"

namespace trakor::test {

struct GpxFilePoint {
    double lat = 0, lon = 0;
    std::string name, cmt, sym, ele, time;
};
struct GpxFileRoute {
    std::string name;
    std::string kinds;          // per route point: 'V' via point, 'S' shaping point, '?' neither
    std::vector<size_t> links;  // gpxx:rpt elements per route point
    std::vector<GpxFilePoint> points;
};
struct GpxFile {
    std::vector<GpxFilePoint> waypoints;
    std::vector<GpxFileRoute> routes;
    std::vector<std::string> trackNames;
    std::vector<int> segments;  // per track
    std::vector<std::string> trackTimes;
};

namespace gpxcheck {
inline std::string unescape(std::string s) {
    const std::pair<const char*, const char*> ents[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
    for (auto [e, c] : ents)
        for (size_t p = s.find(e); p != std::string::npos; p = s.find(e, p + 1)) s.replace(p, std::strlen(e), c);
    return s;
}
// Text of the first <tag> in [from, to), or empty.
inline std::string text(const std::string& s, const std::string& tag, size_t from, size_t to) {
    const size_t a = s.find("<" + tag + ">", from);
    if (a == std::string::npos || a >= to) return {};
    const size_t b = s.find("</" + tag + ">", a);
    return b == std::string::npos || b > to ? std::string() : unescape(s.substr(a + tag.size() + 2, b - a - tag.size() - 2));
}
inline double attr(const std::string& s, const char* name, size_t from) {
    const size_t a = s.find(std::string(" ") + name + "=\"", from);
    return a == std::string::npos ? 0.0 : std::stod(s.substr(a + std::strlen(name) + 3));
}
inline size_t count(const std::string& s, const std::string& what, size_t from, size_t to) {
    size_t n = 0;
    for (size_t p = s.find(what, from); p != std::string::npos && p < to; p = s.find(what, p + 1)) ++n;
    return n;
}
inline GpxFilePoint point(const std::string& s, size_t at, size_t end) {
    GpxFilePoint p;
    p.lat = attr(s, "lat", at);
    p.lon = attr(s, "lon", at);
    const size_t ext = std::min(end, s.find("<extensions>", at));
    p.name = text(s, "name", at, ext);
    p.cmt = text(s, "cmt", at, ext);
    p.sym = text(s, "sym", at, ext);
    p.ele = text(s, "ele", at, ext);
    p.time = text(s, "time", at, ext);
    return p;
}
}  // namespace gpxcheck

inline GpxFile parseGpx(const std::string& s) {
    using namespace gpxcheck;
    GpxFile f;
    for (size_t p = s.find("<wpt "); p != std::string::npos; p = s.find("<wpt ", p + 1))
        f.waypoints.push_back(point(s, p, s.find("</wpt>", p)));
    for (size_t p = s.find("<rte>"); p != std::string::npos; p = s.find("<rte>", p + 1)) {
        const size_t end = s.find("</rte>", p);
        GpxFileRoute r;
        r.name = text(s, "name", p, std::min(end, s.find("<rtept ", p)));
        for (size_t q = s.find("<rtept ", p); q < end; q = s.find("<rtept ", q + 1)) {
            const size_t qEnd = s.find("</rtept>", q);
            const bool via = count(s, "<trp:ViaPoint", q, qEnd) == 1, shaping = count(s, "<trp:ShapingPoint", q, qEnd) == 1;
            r.kinds += via && !shaping ? 'V' : shaping && !via ? 'S' : '?';
            r.links.push_back(count(s, "<gpxx:rpt ", q, qEnd));
            r.points.push_back(point(s, q, qEnd));
        }
        f.routes.push_back(std::move(r));
    }
    for (size_t p = s.find("<trk>"); p != std::string::npos; p = s.find("<trk>", p + 1)) {
        const size_t end = s.find("</trk>", p);
        f.trackNames.push_back(text(s, "name", p, std::min(end, s.find("<trkseg>", p))));
        f.segments.push_back(static_cast<int>(count(s, "<trkseg>", p, end)));
        for (size_t q = s.find("<trkpt ", p); q < end; q = s.find("<trkpt ", q + 1)) {
            const std::string t = text(s, "time", q, s.find("</trkpt>", q));
            if (!t.empty()) f.trackTimes.push_back(t);
        }
    }
    return f;
}

// Validates GPX text against the shared GPX 1.1 schema with xmllint, when both are there.
inline void expectSchemaValid(const std::string& gpx) {
    const std::string schema = sharedFile("schemas/gpx11.xsd");
    if (schema.empty() || !haveProgram("xmllint")) {
        std::printf("schema check left out: xmllint or the shared GPX schema is missing\n");
        return;
    }
    TempDir dir;
    writeFile(dir.file("out.gpx"), gpx);
    std::string report;
    EXPECT_EQ(runCommand("xmllint --noout --schema " + quote(schema) + " " + quote(dir.file("out.gpx")) + " 2>&1",
                         &report),
              0)
        << report;
}

}  // namespace trakor::test
