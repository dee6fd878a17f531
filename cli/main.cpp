// tesqv-cli: the headless companion of the viewer, over the same document core. CLI11 parses
// the command line and writes the help; a usage error exits with 2.

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>

#include "cli/CliCommands.h"
#include "framework/core/MessageSink.h"
#include "framework/core/SafeFile.h"
#include "generated/Version.h"
#include "trace/formats/FormatRegistry.h"
#if TESQV_WITH_RENDER
#include "view/ViewExport.h"
#endif

namespace {

// A:B with 0 <= A <= B, which a trace's sample count bounds.
const CLI::Validator kSelection(
    [](std::string& value) -> std::string {
        int a = 0, b = 0;
        if (!ParsePair(value, ':', a, b) || a < 0 || b < a)
            return "takes A:B with 0 <= A <= B <= 2147483647";
        return {};
    },
    "", "selection");

// A whole decimal int.
const CLI::Validator kWholeNumber(
    [](std::string& value) -> std::string {
        int n = 0;
        return ParseWholeInt(value, n) ? std::string() : "takes a whole number";
    },
    "", "whole number");

void AddCurvesOption(CLI::App& command, std::vector<std::string>& curves) {
    command
        .add_option("--curves", curves,
                    "the curves to read, by name or 0-based column number, comma-separated "
                    "(8 at most; for files with more than 8 columns the first 8 otherwise)")
        ->type_name("LIST")
        ->delimiter(',');
}

void AddInfo(CLI::App& app, InfoOptions& o) {
    CLI::App* info = app.add_subcommand("info", "print a trace as one JSON object");
    info->add_option("FILE", o.path, "a .txt, .osc, .csv, .tsv or .wav trace")
        ->required()
        ->type_name("");
    info->add_flag("--samples", o.withSamples, "include every sample");
    AddCurvesOption(*info, o.curves);
}

void AddSelectOption(CLI::App& command, std::string& selection, const char* what) {
    command.add_option("--select", selection, what)->type_name("A:B")->check(kSelection);
}

CLI::App* AddConvert(CLI::App& app, ConvertOptions& o, std::string& selection) {
    CLI::App* convert = app.add_subcommand("convert", "open, edit and save a trace");
    convert->footer(
        "Opens IN, selects samples A up to B, runs each command (kxb CURVE K B, goto N) in\n"
        "order and saves as OUT: .osc, .txt or .csv by its extension, .osc when it has none.\n"
        "OUT is left as it was when any step fails.");
    convert->add_option("IN", o.in, "the trace to open")->required()->type_name("");
    convert->add_option("OUT", o.out, "where to save")->required()->type_name("");
    AddSelectOption(*convert, selection, "select samples A up to B");
    AddCurvesOption(*convert, o.curves);
    convert->add_option("--command", o.commands, "run a command; may be repeated")
        ->type_name("TEXT")
        ->allow_extra_args(false);
    convert->add_flag("--columns", o.columns,
                      "write OUT (.txt) as bare numeric columns, one line per sample, without "
                      "the header");
    return convert;
}

CLI::App* AddStats(CLI::App& app, StatsOptions& o, std::string& selection) {
    CLI::App* stats = app.add_subcommand("stats", "measure a trace or a range of it");
    stats->footer(
        "Prints, as one JSON object, the range (the whole trace without --select), its\n"
        "duration in the trace's time unit and its inverse in Hz, and per curve its minimum,\n"
        "maximum, mean, RMS, standard deviation, first and last value, peak-to-peak, last\n"
        "minus first, how many NaN samples it skipped, and its timing: low and high levels,\n"
        "edges, period (time unit), frequency (Hz), widths, duty cycle, rise and fall times\n"
        "(10 % to 90 %), overshoot and undershoot (% of the amplitude); a figure the signal\n"
        "does not allow is null, its reason under \"why\".");
    stats->add_option("FILE", o.path, "a .txt, .osc, .csv, .tsv or .wav trace")
        ->required()
        ->type_name("");
    AddSelectOption(*stats, selection, "measure samples A up to B");
    AddCurvesOption(*stats, o.curves);
    return stats;
}

CLI::App* AddSpectrum(CLI::App& app, SpectrumCliOptions& o, std::string& selection,
                      std::string& window) {
    CLI::App* spectrum =
        app.add_subcommand("spectrum", "the amplitude spectrum of a trace or a range of it");
    spectrum->footer(
        "Prints the single-sided amplitude spectrum of every curve over the range (the whole\n"
        "trace without --select) as CSV: the frequency (Hz, or cycles per time unit when the\n"
        "trace's unit has no known length), then one column per curve in its unit, or in dB\n"
        "relative to 1 unit with --db. The window's gain is corrected, so a sine reads as its\n"
        "amplitude (within 0.1 dB at any frequency with flat-top). A range longer than the\n"
        "segment"
        " is averaged over half-overlapping segments (Welch); a shorter one is one\n"
        "transform, padded with zeros to a power of two. Each segment's mean is taken out\n"
        "before the window and read at 0 Hz. NaN and infinite samples are taken as 0\n"
        "(counted in JSON as notFinite).");
    spectrum->add_option("FILE", o.path, "a .txt, .osc, .csv, .tsv or .wav trace")
        ->required()
        ->type_name("");
    AddSelectOption(*spectrum, selection, "the spectrum of samples A up to B");
    AddCurvesOption(*spectrum, o.curves);
    spectrum
        ->add_option("--window", window,
                     "hann (default), rectangular, hamming, "
                     "blackman-harris or flat-top")
        ->type_name("W")
        ->check(CLI::IsMember(SpectrumWindowNames()));
    spectrum
        ->add_option("--segment", o.spectrum.segment,
                     "Welch's segment: a power of two from 16 to 16777216 (default 65536)")
        ->type_name("N")
        ->check(CLI::Validator(
            [](std::string& value) -> std::string {
                int n = 0;
                const bool power =
                    ParseWholeInt(value, n) && n >= 16 && n <= (1 << 24) && (n & (n - 1)) == 0;
                return power ? "" : "the segment must be a power of two from 16 to 16777216";
            },
            "", "power of two"));
    spectrum->add_flag("--db", o.db, "levels in dB relative to 1 unit of each curve");
    spectrum->add_flag("--json", o.json, "one JSON object instead of CSV, with each peak");
    return spectrum;
}

#if TESQV_WITH_RENDER
CLI::App* AddRender(CLI::App& app, RenderOptions& o, std::string& size) {
    CLI::App* render =
        app.add_subcommand("render", "paint the view of a trace into a PNG, SVG or PDF");
    render->footer(
        "Opens IN, lays the view out on a WxH client area, presses Zoom out N times, applies\n"
        "the other options in the order given and paints the view into OUT. No display is\n"
        "needed.");
    render->add_option("IN", o.in, "the trace to open")->required()->type_name("");
    render->add_option("OUT", o.out, "the picture to write: .png, .svg or .pdf")
        ->required()
        ->type_name("")
        ->check(CLI::Validator(
            [](std::string& value) -> std::string {
                return PictureFormatOf(value) != nullptr
                           ? ""
                           : "render writes pictures: OUT must end in " + PictureExtensions();
            },
            "", "picture"));
    AddCurvesOption(*render, o.curves);
    render->add_option("--size", size, "client area, 1 to 16384 each (default 1280x720)")
        ->type_name("WxH")
        ->check(CLI::Validator(
            [](std::string& value) -> std::string {
                int w = 0, h = 0;
                if (!ParsePair(value, 'x', w, h) || w < 1 || h < 1 || w > 16384 || h > 16384)
                    return "takes WxH, 1 to 16384 each";
                return {};
            },
            "", "size"));
    render->add_option("--zoom-out", o.zoomOuts, "press Zoom out N times")
        ->type_name("N")
        ->check(CLI::Validator(
            [](std::string& value) -> std::string {
                int n = 0;
                return ParseWholeInt(value, n) && n >= 0 ? std::string()
                                                         : "takes a whole number, 0 or more";
            },
            "", "count"));
    render->add_option("--goto", "go to sample N, as the goto command does")
        ->type_name("N")
        ->check(kWholeNumber);
    render->add_option("--scroll", "scroll to column COL")->type_name("COL")->check(kWholeNumber);
    render->add_option("--select", "select samples A up to B")->type_name("A:B")->check(kSelection);
    render->add_option("--hide", "hide curve I (0 to 7)")
        ->type_name("I")
        ->check(CLI::Range(0, 7).description(""));
    render->add_option("--command", "run a command as Enter in the view does")
        ->type_name("TEXT")
        ->allow_extra_args(false);
    render->add_option("--typed", "text typed into the view, not run")->type_name("TEXT");
    render->add_flag("--fit")->description(
        "the whole trace across the picture, as View > Zoom to fit");
    render->add_flag("--zoom-selection")
        ->description("the selection across the picture, as View > Zoom to selection");
    for (CLI::Option* option : render->get_options())
        if (option->get_name() != "--help" && option->get_name() != "--size" &&
            option->get_name() != "--zoom-out" && option->get_name() != "--curves" &&
            !option->get_positional())
            option->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    return render;
}

// The render steps in the order they were given on the command line.
void CollectSteps(const CLI::App& render, RenderOptions& o) {
    std::map<const CLI::Option*, std::size_t> used;
    for (const CLI::Option* option : render.parse_order()) {
        const std::string name = option->get_name();
        if (option->get_positional() || name == "--size" || name == "--zoom-out" ||
            name == "--curves")
            continue;
        const std::size_t k = used[option]++;
        o.steps.emplace_back(name, option->results().at(k));
    }
}

#endif

}  // namespace

