#pragma once

#include <string>

namespace kivo::testing {

// The same path on a POSIX system, for cases written as Windows paths: C:\data\run1.dat
// becomes /data/run1.dat.
inline std::string posixTwin(std::string text)
{
    if (text.rfind("C:", 0) == 0)
        text.erase(0, 2);
    for (char& c : text) {
        if (c == '\\')
            c = '/';
    }
    return text;
}

} // namespace kivo::testing
