// SPDX-License-Identifier: GPL-3.0-or-later
// trakor3-cli: fills the conversion request of the main dialog from the command line, runs the
// driver and prints its notifications. Exit status: 0 delivered, 1 a check or the user stopped
// the run, 2 the conversion or a file failed, 3 a batch run with some files failed, 64 usage.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <climits>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/language.h"
#include "clipboard/clipboard_conversion.h"
#include "cli/cli_devices.h"
#include "cli/cli_help.h"
#include "cli/cli_inputs.h"
#include "cli/cli_setup.h"
#include "cli/console_notifier.h"
#include "cli/render_program.h"
#include "cli/settings_reference.h"
#include "core/context.h"
#include "core/file_names.h"
#include "core/licence.h"
#include "core/output_types.h"
#include "app/driver.h"
#include "app/driver_messages.h"
#include "app/request_builder.h"
#include "app/run_summary.h"
#include "course/device_detection.h"
#include "platform/environment.h"
#include "platform/output_links.h"
#include "platform/process_guard.h"
#ifdef TRAKOR_HAVE_VIEW
#include "view/render_png.h"
#endif

namespace {

using namespace trakor;

#ifndef TRAKOR_HAVE_VIEW
std::string renderFailure;  // why the render program could not take over this run
#endif

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
    bool listSettings = false;
    bool listDevices = false;
    bool listDeviceFiles = false;
    std::string deviceFilesMount;
    std::string units;
    std::string log;
    std::string inputType;
    std::string outputType;
    bool yes = false, no = false, cancel = false;
    std::vector<std::string> clipboardBlock;
    bool toMapSource = false;
    std::string render;
    std::string renderSize = "1024x768";
    bool renderTiles = false;
};

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

// --render: the input drawn as the map view draws it; with --option, the conversion runs first
// (to a file of the run's temporary folder unless -o or --target is given) and its result is
// drawn over it.
int renderCommand(Context& ctx, const DriverCalls& calls, const Options& o, ConversionRequest request,
                  cli::TempFolder& temp) {
#ifdef TRAKOR_HAVE_VIEW
    view::RenderRequest r;
    r.input = absolute(o.inputs[0]);
    r.png = absolute(o.render);
    r.tiles = o.renderTiles;
    view::parseRenderSize(o.renderSize, r.width, r.height);
    if (o.option >= 0) {
        r.convert = [&](std::string& resultPath) {
            if (o.output.empty() && o.target.empty()) {
                request.outputTarget = OutputTarget::File;
                request.outputPath = temp.file("result.gdb");
            }
            const int rc = runConversion(ctx, calls, request);
            if (request.outputTarget == OutputTarget::File)
                resultPath = request.overwriteInput ? request.inputPath : request.outputPath;
            return rc;
        };
    }
    return view::renderPng(ctx, r, stdout, stderr);
#else
    if (!renderFailure.empty())
        std::fprintf(stderr, "%s: %s\n", ctx.paths.appName.c_str(),
                     cli::cliText(ctx, cli::clitext::NoMapViewProgram, renderFailure.c_str()).c_str());
    return reportUnavailable(ctx, "the map view");
#endif
}

// Without --option, a stored Mode that cannot apply to the inputs (options 1-15 need one GDB
// input) gives way to option 0. The user is told in one line when the Mode was theirs: the
// default of fresh settings is no choice to warn about.
void chooseDefaultOption(Options& o, const Context& ctx, bool modeChosen) {
    const Settings& s = ctx.settings;
    if (o.option >= 0 || s.Mode < 1 || s.Mode > 15 || o.inputs.empty()) return;
    const bool several = o.inputs.size() > 1;
    if (!several && inputTypeOf(o.inputs[0]) <= 0) return;
    o.option = 0;
    if (!modeChosen) return;
    const UiText& t = several ? cli::clitext::StoredOptionSingle : cli::clitext::StoredOption;
    std::fprintf(stderr, "%s: %s\n", ctx.paths.appName.c_str(), formatMessage(ctx, t.key, t.english, t.limit, s.Mode).c_str());
}

