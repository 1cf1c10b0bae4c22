#include "app/commands/page_arithmetic.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vokari {

namespace {
double clampedTo32Bits(double number) {
    if (std::isnan(number)) return 0.0;
    return std::clamp(number, static_cast<double>(std::numeric_limits<std::int32_t>::min()),
                      static_cast<double>(std::numeric_limits<std::int32_t>::max()));
}
}  // namespace

float pageRatioOf(const Text& workCount) {
    return static_cast<float>(clampedTo32Bits(textToNumber(workCount)) / 20.0);
}

float pageCountOf(float pageRatio) {
    const float whole = static_cast<float>(floorToInteger(pageRatio));
    return whole == pageRatio ? whole : whole + 1.0f;
}

std::int32_t lastPageNumber(float pageCount) { return floorToInteger(pageCount); }

}  // namespace vokari