namespace {

int Dispatch(int argc, char** argv);

// OUT must name a file to write, not a folder: a usage error otherwise, before anything is
// opened or written.
bool NamesAFile(const std::string& out) {
    std::error_code unknown;  // a folder it may not search, a loop: not a folder as far as told
    const bool folder =
        out.empty() || out.back() == '/' || std::filesystem::is_directory(out, unknown);
    if (folder)
        std::fprintf(stderr,
                     "tesqv-cli: OUT must name a file, not \"%s\"\nRun with --help for more "
                     "information.\n",
                     out.c_str());
    return !folder;
}

}  // namespace

int main(int argc, char** argv) {
    // An interrupted save leaves no temporary file behind.
    RemoveSaveTempFileOnSignals();
    // Notices (columns dropped, cells read as NaN) are warnings on stderr, not failures.
    SetNoticeSink([](std::string_view text) {
        std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
    });
    int status = 1;
    // Nothing thrown leaves without a word: a message and exit status 1.
    try {
        status = Dispatch(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tesqv-cli: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "tesqv-cli: an unexpected error occurred\n");
    }
    // Whatever went to stdout must have arrived: a full disk is a failure, not a short file.
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "tesqv-cli: cannot write the output: %s\n", std::strerror(errno));
        return 1;
    }
    return status;
}