// A split by length in the user's unit, so that a value in miles is never taken for kilometres.
// Values out of range are left to the driver's message, which names the unit too.
void tellSplit(const Context& ctx, const ConversionRequest& r) {
    const Settings& s = ctx.settings;
    if (!splitFilterFieldsFor(s, r.option).shown || s.Split != 1 || s.Splittype != 1) return;
    const int32_t field = static_cast<int32_t>(std::min<uint32_t>(r.splitField, INT32_MAX));
    const int32_t km = s.milesMode == 1 ? milesToKm(field) : field;
    if (km < 5 || km > 999) return;
    const UiText& t = s.milesMode == 1 ? cli::clitext::SplitMiles : cli::clitext::SplitKm;
    const std::string line = s.milesMode == 1 ? formatMessage(ctx, t.key, t.english, t.limit, field, km)
                                              : formatMessage(ctx, t.key, t.english, t.limit, km);
    std::fprintf(stderr, "%s: %s\n", ctx.paths.appName.c_str(), line.c_str());
}

// The options of the command line, bound to the fields of `o`.
void defineOptions(CLI::App& app, Options& o) {
    app.add_option("INPUT", o.inputs,
                   "Input files or folders; several make a batch run with a CSV log; '-' reads standard input");
    app.add_option("--target", o.target, "Output target (default: file with --output, else the stored choice)")
        ->check(CLI::IsMember({"file", "mapsource", "trainingcenter", "gps"}));
    app.add_option("--option", o.option, "Conversion option, see the list below (default: the stored Mode)")
        ->check(CLI::IsMember({0, 1, 2, 3, 4, 11, 12, 13, 14, 15, 21, 22, 23, 24}));
    auto* output = app.add_option("-o,--output", o.output,
                                  "Output file; its ending (." + outputTypeList(&OutputType::extension, ", .", " or .") +
                                      ") picks the format; '-' writes to standard output");
    app.add_flag("--overwrite-input", o.overwriteInput, "The result replaces the .gdb input (a backup is offered)")
        ->excludes(output);
    auto* split = app.add_option("--split", o.split,
                                 "Split value: km (mi in miles mode) or points, see below; turns Split on")
                      ->check(CLI::Range(0, 9999).description(cli::kSplitRanges));
    auto* noSplit = app.add_flag("--no-split", o.noSplit, "Turns Split off");
    auto* filter = app.add_option("--filter", o.filter, "Filter value: points, % or degrees, see below; turns Filter on")
                       ->check(CLI::Range(0, 9999).description(cli::kFilterRanges));
    auto* noFilter = app.add_flag("--no-filter", o.noFilter, "Turns Filter off");
    split->excludes(noSplit);
    filter->excludes(noFilter);
    app.add_option("--units", o.units, "Distance unit of this run (default: MapSource's setting, else the locale)")
        ->check(CLI::IsMember({"km", "mi"}));
    app.add_option("--gps-drive", o.gpsDrive, "Mount point to write courses to (default: the detected device)");
    app.add_flag("--view", o.view, "Show the input in MapSource (converting it to GDB first when needed)");
    app.add_option("--set", o.sets, "Overrides a setting for this run only: 'NAME=VALUE' (see --list-settings)")
        ->allow_extra_args(false);
    app.add_option("--log", o.log, "CSV log of a batch run (default: the work folder's log file)");
    app.add_option("--input-type", o.inputType, "Type of the input read from standard input ('-')")
        ->check(CLI::IsMember({"gdb", "gpx", "tcx", "crs", "fit", "kml", "kmz", "itn", "nmea"}));
    std::vector<std::string> outputTypes;
    for (const OutputType& t : kOutputTypes) outputTypes.push_back(t.extension);
    app.add_option("--output-type", o.outputType, "Format written to standard output with -o - (default: gdb)")
        ->check(CLI::IsMember(outputTypes));
    auto* block = app.add_option("--clipboard-block", o.clipboardBlock,
                                 "Converts a file holding a clipboard block (4-byte length, then the GDB image) "
                                 "with the clipboard settings (CBmode_r, CBmode_t, Filter_CBR, Filter_CBT, ...) "
                                 "and writes the result block to OUT (its GDB image as GPX when OUT ends in .gpx)")
                      ->expected(2)
                      ->type_name("IN OUT");
    app.add_flag("--clipboard-to-mapsource", o.toMapSource,
                 "With --clipboard-block: open the result in MapSource instead (OUT is written if that fails)")
        ->needs(block);
    auto* render = app.add_option("--render", o.render,
                                  "Draws INPUT as the map view does into this PNG file (fitted, no tiles); with "
                                  "--option the conversion's result is drawn over the input drawn faint");
    app.add_option("--size", o.renderSize, "Size of the --render picture (default 1024x768)")
        ->type_name("WIDTHxHEIGHT")
        ->needs(render);
    app.add_flag("--tiles", o.renderTiles, "--render with the background map of the map settings")->needs(render);
    app.add_option("--ini", o.ini, "Use this INI file as the settings store");
    app.add_flag("--show-setup", o.showSetup, "Print the mode, every path and the loaded settings");
    app.add_flag("--list-settings", o.listSettings,
                 "Print every setting: value, meaning, unit, range and dialog label");
    app.add_flag("--list-devices", o.listDevices,
                 "Print the GPS drive list as the desktop program shows it (with --gps-drive: that folder's device)");
    app.add_option("--list-device-files", o.deviceFilesMount,
                   "Print the recordings of the GPS device at MOUNT (default: the detected one), the most recently "
                   "recorded first: date, size, name and path, separated by tabs")
        ->expected(0, 1)
        ->type_name("[MOUNT]");
    auto* yes = app.add_flag("--yes", o.yes, "Answer Yes to every question");
    auto* no = app.add_flag("--no", o.no, "Answer No to every question");
    auto* cancel = app.add_flag("--cancel", o.cancel, "Answer Cancel (or No) to every question");
    yes->excludes(no)->excludes(cancel);
    no->excludes(cancel);
    app.footer(cli::helpFooter());
    std::string version = std::string("trakor3-cli ") + TRAKOR_VERSION + "\n" + kLicenceNotice;
    version.pop_back();  // the last line break is CLI11's
    app.set_version_flag("--version", version);
}

