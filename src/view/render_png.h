// SPDX-License-Identifier: GPL-3.0-or-later
// trakor3-cli --render: draws an input (and, after a conversion, its result over the input
// drawn faint) as the map view does, fitted to the picture, into a PNG file.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "core/context.h"

namespace trakor::view {

struct RenderRequest {
    std::string input;
    std::string png;
    int width = 1024, height = 768;
    bool tiles = false;
    // Runs the conversion and returns the driver's result, with the file the result went to
    // (empty: the work GDB file of ctx.paths); empty: the input is drawn alone.
    std::function<int(std::string& resultPath)> convert;
};

// "800x600" -> 800, 600 (each 16 to 8192); false for anything else.
bool parseRenderSize(const std::string& text, int& width, int& height);

// 0 the PNG is written; 1 nothing to draw or the conversion stopped; 2 the input (or the
// result) cannot be read or the PNG cannot be written. Messages go to `err`, the before/after
// counts to `out`. Makes an offscreen Qt application when none is running.
int renderPng(Context& ctx, const RenderRequest& request, FILE* out, FILE* err);

}  // namespace trakor::view
