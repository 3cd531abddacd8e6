#include "fields/ValueRows.h"
#include "tests/Fakes.h"

namespace qx::test {

namespace {

// The bytes from the cursor to the end of the file, read in a set.
ValueTexts Of(const QByteArray& bytes, const char* set = "ASCII") {
  ValueBytes b;
  b.set = FindCharacterSet(set);
  for (char v : bytes.left(kValueByteCount)) {
    b.shown[static_cast<std::size_t>(b.count)] = static_cast<std::uint8_t>(v);
    b.stored[static_cast<std::size_t>(b.count++)] = static_cast<std::uint8_t>(v);
  }
  return ValueRows(b);
}

ValueTexts Hex(const char* hex, const char* set = "ASCII") {
  return Of(QByteArray::fromHex(hex), set);
}

// Byte|Integer|Long|Single|Double|Currency|Date|Boolean|LeftByte|RightByte, "-" for Too Short.
QString Line(const ValueTexts& t) {
  QStringList all;
  for (const QString& text : {t.Byte, t.Integer, t.Long, t.Single, t.Double, t.Currency, t.Date,
                              t.Boolean, t.LeftByte, t.RightByte})
    all << (text == "Too Short" ? "-" : text);
  return all.join('|');
}

}  // namespace

TEST(ValueDisplay, TextsOfEachKind) {
  const std::pair<QString, const char*> texts[] = {
      // Near the end of the file only the values that fit are shown.
      {Line(Hex("")), "-|-|-|-|-|-|-|-|-|-"},
      {Line(Hex("41")), "65|-|-|-|-|-|-|-|0100 0001|-"},
      {Line(Hex("010203")), "1|513|-|-|-|-|-|True|0000 0001|0000 0010"},
      {Hex("FFFF").Integer, "-1"},
      {Hex("0000").Boolean, "False"},
      {Hex("D2040000").Long, "1,234"},
      {Hex("04D2").IntegerBig + " " + Hex("FFFFFFFE").LongBig, "1,234 -2"},
      {Hex("00000080").Long, "-2,147,483,648"},
      {Hex("0000803F").Single, "1"},
      {Hex("000000000000F03F").Double, "1"},
      {Hex("000000000000F03F").Date, "1899-12-31"},
      {Hex("1027000000000000").Currency, "$1.00"},
      {FormatDouble(std::numeric_limits<double>::quiet_NaN()), "NaN"},
      {FormatDouble(std::numeric_limits<double>::infinity()), "Infinity"},
      {FormatSingle(-std::numeric_limits<float>::infinity()), "-Infinity"},
      {FormatSingle(0.1f), "0.1"},
      {FormatCurrency(-12345678), "-$1,234.57"},
      {FormatCurrency(-49), "$0.00"},
      {FormatCurrency(50), "$0.01"},
      {FormatCurrency(std::numeric_limits<std::int64_t>::min()), "-$922,337,203,685,477.58"},
      {FormatDate(0.5), "12:00:00"},
      {FormatDate(36526.75), "2000-01-01 18:00:00"},
      {FormatDate(-1.25), "1899-12-29 06:00:00"},
      {FormatDate(2958465.0), "9999-12-31"},
      {FormatDate(-657434.0), "0100-01-01"},
      {FormatDate(1.0 - 1e-9), "1899-12-31"},  // rounds up to midnight
      // Packed decimals: the sign nibble ends them; the rest must be digits.
      {Hex("12345C").Packed, "12,345 (3 bytes)"},
      {Hex("12345D00").Packed, "-12,345 (3 bytes)"},
      {Hex("0D").Packed, "0 (1 byte)"},
      {Hex("007B").Packed, "-7 (2 bytes)"},
      {Hex("1A3C").Packed, "1 (1 byte)"},  // the first sign ends it
      {Hex("12A43C").Packed, "not packed decimal"},
      {Hex("A12C").Packed, "not packed decimal"},
      {Hex("1234").Packed, "not packed decimal"},  // the file ends before a sign
      {Of(QByteArray(16, 0x11) + "\x1C").Packed, "not packed decimal"},  // 17th byte
      {Hex("9999999999999999999999999999999F").Packed,
       "9,999,999,999,999,999,999,999,999,999,999 (16 bytes)"},
      // Zoned: EBCDIC zone nibbles carry the sign; other sets a sign byte.
      {Hex("F1F2D3", "IBM037").Zoned, "-123 (3 bytes)"},
      {Hex("F1F2C3F4", "IBM037").Zoned, "123 (3 bytes)"},
      {Hex("F0F4F240", "IBM037").Zoned, "42 (3 bytes)"},
      {Hex("40F1", "IBM037").Zoned, "not zoned decimal"},
      {Hex("F1F2D3").Zoned, "not zoned decimal"},
      {Of("0123-").Zoned, "-123 (5 bytes)"},
      {Of("45+9").Zoned, "45 (3 bytes)"},
      {Of("12").Zoned, "12 (2 bytes)"},  // up to the end of the file
      {Of("-5").Zoned, "not zoned decimal"},
      {Of(QByteArray(32, '8')).Zoned, "not zoned decimal"},  // a 32nd digit of any zone
      {Of(QByteArray(31, '\xF1') + "\xD1", "IBM037").Zoned, "not zoned decimal"},
      {Of(QByteArray(30, '9') + "1-").Zoned,
       "-9,999,999,999,999,999,999,999,999,999,991 (32 bytes)"},
      // Text: sixteen bytes in the file's set, "." where nothing prints.
      {Hex("C8C5D3D3D640F1F24B005B", "IBM037").Text, "HELLO 12..$"},
      {Hex("5B4A", "IBM285").Text, "£$"},
      {Of("ABCDEFGHIJKLMNOPQ\x01").Text, "ABCDEFGHIJKLMNOP"},
      {Hex("41FF7F").Text, "A.."},
  };
  for (const auto& [got, want] : texts) EXPECT_EQ(got.toStdString(), want);
  for (double outside : {2958466.0, -657435.0, std::numeric_limits<double>::quiet_NaN(),
                         -std::numeric_limits<double>::infinity(), 1e16})
    EXPECT_EQ(FormatDate(outside), kNotADate) << outside;
  // Each text is the value's own shortest form, and reads back to the very same value.
  for (const char* text :
       {"0.1", "-2.5", "1E+16", "1.5E-07", "123456789", "0.00001", "1E+300", "-1.25E-300"})
    EXPECT_EQ(FormatDouble(QString(text).toDouble()).toStdString(), text);
  for (double d : {0.1 + 0.2, 1.0 / 3.0, 6.02214076e23, 4.9e-324, 1.7976931348623157e308})
    EXPECT_EQ(FormatDouble(d).replace('E', 'e').toDouble(), d) << FormatDouble(d).toStdString();
}

TEST(ValueDisplay, CollectsFromPageAndFile) {
  Rig r;
  QByteArray bytes = TempFiles::Counting(600);
  bytes[256] = 0x77;
  r.io.OpenFile(r.files.Write("v.bin", bytes));
  ValueBytes b;
  const auto at = [&](std::int64_t top, std::int64_t cursor) {
    r.s.Current.BufferTop = top;
    r.s.Current.CursorOffset = cursor;
    r.io.ReadPage();
    EXPECT_TRUE(CollectValueBytes(r.s, b));
  };
  at(500, 598);  // the last two bytes of the working area: only two exist
  EXPECT_EQ(std::tuple(b.count, ValueRows(b).Integer), std::tuple(2, "22,358"));  // 56 57

  // Cursor on the last byte of the page: the rest comes from the file;
  // an unsaved edit shows in Byte but not in the stored values.
  at(0, 255);
  r.s.PageBuffer[255] = 0x99;
  ASSERT_TRUE(CollectValueBytes(r.s, b));
  EXPECT_EQ(std::tuple(b.count, b.shown[31]), std::tuple(kValueByteCount, 0x1E));
  const ValueTexts t = ValueRows(b);
  EXPECT_EQ(t.Byte + " " + t.Integer + " " + t.RightByte + " " + t.Packed,
            "153 30,719 0111 0111 99,770,102,030,405,060,708,090 (12 bytes)");

  at(0, 600);  // past the end of the working area nothing exists
  EXPECT_EQ(b.count, 0);
  r.s.Current.WorkingBase = 100;  // offsets are relative to the working base
  r.s.WorkingLength = 500;
  at(0, 0);
  EXPECT_EQ(b.stored[0], 100);
}

}  // namespace qx::test
