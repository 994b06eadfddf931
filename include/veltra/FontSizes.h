// The font sizes that automatic sizing chooses from the control's height.
#pragma once

#include "veltra/Types.h"

#include <array>

namespace veltra {

// A band starts at its height (twips, included) and ends where the next one starts.
struct FontSizeBand {
    Single fromTwips;
    Integer points;
};

inline constexpr std::array<FontSizeBand, 16> kFontSizeBands = {{{0, 8},
                                                                 {330, 9},
                                                                 {360, 10},
                                                                 {380, 11},
                                                                 {400, 12},
                                                                 {435, 14},
                                                                 {480, 16},
                                                                 {520, 18},
                                                                 {580, 20},
                                                                 {620, 22},
                                                                 {650, 24},
                                                                 {705, 26},
                                                                 {750, 28},
                                                                 {860, 36},
                                                                 {1080, 48},
                                                                 {1470, 72}}};

} // namespace veltra
