// SPDX-License-Identifier: GPL-3.0-or-later
// Lookup tables the GDB header scan builds from the input file.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace trakor {

struct WaypointRow {
    uint8_t inOutput = 0;  // 1 once the waypoint is (or is to be) in the output
    uint8_t cls = 0;       // the waypoint's class byte
    std::string name;
    // Made by the route reader for a route point whose waypoint the index lacks.
    bool added = false;
};

class WaypointIndex {
public:
    std::vector<WaypointRow> rows;

    void clear() {
        rows.clear();
        byName_.clear();
        indexed_ = 0;
    }
    void add(uint8_t inOutput, uint8_t cls, std::string name) { rows.push_back({inOutput, cls, std::move(name)}); }
    // 1-based row of the first waypoint with exactly this name, 0 when there is none. The names
    // are hashed at the first question, so the runs that never ask (the track options over a
    // file of many waypoints) never pay for it.
    int32_t find(const std::string& name) const {
        for (; indexed_ < rows.size(); ++indexed_)
            byName_.emplace(rows[indexed_].name, static_cast<int32_t>(indexed_) + 1);  // the first row of a name wins
        auto it = byName_.find(name);
        return it == byName_.end() ? 0 : it->second;
    }
    WaypointRow& row(int32_t oneBased) { return rows[static_cast<size_t>(oneBased - 1)]; }

private:
    mutable std::unordered_map<std::string, int32_t> byName_;
    mutable size_t indexed_ = 0;  // rows already in byName_
};

class RouteNameIndex {
public:
    std::vector<std::string> names;

    void clear() {
        names.clear();
        set_.clear();
    }
    void add(std::string name) {
        set_.emplace(name, 1);
        names.push_back(std::move(name));
    }
    bool contains(const std::string& name) const { return set_.count(name) != 0; }

private:
    std::unordered_map<std::string, int> set_;
};

}  // namespace trakor
