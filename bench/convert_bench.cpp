// kivo-bench-convert: times kivo-convert against cat on the same generated SQUID data file.
//
// cat is the floor for a program that reads a file and writes a file, so the ratio of the
// two wall times says how much the conversion itself costs, whatever the machine. Both read
// the input from the page cache and write into a RAM-backed folder, so the disk's write-back
// does not drown the difference; the same figure with the output on disk is given beside it.
// Input and output always sit on different file systems, so cat reads and writes like any
// program instead of copying inside the kernel.
// The runs alternate, pair by pair, and the median of the per-pair ratios is reported, so a
// burst of load from elsewhere moves both halves of a pair rather than the result.
//
// POSIX only (posix_spawn, wait4): it measures the Linux build.

#include "bench/squid_generator.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

#ifndef KIVO_BENCH_COMPILER
#define KIVO_BENCH_COMPILER "unknown compiler"
#endif
#ifndef KIVO_BENCH_FLAGS
#define KIVO_BENCH_FLAGS ""
#endif
#ifndef KIVO_BENCH_BUILD_TYPE
#define KIVO_BENCH_BUILD_TYPE ""
#endif
#ifndef KIVO_BENCH_CONVERT
#define KIVO_BENCH_CONVERT ""
#endif
#ifndef KIVO_BENCH_WORK_DIR
#define KIVO_BENCH_WORK_DIR "kivo-bench-work"
#endif

constexpr double kMB = 1e6;
constexpr double kMiB = 1024.0 * 1024.0;
constexpr double kRssTargetMiB = 16.0;

struct Options {
    std::string kivo = KIVO_BENCH_CONVERT;
    std::string ramDir = "/dev/shm";
    std::string diskDir = KIVO_BENCH_WORK_DIR;
    std::uint64_t bytes = 100'000'000;
    std::uint64_t smallBytes = 1'000'000;
    int pairs = 15;
    int diskPairs = 11;
    bool keep = false;
    std::string layout; // empty: both
};

[[noreturn]] void fail(const std::string& why)
{
    throw std::runtime_error(why);
}

std::string errnoText(int e)
{
    return std::generic_category().message(e);
}

// ---- machine description ---------------------------------------------------------------

std::string cpuModel()
{
    std::ifstream in("/proc/cpuinfo");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("model name", 0) == 0) {
            const auto colon = line.find(':');
            if (colon != std::string::npos) {
                std::string m = line.substr(colon + 1);
                m.erase(0, m.find_first_not_of(" \t"));
                return m;
            }
        }
    }
    return "unknown CPU";
}

std::string kernel()
{
    utsname u{};
    if (uname(&u) != 0)
        return "unknown kernel";
    return std::string(u.sysname) + " " + u.release;
}

std::string loadText()
{
    double l[3] = {0, 0, 0};
    if (getloadavg(l, 3) != 3)
        return "unknown";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2f %.2f %.2f", l[0], l[1], l[2]);
    return buf;
}

double memoryGiB()
{
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long size = sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || size <= 0)
        return 0;
    return static_cast<double>(pages) * static_cast<double>(size) / (kMiB * 1024.0);
}

// ---- running programs ------------------------------------------------------------------

struct Run {
    double seconds = 0;
    int exitStatus = -1; // -1 when killed by a signal
    double cpuSeconds = 0;
    long maxRssKiB = 0;
};

// Runs argv with standard input from /dev/null and standard output and error into the
// given files, and times it from spawn to reaped.
Run runProgram(const std::vector<std::string>& argv, const std::string& outPath, const std::string& errPath)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    Run run;
    pid_t pid = 0;
    const auto start = std::chrono::steady_clock::now();
    const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        fail("cannot start " + argv[0] + ": " + errnoText(rc));
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0) {
        if (errno != EINTR)
            fail("wait4 failed: " + errnoText(errno));
    }
    const auto end = std::chrono::steady_clock::now();
    run.seconds = std::chrono::duration<double>(end - start).count();
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
                     + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    run.maxRssKiB = usage.ru_maxrss;
    return run;
}

std::string readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        fail("cannot read " + path);
    std::ostringstream s;
    s << in.rdbuf();
    return std::move(s).str();
}

// Reads the whole file and drops the bytes, so the timed runs find it in the page cache.
void warm(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<char> buf(1 << 20);
    while (in.read(buf.data(), static_cast<std::streamsize>(buf.size())) || in.gcount() > 0) {
    }
}

