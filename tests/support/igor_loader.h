#pragma once

// Loads an Igor Text file the way Igor does, as far as Kivo's detailed output goes: data
// folders, double waves with their data, and the X commands it writes (units, notes,
// globals, Duplicate and wave assignments of + - * /, == and ?:). A command it does not know
// is a failure: every X line Kivo writes must be one Igor runs.

#include "core/files/text.h"

#include "crlf_lines.h"

#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kivo::testing {

struct IgorWave {
    std::vector<double> points;
    std::string unit;
    std::string note;
};

struct IgorFolder {
    std::map<std::string, std::unique_ptr<IgorFolder>> folders;
    std::map<std::string, IgorWave> waves;
    std::map<std::string, double> variables;
    std::map<std::string, std::string> strings;
    IgorFolder* parent = nullptr;

    const IgorFolder& folder(const std::string& name) const
    {
        const auto found = folders.find(name);
        if (found == folders.end())
            throw std::runtime_error("no folder " + name);
        return *found->second;
    }
};

class IgorLoader {
public:
    // Under code page 932 a lead byte takes the byte after it, which may be "\\" or "\"".
    explicit IgorLoader(core::CodePage page = core::CodePage::Utf8) : m_page(page) {}

    // Loads `itx` (CR LF lines) into root(); throws std::runtime_error naming what it cannot run.
    void load(std::string_view itx)
    {
        const std::vector<std::string> lines = crLfLines(itx);
        if (lines.empty() || lines[0] != "IGOR")
            throw std::runtime_error("no IGOR keyword");
        for (std::size_t i = 1; i < lines.size(); ++i) {
            const std::string& line = lines[i];
            if (line.starts_with("WAVES/D\t")) {
                std::vector<std::string> names = split(line.substr(8), "\t");
                if (lines.at(++i) != "BEGIN")
                    throw std::runtime_error("no BEGIN");
                for (const std::string& name : names)
                    m_current->waves[name] = {};
                for (++i; lines.at(i) != "END"; ++i) {
                    const std::vector<std::string> items = split(lines[i].substr(1), "\t");
                    if (items.size() != names.size())
                        throw std::runtime_error("a data line of another length: " + lines[i]);
                    for (std::size_t k = 0; k < names.size(); ++k)
                        m_current->waves[names[k]].points.push_back(number(items[k]));
                }
            } else if (line.starts_with("X ")) {
                command(line.substr(2));
            } else {
                throw std::runtime_error("a line Igor does not read: " + line);
            }
        }
    }

