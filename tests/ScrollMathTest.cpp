#include <gtest/gtest.h>

#include "core/Declare.h"
#include "core/ScrollMath.h"

namespace qx {

TEST(ScrollMath, RoundsHalvesToEven) {
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(3.5), 4);
  EXPECT_EQ(RoundHalfEven(-2.5), -2);
  EXPECT_EQ(RoundHalfEven(2.4999), 2);
  EXPECT_EQ(RoundHalfEven(2.5001), 3);
}

TEST(ScrollMath, StepsAndThumbReachTheEndOfTheFile) {
  // Trough clicks from the top of a 1000-byte file end on the row of the last byte.
  std::int64_t top = 0;
  for (int i = 0; i < 10; ++i) top = TopForStep(top, 16, 1000);
  EXPECT_EQ(top, 992);
  top = 0;
  for (int i = 0; i < 10; ++i) top = TopForStep(top, 16, 1024);
  EXPECT_EQ(top, 1008);
  // The thumb at the bottom shows the last byte alone.
  EXPECT_EQ(TopForThumb(kScrollMax, 1000 / 32767.0, 1000), 999);
  // An arrow up at the top stays at the top.
  EXPECT_EQ(TopForStep(0, -1, 1000), 0);
  EXPECT_EQ(TopForStep(8, -1, 1000), 0);
  EXPECT_EQ(TopForStep(8, 1, 1000), 24);

  // A 32767-byte file has one byte per bar step: value v is page top v - 1.
  for (int v : {1, 2, 100, 16000, 32766, 32767}) {
    EXPECT_EQ(TopForThumb(v, 1.0, 32767), v - 1) << v;
    EXPECT_EQ(BarValueForTop(v - 1, 32767), v) << v;
  }
}

TEST(ScrollMath, BarValueStaysInRangeForHugeFiles) {
  const std::int64_t huge = 5LL << 30;
  EXPECT_EQ(BarValueForTop(0, huge), 1);
  EXPECT_EQ(BarValueForTop(huge - 1, huge), kScrollMax);
  EXPECT_EQ(BarValueForTop(huge / 2, huge), 16384);  // 16384.5 rounds to even
  EXPECT_EQ(TopForThumb(kScrollMax, static_cast<double>(huge) / kScrollMax, huge), huge - 1);
  EXPECT_EQ(BarValueForTop(10, 0), 1);
  EXPECT_TRUE(IsStepDelta(-16));
  EXPECT_FALSE(IsStepDelta(2));
  EXPECT_FALSE(IsStepDelta(0));
}

}  // namespace qx
