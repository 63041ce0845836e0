// kivo-gen-squid: writes a made-up but realistic SQUID data file, for examples/, tests and
// the benchmark.

#include "bench/squid_generator.h"

#include <charconv>
#include <cstdint>
#include <cstring>
#include <exception>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace {

void printUsage(std::ostream& out)
{
    out << "usage: kivo-gen-squid (--rows N | --bytes N) [--layout L] [--seed S] -o FILE\n"
           "  --rows N    exactly N data rows\n"
           "  --bytes N   as many whole rows as fit in N bytes; N may end in k, M or G\n"
           "              (10^3, 10^6, 10^9)\n"
           "  --layout L  older (the default: Time,Comment,... in 30 columns), mpms3\n"
           "              (an MPMS3 in DC scan mode: Comment,Time Stamp (sec),... in 90)\n"
           "              or mpms3-full (the same with every digit of each value, as an\n"
           "              MPMS3's software writes them: 3895565791.140625, -1.2345E-005)\n"
           "  --seed S    other scatter in the values (default "
        << kivo::bench::SquidSampleGenerator::kDefaultSeed
        << ")\n"
           "  -o FILE     the file to write, replaced if it exists; - for standard output\n";
}

std::optional<std::uint64_t> parseCount(std::string_view s, bool allowSuffix)
{
    std::uint64_t value = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), value);
    if (r.ec != std::errc{} || r.ptr == s.data())
        return std::nullopt;
    std::string_view rest(r.ptr, static_cast<std::size_t>(s.data() + s.size() - r.ptr));
    if (rest.empty())
        return value;
    if (!allowSuffix || rest.size() != 1)
        return std::nullopt;
    std::uint64_t scale = 0;
    switch (rest[0]) {
    case 'k':
    case 'K':
        scale = 1000u;
        break;
    case 'M':
        scale = 1000u * 1000u;
        break;
    case 'G':
        scale = 1000u * 1000u * 1000u;
        break;
    default:
        return std::nullopt;
    }
    if (value > UINT64_MAX / scale)
        return std::nullopt;
    return value * scale;
}

int usageError(const std::string& why)
{
    std::cerr << "kivo-gen-squid: " << why << "\n";
    printUsage(std::cerr);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    std::optional<std::uint64_t> rows;
    std::optional<std::uint64_t> bytes;
    std::uint64_t seed = kivo::bench::SquidSampleGenerator::kDefaultSeed;
    kivo::bench::SquidLayout layout = kivo::bench::SquidLayout::Older;
    std::string output;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            printUsage(std::cout);
            return 0;
        }
        if (i + 1 >= argc)
            return usageError("missing value after " + std::string(arg));
        const std::string_view value = argv[++i];
        if (arg == "--rows") {
            rows = parseCount(value, false);
            if (!rows)
                return usageError("bad row count: " + std::string(value));
        } else if (arg == "--bytes") {
            bytes = parseCount(value, true);
            if (!bytes)
                return usageError("bad size: " + std::string(value));
        } else if (arg == "--seed") {
            const auto s = parseCount(value, false);
            if (!s)
                return usageError("bad seed: " + std::string(value));
            seed = *s;
        } else if (arg == "--layout") {
            if (value == "older")
                layout = kivo::bench::SquidLayout::Older;
            else if (value == "mpms3")
                layout = kivo::bench::SquidLayout::Mpms3;
            else if (value == "mpms3-full")
                layout = kivo::bench::SquidLayout::Mpms3FullDigits;
            else
                return usageError("unknown layout: " + std::string(value));
        } else if (arg == "-o") {
            output = value;
        } else {
            return usageError("unknown option " + std::string(arg));
        }
    }
    if (rows.has_value() == bytes.has_value())
        return usageError("give exactly one of --rows and --bytes");
    if (output.empty())
        return usageError("give -o FILE");

    try {
        using namespace kivo::bench;
        SquidSampleSummary sum;
        if (output == "-") {
            std::ios::sync_with_stdio(false);
            sum = rows ? writeSquidSample(std::cout, *rows, seed, layout)
                       : writeSquidSampleOfSize(std::cout, *bytes, seed, layout);
            std::cout.flush();
            if (!std::cout)
                throw std::runtime_error("cannot write to standard output");
        } else {
            sum = rows ? writeSquidSampleFile(output, *rows, seed, layout)
                       : writeSquidSampleFileOfSize(output, *bytes, seed, layout);
            std::cerr << output << ": " << sum.rows << " rows, " << sum.bytes << " bytes\n";
        }
    } catch (const std::exception& e) {
        std::cerr << "kivo-gen-squid: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
