#pragma once

// Splits the rows of a SQUID data file into the fields a RowLayout holds, a piece of a line
// at a time. Inline: it runs for every field of every row, and the word-at-a-time scans
// (row_scan.h) are where the time goes.

#include "core/input/line_reader.h"
#include "core/input/row_layout.h"
#include "core/input/row_scan.h"
#include "core/files/text.h"
#include "core/waves/igor_number.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kivo::core {

// What the splitter hands on of a needed field.
enum class FieldBytes : std::uint8_t {
    // The field's bytes as they stand, in pieces when its line crosses read blocks.
    Raw,
    // What igorNumber() gives of the field, for a line that lies whole in one piece: the
    // bytes are looked at once, by the scan that finds the field's end.
    Judged,
};

namespace splitter_detail {

// Splits one piece of a row's line, handing the bytes of every needed field to `out(slot,
// bytes)`: a field that lies in the piece in one call, a field that goes on in the next
// piece in one call per piece. A field ends at a comma, or (today's layout) at the end of
// the line's text; the row is done once the last needed column has ended. Judged: the piece
// is the rest of a whole line from a field's start, and every needed field that ends is
// handed on once, as igorNumber() gives it.
template <bool Quotes, FieldBytes Mode, class Out>
void scanPiece(RowScan& s, const RowLayout& layout, bool twoByte, std::string_view piece, bool lineEnds, Out&& out)
{
    constexpr bool kJudged = Mode == FieldBytes::Judged;
    const char* p = piece.data();
    const char* end = p + piece.size();
    const char* start = p;
    const char* const first = p;
    const char* closedAt = nullptr;
    // Kept in locals: the compiler cannot tell that the values stored on the way leave the
    // layout's arrays alone, and would load their addresses again for every field.
    const std::size_t columns = layout.slotOfColumn.size();
    const RowLayout::Slot* const slotOf = layout.slotOfColumn.data();
    const std::uint32_t* const runOf = layout.unneededRun.data();
    auto endField = [&](const char* at) {
        const int slot = slotOf[s.column];
        if (slot != RowLayout::kNone) {
            const std::string_view raw(start, static_cast<std::size_t>(at - start));
            // An unreadable value's last bytes are not handed on: a row in one piece then
            // holds it empty, and a row in pieces drops what was held of it.
            if constexpr (kJudged) {
                if (s.unreadable)
                    out(slot, std::string_view());
                else
                    out(slot, igorNumber(raw));
            } else if (at != start && !s.unreadable) {
                out(slot, raw);
            }
            if (at != start || s.held)
                s.filled |= slotBit(slot);
            if (s.unreadable)
                s.unreadableSlots |= slotBit(slot);
            s.ended |= slotBit(slot);
        }
        s.unreadable = false;
        s.held = false;
    };
    if (s.lead && p != end) {
        s.lead = false;
        // A byte that cannot be a second byte is seen on its own, and so was the lead byte.
        if (isTrailByte(static_cast<unsigned char>(*p)))
            ++p;
    }
    for (;;) {
        if (slotOf[s.column] == RowLayout::kNone) {
            const std::size_t run = runOf[s.column];
            // An empty column alone, such as the comment of nearly every row, costs a byte.
            if (run == 1 && p != end && *p == ',' && !(Quotes && s.quoted)) {
                ++s.column;
                s.unreadable = false;
                s.held = false;
                start = ++p;
                continue;
            }
            const Skipped skipped = skipColumns<Quotes>(s, p, end, run, twoByte, first, closedAt);
            p = skipped.p;
            if (skipped.passed > 0) {
                s.column += skipped.passed;
                s.unreadable = false;
                s.held = false;
            }
            if (skipped.textEnded) {
                end = p;
                lineEnds = true;
                break;
            }
            if (skipped.passed < run)
                break;
            start = p;
        }
        // Today's rows hold many empty fields (the moment of every DC scan row): those need
        // no search. The older layout's fields are seldom empty.
        if (!Quotes || p == end || *p != ',')
            p = findFieldStop<Quotes>(p, end, ',', twoByte);
        if (p == end)
            break;
        const char c = *p;
        if (c == ',') {
            if (Quotes && s.quoted) {
                ++p;
                continue;
            }
            endField(p);
            if (++s.column == columns) {
                s.done = true;
                return;
            }
            start = ++p;
        } else if (Quotes && c == '"') {
            takeQuote(s, p, first, closedAt);
            ++p;
        } else if (c == '\0') {
            // The line's text ends at its first NUL; nothing after it is read.
            end = p;
            lineEnds = true;
            break;
        } else if (c == '\r' || c == '\t') {
            // Igor ends a line at a lone CR and splits items at tabs: a value holding either
            // is no item it can read, and goes on as a missing one.
            s.unreadable = true;
            ++p;
        } else if (twoByte && isLeadByte(static_cast<unsigned char>(c), CodePage::Cp932)) {
            if (p + 1 == end) {
                s.lead = true;
                break;
            }
            p += isTrailByte(static_cast<unsigned char>(p[1])) ? 2 : 1;
        } else {
            ++p;
        }
    }
    if (lineEnds) {
        // In the older layout a field is taken only when a comma follows it.
        if constexpr (Quotes)
            endField(end);
        s.done = true;
        return;
    }
    const int slot = slotOf[s.column];
    if (slot != RowLayout::kNone && end != start) {
        out(slot, std::string_view(start, static_cast<std::size_t>(end - start)));
        s.held = true;
    }
    if (Quotes && end != first) {
        // Every byte of the piece has been seen: its last one tells the next piece where the
        // field in progress stands.
        s.begun = end[-1] != ',' || s.quoted;
        s.reopen = closedAt == end - 1;
    }
}

#ifdef KIVO_SCAN_SSE2
// A whole line judged with vector loads: the commas of 64 bytes at a time (commaWindowAt())
// tell where each field ends, a needed field of fewer than 32 bytes that its comma (or in
// today's layout the line's end) ends is taken at once where its bytes have a number's
// shape, an empty one at its comma, and the columns no wave needs are passed by counting
// their commas (skipColumns() from a quote or NUL on). At the first needed field that takes
// more (a blank, NaN, text, a quote, a CR, a tab, a NUL or a field of 32 bytes or more), the
// rest of the line from that field on goes to scanPiece(), which stays the definition.
template <bool Quotes, class Out>
void judgeLine(RowScan& s, const RowLayout& layout, bool twoByte, std::string_view line, Out&& out)
{
    const char* p = line.data(); // the start of the field of `column`
    const char* const end = p + line.size();
    const char* closedAt = nullptr;
    std::uint32_t filled = 0;
    std::uint32_t ended = 0;
    // Where the row stands when the splitter hands it on or is done with it.
    const auto reached = [&](std::size_t column) {
        s.column = column;
        s.filled = filled;
        s.ended = ended;
    };
    // p never goes below w.at; a window is read again once p has passed too far into it.
    CommaWindow w = commaWindowAt<Quotes>(p, end);
    for (const RowLayout::Needed& field : layout.needed) {
        // The commas of the columns between the last needed field and this one. An empty
        // column alone, such as the comment of nearly every row, costs a byte.
        if (std::size_t need = field.gap; need == 1 && p != end && *p == ',') {
            ++p;
        } else if (need > 0) {
            for (;;) {
                auto off = static_cast<std::size_t>(p - w.at);
                if (off >= 64) {
                    w = commaWindowAt<Quotes>(p, end);
                    off = 0;
                }
                std::uint64_t commas = w.commas >> off;
                const std::uint64_t stops = w.stops >> off;
                if (stops != 0)
                    commas &= (stops & (std::uint64_t{0} - stops)) - 1;
                const BitCount counted = countBits(commas);
                if (counted.count >= need) {
                    p += nthBit(commas, counted, static_cast<unsigned>(need)) + 1;
                    need = 0;
                    break;
                }
                need -= counted.count;
                if (stops != 0) {
                    p += std::countr_zero(stops);
                    break;
                }
                p = w.at + 64;
            }
            if (need > 0) {
                // A quote, a NUL or the line's end: skipColumns() takes the rule from here, and
                // no quote has been met before.
                const Skipped skipped = skipColumns<Quotes>(s, p, end, need, twoByte, line.data(), closedAt);
                if (skipped.passed < need) {
                    reached(field.column - need + skipped.passed);
                    s.done = true;
                    return;
                }
                p = skipped.p;
            }
        }
        const int slot = field.slot;
        if (p != end && *p == ',') {
            out(slot, std::string_view());
            ended |= slotBit(slot);
            ++p;
            continue;
        }
        if (p == end) {
            // The line ends where the field would start: today's layout ends the field
            // there, empty; in the older one a field without its comma is not taken.
            if constexpr (Quotes) {
                out(slot, std::string_view());
                ended |= slotBit(slot);
            }
            reached(field.column);
            s.done = true;
            return;
        }
        // A field of up to 31 bytes finds its end in the window.
        auto off = static_cast<std::size_t>(p - w.at);
        if (off > 32) {
            w = commaWindowAt<Quotes>(p, end);
            off = 0;
        }
        const std::uint64_t ends = (w.commas | (Quotes ? w.lineEnd : 0)) >> off;
        const auto length = static_cast<std::size_t>(std::countr_zero(ends | std::uint64_t{1} << 32));
        if (length == 32 || !isNumberShape(p, length)) {
            reached(field.column);
            scanPiece<Quotes, FieldBytes::Judged>(s, layout, twoByte, std::string_view(p, static_cast<std::size_t>(end - p)),
                                                  true, out);
            return;
        }
        out(slot, std::string_view(p, length));
        filled |= slotBit(slot);
        ended |= slotBit(slot);
        p += length + 1;
        if (p > end) {
            reached(field.column + 1);
            s.done = true;
            return;
        }
    }
    reached(layout.slotOfColumn.size());
    s.done = true;
}
#endif

// splitPiece() with the vector look chosen: tests run both paths on one processor.
template <FieldBytes Mode, bool Vector, class Out>
void split(RowScan& s, const RowLayout& layout, bool twoByte, LinePiece piece, Out&& out)
{
    const bool quotes = layout.kind == RowLayout::Kind::Today;
#ifdef KIVO_SCAN_SSE2
    if constexpr (Mode == FieldBytes::Judged && Vector) {
        if (quotes)
            judgeLine<true>(s, layout, twoByte, piece.bytes, out);
        else
            judgeLine<false>(s, layout, twoByte, piece.bytes, out);
        return;
    }
#endif
    if (quotes) {
        scanPiece<true, Mode>(s, layout, twoByte, piece.bytes, piece.lineEnds, out);
    } else {
        scanPiece<false, Mode>(s, layout, twoByte, piece.bytes, piece.lineEnds, out);
    }
}

} // namespace splitter_detail

// Splits the next piece of a row's line, handing each field that `layout` holds to
// `out(slot, bytes)`. `twoByte` under CP932. Either way s.filled marks the fields that are
// not empty as they stand, s.ended those that ended, and s.unreadableSlots those holding a CR
// or a tab.
//
// Raw: hand it the pieces of one line in turn, with one RowScan, until the piece ends the line
// or s.done. A field that lies in the piece arrives in one call, a field that goes on in the
// next piece in one call per piece; a field holding a CR or a tab ends without its last bytes.
//
// Judged: only for a line that lies whole in its first piece (piece.lineEnds). Each needed
// field that ends arrives in one call, as igorNumber() gives it: the number without the blanks
// around it, "NaN", "INF" or "-INF", or empty for a field that is no number (a field holding
// a CR or a tab is none).
template <FieldBytes Mode = FieldBytes::Raw, class Out>
void splitPiece(RowScan& s, const RowLayout& layout, bool twoByte, LinePiece piece, Out&& out)
{
    splitter_detail::split<Mode, kVectorScan>(s, layout, twoByte, piece, out);
}

} // namespace kivo::core
