#include <gtest/gtest.h>
#include <QByteArray>

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

// The names of the fields that read "Too Short".
std::string TooShort(const ValueTexts& t) {
  const std::pair<const QString*, const char*> fields[] = {
      {&t.Byte, "Byte"},          {&t.Integer, "Integer"}, {&t.Long, "Long"},
      {&t.Single, "Single"},      {&t.Double, "Double"},   {&t.Currency, "Currency"},
      {&t.Date, "Date"},          {&t.Boolean, "Boolean"}, {&t.LeftByte, "LeftByte"},
      {&t.RightByte, "RightByte"}};
  std::string out;
  for (const auto& [text, name] : fields)
    if (*text == "Too Short") out += std::string(out.empty() ? "" : " ") + name;
  return out;
}

}  // namespace

TEST(ValueDisplay, IntegersBooleanAndBits) {
  ValueTexts t = FormatValues(Bytes({0x01, 0x00}));
  EXPECT_EQ(S(t.Byte + " " + t.Integer + " " + t.Boolean), "1 1 True");
  EXPECT_EQ(S(t.LeftByte + " " + t.RightByte), "0000 0001 0000 0000");
  t = FormatValues(Bytes({0xFF, 0xFF}));
  EXPECT_EQ(S(t.Byte + " " + t.Integer + " " + t.LeftByte), "255 -1 1111 1111");
  EXPECT_EQ(S(FormatValues(Bytes({0, 0})).Boolean), "False");
  EXPECT_EQ(S(FormatBits(0x5A)), "0101 1010");

  t = FormatValues(Bytes({0xD2, 0x04, 0x00, 0x00}));  // 1234
  EXPECT_EQ(S(t.Integer + " " + t.Long), "1,234 1,234");
  EXPECT_EQ(S(FormatValues(Bytes({0x00, 0x00, 0x00, 0x80})).Long), "-2,147,483,648");
  for (std::int64_t n : {-32768, 0, 999, 1000})
    EXPECT_EQ(S(GroupedNumber(n)), S(QLocale(QLocale::English).toString(n)));
}

TEST(ValueDisplay, FloatingPointIsShortestRoundTrip) {
  EXPECT_EQ(S(FormatValues(Bytes({0x00, 0x00, 0x80, 0x3F})).Single), "1");
  EXPECT_EQ(S(FormatValues(Bytes({0, 0, 0, 0, 0, 0, 0xF0, 0x3F})).Double), "1");
  // Each text is the value's own shortest form.
  for (const char* text :
       {"0.1", "-2.5", "1E+16", "1.5E-07", "123456789", "0.00001", "1E+300", "-1.25E-300"})
    EXPECT_EQ(S(FormatDouble(QString(text).toDouble())), text);
  for (const char* text : {"0.1", "16777216"})
    EXPECT_EQ(S(FormatSingle(QString(text).toFloat())), text);
  // Every text reads back to the very same value.
  for (double d : {0.1 + 0.2, 1.0 / 3.0, 6.02214076e23, 4.9e-324, 1.7976931348623157e308})
    EXPECT_EQ(FormatDouble(d).replace('E', 'e').toDouble(), d) << S(FormatDouble(d));
}

TEST(ValueDisplay, InfinitiesCurrencyAndDates) {
  const std::pair<QString, const char*> texts[] = {
      {FormatDouble(std::numeric_limits<double>::quiet_NaN()), "NaN"},
      {FormatDouble(std::numeric_limits<double>::infinity()), "Infinity"},
      {FormatSingle(-std::numeric_limits<float>::infinity()), "-Infinity"},
      {FormatValues(Bytes({0x10, 0x27, 0, 0, 0, 0, 0, 0})).Currency, "$1.00"},
      {FormatCurrency(-12345678), "-$1,234.57"},
      {FormatCurrency(-49), "$0.00"},
      {FormatCurrency(50), "$0.01"},
      {FormatCurrency(std::numeric_limits<std::int64_t>::min()), "-$922,337,203,685,477.58"},
      {FormatValues(Bytes({0, 0, 0, 0, 0, 0, 0xF0, 0x3F})).Date, "1899-12-31"},
      {FormatDate(0.5), "12:00:00"},
      {FormatDate(0.0), "00:00:00"},
      {FormatDate(36526.75), "2000-01-01 18:00:00"},
      {FormatDate(-1.25), "1899-12-29 06:00:00"},
      {FormatDate(2958465.0), "9999-12-31"},
      {FormatDate(-657434.0), "0100-01-01"},
      {FormatDate(1.0 - 1e-9), "1899-12-31"},  // rounds up to midnight
  };
  for (const auto& [got, want] : texts) EXPECT_EQ(S(got), want);
  for (double outside : {2958466.0, -657435.0, std::numeric_limits<double>::quiet_NaN(),
                         -std::numeric_limits<double>::infinity(), 1e16})
    EXPECT_EQ(S(FormatDate(outside)), "Not a Date") << outside;
}

