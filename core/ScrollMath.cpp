#include "core/ScrollMath.h"

#include <algorithm>
#include <cmath>

#include "core/Declare.h"

namespace qx {

std::int64_t RoundHalfEven(double x) {
  return static_cast<std::int64_t>(std::nearbyint(x));
}

int BarValueForTop(std::int64_t bufferTop, std::int64_t workingLength) {
  if (workingLength < 1) return 1;
  const double v = static_cast<double>(bufferTop) / static_cast<double>(workingLength) *
                       static_cast<double>(kScrollMax) +
                   1.0;
  return static_cast<int>(std::clamp<std::int64_t>(RoundHalfEven(v), 1, kScrollMax));
}

std::int64_t TopForStep(std::int64_t bufferTop, int delta, std::int64_t workingLength) {
  std::int64_t top = bufferTop + 16 * static_cast<std::int64_t>(delta);
  if (top >= workingLength) top = (workingLength - 1) / 16 * 16;
  if (top < 0) top = 0;
  return top;
}

std::int64_t TopForThumb(int barValue, double scrollScale, std::int64_t workingLength) {
  // The bottom of the bar is the last byte however long the file: the scale
  // alone stops short of it by a whole step, which is many pages in a big file.
  if (barValue >= kScrollMax) return std::max<std::int64_t>(workingLength - 1, 0);
  std::int64_t top = RoundHalfEven(static_cast<double>(barValue - 1) * scrollScale);
  if (top >= workingLength) top = workingLength - 1;
  if (top < 0) top = 0;
  return top;
}

bool IsStepDelta(int delta) {
  return delta == 1 || delta == -1 || delta == 16 || delta == -16;
}

}  // namespace qx
