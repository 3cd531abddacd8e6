// The record view's band over a layout: names, boundaries, tints, and the
// numbers that do not decode.
#include <gtest/gtest.h>

#include "core/CharacterSet.h"
#include "fields/FieldBand.h"

namespace qx::test {

// A 0, slack 1, H 2, Q(1) 4, Q(2) 5, BASE 6 (ALT not in use), P 10, in 12-byte records.
TEST(FieldBand, NamesBoundariesTintsAndFailingNumbers) {
  const Layout layout = std::get<Layout>(
      ParseCopybook("01 R. 05 A PIC X. 05 H PIC S9(4) COMP SYNC. 05 T OCCURS 2. 10 Q PIC 9.\n"
                    " 05 BASE PIC X(4). 05 ALT REDEFINES BASE PIC 9(4). 05 P PIC S9(3) COMP-3."));
  const auto marks = [](const std::vector<bool>& v) {
    QString s;
    for (const bool b : v) s += b ? QLatin1Char('T') : QLatin1Char('.');
    return s;
  };
  const std::tuple<int, int, const char*, std::vector<int>, const char*> bands[] = {
      {0, 12, "A H QQBASEP ", {0, 1, 2, 4, 5, 6, 10, 12}, "..TT.T....TT"},
      {7, 5, "ASEP ", {3, 5}, "...TT"},
      {3, 2, " Q", {1, 2}, "T."},
  };
  for (const auto& [first, columns, text, boundaries, tints] : bands) {
    const FieldBand band = BandOf(layout.kinds[0], 12, first, columns);
    EXPECT_EQ(std::tuple(band.text, band.boundaries, marks(band.tinted)),
              std::tuple(QString(text), boundaries, QString(tints)))
        << first;
  }
  EXPECT_EQ(FieldTip(layout.kinds[0].fields.back()), "P S9(3) COMP-3, 2 bytes");
  // EBCDIC digits; P's sign nibble 4 does not decode, nor Q(2)'s FA; a
  // short record's P is not judged.
  const std::pair<const char*, const char*> records[] = {
      {"C100FFFFF1F2C1C2C3C4123C", "............"},
      {"C100FFFFF1FAC1C2C3C41234", ".....T....TT"},
      {"C100FFFFF1F2C1C2C3C412", "............"},
  };
  for (const auto& [hex, failing] : records) {
    const QByteArray bytes = QByteArray::fromHex(hex);
    const std::span<const std::uint8_t> record(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                               bytes.size());
    EXPECT_EQ(
        marks(FailingColumns(layout.kinds[0], 12, 0, 12, record, CharacterSetOf("IBM037"), {})),
        failing)
        << hex;
  }
}

}  // namespace qx::test