TEST(ValueDisplay, TooShortNearTheEnd) {
  EXPECT_EQ(TooShort(FormatValues(Bytes({0x41}))),
            "Integer Long Single Double Currency Date Boolean RightByte");
  EXPECT_EQ(S(FormatValues(Bytes({0x41})).LeftByte), "0100 0001");
  ValueTexts t = FormatValues(Bytes({1, 2, 3}));
  EXPECT_EQ(TooShort(t), "Long Single Double Currency Date");
  EXPECT_EQ(S(t.Integer + " " + t.RightByte), "513 0000 0010");
  EXPECT_EQ(TooShort(FormatValues(ValueBytes{})),
            "Byte Integer Long Single Double Currency Date Boolean LeftByte RightByte");
}

TEST(ValueDisplay, CollectsFromPageAndFile) {
  Rig r;
  r.io.OpenFile(r.files.Write("v.bin", TempFiles::Counting(600)));
  ValueBytes b;
  const auto at = [&](std::int64_t top, std::int64_t cursor) {
    r.s.Current.BufferTop = top;
    r.s.Current.CursorOffset = cursor;
    r.io.ReadPage();
    EXPECT_TRUE(CollectValueBytes(r.s, b));
  };

  at(500, 598);  // the last two bytes of the working area: only two exist
  EXPECT_EQ(b.count, 2);
  EXPECT_EQ(S(FormatValues(b).Integer), "22,358");  // bytes 56 57

  // Cursor on the last byte of the page: the rest comes from the file;
  // an unsaved edit shows in Byte but not in the stored values.
  r.s.PageBuffer[255] = 0x99;
  r.s.Current.CursorOffset = 255;
  r.s.Current.BufferTop = 0;
  ASSERT_TRUE(CollectValueBytes(r.s, b));
  EXPECT_EQ(b.count, 8);
  EXPECT_EQ(b.shown[0], 0x99);
  EXPECT_EQ(b.stored[0], 0xFF);
  EXPECT_EQ(b.shown[7], 0x06);
  EXPECT_EQ(S(FormatValues(b).Byte + " " + FormatValues(b).Integer), "153 255");

  at(0, 400);  // a cursor off the page reads the file only
  EXPECT_EQ(b.shown[0], 400 & 0xFF);
  at(0, 600);  // past the end of the working area nothing exists
  EXPECT_EQ(b.count, 0);

  // Offsets are relative to the working base.
  r.s.Current.WorkingBase = 100;
  r.s.WorkingLength = 500;
  at(0, 0);
  EXPECT_EQ(b.stored[0], 100);
}

TEST(ValueDisplay, WindowShowsTheTexts) {
  QWidget main;
  ValDisp window(&main);
  window.DisplayValues(Bytes({0x5A, 0x01, 0x00}));
  EXPECT_EQ(S(window.windowTitle() + " " + window.OKButton->text()), "Values O.K.");
  EXPECT_EQ(S(window.ByteBox->text() + " " + window.IntegerBox->text()), "90 346");
  EXPECT_EQ(S(window.LeftByte->text() + " " + window.RightByte->text()), "0101 1010 0000 0001");
  EXPECT_EQ(S(window.DateBox->text()), "Too Short");
}

}  // namespace qx::test
