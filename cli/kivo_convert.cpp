#include "cli/kivo_convert.h"

#include "cli/console.h"
#include "cli/full_path.h"
#include "core/run/conversion_run.h"
#include "core/files/file_system.h"
#include "core/run/host.h"
#include "core/files/io_error.h"
#include "core/run/notice.h"
#include "core/files/text.h"
#include "intake/field_window.h"
#include "intake/intake.h"
#include "kivo/version.h"

#include <cerrno>
#include <deque>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

namespace kivo::cli {

namespace {

constexpr std::string_view kUsage =
    "Usage: kivo-convert [-o OUTPUT] [-p PREFIX] [--detailed] FILE...\n"
    "Converts SQUID data files into one Igor Text file, their rows in the order given.\n"
    "\n"
    "  -o OUTPUT   the Igor Text file to write (default: the first FILE with the\n"
    "              extension .itx); - is standard output\n"
    "  -p PREFIX   the wave prefix, made a valid wave name (default: the first FILE's\n"
    "              name)\n"
    "  --detailed  each FILE in an Igor data folder of its own inside one named by\n"
    "              PREFIX, with units, its header in the wave notes, its AC waves, the\n"
    "              sample's facts and what Igor computes from them, and Igor dates\n"
    "  --help      show this text and exit\n"
    "  --version   show the version and exit\n"
    "\n"
    "Notices go to standard error. Exit status: 0 when the output was written and every\n"
    "FILE could be queued and opened, 1 when not, 2 for a usage error.\n";

constexpr std::string_view kVersion = "Kivo " KIVO_VERSION_STRING "\n";

// A notice's line breaks ("\r", or "\r\n" in the wave-prefix notice) become line ends.
void writeNotice(std::ostream& err, std::string_view text)
{
    // Built whole and written once: standard error is unbuffered, and a batch of thousands
    // of files would otherwise cost a system call per byte.
    std::string lines = core::noticeLines(text);
    lines += '\n';
    err.write(lines.data(), static_cast<std::streamsize>(lines.size()));
    err.flush();
}

// A line of kivo-convert's own, in UTF-8, such as the reason behind a notice or an error.
void writeReason(std::ostream& err, const std::string& reason)
{
    if (reason.empty())
        return;
    const std::string line = "kivo-convert: " + reason + "\n";
    err.write(line.data(), static_cast<std::streamsize>(line.size()));
    err.flush();
}

// The reason behind a notice or an error, worded in English, as a line of its own.
void writeReason(std::ostream& err, const core::Reason& reason)
{
    writeReason(err, core::reasonText(reason, core::Language::English));
}

// --help and --version: their text is all the user asked for, so failing to write it
// (a full disk, a closed pipe) is an error.
int writeOut(std::ostream& out, std::ostream& err, std::string_view text)
{
    errno = 0;
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.flush();
    if (out)
        return 0;
    const int cause = errno;
    err << "kivo-convert: cannot write to standard output";
    if (cause != 0)
        err << ": " << core::systemTextToUtf8(std::generic_category().message(cause));
    err << '\n';
    return 1;
}

// The main window without its controls: the two fields are plain strings that only the
// data exchange reads and writes, and notices become lines on standard error.
class CommandLineWindow final : public intake::FieldWindow {
public:
    explicit CommandLineWindow(std::ostream& err) : m_err(err) {}

    // A file's name arrives in the system's narrow encoding and the notice's own words are
    // UTF-8: the name is made UTF-8 too, so that each line is one encoding.
    void notify(const core::Notice& notice) override
    {
        // The window's notice points at its box; here the option does what the box does.
        if (notice.kind == core::NoticeKind::NoMoment) {
            writeReason(m_err, core::systemTextToUtf8(notice.name)
                                   + ": no row has a moment; the values of an AC file are written with --detailed");
            return;
        }
        core::Notice shown = notice;
        shown.name = core::systemTextToUtf8(notice.name);
        writeNotice(m_err, core::noticeText(shown));
        writeReason(m_err, notice.reason);
        // The drop's notice speaks of folders; a FILE refused for want of an extension may
        // be none, so the line after it says which FILE and why.
        if (notice.kind == core::NoticeKind::DirectoryDropped && !unqueued.empty()) {
            writeReason(m_err, core::systemTextToUtf8(unqueued.front())
                                   + ": the name has no extension, so no file was queued");
            unqueued.pop_front();
        }
    }

    // The window passes such a file over without a word; a script's user would not know
    // why its waves stayed empty.
    void passedOver(const std::string& displayName, const core::Reason& reason) override
    {
        writeReason(m_err, core::systemTextToUtf8(displayName) + ": passed over: "
                               + core::reasonText(reason, core::Language::English));
    }

