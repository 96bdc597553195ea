// SPDX-License-Identifier: GPL-3.0-or-later
// The engine context: everything one conversion run shares, handed to every engine function.
#pragma once

#include <functional>

#include "core/gdb_index.h"
#include "core/messages.h"
#include "core/paths.h"
#include "core/point_store.h"
#include "core/run_state.h"
#include "core/settings.h"

namespace trakor {

struct Context {
    PointStore store;
    RunState run;
    Settings settings;
    WaypointIndex waypointIndex;
    RouteNameIndex routeNameIndex;
    Paths paths;
    Notifier* notifier = nullptr;
    const TextLookup* texts = nullptr;
    // Called between records and between batch files so a window can repaint and show progress.
    std::function<void(int done, int total)> progress;

    // Clears the run state as the driver does at the start of every Convert action.
    void resetRun() {
        run = RunState{};
        waypointIndex.clear();
        routeNameIndex.clear();
        store.clear();
    }
};

}  // namespace trakor
