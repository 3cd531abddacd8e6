#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <vector>

#include "core/Declare.h"
#include "core/RecordLayout.h"

namespace qx {

namespace {

constexpr std::int64_t k100GiB = 100LL << 30;  // 107374182400: 1.07e11 records of 1 byte

}  // namespace

// Readable failures.
void PrintTo(const ByteSpan& s, std::ostream* os) {
  *os << "{" << s.Start << ", " << s.Length << "}";
}
void PrintTo(const RecordPosition& p, std::ostream* os) {
  *os << "{" << p.Record << ", " << p.Column << "}";
}

TEST(RecordLayout, RecordsCountFromTheWorkingBase) {
  struct Row {
    int length;
    std::int64_t working;  // file length minus working base
    std::int64_t offset;
    std::int64_t count;
    RecordPosition at;
    ByteSpan record;  // the bytes of the offset's record
  };
  const Row rows[] = {
      {1, 10, 9, {10}, {9, 0}, {9, 1}},
      {7, 20, 19, 3, {2, 5}, {14, 6}},      // a short last record of 6 bytes
      {7, 20 - 3, 16, 3, {2, 2}, {14, 3}},  // base 3
      {80, 800, 85, 10, {1, 5}, {80, 80}},
      {32767, 2 * 32767 + 100, 65534, 3, {2, 0}, {65534, 100}},
      {1, k100GiB, 0, k100GiB, {0, 0}, {0, 1}},
      {1, k100GiB, k100GiB - 1, k100GiB, {k100GiB - 1, 0}, {k100GiB - 1, 1}},
      {80, k100GiB - 3, k100GiB - 4, 1342177280, {1342177279, 76}, {107374182320, 77}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.length << " " << r.working << " " << r.offset);
    EXPECT_EQ(RecordCountFor(r.working, r.length), r.count);
    EXPECT_EQ(PositionOf(r.offset, r.length), r.at);
    EXPECT_EQ(RecordBytes(r.at.Record, r.length, r.working), r.record);
  }
  EXPECT_EQ(RecordBytes(3, 7, 20), (ByteSpan{20, 0}));  // past the end: nothing
}

TEST(RecordLayout, ScreenCellsLinesAndRead) {
  struct Probe {
    int row, column;
    std::optional<std::int64_t> offset;
  };
  struct Row {
    RecordScreen screen;  // top, first column, rows, columns, hex, length, working
    std::vector<Probe> probes;
    ByteSpan read;
    int lastLine;  // the line of the last record row
  };
  const std::optional<std::int64_t> none;
  const Row rows[] = {
      // Horizontal scroll at 0, in the middle and at the end of 80-byte records.
      {{0, 0, 4, 60, true, 80, 800}, {{0, 0, 0}, {3, 59, 299}, {0, 60, none}}, {0, 320}, 9},
      {{0, 10, 4, 60, true, 80, 800}, {{0, 0, 10}, {1, 0, 90}, {3, 59, 309}}, {0, 320}, 9},
      {{2, 20, 4, 60, true, 80, 800}, {{0, 0, 180}, {3, 59, 479}, {4, 0, none}}, {160, 320}, 9},
      // Wider than the record, without hex: past the record's and the file's end.
      {{0, 0, 5, 10, false, 7, 20},
       {{0, 6, 6}, {0, 7, none}, {2, 5, 19}, {2, 6, none}, {3, 0, none}},
       {0, 20},
       4},
      // Records of 32767 bytes scrolled to the middle both ways.
      {{1, 16000, 3, 100, true, 32767, 3 * 32767},
       {{0, 0, 48767}, {1, 99, 81633}, {2, 0, none}},
       {32767, 65534},
       6},
      // The first and last record of 100 GiB of 1-byte records.
      {{0, 0, 10, 50, true, 1, k100GiB}, {{0, 0, 0}, {9, 0, 9}, {0, 1, none}}, {0, 10}, 27},
      {{k100GiB - 1, 0, 10, 50, true, 1, k100GiB},
       {{0, 0, k100GiB - 1}, {1, 0, none}},
       {k100GiB - 1, 1},
       27},
      // Base 3: the short last record of 100 GiB in 80-byte records.
      {{1342177279, 40, 2, 60, false, 80, k100GiB - 3},
       {{0, 36, k100GiB - 4}, {0, 37, none}, {0, -1, none}},
       {107374182320, 77},
       1},
  };
  for (const Row& r : rows) {
    const RecordScreen& s = r.screen;
    SCOPED_TRACE(testing::Message()
                 << s.TopRecord << " " << s.FirstColumn << " " << s.RecordLength);
    for (const Probe& p : r.probes) {
      EXPECT_EQ(s.OffsetAt(p.row, p.column), p.offset) << p.row << "," << p.column;
      if (p.offset) {
        EXPECT_EQ(s.CellOf(*p.offset), (RecordPosition{p.row, p.column}));
      }
    }
    EXPECT_EQ(s.ReadSpan(), r.read);
    EXPECT_EQ(s.LineOfRow(s.Rows - 1), r.lastLine);
  }
  // A cell scrolled off either way is not on screen.
  const RecordScreen mid{0, 10, 4, 60, true, 80, 800};
  EXPECT_EQ(mid.CellOf(9), std::nullopt);
  EXPECT_EQ(mid.CellOf(70), std::nullopt);
  EXPECT_EQ(mid.CellOf(400), std::nullopt);
}

TEST(RecordLayout, MovesStayInTheFile) {
  using M = RecordMove;
  struct Row {
    M move;
    std::int64_t offset;
    int length;
    std::int64_t working;
    int pageRows;
    std::int64_t to;
  };
  const Row rows[] = {
      // 7-byte records at 0, 7 and 14; the last one short (14..19).
      {M::Right, 6, 7, 20, 2, 7},
      {M::Left, 7, 7, 20, 2, 6},
      {M::Left, 0, 7, 20, 2, 0},
      {M::Right, 19, 7, 20, 2, 19},
      {M::Up, 3, 7, 20, 2, 3},
      {M::Up, 10, 7, 20, 2, 3},
      {M::Up, 7, 7, 20, 2, 0},
      {M::Down, 3, 7, 20, 2, 10},
      {M::Down, 13, 7, 20, 2, 19},  // the column is past the short record
      {M::Down, 16, 7, 20, 2, 16},
      {M::Home, 10, 7, 20, 2, 7},
      {M::End, 10, 7, 20, 2, 13},
      {M::End, 15, 7, 20, 2, 19},
      {M::PageDown, 2, 7, 20, 2, 16},
      {M::PageDown, 6, 7, 20, 2, 19},
      {M::PageUp, 19, 7, 20, 2, 5},
      {M::PageUp, 10, 7, 20, 1, 3},
      // Base 3: 797 bytes of 80-byte records, the last one 77 bytes.
      {M::Down, 700, 80, 797, 10, 780},
      {M::Down, 719, 80, 797, 10, 796},
      {M::End, 760, 80, 797, 10, 796},
      {M::PageDown, 5, 80, 797, 4, 325},
      {M::PageUp, 795, 80, 797, 4, 475},
      // The longest records.
      {M::End, 0, 32767, 65634, 5, 32766},
      {M::Down, 32766, 32767, 65634, 5, 65533},
      {M::Down, 65533, 32767, 65634, 5, 65633},
      {M::Right, 32766, 32767, 65634, 5, 32767},
      // The ends of 100 GiB of 1-byte records.
      {M::Down, k100GiB - 1, 1, k100GiB, 10, k100GiB - 1},
      {M::Right, k100GiB - 1, 1, k100GiB, 10, k100GiB - 1},
      {M::Up, k100GiB - 1, 1, k100GiB, 10, k100GiB - 2},
      {M::End, k100GiB - 1, 1, k100GiB, 10, k100GiB - 1},
      {M::PageDown, k100GiB - 3, 1, k100GiB, 10, k100GiB - 1},
      {M::PageUp, 5, 1, k100GiB, 10, 0},
      {M::Left, 0, 1, k100GiB, 10, 0},
      // An empty working area.
      {M::Right, 0, 7, 0, 2, 0},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(MoveInRecords(r.move, r.offset, r.length, r.working, r.pageRows), r.to)
        << static_cast<int>(r.move) << " from " << r.offset << " in " << r.length << "/"
        << r.working;
  }
}

TEST(RecordLayout, ScrollBarsAndMinimalScroll) {
  struct Row {
    std::int64_t item, first, visible, to;
  };
  const Row shows[] = {
      {5, 0, 10, 0},
      {10, 0, 10, 1},
      {3, 5, 10, 3},
      {1342177279, 0, 20, 1342177260},
      {79, 0, 60, 20},
      {0, 20, 60, 0},
      {16050, 16000, 100, 16000},
  };
  for (const Row& r : shows) EXPECT_EQ(FirstToShow(r.item, r.first, r.visible), r.to) << r.item;

  EXPECT_EQ(TopAfterPage(0, 1, 10, 100), 10);
  EXPECT_EQ(TopAfterPage(95, 1, 10, 100), 99);
  EXPECT_EQ(TopAfterPage(5, -1, 10, 100), 0);
  EXPECT_EQ(TopAfterPage(0, 1, 10, 0), 0);

  // The vertical bar spans every record of 100 GiB; the ends are exact.
  EXPECT_EQ(BarValueForTopRecord(0, k100GiB), 1);
  EXPECT_EQ(BarValueForTopRecord(k100GiB - 1, k100GiB), kScrollMax);
  EXPECT_EQ(TopRecordForBar(1, k100GiB), 0);
  EXPECT_EQ(TopRecordForBar(16384, k100GiB), 53685452750);
  EXPECT_EQ(TopRecordForBar(kScrollMax, k100GiB), k100GiB - 1);
  EXPECT_EQ(BarValueForTopRecord(1, 3), 10923);
  EXPECT_EQ(TopRecordForBar(kScrollMax, 3), 2);
  EXPECT_EQ(TopRecordForBar(kScrollMax, 0), 0);

  EXPECT_EQ(MaxFirstColumn(80, 60), 20);
  EXPECT_EQ(MaxFirstColumn(7, 10), 0);
  EXPECT_EQ(MaxFirstColumn(32767, 100), 32667);
  EXPECT_EQ(MaxFirstColumn(1, 50), 0);
}

TEST(RecordLayout, SaveSpanAndRuler) {
  struct Row {
    std::vector<std::size_t> edited;
    std::size_t size;
    std::optional<ByteSpan> span;
  };
  const Row rows[] = {
      {{}, 80, std::nullopt},
      {{5}, 80, ByteSpan{5, 1}},
      {{9, 3, 7}, 80, ByteSpan{3, 7}},
      // The first and last byte of a screen of the longest records.
      {{0, 20 * 32767 - 1}, 20 * 32767, ByteSpan{0, 20 * 32767}},
  };
  for (const Row& r : rows) {
    std::vector<bool> edited(r.size);
    for (std::size_t i : r.edited) edited[i] = true;
    EXPECT_EQ(SaveSpan(edited), r.span) << r.edited.size();
  }

  struct Ruler {
    int first, columns, length;
    std::string text;
  };
  const Ruler rulers[] = {
      {0, 24, 80, "0....+....10...+....20.."},
      {0, 10, 7, "0....+.   "},    // blank past the record's end
      {12, 10, 80, "...+....20"},  // a number cut by the left edge shows its tail
      {32758, 12, 32767, "..32760+.   "},
      {32761, 4, 32767, "2760"},
      {0, 3, 1, "0  "},
  };
  for (const Ruler& r : rulers)
    EXPECT_EQ(RulerText(r.first, r.columns, r.length), r.text) << r.first << " " << r.columns;
}

}  // namespace qx