// The combinations the option definitions cannot express; a CLI11 error on a usage fault.
void checkOptions(Options& o, cli::CliSetup& setup) {
    for (const std::string& s : o.sets) {
        if (std::string e = cli::applySetting(setup.settings, s); !e.empty()) throw CLI::ValidationError("--set", e);
        if (setup.settings.byName(s.substr(0, s.find('='))) == &setup.settings.Mode) setup.modeStored = true;
    }
    if (!o.units.empty()) setup.settings.milesMode = o.units == "mi" ? 1 : 0;
    if (std::string e = cli::splitFilterRangeError(setup.settings, o.split, o.filter); !e.empty())
        throw CLI::ValidationError(e);
    if (!o.clipboardBlock.empty() && !o.inputs.empty())
        throw CLI::ValidationError("--clipboard-block", "takes no INPUT besides IN and OUT");
    if (!o.showSetup && !o.listSettings && !o.listDevices && !o.listDeviceFiles && o.inputs.empty() &&
        o.clipboardBlock.empty())
        throw CLI::RequiredError("INPUT");
    const bool fromStdin = std::find(o.inputs.begin(), o.inputs.end(), "-") != o.inputs.end();
    if (fromStdin && (o.inputs.size() != 1 || o.inputType.empty()))
        throw CLI::ValidationError("INPUT", "'-' (standard input) must be the only input and needs --input-type");
    if (!o.inputType.empty() && !fromStdin) throw CLI::ValidationError("--input-type", "needs '-' as the input");
    if (!o.outputType.empty() && o.output != "-") throw CLI::ValidationError("--output-type", "needs -o -");
    if (o.output == "-" && !o.target.empty() && o.target != "file")
        throw CLI::ValidationError("--output", "'-' (standard output) takes no --target but file");
    if (!o.render.empty() && o.inputs.size() != 1) throw CLI::ValidationError("--render", "draws exactly one INPUT");
    // The picture and the conversion's result are both delivered or the run is refused.
    if (!o.render.empty() && o.output == "-")
        throw CLI::ValidationError("--render", "draws into a PNG file; its conversion result cannot go to standard output (-o -)");
    if (!o.render.empty() && !endsWith(lowerAscii(o.render), ".png"))
        throw CLI::ValidationError("--render", "writes a PNG file: its name ends in .png, got '" + o.render + "'");
#ifdef TRAKOR_HAVE_VIEW
    int w = 0, h = 0;
    if (!o.render.empty() && !view::parseRenderSize(o.renderSize, w, h))
        throw CLI::ValidationError("--size", "expected WIDTHxHEIGHT from 16x16 to 8192x8192, got '" + o.renderSize + "'");
#endif
    // Only a single .gdb input can be replaced by its result, as in the main dialog.
    if (o.overwriteInput && (o.inputs.size() != 1 || !inputCanBeOverwritten(o.inputs[0])))
        throw CLI::ValidationError("--overwrite-input", "needs a single input file ending in .gdb");
}