    // The FILEs, as given, that the drop refuses for want of an extension, in drop order.
    std::deque<std::string> unqueued;

private:
    std::ostream& m_err;
};

struct Options {
    std::optional<std::string> output;
    std::optional<std::string> prefix;
    std::vector<std::string> files;
    bool help = false;
    bool version = false;
    bool detailed = false;
};

// Reads the arguments; the reason when they are not usable.
std::optional<std::string> parse(const std::vector<std::string>& args, Options& options)
{
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            if (arg.empty())
                return "a FILE is empty";
            options.files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--detailed") {
            options.detailed = true;
        } else if (arg[1] == 'o' || arg[1] == 'p') {
            std::optional<std::string>& slot = arg[1] == 'o' ? options.output : options.prefix;
            const std::string name = arg.substr(0, 2);
            if (slot)
                return name + " is given twice";
            if (arg.size() > 2)
                slot = arg.substr(2);
            else if (i + 1 < args.size())
                slot = args[++i];
            else
                return name + " needs a value";
            // An empty output would fall back to no output at all, not to the default.
            if (arg[1] == 'o' && slot->empty())
                return "-o OUTPUT is empty";
        } else {
            return "unknown option " + arg;
        }
    }
    return std::nullopt;
}

// A drop never names a folder with a separator at its end; a root keeps its own. Under
// code page 932 a last byte of 0x5C may be the second byte of a character such as ソ.
void dropTrailingSeparators(std::string& path, core::CodePage page)
{
    while (path.size() > 1 && path[path.size() - 2] != ':' &&
           core::findLastChar(path, intake::kPathSeparator, page) == path.size() - 1)
        path.pop_back();
}

} // namespace

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, core::FileSystem& files)
{
    Options options;
    std::optional<std::string> usageError = parse(args, options);
    if (!usageError && !options.help && !options.version && options.files.empty() && !options.output)
        usageError = "no FILE and no -o OUTPUT";
    if (usageError) {
        err << "kivo-convert: " << core::systemTextToUtf8(*usageError) << '\n' << kUsage;
        return 2;
    }
    if (options.help)
        return writeOut(out, err, kUsage);
    if (options.version)
        return writeOut(out, err, kVersion);

    const core::CodePage page = core::systemCodePage();
    CommandLineWindow window(err);
    window.detailed = options.detailed;
    std::vector<std::string> dropped;
    std::string problem;
    for (const std::string& file : options.files) {
        std::optional<std::string> path = fullPath(file, problem);
        if (!path) {
            err << "kivo-convert: " << core::systemTextToUtf8(file) << ": " << core::systemTextToUtf8(problem) << '\n';
            return 1;
        }
        dropTrailingSeparators(*path, page);
        if (intake::splitPath(*path, intake::kPathSeparator, page).extension.empty())
            window.unqueued.push_back(file);
        dropped.push_back(std::move(*path));
    }

    // The given values are typed into the empty window before the drop, so the drop keeps
    // them and derives only the missing one; the prefix field is left, which sanitizes it.
    if (options.prefix) {
        window.prefixField = *options.prefix;
        intake::SanitizeWavePrefix(window);
    }
    if (options.output && *options.output == "-") {
        window.outputField = core::kStandardOutputPath;
    } else if (options.output) {
        std::optional<std::string> path = fullPath(*options.output, problem);
        if (!path) {
            err << "kivo-convert: " << core::systemTextToUtf8(*options.output) << ": " << core::systemTextToUtf8(problem) << '\n';
            return 1;
        }
        window.outputField = std::move(*path);
    }
    if (!dropped.empty())
        intake::AddDroppedFiles(window, dropped, intake::kPathSeparator, page);
    // A FILE the drop did not queue (a folder, a name without an extension) is one the user
    // asked for and did not get.
    const bool everyFileQueued = window.queueCount() == dropped.size();

    try {
        const core::RunResult result = core::OnMakeItx(window, &intake::SanitizeWavePrefix, files, page);
        return result.outputWritten && result.everyInputOpened && everyFileQueued ? 0 : 1;
    } catch (const std::exception& failure) {
        // Caught here: let out of main, it would end the program without unwinding, and a
        // named staging file would stay. Memory running out is told as a failed read is.
        const core::FailureText told = core::failureText(failure, window.outputPath);
        err << told.message << '\n';
        writeReason(err, told.reason);
        return 1;
    }
}

} // namespace kivo::cli
