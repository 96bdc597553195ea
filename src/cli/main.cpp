// trakor3-cli: fills the conversion request of the main dialog from the command line, runs the
// driver and prints its notifications. Exit status: 0 delivered, 1 a check or the user stopped
// the run, 2 the conversion or a file failed; usage errors have the parser's own codes.
#include <CLI/CLI.hpp>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "app/language.h"
#include "clipboard/clipboard_conversion.h"
#include "cli/cli_setup.h"
#include "cli/console_notifier.h"
#include "core/context.h"
#include "app/driver.h"
#include "app/request_builder.h"
#include "course/device_detection.h"

namespace {

using namespace trakor;

struct Options {
    std::vector<std::string> inputs;
    std::string output;
    std::string target;
    int option = -1;
    bool overwriteInput = false;
    int split = -1;
    int filter = -1;
    bool noSplit = false;
    bool noFilter = false;
    std::string gpsDrive;
    bool view = false;
    std::vector<std::string> sets;
    std::string ini;
    bool showSetup = false;
    bool listDevices = false;
    bool yes = false, no = false, cancel = false;
    std::vector<std::string> clipboardBlock;
    bool toMapSource = false;
};

// A drive named with --gps-drive that holds a Garmin device description counts as the connected
// device, for devices that detection cannot see (not a removable USB disk, or a copy of its folders).
DetectedDevice deviceAt(const std::string& root) {
    DetectedDevice dev;
    std::ifstream in(root + "/Garmin/GarminDevice.xml", std::ios::binary);
    if (!in) return dev;
    std::string xml((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string base = root.size() > 1 && root.back() == '/' ? root.substr(0, root.size() - 1) : root;
    dev.root = base;
    dev.connected = true;
    dev.deviceList.push_back(base + "/" + readDeviceDescription(xml).value_or(""));
    return dev;
}

// Applies "NAME=VALUE" to the settings of this run; throws a usage error for a bad one.
void applySetting(Settings& s, const std::string& assignment) {
    size_t eq = assignment.find('=');
    if (eq == std::string::npos || eq == 0)
        throw CLI::ValidationError("--set", "expected NAME=VALUE, got '" + assignment + "'");
    std::string name = assignment.substr(0, eq);
    std::string text = assignment.substr(eq + 1);
    int32_t* field = s.byName(name);
    if (field == nullptr) throw CLI::ValidationError("--set", "unknown setting '" + name + "'");
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || v < INT32_MIN || v > INT32_MAX)
        throw CLI::ValidationError("--set", "value of '" + name + "' is not a 32-bit integer: '" + text + "'");
    *field = static_cast<int32_t>(v);
}

OutputTarget targetFromName(const std::string& name) {
    static const std::map<std::string, OutputTarget> kTargets = {{"file", OutputTarget::File},
                                                                 {"mapsource", OutputTarget::MapSource},
                                                                 {"trainingcenter", OutputTarget::TrainingCenter},
                                                                 {"gps", OutputTarget::Gps}};
    return kTargets.at(name);
}

// Paths are made absolute: the run may change the current folder.
std::string absolute(const std::string& path) {
    if (path.empty()) return path;
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(path, ec);
    return ec ? path : p.lexically_normal().string();
}

// The request as the main dialog would gather it, with the command line's choices applied.
ConversionRequest buildRequest(Settings& s, const Options& o) {
    if (o.option >= 0) s.Mode = o.option;
    if (o.split >= 0) {
        s.Split = 1;
        storeSplitField(s, s.Mode, static_cast<uint32_t>(o.split));
    }
    if (o.noSplit) s.Split = 0;
    if (o.filter >= 0) {
        s.Filter = 1;
        storeFilterField(s, s.Mode, static_cast<uint32_t>(o.filter));
    }
    if (o.noFilter) s.Filter = 0;

    ConversionRequest r = requestFromSettings(s);
    if (o.split >= 0) r.splitField = static_cast<uint32_t>(o.split);
    if (o.filter >= 0) r.filterField = static_cast<uint32_t>(o.filter);
    if (!o.target.empty())
        r.outputTarget = targetFromName(o.target);
    else if (!o.output.empty())
        r.outputTarget = OutputTarget::File;
    r.outputPath = absolute(o.output);
    r.overwriteInput = o.overwriteInput;
    r.targetRoot = o.gpsDrive.empty() ? std::string() : absolute(o.gpsDrive);
    if (o.inputs.size() == 1) {
        r.inputPath = absolute(o.inputs[0]);
    } else if (o.inputs.size() > 1) {
        r.multipleInput = true;
        for (const std::string& in : o.inputs) r.inputList.push_back(absolute(in));
        r.inputPath = std::filesystem::path(r.inputList[0]).parent_path().string() + "/...";
    }
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    CLI::App app{"Converts GPS routes and tracks (GDB, GPX, TCX, CRS, FIT, KML, KMZ, ITN, NMEA) into a GDB file\n"
                 "or TCX courses, with the options and settings of the Trakor3 desktop program.",
                 "trakor3-cli"};
    app.add_option("INPUT", o.inputs, "Input file(s); several inputs make a batch run with a CSV log");
    app.add_option("--target", o.target, "Output target (default: file with --output, else the stored choice)")
        ->check(CLI::IsMember({"file", "mapsource", "trainingcenter", "gps"}));
    app.add_option("--option", o.option, "Conversion option: 0, 1-4, 11-15, 21-24 (default: the stored Mode)")
        ->check(CLI::IsMember({0, 1, 2, 3, 4, 11, 12, 13, 14, 15, 21, 22, 23, 24}));
    auto* output = app.add_option("-o,--output", o.output, "Output file; its ending (.gdb or .tcx) picks the format");
    app.add_flag("--overwrite-input", o.overwriteInput, "The result replaces the .gdb input (a backup is offered)")
        ->excludes(output);
    auto* split = app.add_option("--split", o.split, "Split value (km, mi in miles mode, or points); turns Split on")
                      ->check(CLI::Range(0, 9999));
    auto* noSplit = app.add_flag("--no-split", o.noSplit, "Turns Split off");
    auto* filter = app.add_option("--filter", o.filter, "Filter value; turns Filter on")->check(CLI::Range(0, 9999));
    auto* noFilter = app.add_flag("--no-filter", o.noFilter, "Turns Filter off");
    split->excludes(noSplit);
    filter->excludes(noFilter);
    app.add_option("--gps-drive", o.gpsDrive, "Mount point to write courses to (default: the detected device)");
    app.add_flag("--view", o.view, "Show the input in MapSource (converting it to GDB first when needed)");
    app.add_option("--set", o.sets, "Overrides a setting for this run only: 'NAME=VALUE' (stored value name)")
        ->allow_extra_args(false);
    auto* block = app.add_option("--clipboard-block", o.clipboardBlock,
                                 "Converts a file holding a clipboard block (4-byte length, then the GDB image) "
                                 "with the clipboard settings (CBmode_r, CBmode_t, Filter_CBR, Filter_CBT, ...) "
                                 "and writes the result block to OUT")
                      ->expected(2)
                      ->type_name("IN OUT");
    app.add_flag("--clipboard-to-mapsource", o.toMapSource,
                 "With --clipboard-block: open the result in MapSource instead (OUT is written if that fails)")
        ->needs(block);
    app.add_option("--ini", o.ini, "Use this INI file as the settings store");
    app.add_flag("--show-setup", o.showSetup, "Print the mode, every path and the loaded settings");
    app.add_flag("--list-devices", o.listDevices, "Print the GPS drive list as the desktop program shows it");
    auto* yes = app.add_flag("--yes", o.yes, "Answer Yes to every question");
    auto* no = app.add_flag("--no", o.no, "Answer No to every question");
    auto* cancel = app.add_flag("--cancel", o.cancel, "Answer Cancel (or No) to every question");
    yes->excludes(no)->excludes(cancel);
    no->excludes(cancel);
    app.footer(
        "Questions are answered safely unless --yes, --no or --cancel is given: the backup before\n"
        "overwriting an input is made, every other question is declined.\n"
        "Exit status: 0 result delivered, 1 stopped by a check or an answer, 2 conversion or file failure.\n"
        "--clipboard-block: 0 converted, 1 refused (already converted, nothing to convert, damaged), 2 file failure.");

    cli::CliSetup setup;
    Context ctx;
    try {
        app.parse(argc, argv);
        std::string error;
        if (!cli::setUpCli(argc, argv, o.ini, setup, &error)) throw CLI::ValidationError("--ini", error);
        for (const std::string& s : o.sets) applySetting(setup.settings, s);
        if (!o.clipboardBlock.empty() && !o.inputs.empty())
            throw CLI::ValidationError("--clipboard-block", "takes no INPUT besides IN and OUT");
        if (!o.showSetup && !o.listDevices && o.inputs.empty() && o.clipboardBlock.empty())
            throw CLI::RequiredError("INPUT");
        // Only a single .gdb input can be replaced by its result, as in the main dialog.
        if (o.overwriteInput && (o.inputs.size() != 1 || !inputCanBeOverwritten(o.inputs[0])))
            throw CLI::ValidationError("--overwrite-input", "needs a single input file ending in .gdb");
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    }

    ctx.paths = setup.paths;
    ctx.settings = setup.settings;
    if (o.showSetup) {
        cli::printSetup(stdout, setup);
        if (o.inputs.empty()) return 0;
    }

    cli::AnswerPolicy policy = o.yes      ? cli::AnswerPolicy::Yes
                               : o.no     ? cli::AnswerPolicy::No
                               : o.cancel ? cli::AnswerPolicy::Cancel
                                          : cli::AnswerPolicy::Safe;
    cli::ConsoleNotifier notifier(ctx.paths.appName, policy);
    ctx.notifier = &notifier;
    LanguageFile language(ctx.settings.Language);
    if (ctx.settings.Language != 0) loadLanguageFile(ctx, language);

    if (!o.clipboardBlock.empty()) {
        const int destination = o.toMapSource ? kDestinationMapSource : kDestinationClipboard;
        return convertClipboardBlockFile(ctx, absolute(o.clipboardBlock[0]), absolute(o.clipboardBlock[1]),
                                         destination, defaultClipboardCalls());
    }

    DriverCalls calls = defaultDriverCalls();
    if (o.listDevices) {
        if (!calls.detectDevices) return reportUnavailable(ctx, "GPS device detection");
        for (const std::string& entry : calls.detectDevices(ctx).deviceList) std::printf("%s\n", entry.c_str());
        if (o.inputs.empty()) return 0;
    }
    ConversionRequest request = buildRequest(ctx.settings, o);
    if (request.outputTarget == OutputTarget::Gps) {
        if (!calls.detectDevices) return reportUnavailable(ctx, "GPS device detection");
        request.device = calls.detectDevices(ctx);
        if (!request.device.connected && !request.targetRoot.empty())
            request.device = deviceAt(request.targetRoot);
    }
    if (o.inputs.size() > 1) {
        // Batch progress: the batch run reports before each file and after the last.
        ctx.progress = [&o](int done, int total) {
            if (done < total && static_cast<size_t>(done) < o.inputs.size())
                std::fprintf(stderr, "File %d of %d: %s\n", done + 1, total, o.inputs[static_cast<size_t>(done)].c_str());
        };
    }
    return o.view ? viewInput(ctx, calls, request) : runConversion(ctx, calls, request);
}
