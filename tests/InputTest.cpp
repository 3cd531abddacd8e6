#include <gtest/gtest.h>

#include <limits>

#include "input/KeyFilters.h"
#include "input/PatternText.h"
#include "input/Utility.h"

namespace qx {

namespace {

using Bytes = std::vector<std::uint8_t>;

}  // namespace

TEST(InputUtility, ReadNumber) {
  constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
  // Too large is held at the limit, past the end of any range.
  const std::pair<const char*, std::int64_t> cases[] = {{" 1,234,567 ", 1234567},
                                                        {"-1,000", -1000},
                                                        {"123,456", 123456},
                                                        {"007", 7},
                                                        {"-9223372036854775808", -kMax - 1},
                                                        {"9223372036854775808", kMax},
                                                        {"-9223372036854775809", -kMax - 1}};
  for (auto [text, want] : cases) EXPECT_EQ(ReadNumber(QString::fromUtf8(text)), want) << text;
  // Empty, and anything that is not a plainly grouped number.
  for (const char* text : {"", "-", "12a", "\u0661", ",123", "1234,567", "1,00,000", "1,00"})
    EXPECT_EQ(ReadNumber(QString::fromUtf8(text)), std::nullopt) << text;

  const std::tuple<std::int64_t, std::int64_t, std::int64_t> sums[] = {
      {kMax, 1, kMax}, {-kMax - 1, -1, -kMax - 1}, {kMax, -kMax - 1, -1}, {5, -7, -2}};
  for (auto [a, b, want] : sums) EXPECT_EQ(AddClamped(a, b), want) << a << " + " << b;

  // Groups of three, none in front, the most negative value whole.
  EXPECT_EQ(FormatCount(123456) + " " + FormatCount(-1234), "123,456 -1,234");
  EXPECT_EQ(FormatCount(std::numeric_limits<std::int64_t>::min()), "-9,223,372,036,854,775,808");
}

TEST(InputPattern, FindReplaceAndFillText) {
  const std::tuple<const char*, int, std::optional<Bytes>> cases[] = {
      {"a b", kSearchAscii, Bytes{0x61, 0x20, 0x62}},
      {"AB", kSearchUnicode, Bytes{0x41, 0x00, 0x42, 0x00}},
      {"41 42 4", kSearchHex, Bytes{0x41, 0x42}},
      {"f9 0a", kSearchHex, Bytes{0xF9, 0x0A}},
      {"7", kSearchHex, Bytes{}},
      {"4G", kSearchHex, std::nullopt},          // pasted junk is refused, not read as 0x04
      {"a\u20acb", kSearchAscii, std::nullopt},  // a character without an 8-bit code
      {"\u00ff", kSearchUnicode, Bytes{0xFF, 0x00}},
      {"\u0100", kSearchUnicode, std::nullopt},
  };
  for (const auto& [text, type, want] : cases) {
    EXPECT_EQ(PatternBytes(QString::fromUtf8(text), type), want) << text << " type " << type;
  }
  // Each neighbour of the digits' ranges, and a digit of another script.
  for (const char* junk : {"/", ":", "@", "`", "\u0660"})
    EXPECT_EQ(PatternBytes(QString::fromUtf8(junk), kSearchHex), std::nullopt) << junk;
  // Forty characters, the most a pattern box takes, stay within 81 bytes.
  EXPECT_EQ(PatternBytes(QString(kPatternFieldLength, QLatin1Char('x')), kSearchUnicode)->size(),
            80u);

  const std::tuple<const char*, bool, std::optional<Bytes>> fills[] = {
      {"7", true, Bytes{0x07}},
      {"abc", true, Bytes{0xAB}},
      {"4 1", true, Bytes{0x41}},
      {"Z", true, std::nullopt},
      {"Hi", false, Bytes{'H', 'i'}}};
  for (const auto& [text, hex, want] : fills) {
    EXPECT_EQ(FillPatternBytes(QString::fromUtf8(text), hex), want) << text;
  }
  EXPECT_EQ(FillPatternBytes(QString(60, QLatin1Char('y')), false)->size(),
            static_cast<std::size_t>(kMaxFillPattern));
}

TEST(InputKeys, KeyTableAndCtrlE) {
  EditorState s;
  s.WorkingLength = 1000;
  s.RecordCount = 12;
  s.Current.MarkTable['K' - 'A'].CursorOffset = 1024;
  s.Current.CharSet = "IBM1140";  // text takes what it has a code for: the euro, not the ¤
  // want: "" accepted as typed, a character accepted as that one, "-"
  // discarded; then "=text" for a new field text and ">" for a focus move.
  using K = FieldKind;
  const std::tuple<FieldKind, char16_t, bool, const char*> cases[] = {
      {K::RangeStart, '\r', 0, "->"},    {K::RangeStart, 'k', 0, "-=1,024>"},
      {K::RangeStart, ',', 0, ""},       {K::FillRangeStart, 'k', 0, "-=1,024"},
      {K::FillRangeStart, '\b', 0, "-"}, {K::RangeEnd, 'x', 0, "-=0"},
      {K::RangeEnd, '9', 0, ""},         {K::RangeEnd, ',', 0, "-"},
      {K::FromRecord, 'q', 0, ""},       {K::ToRecord, 'q', 0, "-"},
      {K::ToRecord, '3', 0, ""},         {K::Pattern, 'a', 1, "A"},
      {K::Pattern, '\b', 1, ""},         {K::Pattern, 'g', 1, "-"},
      {K::Pattern, 0xE9, 0, ""},         {K::Pattern, 0x20AC, 0, ""},
      {K::Pattern, 0xA4, 0, "-"},
  };
  for (const auto& [kind, key, hex, want] : cases) {
    const KeyDecision d = FilterKey(kind, QChar(key), s, hex);
    std::string got = !d.accept ? "-" : d.key == QChar(key) ? "" : QString(d.key).toStdString();
    if (d.setText) got.append("=").append(d.setText->toStdString());
    if (d.focusNext) got += ">";
    EXPECT_EQ(got, want) << static_cast<int>(kind) << " " << static_cast<int>(key) << " " << hex;
  }

  EXPECT_EQ(CtrlEText(K::RangeEnd, s), QStringLiteral("999"));
  EXPECT_EQ(CtrlEText(K::ToRecord, s), QStringLiteral("11"));
  EXPECT_EQ(CtrlEText(K::RangeStart, s), std::nullopt);
  s.WorkingLength = 1234567;
  EXPECT_EQ(CtrlEText(K::RangeEnd, s), QStringLiteral("1234566"));  // no separators
  // With no file there is no last offset: the field stays as it is.
  s.WorkingLength = 0;
  s.RecordCount = 0;
  EXPECT_TRUE(!CtrlEText(K::RangeEnd, s) && !CtrlEText(K::ToRecord, s));
}

}  // namespace qx
