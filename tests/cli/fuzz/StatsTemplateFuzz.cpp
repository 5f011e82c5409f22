// libFuzzer target for `--format` templates: any text parses or is refused
// with a message, never a crash; what parses renders, and its literal text
// (braces written twice again) parses back to the same line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "cli/StatsTemplate.h"

namespace {

std::string escapedBraces(std::string_view text) {
    std::string escaped;
    for (const char ch : text) {
        escaped += ch;
        if (ch == '{' || ch == '}') {
            escaped += ch;
        }
    }
    return escaped;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string error;
    const auto parsed = quib::StatsTemplate::parse(text, error);
    if (!parsed) {
        if (error.empty()) {
            std::abort();
        }
        return 0;
    }
    quib::StatsFields named;
    for (const std::string_view name : quib::statsFieldNames()) {
        named.emplace_back(name, "<" + std::string(name) + ">");
    }
    const std::string line = parsed->render(named);
    const std::string literal = parsed->render({});
    if (line.size() < literal.size()) {
        std::abort();
    }
    std::string again;
    const auto reparsed = quib::StatsTemplate::parse(escapedBraces(literal), again);
    if (!reparsed || reparsed->render(named) != literal) {
        std::abort();
    }
    return 0;
}