// Every long option name of the command line, with its two dashes.
std::vector<std::string> longOptionNames(const CLI::App& app) {
    std::vector<std::string> names;
    for (const CLI::Option* option : app.get_options())
        for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
    return names;
}

// Long options written with one dash ("-option 24"), which would otherwise be read as a short
// option with its value joined ("-o ption").
std::vector<std::string> singleDashOptions(int argc, char** argv, const std::vector<std::string>& names) {
    std::vector<std::string> found;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--") break;
        if (!cli::singleDashMeaning(arg, names).empty()) found.push_back(arg);
    }
    return found;
}

// "did you mean --option?" for each unknown option that is near a known one.
void suggestOptions(const std::vector<std::string>& words, const std::vector<std::string>& names) {
    for (const std::string& word : words) {
        std::string meant = cli::singleDashMeaning(word, names);
        if (meant.empty()) meant = cli::closestOption(word, names);
        if (!meant.empty()) std::fprintf(stderr, "trakor3-cli: %s: did you mean %s?\n", word.c_str(), meant.c_str());
    }
}

// Parses and checks the command line and loads the settings. Returns -1 to go on, else the exit
// status (0 after --help, 64 on a usage error, 2 when the settings cannot be read).
int parseCommandLine(int argc, char** argv, Options& o, cli::CliSetup& setup) {
    CLI::App app{cli::programDescription("with the options and settings of the Trakor3 desktop program."),
                 "trakor3-cli"};
    defineOptions(app, o);
    const std::vector<std::string> names = longOptionNames(app);
    const std::vector<std::string> singleDash = singleDashOptions(argc, argv, names);
    try {
        if (!singleDash.empty()) throw CLI::ExtrasError(singleDash);
        app.parse(argc, argv);
        std::string error;
        // A settings file that cannot be read is a file failure, not a usage error.
#ifdef TRAKOR_HAVE_VIEW
        // The render program runs for trakor3-cli (its argv[0]), with that program's paths.
        const std::string caller = cli::renderCaller(argc > 0 ? argv[0] : nullptr);
#else
        const std::string caller;
#endif
        if (!cli::setUpCli(argc, argv, o.ini, setup, &error, caller)) {
            std::fprintf(stderr, "trakor3-cli: %s\n", error.c_str());
            return kRunFailed;
        }
        o.listDeviceFiles = app.count("--list-device-files") > 0;
        checkOptions(o, setup);
    } catch (const CLI::ParseError& e) {
        // Help is no error; every other parse failure is a usage error.
        if (app.exit(e) == 0) return 0;
        if (dynamic_cast<const CLI::ExtrasError*>(&e) != nullptr)
            suggestOptions(singleDash.empty() ? app.remaining() : singleDash, names);
        return cli::kUsageError;
    }
    return -1;
}

// The language of the run: the stored one, else the locale's.
void chooseLanguage(Context& ctx, LanguageFile& language) {
    if (ctx.settings.Language != 0) {
        loadLanguageFile(ctx, language);
        return;
    }
    // No language stored: the locale's, as the desktop program chooses it (and not stored
    // either). Without a language file the run stays in built-in English without a word, as
    // the user never asked for a language.
    chooseInitialLanguage(ctx, Environment::fromProcess());
    if (language.load(ctx.paths.languageFile))
        ctx.texts = &language;
    else
        ctx.settings.Language = 0;
}

// The run's temporary folder could not be made: where and why. Returns the exit status.
int tellNoTempFolder(const Context& ctx, const cli::TempFolder& temp) {
    std::fprintf(stderr, "%s: %s\n", ctx.paths.appName.c_str(),
                 cli::cliText(ctx, cli::clitext::NoTempFolder, temp.error().c_str()).c_str());
    return kRunFailed;
}

