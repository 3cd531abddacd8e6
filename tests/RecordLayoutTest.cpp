#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <vector>

#include "core/Declare.h"
#include "core/RecordLayout.h"
#include "core/ScrollMath.h"

namespace qx {

namespace {

constexpr std::int64_t k100GiB = 100LL << 30;  // 107374182400: 1.07e11 records of 1 byte

}  // namespace

TEST(RecordLayout, RecordsCountFromTheWorkingBase) {
  // record length, file length minus working base, the records, the bytes of the last
  const std::tuple<int, std::int64_t, std::int64_t, ByteSpan> rows[] = {
      {7, 20, 3, {14, 6}},  // a short last record of 6 bytes
      {32767, 2 * 32767 + 100, 3, {65534, 100}},
      {80, k100GiB - 3, 1342177280, {107374182320, 77}},
  };
  for (const auto& [length, working, count, last] : rows) {
    EXPECT_EQ(RecordCountFor(working, length), count) << length << " " << working;
    EXPECT_EQ(RecordBytes(count - 1, length, working), last) << length << " " << working;
  }
  EXPECT_EQ(RecordBytes(3, 7, 20), (ByteSpan{20, 0}));  // past the end: nothing
}

TEST(RecordLayout, ScreenCellsLinesAndRead) {
  const std::optional<std::int64_t> none;
  // the screen (top, first column, rows, columns, hex, length, working), its
  // cells (row, column, offset), the span read, the line of the last record row
  using Cells = std::vector<std::tuple<int, int, std::optional<std::int64_t>>>;
  const std::tuple<RecordScreen, Cells, ByteSpan, int> rows[] = {
      // Horizontal scroll in the middle and at the end of 80-byte records.
      {{2, 20, 4, 60, true, 80, 800},
       {{0, 0, 180}, {3, 59, 479}, {0, 60, none}, {4, 0, none}},
       {160, 320},
       9},
      // Wider than the record, without hex: past the record's and the file's end.
      {{0, 0, 5, 10, false, 7, 20},
       {{0, 6, 6}, {0, 7, none}, {2, 5, 19}, {2, 6, none}, {3, 0, none}},
       {0, 20},
       4},
      // Base 3: the short last record of 100 GiB in 80-byte records.
      {{1342177279, 40, 2, 60, false, 80, k100GiB - 3},
       {{0, 36, k100GiB - 4}, {0, 37, none}, {0, -1, none}},
       {107374182320, 77},
       1},
  };
  for (const auto& [s, cells, read, lastLine] : rows) {
    SCOPED_TRACE(testing::Message()
                 << s.TopRecord << " " << s.FirstColumn << " " << s.RecordLength);
    for (const auto& [row, column, offset] : cells) {
      EXPECT_EQ(s.OffsetAt(row, column), offset) << row << "," << column;
      if (offset) {
        EXPECT_EQ(s.CellOf(*offset), (RecordPosition{row, column}));
      }
    }
    EXPECT_EQ(s.ReadSpan(), read);
    EXPECT_EQ(s.LineOfRow(s.Rows - 1), lastLine);
  }
  // A cell scrolled off either way is not on screen.
  for (std::int64_t offset : {9, 70, 400})
    EXPECT_EQ((RecordScreen{0, 10, 4, 60, true, 80, 800}.CellOf(offset)), std::nullopt) << offset;
}

TEST(RecordLayout, MovesStayInTheFile) {
  using enum RecordMove;
  // the move, from, record length, file length minus working base, rows a page, to
  const std::tuple<RecordMove, std::int64_t, int, std::int64_t, int, std::int64_t> rows[] = {
      // 7-byte records at 0, 7 and 14; the last one short (14..19).
      {Right, 6, 7, 20, 2, 7},
      {Left, 7, 7, 20, 2, 6},
      {Right, 19, 7, 20, 2, 19},
      {Up, 3, 7, 20, 2, 3},
      {Up, 7, 7, 20, 2, 0},
      {Down, 3, 7, 20, 2, 10},
      {Down, 13, 7, 20, 2, 19},  // the column is past the short record
      {Home, 10, 7, 20, 2, 7},
      {End, 10, 7, 20, 2, 13},
      {End, 15, 7, 20, 2, 19},
      {PageDown, 2, 7, 20, 2, 16},
      {PageDown, 6, 7, 20, 2, 19},
      {PageUp, 19, 7, 20, 2, 5},
      {PageUp, 10, 7, 20, 1, 3},
      // The longest records, the last one 100 bytes.
      {Down, 65533, 32767, 65634, 5, 65633},
      {PageUp, 65633, 32767, 65634, 5, 99},
      // The ends of 100 GiB of 1-byte records.
      {PageDown, k100GiB - 3, 1, k100GiB, 10, k100GiB - 1},
      {Left, 0, 1, k100GiB, 10, 0},
      // An empty working area.
      {Right, 0, 7, 0, 2, 0},
  };
  for (const auto& [move, offset, length, working, pageRows, to] : rows) {
    EXPECT_EQ(MoveInRecords(move, offset, length, working, pageRows), to)
        << static_cast<int>(move) << " from " << offset << " in " << length << "/" << working;
  }
}

TEST(RecordLayout, SaveSpanAndRuler) {
  // the bytes edited of so many, the span saved
  const std::tuple<std::vector<std::size_t>, std::size_t, std::optional<ByteSpan>> spans[] = {
      {{}, 80, std::nullopt},
      {{9, 3, 7}, 80, ByteSpan{3, 7}},
  };
  for (const auto& [marked, size, span] : spans) {
    std::vector<bool> edited(size);
    for (std::size_t i : marked) edited[i] = true;
    EXPECT_EQ(SaveSpan(edited), span) << marked.size();
  }

  // the first column, the columns, the record length, the ruler
  const std::tuple<int, int, int, std::string> rulers[] = {
      {0, 24, 80, "0....+....10...+....20.."},
      {0, 10, 7, "0....+.   "},    // blank past the record's end
      {12, 10, 80, "...+....20"},  // a number cut by the left edge shows its tail
      {32758, 12, 32767, "..32760+.   "},
      {0, 3, 1, "0  "},
  };
  for (const auto& [first, columns, length, text] : rulers)
    EXPECT_EQ(RulerText(first, columns, length), text) << first << " " << columns;
}

TEST(ScrollMath, BarsStepsAndMinimalScrollReachTheEnd) {
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

  // The least scroll that shows an item: the item, the first shown, how many
  // show, the first to show.
  const std::array<std::int64_t, 4> shows[] = {
      {5, 0, 10, 0},   {10, 0, 10, 1}, {3, 5, 10, 3}, {1342177279, 0, 20, 1342177260},
      {79, 0, 60, 20},
  };
  for (const auto& [item, first, visible, to] : shows)
    EXPECT_EQ(FirstToShow(item, first, visible), to) << item;

  EXPECT_EQ(TopAfterPage(0, 1, 10, 100), 10);
  EXPECT_EQ(TopAfterPage(95, 1, 10, 100), 99);
  EXPECT_EQ(TopAfterPage(5, -1, 10, 100), 0);
  EXPECT_EQ(TopAfterPage(0, 1, 10, 0), 0);

  // The record bar is the page bar over records; its bottom is the last one.
  EXPECT_EQ(TopRecordForBar(16384, k100GiB), 53685452750);
  EXPECT_EQ(TopRecordForBar(kScrollMax, 3), 2);
  EXPECT_EQ(TopRecordForBar(kScrollMax, 0), 0);

  EXPECT_EQ(MaxFirstColumn(80, 60), 20);
  EXPECT_EQ(MaxFirstColumn(7, 10), 0);
}

}  // namespace qx