    const IgorFolder& root() const { return m_root; }

private:
    static std::vector<std::string> split(std::string_view text, std::string_view separator)
    {
        std::vector<std::string> parts;
        for (std::size_t at = 0;;) {
            const std::size_t end = text.find(separator, at);
            parts.emplace_back(text.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at));
            if (end == std::string_view::npos)
                return parts;
            at = end + separator.size();
        }
    }

    // A number as Igor reads it: one past the range of a double is INF or 0, not an error.
    static double number(const std::string& text)
    {
        char* end = nullptr;
        const double value = std::strtod(text.c_str(), &end);
        if (text.empty() || end != text.c_str() + text.size())
            throw std::runtime_error("not a number: " + text);
        return value;
    }

    // The text of the string literal that `text` starts with, and what follows it.
    std::string literal(std::string_view text, std::string_view* rest = nullptr) const
    {
        if (text.empty() || text[0] != '"')
            throw std::runtime_error("no string: " + std::string(text));
        std::string value;
        std::size_t i = 1;
        for (; i < text.size() && text[i] != '"'; ++i) {
            const auto byte = static_cast<unsigned char>(text[i]);
            if (m_page == core::CodePage::Cp932 && ((byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC))) {
                value += text[i++];
            } else if (text[i] == '\\') {
                ++i;
            }
            value += text.at(i);
        }
        if (i == text.size())
            throw std::runtime_error("a string that does not close: " + std::string(text));
        if (rest != nullptr)
            *rest = text.substr(i + 1);
        else if (i + 1 != text.size())
            throw std::runtime_error("text after a string: " + std::string(text));
        return value;
    }

    IgorWave& wave(const std::string& name)
    {
        const auto found = m_current->waves.find(name);
        if (found == m_current->waves.end())
            throw std::runtime_error("no wave " + name);
        return found->second;
    }

    void command(const std::string& line)
    {
        if (line.starts_with("NewDataFolder/O/S ")) {
            auto& child = m_current->folders[line.substr(18)];
            if (!child) {
                child = std::make_unique<IgorFolder>();
                child->parent = m_current;
            }
            m_current = child.get();
        } else if (line == "SetDataFolder ::") {
            if (m_current->parent == nullptr)
                throw std::runtime_error("SetDataFolder :: at the root");
            m_current = m_current->parent;
        } else if (line.starts_with("SetScale")) {
            for (const std::string& part : split(line, "; ")) {
                std::string_view rest;
                if (part.starts_with("SetScale/P x 0,1,")) {
                    literal(std::string_view(part).substr(17), &rest);
                } else if (part.starts_with("SetScale d 0,0,")) {
                    const std::string unit = literal(std::string_view(part).substr(15), &rest);
                    wave(std::string(rest.substr(2))).unit = unit;
                    continue;
                } else {
                    throw std::runtime_error("unknown SetScale: " + part);
                }
                wave(std::string(rest.substr(2)));
            }
        } else if (line.starts_with("Note ") || line.starts_with("Note/NOCR ")) {
            const std::size_t name = line.find(' ') + 1;
            const std::size_t comma = line.find(", ", name);
            IgorWave& w = wave(line.substr(name, comma - name));
            if (!line.starts_with("Note/NOCR") && !w.note.empty())
                w.note += '\r';
            w.note += literal(std::string_view(line).substr(comma + 2));
        } else if (line.starts_with("Variable/G ")) {
            const std::size_t eq = line.find(" = ");
            m_current->variables[line.substr(11, eq - 11)] = number(line.substr(eq + 3));
        } else if (line.starts_with("String/G ")) {
            const std::size_t eq = line.find(" = ");
            m_current->strings[line.substr(9, eq - 9)] = literal(std::string_view(line).substr(eq + 3));
        } else if (const std::size_t more = line.find(" += "); more != std::string::npos) {
            m_current->strings.at(line.substr(0, more)) += literal(std::string_view(line).substr(more + 4));
        } else if (line.starts_with("Duplicate/O ")) {
            const std::vector<std::string> names = split(std::string_view(line).substr(12), ", ");
            m_current->waves[names.at(1)] = {wave(names.at(0)).points, {}, {}};
        } else if (const std::size_t eq = line.find(" = "); eq != std::string::npos) {
            IgorWave& target = wave(line.substr(0, eq));
            m_tokens = split(std::string_view(line).substr(eq + 3), " ");
            for (m_point = 0; m_point < target.points.size(); ++m_point) {
                m_at = 0;
                target.points[m_point] = conditional();
                if (m_at != m_tokens.size())
                    throw std::runtime_error("an assignment Igor does not read: " + line);
            }
        } else {
            throw std::runtime_error("a command Igor is not given here: " + line);
        }
    }

    // Wave assignments, one point at a time: ?: below ==, below + and -, below * and /.
    double conditional()
    {
        const double left = sum();
        if (m_at < m_tokens.size() && m_tokens[m_at] == "==") {
            ++m_at;
            const bool equal = left == sum();
            expect("?");
            const double yes = conditional();
            expect(":");
            const double no = conditional();
            return equal ? yes : no;
        }
        return left;
    }
    double sum()
    {
        double value = product();
        while (m_at < m_tokens.size() && (m_tokens[m_at] == "+" || m_tokens[m_at] == "-")) {
            const bool plus = m_tokens[m_at++] == "+";
            const double right = product();
            value = plus ? value + right : value - right;
        }
        return value;
    }
    double product()
    {
        double value = atom();
        while (m_at < m_tokens.size() && (m_tokens[m_at] == "*" || m_tokens[m_at] == "/")) {
            const bool times = m_tokens[m_at++] == "*";
            const double right = atom();
            value = times ? value * right : value / right;
        }
        return value;
    }
    double atom()
    {
        const std::string& token = m_tokens.at(m_at++);
        if (token == "NaN")
            return std::nan("");
        if (const auto w = m_current->waves.find(token); w != m_current->waves.end())
            return w->second.points.at(m_point);
        if (const auto v = m_current->variables.find(token); v != m_current->variables.end())
            return v->second;
        return number(token);
    }
    void expect(const char* token)
    {
        if (m_tokens.at(m_at++) != token)
            throw std::runtime_error(std::string("expected ") + token);
    }

    core::CodePage m_page;
    IgorFolder m_root;
    IgorFolder* m_current = &m_root;
    std::vector<std::string> m_tokens;
    std::size_t m_at = 0;
    std::size_t m_point = 0;
};

} // namespace kivo::testing