// Standard input is read into a file of its type; its name gives the tracks their names.
bool spoolStandardInput(Options& o, cli::TempFolder& temp, const Context& ctx) {
    std::string spooled = temp.file("stdin." + o.inputType);
    if (spooled.empty()) {
        tellNoTempFolder(ctx, temp);
        return false;
    }
    FILE* f = std::fopen(spooled.c_str(), "wb");
    std::string error = std::strerror(errno);
    bool ok = f != nullptr && cli::copyStream(stdin, f, &error);
    if (f != nullptr && std::fclose(f) != 0 && ok) {
        error = std::strerror(errno);
        ok = false;
    }
    if (!ok) {
        std::fprintf(stderr, "%s: %s\n", ctx.paths.appName.c_str(),
                     cli::cliText(ctx, cli::clitext::CannotReadStdin, error.c_str()).c_str());
        return false;
    }
    o.inputs[0] = spooled;
    return true;
}

// The log and the picture are outputs of their own: never an input, the result or each other,
// and the picture is not written through another user's link in a shared folder. Returns -1 to go
// on, else the exit status.
int checkOutputsApart(const Context& ctx, const Options& o) {
    const std::string& app3 = ctx.paths.appName;
    for (const auto& [flag, path] : {std::pair{"--log", o.log}, std::pair{"--render", o.render}}) {
        if (path.empty()) continue;
        if (const std::string other = cli::namedAlready(absolute(path), o.inputs, absolute(o.output)); !other.empty()) {
            const UiText& t = other == absolute(o.output) ? cli::clitext::WouldOverwriteOutput
                                                          : cli::clitext::WouldOverwriteInput;
            std::fprintf(stderr, "%s: %s\n", app3.c_str(), cli::cliText(ctx, t, flag, path.c_str(), other.c_str()).c_str());
            return cli::kUsageError;
        }
    }
    if (!o.log.empty() && !o.render.empty() && sameOutput(absolute(o.log), absolute(o.render))) {
        std::fprintf(stderr, "%s: %s\n", app3.c_str(),
                     cli::cliText(ctx, cli::clitext::SameOutputs, "--log", o.log.c_str(), "--render", o.render.c_str()).c_str());
        return cli::kUsageError;
    }
    std::string resolved, why;
    if (!o.render.empty() && !resolveOutputName(absolute(o.render), resolved, &why)) {
        std::fprintf(stderr, "%s: %s\n", app3.c_str(), why.c_str());
        return kRunFailed;
    }
    return -1;
}

// The conversion itself (or the view, or the picture) once the command line is checked.
int runConversionCommand(Context& ctx, Options& o, bool modeChosen, FILE* info, cli::ConsoleNotifier& notifier) {
    const std::string& app3 = ctx.paths.appName;
    const bool resultToStdout = o.output == "-";
    cli::TempFolder temp;
    if (o.inputs[0] == "-" && !spoolStandardInput(o, temp, ctx)) return kRunFailed;
    std::string stdoutFile;
    if (resultToStdout) {
        stdoutFile = temp.file("stdout." + (o.outputType.empty() ? std::string("gdb") : o.outputType));
        if (stdoutFile.empty()) return tellNoTempFolder(ctx, temp);
        o.output = stdoutFile;
        // "Completed" only once the last byte is out.
        notifier.holdBack(dmsg::kCompleted.key);
    }
    {
        std::vector<std::string> inputs;
        std::string error;
        if (!cli::expandFolders(ctx, o.inputs, absolute(o.output), inputs, &error)) {
            std::fprintf(stderr, "%s: %s\n", app3.c_str(), error.c_str());
            return kRunFailed;
        }
        o.inputs = std::move(inputs);
    }
    if (const int rc = checkOutputsApart(ctx, o); rc >= 0) return rc;
    if (!o.log.empty()) ctx.paths.logFile = absolute(o.log);
    if (!o.view && o.render.empty()) chooseDefaultOption(o, ctx, modeChosen);

    DriverCalls calls = defaultDriverCalls();
    calls.waitingForWorkFiles = [&ctx](const std::string& lockPath) {
        std::fprintf(stderr, "%s: %s\n", ctx.paths.appName.c_str(),
                     cli::cliText(ctx, cli::clitext::WaitingForWorkFiles, lockPath.c_str()).c_str());
        std::fflush(stderr);
    };
    ConversionRequest request = buildRequest(ctx.settings, o);
    if (request.outputTarget == OutputTarget::Gps) {
        if (!calls.detectDevices) return reportUnavailable(ctx, "GPS device detection");
        request.device = cli::findDevice(ctx, calls, request.targetRoot);
    }
    if (!o.view) tellSplit(ctx, request);
    if (!o.view) std::fputs(cli::storedSettingLines(ctx, request, o.split >= 0, o.filter >= 0).c_str(), stderr);
    BatchTally tally(o.inputs);
    if (o.inputs.size() > 1) {
        // Batch progress: the batch run reports before each file and after the last.
        ctx.progress = [&o, &ctx, &tally](int done, int total) {
            if (done > 0) tally.fileDone(static_cast<size_t>(done - 1), ctx.run);
            if (done < total && static_cast<size_t>(done) < o.inputs.size())
                std::fprintf(stderr, "%s\n",
                             cli::cliText(ctx, cli::clitext::BatchFile, done + 1, total, o.inputs[static_cast<size_t>(done)].c_str())
                                 .c_str());
        };
    }
    if (!o.render.empty()) return renderCommand(ctx, calls, o, request, temp);
    int rc = o.view ? viewInput(ctx, calls, request) : runConversion(ctx, calls, request);
    if (tally.complete()) {
        std::fprintf(info, "%s\n", tally.summary(ctx).c_str());
        if (rc == kDelivered && tally.failures() > 0) rc = cli::kSomeFilesFailed;
    }
    if (resultToStdout && (rc == kDelivered || rc == cli::kSomeFilesFailed)) {
        FILE* result = std::fopen(stdoutFile.c_str(), "rb");
        std::string error = std::strerror(errno);
        if (result == nullptr || !cli::copyStream(result, stdout, &error)) {
            std::fprintf(stderr, "%s: %s\n", app3.c_str(), cli::cliText(ctx, cli::clitext::CannotWriteStdout, error.c_str()).c_str());
            rc = kRunFailed;
        }
        if (result != nullptr) std::fclose(result);
        if (rc != kRunFailed) notifier.release();
    }
    return rc;
}

}  // namespace

