// SPDX-License-Identifier: GPL-3.0-or-later
// Reading our GPX output in the tests: its schema validity (xmllint) and its structure; the
// points themselves are read with the GPX scanner of testsupport/gpx_oracle.h.
#pragma once

#include <string>
#include <vector>

#include "testsupport/gpx_oracle.h"

namespace trakor::test {

struct GpxFile {
    std::vector<GpxPoint> waypoints;
    std::vector<std::string> routeKinds;       // per route, per point: 'V' via, 'S' shaping, '?' neither
    std::vector<std::vector<size_t>> routeLinks;  // per route, the gpxx:rpt elements of each point
    std::vector<std::string> trackNames;
    std::vector<int> segments;  // per track
};

inline GpxFile parseGpx(const std::string& s) {
    auto count = [&](const std::string& what, size_t from, size_t to) {
        size_t n = 0;
        for (size_t p = s.find(what, from); p < to; p = s.find(what, p + 1)) ++n;
        return n;
    };
    GpxFile f;
    f.waypoints = detail::points(s, "wpt", 0, std::min(s.find("<rte>"), s.find("<trk>")));
    for (size_t p = s.find("<rte>"); p != std::string::npos; p = s.find("<rte>", p + 1)) {
        std::string kinds;
        std::vector<size_t> links;
        for (size_t q = s.find("<rtept ", p); q < s.find("</rte>", p); q = s.find("<rtept ", q + 1)) {
            const size_t end = s.find("</rtept>", q);
            const size_t via = count("<trp:ViaPoint/>", q, end), shaping = count("<trp:ShapingPoint/>", q, end);
            kinds += via == 1 && shaping == 0 ? 'V' : shaping == 1 && via == 0 ? 'S' : '?';
            links.push_back(count("<gpxx:rpt ", q, end));
        }
        f.routeKinds.push_back(kinds);
        f.routeLinks.push_back(links);
    }
    for (const GpxPath& t : detail::paths(s, "trk", "trkpt")) f.trackNames.push_back(t.name);
    for (size_t p = s.find("<trk>"); p != std::string::npos; p = s.find("<trk>", p + 1))
        f.segments.push_back(static_cast<int>(count("<trkseg>", p, s.find("</trk>", p))));
    return f;
}

// Validates GPX text against the shared GPX 1.1 schema with xmllint, when both are there.
inline void expectSchemaValid(const std::string& gpx) {
    // GPX 1.1 with Garmin's extension schemas, or GPX 1.1 alone.
    std::string schema = sharedFile("schemas/gpx11-garmin.xsd");
    if (schema.empty()) schema = sharedFile("schemas/gpx11.xsd");
    if (schema.empty() || !haveProgram("xmllint")) {
        std::printf("schema check left out: xmllint or the shared GPX schema is missing\n");
        return;
    }
    TempDir dir;
    writeFile(dir.file("out.gpx"), gpx);
    std::string report;
    const std::string cmd = "xmllint --noout --schema " + quote(schema) + " " + quote(dir.file("out.gpx")) + " 2>&1";
    EXPECT_EQ(runCommand(cmd, &report), 0) << report;
}

}  // namespace trakor::test
