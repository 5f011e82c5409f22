#pragma once

namespace quib {

// The reverse-DNS application id. The desktop entry, the AppStream metainfo,
// the icon and the autostart entry are all named by it, and the desktop ties
// windows and notifications to the entry through it. The build reads the id
// from this line for the packaging files, so it is the only place to change.
inline constexpr char kApplicationId[] = "io.github.quib.Quib";

}  // namespace quib