int main(int argc, char** argv) {
    secureStandardDescriptors();
    // A reader that goes away is a write failure with its reason, not the end of the program.
    std::signal(SIGPIPE, SIG_IGN);
    Options o;
    cli::CliSetup setup;
    if (const int rc = parseCommandLine(argc, argv, o, setup); rc >= 0) return rc;
#ifndef TRAKOR_HAVE_VIEW
    // The map view is a program of its own: with the command line checked, it takes over this run.
    if (!o.render.empty()) renderFailure = cli::execRenderProgram(argc, argv);
#endif

    // With -o - every message goes to standard error: standard output carries the result.
    FILE* info = o.output == "-" ? stderr : stdout;
    Context ctx;
    ctx.paths = setup.paths;
    ctx.settings = setup.settings;
    if (o.showSetup) cli::printSetup(info, setup);
    if (o.listSettings) cli::printSettingReference(info, setup.settings);
    if ((o.showSetup || o.listSettings) && o.inputs.empty()) return 0;

    cli::AnswerPolicy policy = o.yes      ? cli::AnswerPolicy::Yes
                               : o.no     ? cli::AnswerPolicy::No
                               : o.cancel ? cli::AnswerPolicy::Cancel
                                          : cli::AnswerPolicy::Safe;
    cli::ConsoleNotifier notifier(ctx.paths.appName, policy, info);
    ctx.notifier = &notifier;
    LanguageFile language(ctx.settings.Language);
    chooseLanguage(ctx, language);
    notifier.useLanguageOf(ctx);

    if (!o.clipboardBlock.empty()) {
        const int destination = o.toMapSource ? kDestinationMapSource : kDestinationClipboard;
        return convertClipboardBlockFile(ctx, absolute(o.clipboardBlock[0]), absolute(o.clipboardBlock[1]),
                                         destination, defaultClipboardCalls());
    }

    if (o.listDevices || o.listDeviceFiles) {
        const DriverCalls calls = defaultDriverCalls();
        int rc = o.listDevices ? cli::printDeviceList(ctx, calls, absolute(o.gpsDrive), info) : kDelivered;
        if (rc == kDelivered && o.listDeviceFiles) rc = cli::printDeviceFiles(ctx, calls, absolute(o.deviceFilesMount), info);
        if (rc != kDelivered || o.inputs.empty()) return rc;
    }
    return runConversionCommand(ctx, o, setup.modeStored, info, notifier);
}