namespace {

int Dispatch(int argc, char** argv) {
    CLI::App app("tesqv-cli: the trace viewer's headless companion.", "tesqv-cli");
    app.footer(
        "Run 'tesqv-cli SUBCOMMAND --help' for its options. Messages go to stderr; the exit\n"
        "status is 0 done, 1 failure reported, 2 usage error.");
    app.set_version_flag("--version", std::string("tesqv-cli ") + TESQV_VERSION);
    app.require_subcommand(1);
    InfoOptions info;
    ConvertOptions convert;
    std::string selection;
    AddInfo(app, info);
    CLI::App* convertCommand = AddConvert(app, convert, selection);
    StatsOptions stats;
    std::string statsSelection;
    CLI::App* statsCommand = AddStats(app, stats, statsSelection);
    SpectrumCliOptions spectrum;
    std::string spectrumSelection, window;
    CLI::App* spectrumCommand = AddSpectrum(app, spectrum, spectrumSelection, window);
#if TESQV_WITH_RENDER
    RenderOptions render;
    std::string size;
    CLI::App* renderCommand = AddRender(app, render, size);
#endif
    // CLI11 would only say that a subcommand is required.
    if (argc > 1 && argv[1][0] != '-') {
        std::string names;
        bool known = false;
        for (const CLI::App* command : app.get_subcommands({})) {
            known = known || command->get_name() == argv[1];
            names += (names.empty() ? "" : ", ") + command->get_name();
        }
        if (!known) {
            std::fprintf(stderr,
                         "tesqv-cli: unknown subcommand \"%s\" (there are %s)\nRun with --help "
                         "for more information.\n",
                         argv[1], names.c_str());
            return 2;
        }
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::fprintf(stderr, "tesqv-cli: %s\nRun with --help for more information.\n", e.what());
        return 2;
    }
    if (app.got_subcommand("info")) return RunInfo(info);
    if (app.got_subcommand(statsCommand)) {
        stats.select = !statsSelection.empty();
        if (stats.select) ParsePair(statsSelection, ':', stats.selStart, stats.selEnd);
        return RunStats(stats);
    }
    if (app.got_subcommand(spectrumCommand)) {
        spectrum.select = !spectrumSelection.empty();
        if (spectrum.select) ParsePair(spectrumSelection, ':', spectrum.selStart, spectrum.selEnd);
        if (!window.empty()) SpectrumWindowNamed(window, spectrum.spectrum.window);
        return RunSpectrum(spectrum);
    }
    if (app.got_subcommand(convertCommand)) {
        if (!NamesAFile(convert.out)) return 2;
        const CTraceFormat* out = TraceFormatOf(convert.out);
        if (convert.columns && (out == nullptr || out->id != TraceFormatId::text)) {
            std::fprintf(stderr,
                         "tesqv-cli: --columns writes a .txt file\nRun with --help for "
                         "more information.\n");
            return 2;
        }
        convert.select = !selection.empty();
        if (convert.select) ParsePair(selection, ':', convert.selStart, convert.selEnd);
        return RunConvert(convert);
    }
#if TESQV_WITH_RENDER
    if (!NamesAFile(render.out)) return 2;
    if (!size.empty()) ParsePair(size, 'x', render.width, render.height);
    CollectSteps(*renderCommand, render);
    return RunRender(render);
#else
    return 2;
#endif
}

}  // namespace
