// How many song-list pages a member's work count needs, twenty songs a page.
// The count comes from the service, so any text must give a sane answer.
#pragma once

#include <cstdint>

#include "text/text.h"

namespace vokari {

// The work count over 20, kept as a 32-bit float. The count is read as its
// leading number and clamped to the 32-bit range first, so no text can make
// the page loop overflow.
float pageRatioOf(const Text& workCount);

// The ratio rounded up; 0 or less means no page.
float pageCountOf(float pageRatio);

// The last page number of the loop: the page count cut to a whole number.
std::int32_t lastPageNumber(float pageCount);

}  // namespace vokari
