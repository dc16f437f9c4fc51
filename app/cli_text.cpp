#include "app/cli_text.h"

namespace {

void hexByte(std::string& out, unsigned char c)
{
    static constexpr char Hex[] = "0123456789ABCDEF";
    out += "\\x";
    out += Hex[c >> 4];
    out += Hex[c & 0x0F];
}

/// Bytes of the valid UTF-8 sequence starting at text[i] (0 when there is none), with the C1
/// controls U+0080..U+009F counted as invalid.
std::size_t sequenceLength(std::string_view text, std::size_t i)
{
    const auto c = static_cast<unsigned char>(text[i]);
    std::size_t n = 0;
    unsigned minimum = 0;
    unsigned code = 0;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
        code = c & 0x1FU;
        minimum = 0xA0; // U+0080..U+009F are the C1 controls
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        code = c & 0x0FU;
        minimum = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        code = c & 0x07U;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (i + n > text.size()) {
        return 0;
    }
    for (std::size_t k = 1; k < n; ++k) {
        const auto b = static_cast<unsigned char>(text[i + k]);
        if ((b & 0xC0U) != 0x80U) {
            return 0;
        }
        code = (code << 6) | (b & 0x3FU);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return 0;
    }
    return n;
}

} // namespace

std::string TerminalText(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c >= 0x20 && c < 0x7F) {
            out += utf8[i++];
            continue;
        }
        if (const std::size_t n = c >= 0x80 ? sequenceLength(utf8, i) : 0; n > 0) {
            out.append(utf8.substr(i, n));
            i += n;
            continue;
        }
        hexByte(out, c);
        ++i;
    }
    return out;
}
