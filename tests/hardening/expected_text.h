#pragma once

// The bytes kivo-convert must write: SQUID inputs and Igor Text outputs (from the shared
// test helpers), and notice lines, spelled out here rather than taken from the code under test.

#include "expected_itx.h"
#include "notice_texts.h"

#include <string>

namespace kivo::hardening {

using kivo::testing::itxHeader;
using kivo::testing::itxRows;
using kivo::testing::itxTrailer;
using kivo::testing::squidFile;

// Notices as kivo-convert prints them: each line break a line end, then one more.
inline std::string pointsNotice(const std::string& name, long long count)
{
    return testing::texts::points(name, count) + "\n";
}

inline std::string notSquidNotice(const std::string& name)
{
    return testing::texts::notSquid(name) + "\n";
}

inline std::string noDataNotice(const std::string& name)
{
    return testing::texts::noData(name) + "\n";
}

inline std::string fileNotOpenNotice(const std::string& name)
{
    return testing::texts::fileNotOpen(name) + "\n";
}

inline const std::string kOutfileNotOpen = testing::texts::kOutfileNotOpen + "\n";
inline const std::string kConcatenated = testing::texts::kConcatenated + "\n";
inline const std::string kPrefixFirstLetter = testing::texts::kPrefixFirstLetter + "\n";

// The system's reason that kivo-convert prints after a notice or an error.
inline std::string reasonLine(const std::string& reason)
{
    return "kivo-convert: " + reason + "\n";
}

inline std::string writeFailure(const std::string& path)
{
    return testing::texts::writeFailure(path) + "\n";
}

inline std::string readFailure(const std::string& path)
{
    return testing::texts::readFailure(path) + "\n";
}

} // namespace kivo::hardening
