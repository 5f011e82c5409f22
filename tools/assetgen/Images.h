#pragma once

// The menu-bar template glyph, the header logo and the packaging icons, drawn
// with QPainter on raster images (no display or fonts needed).

#include <vector>

#include "Jobs.h"

namespace assetgen {

void addImageJobs(std::vector<Job>& jobs);

}  // namespace assetgen
