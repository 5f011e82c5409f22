#include "app/QuietRules.h"

#include <algorithm>
#include <cctype>
#include <unordered_set>

namespace quib {

namespace {

std::string lowered(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    return lower;
}

bool isChosen(const QuietOptions& options, const ActiveWindow& window) {
    return std::any_of(window.classes.begin(), window.classes.end(), [&](const std::string& name) {
        const std::string lower = lowered(name);
        return std::find(options.applications.begin(), options.applications.end(), lower) !=
               options.applications.end();
    });
}

}  // namespace

QuietReason quietReason(const QuietOptions& options, bool recording, const ActiveWindow& window) {
    if (options.duringCalls && recording) {
        return QuietReason::call;
    }
    if (options.inFullScreen && window.fullScreen) {
        return QuietReason::fullScreen;
    }
    if (isChosen(options, window)) {
        return QuietReason::application;
    }
    return QuietReason::none;
}

// Linear in the names: a set sees the repeats.
std::vector<std::string> applicationNames(const std::vector<std::string>& items) {
    std::vector<std::string> names;
    std::unordered_set<std::string> seen;
    for (const std::string& item : items) {
        std::string lower = lowered(item);
        if (!lower.empty() && seen.insert(lower).second) {
            names.push_back(std::move(lower));
        }
    }
    return names;
}

}  // namespace quib
