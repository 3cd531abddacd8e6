#include <gtest/gtest.h>

#include "core/Declare.h"
#include "core/ScrollMath.h"

namespace qx {

TEST(ScrollMath, StepsAndThumbReachTheEndOfTheFile) {
  // Trough clicks from the top end on the row of the last byte.
  for (auto [length, last] : {std::pair{1000, 992}, {1024, 1008}}) {
    std::int64_t top = 0;
    for (int i = 0; i < 10; ++i) top = TopForStep(top, 16, length);
    EXPECT_EQ(top, last);
  }
  EXPECT_EQ(TopForStep(768, 16, 1024), 1008);  // a page down onto the very end
  // From a page that starts mid-row an arrow up stops at the top.
  EXPECT_EQ(TopForStep(8, -1, 1000), 0);

  // A 32767-byte file has one byte per bar step: value v is page top v - 1.
  for (int v : {1, 2, 16000, 32767}) {
    EXPECT_EQ(TopForThumb(v, 1.0, 32767), v - 1) << v;
    EXPECT_EQ(BarValueForTop(v - 1, 32767), v) << v;
  }

  // A file larger than the bar's range stays in range.
  const std::int64_t huge = 5LL << 30;
  EXPECT_EQ(BarValueForTop(0, huge), 1);
  EXPECT_EQ(BarValueForTop(huge - 1, huge), kScrollMax);
  EXPECT_EQ(BarValueForTop(huge / 2, huge), 16384);  // 16384.5 rounds to even, 16384.6 up
  EXPECT_EQ(BarValueForTop(huge / 2 + huge / 10 / kScrollMax, huge), 16385);
  EXPECT_EQ(TopForThumb(kScrollMax, static_cast<double>(huge) / kScrollMax, huge), huge - 1);
  EXPECT_EQ(BarValueForTop(10, 0), 1);
}

}  // namespace qx
