#include <gtest/gtest.h>
#include <QByteArray>
#include <cstring>

#include <QLabel>
#include <QPushButton>

#include "core/ValueFormat.h"
#include "tests/Fakes.h"
#include "ui/dialogs/ValDisp.h"

namespace qx::test {

namespace {

ValueBytes Bytes(std::initializer_list<int> bytes) {
  ValueBytes b;
  for (int v : bytes) {
    b.shown[static_cast<std::size_t>(b.count)] = static_cast<std::uint8_t>(v);
    b.stored[static_cast<std::size_t>(b.count)] = static_cast<std::uint8_t>(v);
    ++b.count;
  }
  return b;
}

std::string S(const QString& q) {
  return q.toStdString();
}

}  // namespace

TEST(ValueDisplay, IntegersBooleanAndBits) {
  ValueTexts t = FormatValues(Bytes({0x01, 0x00}));
  EXPECT_EQ(S(t.Byte), "1");
  EXPECT_EQ(S(t.Integer), "1");
  EXPECT_EQ(S(t.Boolean), "True");
  EXPECT_EQ(S(t.LeftByte), "0000 0001");
  EXPECT_EQ(S(t.RightByte), "0000 0000");

  t = FormatValues(Bytes({0xFF, 0xFF}));
  EXPECT_EQ(S(t.Byte), "255");
  EXPECT_EQ(S(t.Integer), "-1");
  EXPECT_EQ(S(t.Boolean), "True");
  EXPECT_EQ(S(t.LeftByte), "1111 1111");

  EXPECT_EQ(S(FormatValues(Bytes({0, 0})).Boolean), "False");
  EXPECT_EQ(S(FormatBits(0x5A)), "0101 1010");

  t = FormatValues(Bytes({0xD2, 0x04, 0x00, 0x00}));  // 1234
  EXPECT_EQ(S(t.Integer), "1,234");
  EXPECT_EQ(S(t.Long), "1,234");
  t = FormatValues(Bytes({0x00, 0x00, 0x00, 0x80}));
  EXPECT_EQ(S(t.Long), "-2,147,483,648");
  EXPECT_EQ(S(GroupedNumber(-32768)), "-32,768");
  EXPECT_EQ(S(GroupedNumber(0)), "0");
  EXPECT_EQ(S(GroupedNumber(999)), "999");
  EXPECT_EQ(S(GroupedNumber(1000)), "1,000");
}

TEST(ValueDisplay, FloatingPointIsShortestRoundTrip) {
  EXPECT_EQ(S(FormatValues(Bytes({0x00, 0x00, 0x80, 0x3F})).Single), "1");
  EXPECT_EQ(S(FormatValues(Bytes({0, 0, 0, 0, 0, 0, 0xF0, 0x3F})).Double), "1");
  EXPECT_EQ(S(FormatDouble(0.1)), "0.1");
  EXPECT_EQ(S(FormatSingle(0.1f)), "0.1");
  EXPECT_EQ(S(FormatDouble(-2.5)), "-2.5");
  EXPECT_EQ(S(FormatDouble(1e16)), "1E+16");
  EXPECT_EQ(S(FormatDouble(1.5e-7)), "1.5E-07");
  EXPECT_EQ(S(FormatDouble(123456789.0)), "123456789");
  EXPECT_EQ(S(FormatDouble(0.00001)), "0.00001");
  EXPECT_EQ(S(FormatDouble(1e300)), "1E+300");
  EXPECT_EQ(S(FormatSingle(16777216.0f)), "16777216");
  EXPECT_EQ(S(FormatDouble(std::numeric_limits<double>::quiet_NaN())), "NaN");
  EXPECT_EQ(S(FormatDouble(std::numeric_limits<double>::infinity())), "Infinity");
  EXPECT_EQ(S(FormatSingle(-std::numeric_limits<float>::infinity())), "-Infinity");
  // Every text reads back to the very same value.
  for (double d : {0.1 + 0.2, 1.0 / 3.0, 6.02214076e23, 4.9e-324, 1.7976931348623157e308}) {
    EXPECT_EQ(FormatDouble(d).replace('E', 'e').toDouble(), d) << S(FormatDouble(d));
  }
}

TEST(ValueDisplay, Currency) {
  EXPECT_EQ(S(FormatValues(Bytes({0x10, 0x27, 0, 0, 0, 0, 0, 0})).Currency), "$1.00");
  EXPECT_EQ(S(FormatCurrency(-12345678)), "-$1,234.57");
  EXPECT_EQ(S(FormatCurrency(0)), "$0.00");
  EXPECT_EQ(S(FormatCurrency(-49)), "$0.00");
  EXPECT_EQ(S(FormatCurrency(50)), "$0.01");
  EXPECT_EQ(S(FormatCurrency(std::numeric_limits<std::int64_t>::min())),
            "-$922,337,203,685,477.58");
}

TEST(ValueDisplay, DateTime) {
  EXPECT_EQ(S(FormatValues(Bytes({0, 0, 0, 0, 0, 0, 0xF0, 0x3F})).Date), "1899-12-31");
  EXPECT_EQ(S(FormatValues(Bytes({0x00, 0x00, 0x00, 0x20, 0x5F, 0xA0, 0x02, 0x42})).Date),
            "Not a Date");
  EXPECT_EQ(S(FormatDate(0.5)), "12:00:00");
  EXPECT_EQ(S(FormatDate(0.0)), "00:00:00");
  EXPECT_EQ(S(FormatDate(36526.75)), "2000-01-01 18:00:00");
  EXPECT_EQ(S(FormatDate(-1.25)), "1899-12-29 06:00:00");
  EXPECT_EQ(S(FormatDate(2958465.0)), "9999-12-31");
  EXPECT_EQ(S(FormatDate(2958466.0)), "Not a Date");
  EXPECT_EQ(S(FormatDate(-657434.0)), "0100-01-01");
  EXPECT_EQ(S(FormatDate(-657435.0)), "Not a Date");
  EXPECT_EQ(S(FormatDate(1.0 - 1e-9)), "1899-12-31");  // rounds up to midnight
  EXPECT_EQ(S(FormatDate(std::numeric_limits<double>::quiet_NaN())), "Not a Date");
  EXPECT_EQ(S(FormatDate(-std::numeric_limits<double>::infinity())), "Not a Date");
}

TEST(ValueDisplay, TooShortNearTheEnd) {
  ValueTexts t = FormatValues(Bytes({0x41}));
  EXPECT_EQ(S(t.Byte), "65");
  EXPECT_EQ(S(t.LeftByte), "0100 0001");
  for (const QString* q :
       {&t.Integer, &t.Long, &t.Single, &t.Double, &t.Currency, &t.Date, &t.Boolean, &t.RightByte})
    EXPECT_EQ(S(*q), "Too Short");

  t = FormatValues(Bytes({1, 2, 3}));
  EXPECT_EQ(S(t.Integer), "513");
  EXPECT_EQ(S(t.Boolean), "True");
  EXPECT_EQ(S(t.RightByte), "0000 0010");
  for (const QString* q : {&t.Long, &t.Single, &t.Double, &t.Currency, &t.Date})
    EXPECT_EQ(S(*q), "Too Short");

  t = FormatValues(ValueBytes{});
  EXPECT_EQ(S(t.Byte), "Too Short");
  EXPECT_EQ(S(t.LeftByte), "Too Short");
}

TEST(ValueDisplay, CollectsFromPageAndFile) {
  Rig r;
  QByteArray bytes = TempFiles::Counting(600);
  r.io.OpenFile(r.files.Write("v.bin", bytes));
  ValueBytes b;

  // Last two bytes of the working area: only two exist.
  r.s.Current.CursorOffset = 598;
  r.s.Current.BufferTop = 500;
  r.io.ReadPage();
  ASSERT_TRUE(CollectValueBytes(r.s, b));
  EXPECT_EQ(b.count, 2);
  EXPECT_EQ(S(FormatValues(b).Long), "Too Short");
  EXPECT_EQ(S(FormatValues(b).Integer), "22,358");  // bytes 56 57

  // Cursor on the last byte of the page: the rest comes from the file;
  // an unsaved edit shows in Byte but not in the stored values.
  r.s.Current.BufferTop = 0;
  r.s.Current.CursorOffset = 255;
  r.io.ReadPage();
  r.s.PageBuffer[255] = 0x99;
  ASSERT_TRUE(CollectValueBytes(r.s, b));
  EXPECT_EQ(b.count, 8);
  EXPECT_EQ(b.shown[0], 0x99);
  EXPECT_EQ(b.stored[0], 0xFF);
  EXPECT_EQ(b.shown[1], 0x00);
  EXPECT_EQ(b.shown[7], 0x06);
  ValueTexts t = FormatValues(b);
  EXPECT_EQ(S(t.Byte), "153");
  EXPECT_EQ(S(t.Integer), "255");

  // A cursor off the page reads the file only, never outside the page buffer.
  r.s.Current.CursorOffset = 400;
  ASSERT_TRUE(CollectValueBytes(r.s, b));
  EXPECT_EQ(b.shown[0], 400 & 0xFF);

  // Past the end of the working area nothing exists.
  r.s.Current.CursorOffset = 600;
  ASSERT_TRUE(CollectValueBytes(r.s, b));
  EXPECT_EQ(b.count, 0);

  // Offsets are relative to the working base.
  r.s.Current.WorkingBase = 100;
  r.s.WorkingLength = 500;
  r.s.Current.BufferTop = 0;
  r.s.Current.CursorOffset = 0;
  r.io.ReadPage();
  ASSERT_TRUE(CollectValueBytes(r.s, b));
  EXPECT_EQ(b.stored[0], 100);
  EXPECT_EQ(b.shown[0], 100);
}

TEST(ValueDisplay, WindowShowsTheTexts) {
  QWidget main;
  ValDisp window(&main);
  window.DisplayValues(Bytes({0x5A, 0x01, 0x00}));
  EXPECT_EQ(S(window.windowTitle()), "Values");
  EXPECT_EQ(S(window.OKButton->text()), "O.K.");
  EXPECT_EQ(S(window.ByteBox->text()), "90");
  EXPECT_EQ(S(window.IntegerBox->text()), "346");
  EXPECT_EQ(S(window.LeftByte->text()), "0101 1010");
  EXPECT_EQ(S(window.RightByte->text()), "0000 0001");
  EXPECT_EQ(S(window.LongBox->text()), "Too Short");
  EXPECT_EQ(S(window.DateBox->text()), "Too Short");
}

}  // namespace qx::test
