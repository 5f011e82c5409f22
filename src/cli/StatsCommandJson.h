#pragma once

#include <string>
#include <string_view>

// The JSON pieces of `quib stats --json`. The output must parse whatever the
// store holds and read back exactly what the store computed.
namespace quib::json {

// A quoted JSON string. Quotes, backslashes and control characters are
// escaped; bytes that are not well-formed UTF-8 (a damaged or hand-edited
// store) become U+FFFD, one for each maximal ill-formed part.
std::string quoted(std::string_view text);

// The shortest decimal form that reads back as the same double, with a
// decimal point whatever the locale; `null` for what JSON cannot express.
std::string number(double value);

}  // namespace quib::json
