// The five pages of the converter, in the order of the notebook's tabs. The unit tables and
// the conversions both name them; neither owns them.
#pragma once

enum class Page { Length, Weight, Volume, Area, Temperature };

inline constexpr int kPageCount = 5;
