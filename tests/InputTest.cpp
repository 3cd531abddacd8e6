#include <gtest/gtest.h>

#include <limits>

#include "input/KeyFilters.h"
#include "input/PatternText.h"
#include "input/Utility.h"

namespace qx {

namespace {

using Bytes = std::vector<std::uint8_t>;

EditorState StateWithMarks() {
  EditorState s;
  s.WorkingLength = 1000;
  s.RecordCount = 12;
  s.Current.MarkTable['K' - 'A'].CursorOffset = 1024;
  s.Current.MarkTable['B' - 'A'].CursorOffset = 1234567;
  return s;
}

}  // namespace

TEST(InputUtility, HexCharsAndHexByteValue) {
  for (char c : std::string("0123456789ABCDEF")) EXPECT_TRUE(IsHexChar(QLatin1Char(c))) << c;
  for (char c : std::string("abcdefGg /:@`")) EXPECT_FALSE(IsHexChar(QLatin1Char(c))) << c;
  EXPECT_FALSE(IsHexChar(QChar(0x0660)));  // an Arabic-Indic zero is no hex digit

  const std::pair<const char*, int> cases[] = {
      {"7F", 127}, {"7", 7}, {"G1", 0}, {"FF", 255}, {"00", 0}, {"1G", 1}, {"", 0}, {"123", 0x12},
  };
  for (auto [text, want] : cases) EXPECT_EQ(HexByteValue(QString::fromLatin1(text)), want) << text;
}

TEST(InputUtility, FormatCountAndMarkText) {
  const std::pair<std::int64_t, const char*> cases[] = {
      {0, "0"},
      {7, "7"},
      {999, "999"},
      {1000, "1,000"},
      {1024, "1,024"},
      {1234567, "1,234,567"},
      {-5, "-5"},
      {-1234, "-1,234"},
      {5LL << 30, "5,368,709,120"},
      {std::numeric_limits<std::int64_t>::min(), "-9,223,372,036,854,775,808"},
  };
  for (auto [n, want] : cases) EXPECT_EQ(FormatCount(n).toStdString(), want);

  const EditorState s = StateWithMarks();
  EXPECT_EQ(MarkText(s, QLatin1Char('K')), QStringLiteral("1,024"));
  EXPECT_EQ(MarkText(s, QLatin1Char('k')), QStringLiteral("1,024"));
  EXPECT_EQ(MarkText(s, QLatin1Char('b')), QStringLiteral("1,234,567"));
  EXPECT_EQ(MarkText(s, QLatin1Char('X')), QStringLiteral("0"));  // never set
}

TEST(InputUtility, ReadNumber) {
  const std::pair<const char*, std::optional<std::int64_t>> cases[] = {
      {"0", 0},
      {"1234", 1234},
      {"1,234", 1234},
      {" 1,234,567 ", 1234567},
      {"-1,000", -1000},
      {"007", 7},
      {"9223372036854775807", std::numeric_limits<std::int64_t>::max()},
      {"9,223,372,036,854,775,807", std::numeric_limits<std::int64_t>::max()},
      {"-9223372036854775808", std::numeric_limits<std::int64_t>::min()},
      {"9223372036854775808", std::nullopt},
      {"99999999999999999999999", std::nullopt},
      {"-9223372036854775809", std::nullopt},
      {"", std::nullopt},
      {"-", std::nullopt},
      {"12a", std::nullopt},
      {"+5", std::nullopt},
      {"1 000", std::nullopt},
      {"1,00", std::nullopt},
      {"1234,567", std::nullopt},
      {",123", std::nullopt},
      {"123,", std::nullopt},
      {"1,,000", std::nullopt},
      {"0x10", std::nullopt},
  };
  for (auto [text, want] : cases) EXPECT_EQ(ReadNumber(QString::fromLatin1(text)), want) << text;
  // Digits of other scripts are not read as numbers.
  EXPECT_EQ(ReadNumber(QString(QChar(0x0661))), std::nullopt);
}

TEST(InputUtility, ByteCode) {
  EXPECT_EQ(ByteCode(QLatin1Char('A')), 0x41);
  EXPECT_EQ(ByteCode(QChar(0xE9)), 0xE9);
  EXPECT_EQ(ByteCode(QChar(0xFF)), 0xFF);
  EXPECT_EQ(ByteCode(QChar(0x100)), std::nullopt);
  EXPECT_EQ(ByteCode(QChar(0x20AC)), std::nullopt);  // the euro sign
}

TEST(InputPattern, FindAndReplaceText) {
  struct Case {
    const char* text;
    int type;
    std::optional<Bytes> want;
  };
  const Case cases[] = {
      {"AB", kSearchAscii, Bytes{0x41, 0x42}},
      {"a b", kSearchAscii, Bytes{0x61, 0x20, 0x62}},
      {"AB", kSearchUnicode, Bytes{0x41, 0x00, 0x42, 0x00}},
      {"41 42 4", kSearchHex, Bytes{0x41, 0x42}},
      {"414243", kSearchHex, Bytes{0x41, 0x42, 0x43}},
      {"ff 0a", kSearchHex, Bytes{0xFF, 0x0A}},
      {"7", kSearchHex, Bytes{}},
      {"", kSearchHex, Bytes{}},
      {"4G", kSearchHex, std::nullopt},  // pasted junk is refused, not read as 0x04
      {"", kSearchAscii, Bytes{}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PatternBytes(QString::fromLatin1(c.text), c.type), c.want)
        << c.text << " type " << c.type;
  }
  EXPECT_EQ(PatternBytes(QString(QChar(0xE9)), kSearchUnicode), (Bytes{0xE9, 0x00}));
  // A character without an 8-bit code cannot become a byte.
  EXPECT_EQ(PatternBytes(QStringLiteral("a\u20ACb"), kSearchAscii), std::nullopt);
  EXPECT_EQ(PatternBytes(QStringLiteral("\u0100"), kSearchUnicode), std::nullopt);
  // Forty characters, the most a pattern box takes, stay within 81 bytes.
  EXPECT_EQ(PatternBytes(QString(kPatternFieldLength, QLatin1Char('x')), kSearchUnicode)->size(),
            80u);
}

TEST(InputPattern, FillText) {
  EXPECT_EQ(FillPatternBytes(QStringLiteral("7"), true), (Bytes{0x07}));
  EXPECT_EQ(FillPatternBytes(QStringLiteral(" 7"), true), (Bytes{0x07}));
  EXPECT_EQ(FillPatternBytes(QStringLiteral("41 42 4"), true), (Bytes{0x41, 0x42}));
  EXPECT_EQ(FillPatternBytes(QStringLiteral("abc"), true), (Bytes{0xAB}));
  EXPECT_EQ(FillPatternBytes(QStringLiteral(""), true), (Bytes{}));
  EXPECT_EQ(FillPatternBytes(QStringLiteral("Z"), true), std::nullopt);
  EXPECT_EQ(FillPatternBytes(QStringLiteral("Hi"), false), (Bytes{'H', 'i'}));
  EXPECT_EQ(FillPatternBytes(QStringLiteral("\u20AC"), false), std::nullopt);
  EXPECT_EQ(FillPatternBytes(QString(60, QLatin1Char('y')), false)->size(),
            static_cast<std::size_t>(kMaxFillPattern));
}

TEST(InputKeys, KeyTable) {
  const EditorState s = StateWithMarks();
  struct Case {
    FieldKind kind;
    char16_t key;
    bool hex;
    bool accept;
    char16_t inserted;  // when accepted
    const char* text;   // the field's new text, or nullptr
    bool focusNext;
  };
  using K = FieldKind;
  const Case cases[] = {
      // Range start of Find, Replace, CutCopy.
      {K::RangeStart, u'\r', false, false, 0, nullptr, true},
      {K::RangeStart, u'k', false, false, 0, "1,024", true},
      {K::RangeStart, u'K', false, false, 0, "1,024", true},
      {K::RangeStart, u',', false, true, u',', nullptr, false},
      {K::RangeStart, u'-', false, true, u'-', nullptr, false},
      {K::RangeStart, u'\b', false, true, u'\b', nullptr, false},
      {K::RangeStart, u'1', false, true, u'1', nullptr, false},
      // Range start of Fill.
      {K::FillRangeStart, u'\r', false, false, 0, nullptr, true},
      {K::FillRangeStart, u'b', false, false, 0, "1,234,567", false},
      {K::FillRangeStart, u'5', false, true, u'5', nullptr, false},
      {K::FillRangeStart, u'\b', false, false, 0, nullptr, false},
      {K::FillRangeStart, u',', false, false, 0, nullptr, false},
      // Range end.
      {K::RangeEnd, u'\r', false, false, 0, nullptr, true},
      {K::RangeEnd, u'x', false, false, 0, "0", false},
      {K::RangeEnd, u'9', false, true, u'9', nullptr, false},
      {K::RangeEnd, u',', false, false, 0, nullptr, false},
      {K::RangeEnd, u'-', false, false, 0, nullptr, false},
      {K::RangeEnd, u'\b', false, false, 0, nullptr, false},
      // Record range.
      {K::FromRecord, u'\r', false, false, 0, nullptr, true},
      {K::FromRecord, u'q', false, true, u'q', nullptr, false},
      {K::ToRecord, u'\r', false, false, 0, nullptr, true},
      {K::ToRecord, u'q', false, false, 0, nullptr, false},
      {K::ToRecord, u'3', false, true, u'3', nullptr, false},
      {K::ToRecord, u'\b', false, false, 0, nullptr, false},
      // Field offsets and paths take everything but Enter.
      {K::FieldOffset, u'\r', false, false, 0, nullptr, true},
      {K::FieldOffset, u'a', false, true, u'a', nullptr, false},
      {K::PathName, u'\r', false, false, 0, nullptr, true},
      {K::PathName, u'/', false, true, u'/', nullptr, false},
      // Hexadecimal pattern.
      {K::Pattern, u'\r', true, false, 0, nullptr, true},
      {K::Pattern, u'a', true, true, u'A', nullptr, false},
      {K::Pattern, u'F', true, true, u'F', nullptr, false},
      {K::Pattern, u'7', true, true, u'7', nullptr, false},
      {K::Pattern, u'\b', true, true, u'\b', nullptr, false},
      {K::Pattern, u' ', true, false, 0, nullptr, false},
      {K::Pattern, u'g', true, false, 0, nullptr, false},
      {K::Pattern, u'-', true, false, 0, nullptr, false},
      // Other pattern kinds: any 8-bit character.
      {K::Pattern, u'\r', false, false, 0, nullptr, true},
      {K::Pattern, u'g', false, true, u'g', nullptr, false},
      {K::Pattern, u' ', false, true, u' ', nullptr, false},
      {K::Pattern, 0xE9, false, true, 0xE9, nullptr, false},
      {K::Pattern, 0x20AC, false, false, 0, nullptr, false},
      {K::Pattern, 0x20AC, true, false, 0, nullptr, false},
  };
  for (const Case& c : cases) {
    const KeyDecision d = FilterKey(c.kind, QChar(c.key), s, c.hex);
    SCOPED_TRACE(testing::Message() << "kind " << static_cast<int>(c.kind) << " key "
                                    << static_cast<int>(c.key) << " hex " << c.hex);
    EXPECT_EQ(d.accept, c.accept);
    if (c.accept) {
      EXPECT_EQ(d.key, QChar(c.inserted));
    }
    EXPECT_EQ(d.setText.has_value(), c.text != nullptr);
    if (c.text && d.setText) {
      EXPECT_EQ(d.setText->toStdString(), c.text);
    }
    EXPECT_EQ(d.focusNext, c.focusNext);
  }
}

TEST(InputKeys, CtrlE) {
  EditorState s = StateWithMarks();
  EXPECT_EQ(CtrlEText(FieldKind::RangeEnd, s), QStringLiteral("999"));
  EXPECT_EQ(CtrlEText(FieldKind::ToRecord, s), QStringLiteral("11"));
  s.WorkingLength = 1234567;
  EXPECT_EQ(CtrlEText(FieldKind::RangeEnd, s), QStringLiteral("1234566"));  // no separators
  for (FieldKind k : {FieldKind::RangeStart, FieldKind::FillRangeStart, FieldKind::FromRecord,
                      FieldKind::FieldOffset, FieldKind::PathName, FieldKind::Pattern}) {
    EXPECT_EQ(CtrlEText(k, s), std::nullopt) << static_cast<int>(k);
  }
  // With no file there is no last offset: the field stays as it is.
  s.WorkingLength = 0;
  s.RecordCount = 0;
  EXPECT_EQ(CtrlEText(FieldKind::RangeEnd, s), std::nullopt);
  EXPECT_EQ(CtrlEText(FieldKind::ToRecord, s), std::nullopt);
}

}  // namespace qx