// cat copies a file inside the kernel when input and output share a file system, which
// no converter can do; the comparison is only fair when they do not.
void warnIfSameFileSystem(const std::string& input, const std::string& outDir)
{
    struct stat a {
    }, b{};
    if (stat(input.c_str(), &a) == 0 && stat(outDir.c_str(), &b) == 0 && a.st_dev == b.st_dev) {
        std::cerr << "warning: " << input << " and " << outDir
                  << " are on one file system, where cat copies without reading: the ratio "
                     "overstates the cost of converting\n";
    }
}

void removeIfThere(const std::string& path)
{
    std::error_code ec;
    fs::remove(path, ec);
}

// ---- the measurements ------------------------------------------------------------------

struct Input {
    std::string path;
    kivo::bench::SquidSampleSummary summary;
};

Input makeInput(const std::string& dir, std::uint64_t bytes, const std::string& name, kivo::bench::SquidLayout layout)
{
    Input in;
    in.path = (fs::path(dir) / name).string();
    in.summary = kivo::bench::writeSquidSampleFileOfSize(in.path, bytes,
                                                         kivo::bench::SquidSampleGenerator::kDefaultSeed, layout);
    return in;
}

// How one series converts: the layout of its input, and the normal or the detailed output.
struct LayoutRun {
    const char* name;
    kivo::bench::SquidLayout layout;
    const char* what;
    bool detailed;
    double target; // of the ratio kivo/cat with the output in RAM
};

std::vector<std::string> kivoArgs(const Options& o, const LayoutRun& run, const std::string& out, const std::string& in)
{
    if (run.detailed)
        return {o.kivo, "--detailed", "-o", out, "-p", "bench", in};
    return {o.kivo, "-o", out, "-p", "bench", in};
}

std::string expectedLine(const kivo::bench::SquidRowValues& v)
{
    return "\t" + v.time + "\t" + v.field + "\t" + v.temperature + "\t" + v.moment + "\t" + v.momentSD + "\r\n";
}

// One untimed conversion whose output is checked, so that a fast but broken build is never
// what gets timed.
void checkConversion(const Options& o, const LayoutRun& run, const Input& in, const std::string& dir)
{
    const std::string out = dir + "/check.itx";
    const std::string err = dir + "/check.err";
    removeIfThere(out);
    const Run r = runProgram(kivoArgs(o, run, out, in.path), "/dev/null", err);
    const std::string messages = readAll(err);
    if (r.exitStatus != 0) {
        fail("kivo-convert exited with status " + std::to_string(r.exitStatus) + ":\n" + messages);
    }
    const std::string itx = readAll(out);
    std::vector<std::string_view> lines;
    std::size_t pos = 0;
    while (pos < itx.size()) {
        std::size_t end = itx.find('\n', pos);
        end = end == std::string::npos ? itx.size() : end + 1;
        lines.emplace_back(itx.data() + pos, end - pos);
        pos = end;
    }
    const std::uint64_t rows = in.summary.rows;
    // IGOR, WAVES/D, BEGIN, the rows, END and five SetScale lines; the detailed output has
    // the batch's and the file's folder lines before WAVES/D, and units and notes after END.
    // Either way the DC scan file gives the same five waves in the same order.
    const std::size_t begin = run.detailed ? 4 : 2;
    if (run.detailed ? lines.size() < rows + begin + 2 : lines.size() != rows + 9) {
        fail("kivo-convert wrote " + std::to_string(lines.size()) + " lines for " + std::to_string(rows) + " rows");
    }
    if (lines[begin] != "BEGIN\r\n")
        fail("kivo-convert wrote no BEGIN line where it belongs");
    if (rows > 0
        && (lines[begin + 1] != expectedLine(in.summary.first)
            || lines[begin + rows] != expectedLine(in.summary.last))) {
        fail("kivo-convert wrote unexpected data lines for " + in.path);
    }
    if (lines[begin + rows + 1] != "END\r\n")
        fail("kivo-convert wrote no END line after the rows");
    if (run.detailed && lines.back() != "X SetDataFolder ::\r\n")
        fail("kivo-convert's detailed output does not end its folder");
    removeIfThere(out);
    removeIfThere(err);
}

struct Series {
    std::vector<double> kivo, cat, ratio, kivoCpu, catCpu, cpuRatio;
};

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
}

