#pragma once

// The values and writes of SqlitePreferences, shared by its source files.
#include <cstdint>
#include <string>

#include "platform/prefs/SqlitePreferences.h"

namespace quib {

struct SqlitePreferences::Value {
    enum class Kind { integer, real, text };
    std::string type;
    Kind kind = Kind::integer;
    std::int64_t integer = 0;
    double real = 0.0;
    std::string text;
};

struct SqlitePreferences::Operation {
    std::string key;
    std::string type;  // empty: a removal
    Value value;
};

}  // namespace quib
