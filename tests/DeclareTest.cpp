#include <gtest/gtest.h>

#include "core/Declare.h"

namespace qx {

TEST(RecordGeometry, RecordCountIsTheCeilingOfTheDivision) {
  EXPECT_EQ(RecordCountFor(100, 100), 1);
  EXPECT_EQ(RecordCountFor(384, 256), 2);
  EXPECT_EQ(RecordCountFor(512, 256), 2);
  EXPECT_EQ(RecordCountFor(513, 256), 3);
  EXPECT_EQ(RecordCountFor(1000, 101), 10);
  EXPECT_EQ(RecordCountFor(0, 1), 0);
  EXPECT_EQ(RecordCountFor(5LL << 30, 256), (5LL << 30) / 256);
}

}  // namespace qx