// Alternates which of the two goes first, so neither always runs on a cache the other
// just warmed. Each output is removed untimed before its run, so both write a new file.
Series timePairs(const Options& o, const LayoutRun& run, const Input& in, const std::string& outDir, int pairs)
{
    const std::string kivoOut = outDir + "/kivo.itx";
    const std::string catOut = outDir + "/cat.out";
    const std::string err = outDir + "/kivo.err";
    const auto kivoRun = [&] {
        removeIfThere(kivoOut);
        const Run r = runProgram(kivoArgs(o, run, kivoOut, in.path), "/dev/null", err);
        if (r.exitStatus != 0)
            fail("kivo-convert failed during timing:\n" + readAll(err));
        return r;
    };
    const auto catRun = [&] {
        removeIfThere(catOut);
        const Run r = runProgram({"cat", in.path}, catOut, "/dev/null");
        if (r.exitStatus != 0)
            fail("cat failed during timing");
        return r;
    };
    warm(in.path);
    kivoRun(); // untimed: loads the program and the C++ runtime into the page cache
    catRun();
    Series s;
    for (int i = 0; i < pairs; ++i) {
        Run k, c;
        if (i % 2 == 0) {
            k = kivoRun();
            c = catRun();
        } else {
            c = catRun();
            k = kivoRun();
        }
        s.kivo.push_back(k.seconds);
        s.cat.push_back(c.seconds);
        s.ratio.push_back(k.seconds / c.seconds);
        s.kivoCpu.push_back(k.cpuSeconds);
        s.catCpu.push_back(c.cpuSeconds);
        s.cpuRatio.push_back(k.cpuSeconds / c.cpuSeconds);
        std::fprintf(stderr, "  pair %2d: kivo-convert %.4f s, cat %.4f s, ratio %.3f\n", i + 1, k.seconds, c.seconds,
                     k.seconds / c.seconds);
    }
    removeIfThere(kivoOut);
    removeIfThere(catOut);
    removeIfThere(err);
    return s;
}

struct Rss {
    double mib = 0;
    std::string how;
};

// Peak resident memory as /usr/bin/time -v reports it (the largest of three runs); the
// kernel's own figure from wait4 when that program is missing.
Rss peakRss(const Options& o, const LayoutRun& run, const Input& in, const std::string& dir)
{
    const std::string out = dir + "/rss.itx";
    const std::string err = dir + "/rss.err";
    const bool haveTime = access("/usr/bin/time", X_OK) == 0;
    Rss rss;
    rss.how = haveTime ? "/usr/bin/time -v" : "wait4 ru_maxrss (/usr/bin/time missing)";
    for (int i = 0; i < 3; ++i) {
        removeIfThere(out);
        std::vector<std::string> args = kivoArgs(o, run, out, in.path);
        if (haveTime)
            args.insert(args.begin(), {"/usr/bin/time", "-v"});
        const Run r = runProgram(args, "/dev/null", err);
        const std::string text = readAll(err);
        if (r.exitStatus != 0)
            fail("kivo-convert failed while measuring memory:\n" + text);
        long kib = r.maxRssKiB;
        if (haveTime) {
            const std::string key = "Maximum resident set size (kbytes):";
            const auto at = text.find(key);
            if (at == std::string::npos)
                fail("no peak memory in the output of /usr/bin/time -v");
            kib = std::strtol(text.c_str() + at + key.size(), nullptr, 10);
        }
        rss.mib = std::max(rss.mib, static_cast<double>(kib) / 1024.0);
    }
    removeIfThere(out);
    removeIfThere(err);
    return rss;
}

