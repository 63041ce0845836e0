// The console edge of kivo-convert on Windows. run() writes UTF-8 on every platform, so its
// texts can be compared byte for byte in tests anywhere; only here do they become what a
// Windows console or a redirected stream expects.
#include "cli/console.h"
#include "core/files/windows/wide_text.h"

#include <cstdio>
#include <iostream>
#include <streambuf>
#include <string>
#include <utility>

#include <windows.h>

namespace kivo::cli {

using core::narrow;
using core::widen;

namespace {

// Where `text` can be cut without splitting a UTF-8 sequence: before a trailing, still
// incomplete one, which waits for the rest of its bytes.
std::size_t completeUtf8(const std::string& text)
{
    std::size_t start = text.size();
    int back = 0;
    while (start > 0 && back < 4) {
        --start;
        ++back;
        const auto byte = static_cast<unsigned char>(text[start]);
        if ((byte & 0xC0) != 0x80) {
            const int need = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
            return need > back ? start : text.size();
        }
    }
    return text.size();
}

// Holds UTF-8 until a line is complete (or the stream is flushed), then writes it out.
class ConsoleBuffer final : public std::streambuf {
public:
    explicit ConsoleBuffer(DWORD which) : m_handle(GetStdHandle(which))
    {
        DWORD mode = 0;
        m_console = m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE && GetConsoleMode(m_handle, &mode);
    }

protected:
    int_type overflow(int_type c) override
    {
        if (traits_type::eq_int_type(c, traits_type::eof()))
            return traits_type::not_eof(c);
        m_pending += traits_type::to_char_type(c);
        if (c == '\n')
            writePending();
        return c;
    }

    std::streamsize xsputn(const char* data, std::streamsize size) override
    {
        m_pending.append(data, static_cast<std::size_t>(size));
        if (m_pending.find('\n') != std::string::npos)
            writePending();
        return size;
    }

    int sync() override
    {
        writePending();
        return 0;
    }

private:
    void writePending()
    {
        const std::size_t cut = completeUtf8(m_pending);
        const std::wstring wide = widen(m_pending.substr(0, cut), CP_UTF8);
        m_pending.erase(0, cut);
        if (wide.empty() || m_handle == nullptr || m_handle == INVALID_HANDLE_VALUE)
            return;
        if (m_console) {
            DWORD written = 0;
            WriteConsoleW(m_handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
            return;
        }
        const std::string bytes = narrow(core::crLfLineEnds(wide), CP_ACP);
        DWORD written = 0;
        WriteFile(m_handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }

    HANDLE m_handle;
    bool m_console = false;
    std::string m_pending;
};

// The first character of `text` that the ANSI code page cannot spell, as U+XXXX: the name
// itself may reach a redirected stream only with that character misspelt.
std::string unspellableCharacter(std::wstring_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool pair = IS_HIGH_SURROGATE(text[i]) && i + 1 < text.size() && IS_LOW_SURROGATE(text[i + 1]);
        if (core::toAnsiExactly(text.substr(i, pair ? 2 : 1))) {
            i += pair ? 1 : 0;
            continue;
        }
        const unsigned long code = pair ? 0x10000ul + ((text[i] - 0xD800ul) << 10) + (text[i + 1] - 0xDC00ul) : text[i];
        char name[16];
        std::snprintf(name, sizeof name, "U+%04lX", code);
        return name;
    }
    return "a character";
}

} // namespace

std::optional<std::vector<std::string>> ansiArguments(int argc, wchar_t** argv, std::ostream& err)
{
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        std::optional<std::string> arg = core::toAnsiExactly(argv[i]);
        if (!arg) {
            err << "kivo-convert: " << narrow(argv[i], CP_UTF8) << ": " << unspellableCharacter(argv[i])
                << " in the name has no spelling in code page " << GetACP()
                << ", so no file can be opened under it; nothing was converted\n";
            return std::nullopt;
        }
        args.push_back(std::move(*arg));
    }
    return args;
}

struct ConsoleText::Streams {
    ConsoleBuffer out{STD_OUTPUT_HANDLE};
    ConsoleBuffer err{STD_ERROR_HANDLE};
    std::streambuf* oldOut = nullptr;
    std::streambuf* oldErr = nullptr;
};

ConsoleText::ConsoleText() : m_streams(std::make_unique<Streams>())
{
    std::cout.flush();
    std::cerr.flush();
    m_streams->oldOut = std::cout.rdbuf(&m_streams->out);
    m_streams->oldErr = std::cerr.rdbuf(&m_streams->err);
}

ConsoleText::~ConsoleText()
{
    std::cout.flush();
    std::cerr.flush();
    std::cout.rdbuf(m_streams->oldOut);
    std::cerr.rdbuf(m_streams->oldErr);
}

} // namespace kivo::cli
