#include "cli/StatsCommandJson.h"

#include <charconv>
#include <cmath>

namespace quib::json {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

bool inRange(unsigned char byte, unsigned char low, unsigned char high) {
    return byte >= low && byte <= high;
}

// The length of the well-formed UTF-8 sequence that starts at `at`, or 0 when
// it is ill-formed; then `bad` is the length of its maximal ill-formed part.
std::size_t wellFormedLength(std::string_view text, std::size_t at, std::size_t& bad) {
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead < 0x80) {
        return 1;
    } else if (inRange(lead, 0xC2, 0xDF)) {
        length = 2;
    } else if (inRange(lead, 0xE0, 0xEF)) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;   // no overlong forms
        high = lead == 0xED ? 0x9F : 0xBF;  // no surrogates
    } else if (inRange(lead, 0xF0, 0xF4)) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;  // nothing above U+10FFFF
    }
    bad = 1;
    if (length == 0) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i, low = 0x80, high = 0xBF) {
        if (at + i >= text.size() ||
            !inRange(static_cast<unsigned char>(text[at + i]), low, high)) {
            bad = i;
            return 0;
        }
    }
    return length;
}

void appendEscaped(std::string& out, char ch) {
    static constexpr std::string_view kHex = "0123456789abcdef";
    switch (ch) {
        case '"':
            out += "\\\"";
            return;
        case '\\':
            out += "\\\\";
            return;
        case '\n':
            out += "\\n";
            return;
        case '\t':
            out += "\\t";
            return;
        default: {
            const auto byte = static_cast<unsigned char>(ch);
            if (byte < 0x20 || byte == 0x7F) {
                out.append("\\u00").append(1, kHex[byte >> 4]).append(1, kHex[byte & 0xF]);
            } else {
                out += ch;
            }
        }
    }
}

}  // namespace

std::string quoted(std::string_view text) {
    std::string out = "\"";
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t bad = 0;
        const std::size_t length = wellFormedLength(text, at, bad);
        if (length == 0) {
            out += kReplacement;
            at += bad;
        } else if (length == 1) {
            appendEscaped(out, text[at++]);
        } else {
            out.append(text.substr(at, length));
            at += length;
        }
    }
    return out + "\"";
}

std::string number(double value) {
    if (!std::isfinite(value)) {
        return "null";
    }
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

}  // namespace quib::json