std::string fmt(const char* format, double v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

std::string verdict(bool met)
{
    return met ? "met" : "MISSED";
}

// The older magnetometer's layout, and an MPMS3's in DC scan mode, whose rows are read up to
// their 62nd column and whose values come out of file order, with short values and with
// every digit of each value, as an MPMS3's software writes them (17 to 20 bytes, past what
// a word-at-a-time test takes); the MPMS3 file again in the detailed output, which reads it
// twice (the first reading ends once every wave is seen to hold a number) and writes units
// and notes.
const LayoutRun kLayouts[] = {
    {"older", kivo::bench::SquidLayout::Older, "older layout (Time,Comment,...)", false, 1.05},
    {"mpms3", kivo::bench::SquidLayout::Mpms3, "MPMS3 in DC scan mode (Comment,Time Stamp (sec),...)", false, 1.00},
    {"mpms3-full", kivo::bench::SquidLayout::Mpms3FullDigits, "MPMS3 in DC scan mode, every digit of each value", false,
     1.00},
    {"mpms3-detailed", kivo::bench::SquidLayout::Mpms3, "MPMS3 in DC scan mode, kivo-convert --detailed", true, 1.20},
};

struct LayoutFigures {
    const LayoutRun* layout = nullptr;
    Input big, small;
    Series ram, disk;
    Rss rssSmall, rssBig;
};

void report(const Options& o, const LayoutFigures& f)
{
    const double mb = static_cast<double>(f.big.summary.bytes) / kMB;
    const double ramRatio = median(f.ram.ratio);
    const double ramKivo = median(f.ram.kivo);
    const double ramCat = median(f.ram.cat);
    const auto minmax = std::minmax_element(f.ram.ratio.begin(), f.ram.ratio.end());
    std::cout << "\n"
              << f.layout->what << "\n"
              << "input:    " << fmt("%.1f", mb) << " MB (" << f.big.summary.bytes << " bytes), " << f.big.summary.rows
              << " rows of " << kivo::bench::SquidSampleGenerator::columnCount(f.layout->layout)
              << " columns, CR LF, from the page cache\n"
              << "output in RAM (" << o.ramDir << "), " << o.pairs << " pairs:\n"
              << "  kivo-convert  median " << fmt("%.4f", ramKivo) << " s  " << fmt("%.0f", mb / ramKivo)
              << " MB/s  (cpu " << fmt("%.4f", median(f.ram.kivoCpu)) << " s)\n"
              << "  cat           median " << fmt("%.4f", ramCat) << " s  " << fmt("%.0f", mb / ramCat)
              << " MB/s  (cpu " << fmt("%.4f", median(f.ram.catCpu)) << " s)\n"
              << "  ratio kivo/cat, median of per-pair ratios: " << fmt("%.3f", ramRatio) << "  (range "
              << fmt("%.3f", *minmax.first) << " to " << fmt("%.3f", *minmax.second)
              << ")  target <= " << fmt("%.2f", f.layout->target) << ": " << verdict(ramRatio <= f.layout->target)
              << "\n"
              // Processor time (user + system) hardly moves with load from elsewhere, so it
              // tells a busy machine's noise from a real difference.
              << "  cpu-time ratio kivo/cat, median of per-pair ratios: " << fmt("%.3f", median(f.ram.cpuRatio))
              << "\n";
    if (!f.disk.kivo.empty()) {
        const double diskKivo = median(f.disk.kivo);
        const double diskCat = median(f.disk.cat);
        std::cout << "output on disk (input from RAM), " << o.diskPairs << " pairs:\n"
                  << "  kivo-convert  median " << fmt("%.4f", diskKivo) << " s  " << fmt("%.0f", mb / diskKivo)
                  << " MB/s\n"
                  << "  cat           median " << fmt("%.4f", diskCat) << " s  " << fmt("%.0f", mb / diskCat)
                  << " MB/s\n"
                  << "  ratio kivo/cat, median of per-pair ratios: " << fmt("%.3f", median(f.disk.ratio)) << "\n";
    }
    std::cout << "peak resident memory of kivo-convert (" << f.rssBig.how << ", largest of 3):\n"
              << "  " << fmt("%.1f", static_cast<double>(f.small.summary.bytes) / kMB)
              << " MB input: " << fmt("%.2f", f.rssSmall.mib) << " MiB   " << fmt("%.1f", mb)
              << " MB input: " << fmt("%.2f", f.rssBig.mib) << " MiB   target < " << fmt("%.0f", kRssTargetMiB)
              << " MiB: " << verdict(f.rssSmall.mib < kRssTargetMiB && f.rssBig.mib < kRssTargetMiB) << "\n";
}

int usage(std::ostream& out, int status)
{
    out << "usage: kivo-bench-convert [--kivo PATH] [--pairs N] [--disk-pairs N] [--mb N]\n"
           "                          [--ram-dir DIR] [--disk-dir DIR] [--keep]\n"
           "  --kivo PATH      the kivo-convert to time (default: the one built beside this)\n"
           "  --pairs N        timed pairs with the output in RAM (default 15, at least 11)\n"
           "  --disk-pairs N   timed pairs with the output on disk (default 11)\n"
           "  --mb N           size of the large input in MB of 10^6 bytes (default 100)\n"
           "  --ram-dir DIR    RAM-backed folder for outputs (default /dev/shm)\n"
           "  --disk-dir DIR   folder on disk for the inputs and the disk outputs\n"
           "  --keep           keep the generated inputs\n"
           "  --layout L       only older, mpms3, mpms3-full or mpms3-detailed (default: all four)\n";
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        const auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                std::exit(usage(std::cerr, 2));
            return argv[++i];
        };
        if (a == "--help" || a == "-h")
            return usage(std::cout, 0);
        if (a == "--kivo")
            o.kivo = value();
        else if (a == "--pairs")
            o.pairs = std::atoi(value().c_str());
        else if (a == "--disk-pairs")
            o.diskPairs = std::atoi(value().c_str());
        else if (a == "--mb")
            o.bytes = static_cast<std::uint64_t>(std::atof(value().c_str()) * kMB);
        else if (a == "--ram-dir")
            o.ramDir = value();
        else if (a == "--disk-dir")
            o.diskDir = value();
        else if (a == "--keep")
            o.keep = true;
        else if (a == "--layout")
            o.layout = value();
        else
            return usage(std::cerr, 2);
    }
    if (o.kivo.empty()) {
        std::cerr << "kivo-bench-convert: no kivo-convert was built with this tree; give --kivo PATH\n";
        return 2;
    }
    if (o.pairs < 1 || o.diskPairs < 0 || o.bytes < 1000)
        return usage(std::cerr, 2);
    if (o.pairs < 11)
        std::cerr << "kivo-bench-convert: fewer than 11 pairs make a shaky median\n";

    // Removed on every way out: a failed run must not leave 100 MB behind in RAM.
    struct Cleanup {
        std::vector<std::string> paths;
        ~Cleanup()
        {
            std::error_code ec;
            for (const std::string& p : paths)
                fs::remove_all(p, ec);
        }
    } cleanup;
    try {
        const std::string loadBefore = loadText();
        const std::string ramDir = (fs::path(o.ramDir) / ("kivo-bench-" + std::to_string(getpid()))).string();
        const std::string diskOut = (fs::path(o.diskDir) / "out").string();
        cleanup.paths = {ramDir, diskOut};
        fs::create_directories(ramDir);
        fs::create_directories(diskOut);

        std::vector<LayoutFigures> figures;
        for (const LayoutRun& layout : kLayouts) {
            if (!o.layout.empty() && o.layout != layout.name)
                continue;
            const std::string largeName = std::string("bench-large-") + layout.name + ".dat";
            const std::string smallName = std::string("bench-small-") + layout.name + ".dat";
            if (!o.keep) {
                cleanup.paths.push_back((fs::path(o.diskDir) / largeName).string());
                cleanup.paths.push_back((fs::path(o.diskDir) / smallName).string());
            }
            std::cerr << "Layout " << layout.name << ": generating inputs in " << o.diskDir << " ...\n";
            LayoutFigures f;
            f.layout = &layout;
            f.big = makeInput(o.diskDir, o.bytes, largeName, layout.layout);
            f.small = makeInput(o.diskDir, o.smallBytes, smallName, layout.layout);
            warm(f.big.path);
            warm(f.small.path);

            checkConversion(o, layout, f.small, ramDir);
            checkConversion(o, layout, f.big, ramDir);

            std::cerr << "Output in RAM (" << o.ramDir << "), " << o.pairs << " pairs:\n";
            warnIfSameFileSystem(f.big.path, ramDir);
            f.ram = timePairs(o, layout, f.big, ramDir, o.pairs);
            if (o.diskPairs > 0 && !layout.detailed) {
                // Here the input is read from RAM, so that it and the output sit on different
                // file systems, as in the series above: on one file system cat copies inside the
                // kernel (copy_file_range) and would no longer be the read-and-write floor.
                Input ramInput = f.big;
                ramInput.path = ramDir + "/" + largeName;
                fs::copy_file(f.big.path, ramInput.path, fs::copy_options::overwrite_existing);
                std::cerr << "Output on disk (" << o.diskDir << "), " << o.diskPairs << " pairs:\n";
                f.disk = timePairs(o, layout, ramInput, diskOut, o.diskPairs);
                warnIfSameFileSystem(ramInput.path, diskOut);
                removeIfThere(ramInput.path);
            }
            std::cerr << "Peak resident memory ...\n";
            f.rssSmall = peakRss(o, layout, f.small, ramDir);
            f.rssBig = peakRss(o, layout, f.big, ramDir);
            figures.push_back(std::move(f));
        }
        const std::string loadAfter = loadText();

        std::cout << "Kivo conversion benchmark: kivo-convert against cat, same input, alternating\n"
                  << "machine:  " << cpuModel() << ", " << sysconf(_SC_NPROCESSORS_ONLN) << " cores, "
                  << fmt("%.1f", memoryGiB()) << " GiB RAM, " << kernel() << "\n"
                  << "compiler: " << KIVO_BENCH_COMPILER << ", " << KIVO_BENCH_BUILD_TYPE << " build, flags \""
                  << KIVO_BENCH_FLAGS << "\"\n"
                  << "load avg: " << loadBefore << " before, " << loadAfter << " after\n";
        for (const LayoutFigures& f : figures)
            report(o, f);
    } catch (const std::exception& e) {
        std::cerr << "kivo-bench-convert: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
