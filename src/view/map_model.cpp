// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/map_model.h"

#include <algorithm>
#include <cstdlib>
#include <map>

#include "core/file_names.h"
#include "course/course_names.h"
#include "gdb/down_convert.h"
#include "gdb/file_header.h"
#include "gdb/records.h"
#include "import/import_file.h"
#include "import/kmz_archive.h"
#include "platform/whole_file.h"
#include "platform/text_encoding.h"
#include "platform/utf8.h"

namespace trakor::view {

bool MapModel::hasPoints() const {
    if (!waypoints.empty()) return true;
    return std::any_of(items.begin(), items.end(),
                       [](const MapItem& i) { return !i.line.empty() || !i.marks.empty(); });
}

namespace {

void addDistinct(std::vector<GeoPoint>& line, GeoPoint p) {
    if (line.empty() || !(line.back() == p)) line.push_back(p);
}

MapItem routeItem(const GdbRoute& rte, char version, const std::map<std::string, GeoPoint>& positions) {
    MapItem item;
    item.kind = ItemKind::Route;
    item.name = rte.rteName;
    item.colour = version == kGdbVersion3 ? rte.colourIndex() : 0;
    for (const GdbRoutePoint& rpt : rte.points) {
        GeoPoint pos;
        bool known = false;
        if (auto w = positions.find(rpt.rptName); w != positions.end()) {
            pos = w->second;
            known = true;
        } else if (!rpt.links.empty()) {
            pos = {rpt.links.front().lat, rpt.links.front().lon};
            known = true;
        }
        if (known) item.marks.push_back({pos, rpt.rptName, !isInvisibleMarker(rpt.marker())});
        if (rpt.links.empty()) {
            if (known) addDistinct(item.line, pos);
        } else {
            for (const GdbLinkPoint& l : rpt.links) addDistinct(item.line, {l.lat, l.lon});
        }
    }
    return item;
}

// A notifier for reading without a window: questions get OK, messages are kept.
class QuietNotifier : public Notifier {
public:
    explicit QuietNotifier(std::vector<std::string>* messages) : messages_(messages) {}
    Answer notify(const std::string&, const std::string& text, MsgStyle) override {
        if (messages_) messages_->push_back(text);
        return Answer::Ok;
    }

private:
    std::vector<std::string>* messages_;
};

void setError(std::string* error, std::string text) {
    if (error) *error = std::move(text);
}

}  // namespace

int readGdbModel(const uint8_t* bytes, size_t size, MapModel& model) {
    MemoryStream in(bytes, size);
    GdbHeader header;
    if (readFileHeader(in, header) != 0) return kModelUnreadable;
    if (isLaterVersion(header.version)) {
        MemoryStream converted;
        in.seek(0);
        downConvertStream(in, header.version, converted);
        if (converted.size() < 12 || converted.data()[kVersionOffset] != kGdbVersion3) return kModelUnreadable;
        return readGdbModel(converted.data(), static_cast<size_t>(converted.size()), model);
    }
    const char version = static_cast<char>(header.version);
    if (!isReadableVersion(version)) return kModelUnreadable;

    // Route points name their waypoints: positions first, then the routes.
    std::vector<GdbRoute> routes;
    std::vector<size_t> routeSlots;
    std::map<std::string, GeoPoint> positions;
    size_t pos = static_cast<size_t>(header.length);
    RecordView rec;
    while (nextRecord(bytes, size, pos, rec)) {
        if (rec.type == 'V') break;
        const size_t length = static_cast<size_t>(rec.length);
        if (rec.type == 'W') {
            GdbWaypoint w;
            if (parseWaypoint(rec.data, length, version, w) != kRecordOk) continue;
            positions.emplace(w.wptName, GeoPoint{w.wptLat, w.wptLon});
            const uint8_t m = w.wptMarker();
            if (m != kMarkerVia && !isInvisibleMarker(m)) model.waypoints.push_back({{w.wptLat, w.wptLon}, w.wptName});
        } else if (rec.type == 'T') {
            GdbTrack t;
            parseTrack(rec.data, length, version, t);  // a cut record keeps the points read
            MapItem item;
            item.name = t.trkName;
            item.colour = t.colourIndex();
            for (const GdbTrackPoint& p : t.points) item.line.push_back({p.tptLat, p.tptLon});
            model.items.push_back(std::move(item));
        } else if (rec.type == 'R') {
            GdbRoute r;
            parseRoute(rec.data, length, version, r);
            routes.push_back(std::move(r));
            routeSlots.push_back(model.items.size());
            model.items.emplace_back();
        }
    }
    for (size_t i = 0; i < routes.size(); ++i) model.items[routeSlots[i]] = routeItem(routes[i], version, positions);
    return kModelRead;
}

namespace {
// Reads a non-GDB input through its importer with option 0 and the given near-point step
// (`Removal Distance`, `Removal Glitches`) into the model.
int importModel(const Context& ctx, InputType type, const std::string& path, int32_t removal, int32_t glitches,
                MapModel& model, std::string* error, std::vector<std::string>* messages) {
    QuietNotifier quiet(messages);
    Context local;
    local.settings = ctx.settings;
    local.settings.Mode = 0;
    local.settings.Split = 0;
    local.settings.Filter = 0;
    local.settings.RemovalDistance = removal;
    local.settings.RemovalGlitches = glitches;
    local.paths = ctx.paths;
    local.texts = ctx.texts;
    local.notifier = &quiet;
    local.run.inputType = type;
    local.run.importQuestion = 1;  // routes are read as tracks, as OK to the question would
    std::string readPath = path;
    if (type == InputType::Kmz) {
        readPath = extractKmz(local, path);
        if (readPath.empty()) {
            setError(error, "cannot unpack " + path);
            return kModelUnreadable;
        }
    }
    FileStream in;
    if (!in.open(readPath, "rb")) {
        setError(error, "cannot read " + path);
        return kModelUnreadable;
    }
    MemoryStream out;
    if (importFile(local, baseNameOf(path), in, out) != 0) {
        setError(error, "not enough memory to read " + path);
        return kModelUnreadable;
    }
    readGdbModel(out.data(), static_cast<size_t>(out.size()), model);
    model.removalDistance = removal;
    model.removalGlitches = glitches == 1;
    return kModelRead;
}
}  // namespace

int loadMapModel(const Context& ctx, const std::string& path, MapModel& model, std::string* error,
                 std::vector<std::string>* messages) {
    const int type = inputTypeOf(path);
    if (type < 0) {
        setError(error, "unknown input type: " + path);
        return kModelUnreadable;
    }
    if (static_cast<InputType>(type) == InputType::Gdb) {
        std::vector<uint8_t> bytes;
        if (!readWholeFile(path, bytes)) {
            setError(error, "cannot read " + path);
            return kModelUnreadable;
        }
        if (readGdbModel(bytes.data(), bytes.size(), model) != kModelRead) {
            setError(error, "not a GDB file of a version the program reads: " + path);
            return kModelUnreadable;
        }
        return kModelRead;
    }
    // Any other input: the importer writes a GDB image with option 0, then it is read as above.
    return importModel(ctx, static_cast<InputType>(type), path, ctx.settings.RemovalDistance,
                       ctx.settings.RemovalGlitches, model, error, messages);
}

void addFilePoints(const Context& ctx, const std::string& path, MapModel& model) {
    const int type = inputTypeOf(path);
    if (type < 0 || static_cast<InputType>(type) == InputType::Gdb) return;
    if (model.removalDistance < 1 && !model.removalGlitches) return;
    // Read once more without the near-point step: the file's own point counts, by name.
    MapModel raw;
    if (importModel(ctx, static_cast<InputType>(type), path, 0, 0, raw, nullptr, nullptr) != kModelRead) return;
    std::map<std::string, size_t> rawCounts;
    for (const MapItem& item : raw.items) rawCounts.emplace(item.name, item.pointCount());
    for (MapItem& item : model.items) {
        const auto found = rawCounts.find(item.name);
        if (found != rawCounts.end() && found->second > item.pointCount()) item.filePoints = found->second;
    }
}

uint32_t colourRgb(uint8_t index) {
    static const uint32_t kColours[17] = {0xC000C0,  // none: the program's default
                                          0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                          0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00C000, 0xE0C000,
                                          0x0000FF, 0xFF00FF, 0x00C0C0, 0xFFFFFF};
    return index <= 16 ? kColours[index] : kColours[0];
}

namespace {
// Where a part suffix ('#' and one or two digits at the end, after a name) begins, or npos.
size_t partSuffixAt(const std::string& n) {
    const size_t hash = n.rfind('#');
    if (hash != std::string::npos && hash > 0 && n.size() - hash >= 2 && n.size() - hash <= 3 &&
        std::all_of(n.begin() + static_cast<std::ptrdiff_t>(hash) + 1, n.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return hash;
    return std::string::npos;
}
}  // namespace

std::string sourceNameOf(const std::string& resultName) {
    std::string n = resultName;
    if (n.rfind("!*", 0) == 0)
        n.erase(0, 2);
    else if (!n.empty() && (n[0] == '!' || n[0] == '*' || n[0] == '#'))
        n.erase(0, 1);
    if (const size_t at = partSuffixAt(n); at != std::string::npos) n.erase(at);
    return n;
}

int partNumberOf(const std::string& resultName) {
    const size_t at = partSuffixAt(resultName);
    return at == std::string::npos ? 0 : std::atoi(resultName.c_str() + at + 1);
}

namespace {
// "name-12" -> "name": the numbering the importers add to every name.
std::string withoutImportNumber(const std::string& n) {
    const size_t dash = n.rfind('-');
    if (dash == std::string::npos || dash + 1 == n.size()) return n;
    for (size_t i = dash + 1; i < n.size(); ++i)
        if (n[i] < '0' || n[i] > '9') return n;
    return n.substr(0, dash);
}
}  // namespace

namespace {
// A course name shortened to what devices show ("%.13s %.1d", "%.12s %.2d", ...): its kept start;
// empty for any other name.
std::string shortenedCourseStart(const std::string& n) {
    const size_t blank = n.rfind(' ');
    if (blank == std::string::npos || blank + 1 == n.size() || utf8CharCount(n) != kMaxCourseName) return {};
    for (size_t i = blank + 1; i < n.size(); ++i)
        if (n[i] < '0' || n[i] > '9') return {};
    return n.substr(0, blank);
}

// The input item a result item was made from: by its name without the prefixes, part suffix
// and import numbering a conversion adds (a TCX course read back is numbered once more), or by
// the start a shortened course name keeps when one input name alone has it.
const size_t* sourceOf(const std::map<std::string, size_t>& byName, const std::string& resultName) {
    const std::string source = sourceNameOf(resultName);
    for (const std::string& n : {source, withoutImportNumber(source), sourceNameOf(withoutImportNumber(resultName))}) {
        const auto found = byName.find(n);
        if (found != byName.end()) return &found->second;
    }
    const std::string start = shortenedCourseStart(withoutImportNumber(resultName));
    if (start.empty()) return nullptr;
    const size_t* only = nullptr;
    for (const auto& [name, slot] : byName) {
        if (name.compare(0, start.size(), start) != 0) continue;
        if (only != nullptr) return nullptr;
        only = &slot;
    }
    return only;
}
}  // namespace

std::vector<ItemComparison> compareModels(const MapModel& before, const MapModel& after) {
    std::vector<ItemComparison> out;
    std::map<std::string, size_t> byName;
    for (const MapItem& item : before.items) {
        ItemComparison c;
        c.name = item.name;
        c.kind = item.kind;
        c.before = item.pointCount();
        c.inFile = item.filePoints;
        c.removalDistance = before.removalDistance;
        c.removalGlitches = before.removalGlitches;
        byName.emplace(item.name, out.size());
        out.push_back(c);
    }
    for (const MapItem& item : after.items) {
        if (!item.name.empty() && item.name[0] == '!') continue;  // the kept original
        const size_t* slot = sourceOf(byName, item.name);
        if (slot == nullptr) continue;
        ItemComparison& c = out[*slot];
        c.after += item.pointCount();
        ++c.parts;
    }
    return out;
}

std::string groupedNumber(size_t n) {
    std::string digits = std::to_string(n);
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ' ';
        out += digits[i];
    }
    return out;
}

std::string comparisonLine(const ItemComparison& c, const Context* texts) {
    auto text = [texts](const UiText& t, std::initializer_list<std::string> args) {
        if (texts != nullptr) {
            std::vector<const char*> a;
            for (const std::string& x : args) a.push_back(x.c_str());
            while (a.size() < 3) a.push_back("");
            return formatMessage(*texts, t.key, t.english, t.limit, a[0], a[1], a[2]);
        }
        std::string out = t.english;
        size_t at = 0;
        for (const std::string& x : args) {
            if ((at = out.find("%s", at)) == std::string::npos) break;
            out.replace(at, 2, x);
            at += x.size();
        }
        return out;
    };
    std::string line = toUtf8(c.name) + ": ";
    if (c.inFile > c.before) {
        const int32_t d = c.removalDistance;
        std::string metres = std::to_string(d / 10);
        if (d % 10 != 0) metres.append(1, '.').append(std::to_string(d % 10));
        line += text(c.removalGlitches ? comparisontext::NearOrSpikesDropped : comparisontext::NearDropped,
                     {groupedNumber(c.inFile), groupedNumber(c.inFile - c.before), metres}) +
                ", ";
    }
    line += groupedNumber(c.before) + " \u2192 ";
    if (c.parts == 0) return line + text(comparisontext::NotInResult, {});
    line += text(comparisontext::Points, {groupedNumber(c.after)});
    if (c.parts > 1) line += ", " + text(comparisontext::Parts, {std::to_string(c.parts)});
    return line;
}

}  // namespace trakor::view
