#pragma once

#include <string>

namespace quib {

// Whether the tray application has a display to show itself on, asked before
// Qt starts (Qt aborts the process when it finds none). Returns what is
// missing as one sentence, or an empty string when a display answers or the
// user chose a platform that needs none (QT_QPA_PLATFORM=offscreen, ...).
std::string missingDisplay();

}  // namespace quib
