#pragma once

#include <algorithm>
#include <cmath>

namespace wf::gui {

// Column widths are kept in twips (1/1440 inch) so a prefs file written on one screen gives the
// same physical widths on another.
inline int TwipsToPixels(double twips, double dpi) {
  if (!(dpi > 0) || !std::isfinite(twips)) return 0;
  return std::max(0, static_cast<int>(std::lround(twips * dpi / 1440.0)));
}

// Whole twips: the prefs file writes widths as plain integers.
inline double PixelsToTwips(int pixels, double dpi) {
  if (!(dpi > 0)) return 0;
  return std::round(static_cast<double>(pixels) * 1440.0 / dpi);
}

}  // namespace wf::gui
