#include "cli/Command.h"

#include <charconv>
#include <cstdio>
#include <filesystem>

#include "platform/FileIdentity.h"

namespace nalo::cli {

namespace {

// A whole number in 1..largest, the whole text.
bool wholeNumber(const std::string& text, int largest, int& out) {
    const char* end = text.data() + text.size();
    const auto [at, ec] = std::from_chars(text.data(), end, out);
    return ec == std::errc() && at == end && !text.empty() && out >= 1 && out <= largest;
}

}  // namespace

const CLI::Validator NotStdio(
    [](std::string& v) {
        return v == "-" ? std::string("'-' (standard input or output) is not supported; write ./- for a file named -")
                        : std::string();
    },
    "", "not -");

Command::Command(const std::string& tool, const std::string& description)
    : app(description, "nalo-convert " + tool), tool_(tool) {
    app.set_help_flag("-h,--help", "Print this help and exit");
    app.get_formatter()->column_width(30);
}

void Command::addReporting() {
    app.add_flag("-q,--quiet", quiet, "Print only failures");
    app.add_flag("--json", json,
                 "One JSON object per line for each file result (source, output, outcome, reason, bytes, ms), "
                 "then a summary object");
}

void Command::addSkip() {
    app.add_flag("--skip,-n,--no-clobber", skip, "Keep an existing output file (skipped) instead of replacing it");
}

CLI::Option* Command::addOut(const std::string& what) {
    return app.add_option("-o,--out", out, what)->check(NotStdio);
}

void Command::addJobs() {
    app.add_option("-j,--jobs", jobs, "Convert N files at a time in child processes (0: one per core)")
        ->check(CLI::Range(0, 256))
        ->type_name("N");
    app.add_option("--batch-item", batchItem)->group("")->check(CLI::NonNegativeNumber);
}

CLI::Option* Command::addFiles(std::vector<std::string>& files, const std::string& name, const std::string& what) {
    return app.add_option(name, files, what)->check(NotStdio);
}

int Command::parse(const Args& args) {
    std::vector<const char*> argv{app.get_name().c_str()};
    for (const auto& a : args) argv.push_back(a.c_str());
    try {
        app.parse(int(argv.size()), argv.data());
    } catch (const CLI::CallForHelp&) {
        std::printf("%s", app.help().c_str());
        return 0;
    } catch (const CLI::ParseError& e) {
        return usage(e.what());
    }
    return -1;
}

int Command::usage(const std::string& message) const {
    std::fflush(stdout);
    std::fprintf(stderr, "nalo-convert %s: %s\n(see nalo-convert %s --help)\n", tool_.c_str(), message.c_str(),
                 tool_.c_str());
    return 2;
}

std::string Command::placed(const std::string& besideSource) const {
    if (out.empty()) return besideSource;
    const auto slash = besideSource.rfind('/');
    return out + (out.back() == '/' ? "" : "/") +
           (slash == std::string::npos ? besideSource : besideSource.substr(slash + 1));
}

int Command::sourceAndOutput(const std::vector<std::string>& files, std::string& in, std::string& output,
                             const std::string& form) const {
    if (files.size() != (out.empty() ? 2u : 1u)) return usage("give " + form);
    in = files[0];
    output = out.empty() ? files[1] : out;
    return -1;
}

bool Command::refusedOrSkipped(RunReporter& reporter, const std::string& in, const std::string& output) const {
    if (sourceNamedBy(output, {in})) {
        reporter.result(FileReport{in, output, Outcome::Failed, SourceAsOutput, {}, true});
        return true;
    }
    if (skip && std::filesystem::exists(output)) {
        reporter.result(FileReport{in, output, Outcome::Skipped});
        return true;
    }
    return false;
}

CLI::Option* addIntList(CLI::App& app, const std::string& name, std::vector<int>& values, int count,
                        const std::string& description) {
    std::string form;
    for (int i = 0; i < count; ++i) form += i ? ",INT" : "INT";
    return app
        .add_option_function<std::vector<int>>(
            name,
            [&values, count, name](const std::vector<int>& v) {
                if (int(v.size()) != count)
                    throw CLI::ValidationError(name, "takes " + std::to_string(count) + " numbers with commas");
                values = v;
            },
            description)
        ->delimiter(',')
        ->type_name(form)
        ->allow_extra_args(false);
}

CLI::Option* addSize(CLI::App& app, const std::string& name, FrameSize& size, int largest,
                     const std::string& description) {
    return app
        .add_option_function<std::string>(
            name,
            [&size, largest, name](const std::string& text) {
                const auto x = text.find_first_of("xX");
                FrameSize s;
                if (x == std::string::npos || !wholeNumber(text.substr(0, x), largest, s.width) ||
                    !wholeNumber(text.substr(x + 1), largest, s.height))
                    throw CLI::ValidationError(name, "takes WxH, both 1.." + std::to_string(largest));
                size = s;
            },
            description)
        ->type_name("WxH");
}

}  // namespace nalo::cli
