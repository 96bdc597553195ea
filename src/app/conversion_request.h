// SPDX-License-Identifier: GPL-3.0-or-later
// One Convert or View request, gathered by the main dialog or the command line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "course/device_detection.h"

namespace trakor {

// Output targets, the values of the `Output Option` setting.
enum class OutputTarget : int32_t { File = 1, MapSource = 2, TrainingCenter = 3, Gps = 4 };

struct ConversionRequest {
    // The input file; with several inputs only a display text ("<folder>/...").
    std::string inputPath;
    bool multipleInput = false;
    // The chosen files when multipleInput is set.
    std::vector<std::string> inputList;
    // Output file for target File.
    std::string outputPath;
    OutputTarget outputTarget = OutputTarget::File;
    // The conversion option (`Mode`): 0, 1-4, 11-15, 21-24.
    int32_t option = 0;
    // The result replaces the input file.
    bool overwriteInput = false;
    // Numbers typed in the split and filter fields (at most 4 digits; empty reads as 0).
    uint32_t splitField = 0;
    uint32_t filterField = 0;
    // Mount point picked for target GPS (the device or its memory card).
    std::string targetRoot;
    DetectedDevice device;
};

}  // namespace trakor
