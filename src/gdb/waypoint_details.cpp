// SPDX-License-Identifier: GPL-3.0-or-later
#include "gdb/waypoint_details.h"

#include <algorithm>
#include <cstring>

#include "gdb/field_walk.h"
#include "gdb/file_header.h"
#include "gdb/records.h"
#include "platform/text_encoding.h"
#include "platform/utf8.h"

namespace trakor {

namespace {

// Walks the details; fills `d` when it is given.
bool walkDetails(FieldWalk& w, char version, WaypointDetails* d) {
    const bool v3 = version == kGdbVersion3;
    auto text = [&w](std::string* into) {
        const std::string_view s = w.str();
        if (into) into->assign(s);
    };
    auto listed = [&w](std::vector<std::string>* into) {
        const std::string_view s = w.str();
        if (into) into->emplace_back(s);
    };
    if (v3) {
        text(d ? &d->address : nullptr);
    } else {
        const uint8_t lead = w.u8();
        if (d) d->leadByte = lead;
    }
    w.bytes(d ? d->routeBytes.data() : nullptr, 5);
    text(d ? &d->description : nullptr);
    const int32_t links = v3 ? w.count(1) : 1;
    for (int32_t i = 0; i < links && w.ok(); ++i) listed(d ? &d->links : nullptr);
    const uint16_t category = w.u16();
    const uint8_t beforeTime = w.u8();
    // Files of versions 1 and 2 that option 3 wrote hold its saved marker in the time flag, with
    // no time after it: the record ends there.
    const bool hasTime = w.u8() != 0 && (v3 || w.left() > 0);
    const int32_t time = hasTime ? w.i32() : 0;
    if (d) {
        d->category = category;
        d->beforeTime = beforeTime;
        d->hasTime = hasTime;
        d->time = time;
    }
    if (v3) {
        const int32_t phones = w.count(2);
        for (int32_t i = 0; i < 2 * phones && w.ok(); ++i) listed(d ? &d->phoneTexts : nullptr);
        text(d ? &d->country : nullptr);
        text(d ? &d->postalCode : nullptr);
    }
    return w.ok();
}

}  // namespace

bool parseWaypointDetails(const uint8_t* data, size_t length, char version, WaypointDetails& d, size_t& used) {
    d = WaypointDetails{};
    used = 0;
    FieldWalk w(data, length);
    if (!walkDetails(w, version, &d)) return false;
    used = w.pos();
    return true;
}

bool skipWaypointDetails(FieldWalk& w, char version) { return walkDetails(w, version, nullptr); }

void writeWaypointDetails(ByteStream& out, const WaypointDetails& d, char version) {
    const bool v3 = version == kGdbVersion3;
    if (v3) {
        writeString(d.address, out);
    } else {
        writeU8(out, d.leadByte);
    }
    out.write(d.routeBytes.data(), d.routeBytes.size());
    writeString(d.description, out);
    if (v3) {
        writeInt32(out, static_cast<int32_t>(d.links.size()));
        for (const std::string& s : d.links) writeString(s, out);
    } else {
        writeString(d.links.empty() ? std::string() : d.links.front(), out);
    }
    writeU16(out, d.category);
    writeU8(out, d.beforeTime);
    writeU8(out, d.hasTime ? 1 : 0);
    if (d.hasTime) writeInt32(out, d.time);
    if (v3) {
        writeInt32(out, static_cast<int32_t>(d.phoneTexts.size() / 2));
        for (size_t i = 0; i < d.phoneTexts.size() / 2 * 2; ++i) writeString(d.phoneTexts[i], out);
        writeString(d.country, out);
        writeString(d.postalCode, out);
    }
}

WaypointDetails detailsForVersion3(const WaypointDetails& old) {
    WaypointDetails d;
    d.routeBytes = old.routeBytes;
    d.description = version3Text(old.description);
    for (const std::string& s : old.links)
        if (!s.empty()) d.links.push_back(version3Text(s));
    d.category = old.category;
    d.beforeTime = old.beforeTime;
    d.hasTime = old.hasTime;
    d.time = old.time;
    return d;
}

std::string version3Text(std::string_view old) { return toUtf8(old); }

void waypointTextsForVersion3(GdbWaypoint& w) {
    for (std::string* s : {&w.wptName, &w.wptCountry, &w.wptComment, &w.wptCity, &w.wptState, &w.wptFacility})
        *s = version3Text(*s);
}

std::string_view storableText(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    return utf8PrefixBytes(text, static_cast<size_t>(kMaxGdbString) - 1);
}

void setWaypointTexts(GdbWaypoint& w, std::string_view comment, std::string_view description, int32_t time,
                      char version) {
    w.wptComment = storableText(comment);
    if (description.empty() && time == 0) return;
    WaypointDetails d;
    d.description = storableText(description);
    d.hasTime = time != 0;
    d.time = time;
    MemoryStream bytes;
    writeWaypointDetails(bytes, d, version);
    w.trailing = std::move(bytes.bytes());
}

}  // namespace trakor
