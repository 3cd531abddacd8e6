// Field values both ways, byte for byte, in each storage and set.
#include <gtest/gtest.h>
#include <QStringList>

#include "core/CharacterSet.h"
#include "fields/FieldCheck.h"
#include "fields/FieldCodec.h"

namespace qx::test {

namespace {

std::vector<std::uint8_t> HexBytes(const char* hex) {
  std::vector<std::uint8_t> out;
  for (const QString& b : QString::fromLatin1(hex).split(u' ', Qt::SkipEmptyParts))
    out.push_back(static_cast<std::uint8_t>(b.toUInt(nullptr, 16)));
  return out;
}

FieldType Type(Storage storage, int length, int digits, int scale, bool isSigned,
               bool leading = false, bool separate = false) {
  return {storage, length, digits, scale, isSigned, leading, separate};
}

}  // namespace

TEST(FieldCodec, ValuesOfEveryStorageBothWays) {
  constexpr auto P = Storage::Packed, Z = Storage::Zoned, B = Storage::Binary, N = Storage::Native,
                 F = Storage::Float;
  const LayoutChoices big, little{true}, pToY{false, true}, ieee{false, false, true};
  struct Row {
    FieldType type;
    const char* set;
    LayoutChoices choices;
    const char* hex;
    bool both;  // else a form the encoder does not write
    const char* value;
    FieldValue::State state = FieldValue::State::Value;
    bool beyondPic = false;
  };
  using S = FieldValue::State;
  const Row rows[] = {
      {Type(P, 3, 4, 0, true), "IBM037", big, "01 23 4C", true, "1,234"},
      {Type(P, 3, 4, 0, true), "IBM037", big, "01 23 4D", true, "-1,234"},
      {Type(P, 3, 4, 0, false), "IBM037", big, "01 23 4F", true, "1,234"},
      {Type(P, 3, 4, 0, true), "IBM037", big, "01 23 4B", false, "-1,234"},
      {Type(P, 3, 4, 0, true), "IBM037", big, "00 00 0D", false, "0"},
      {Type(P, 3, 4, 0, true), "IBM037", big, "01 2A 4C", false, "", S::Invalid},
      {Type(P, 3, 4, 0, true), "IBM037", big, "01 A3 4C", false, "", S::Invalid},
      {Type(P, 3, 4, 0, true), "IBM037", big, "01 23 44", false, "", S::Invalid},
      {Type(P, 3, 4, 0, true), "IBM037", big, "11 23 4C", false, "11,234", S::Value, true},
      {Type(P, 4, 7, 2, true), "IBM037", big, "12 34 56 7C", true, "12,345.67"},
      {Type(P, 2, 3, 0, true), "IBM037", big, "99 9D", true, "-999"},
      {Type(P, 2, 3, 0, true), "IBM037", big, "40 40", false, "blank", S::Blank},
      {Type(P, 2, 3, 0, true), "IBM037", big, "00 00", false, "low-values", S::LowValues},
      {Type(P, 2, 3, -2, true), "IBM037", big, "12 3C", true, "12,300"},
      {Type(P, 2, 3, 5, false), "IBM037", big, "12 3F", true, "0.00123"},
      {Type(Z, 4, 4, 0, true), "IBM037", big, "F1 F2 F3 C4", true, "1,234"},
      {Type(Z, 4, 4, 0, true), "IBM037", big, "F1 F2 F3 D4", true, "-1,234"},
      {Type(Z, 4, 4, 0, true), "IBM037", big, "F1 F2 F3 B4", false, "-1,234"},
      {Type(Z, 4, 4, 0, true), "IBM037", big, "F1 F2 C3 C4", false, "", S::Invalid},
      {Type(Z, 4, 4, 0, false), "IBM037", big, "F1 F2 F3 F4", true, "1,234"},
      {Type(Z, 4, 4, 0, true, true), "IBM037", big, "D1 F2 F3 F4", true, "-1,234"},
      {Type(Z, 5, 4, 0, true, true, true), "IBM037", big, "60 F1 F2 F3 F4", true, "-1,234"},
      {Type(Z, 5, 4, 0, true, false, true), "IBM037", big, "F1 F2 F3 F4 4E", true, "1,234"},
      {Type(Z, 5, 4, 0, true, false, true), "IBM037", big, "F1 F2 F3 F4 F4", false, "", S::Invalid},
      {Type(Z, 5, 5, 2, true), "IBM037", big, "F0 F0 F0 F0 D1", true, "-0.01"},
      {Type(Z, 3, 3, 0, true), "IBM037", big, "40 40 40", false, "blank", S::Blank},
      {Type(Z, 3, 3, 0, true), "ASCII", big, "20 20 20", false, "blank", S::Blank},
      {Type(Z, 4, 4, 0, true), "ASCII", big, "31 32 33 4D", true, "-1,234"},
      {Type(Z, 3, 3, 0, true), "ASCII", big, "31 32 7B", true, "120"},
      {Type(Z, 3, 3, 0, true), "ASCII", big, "31 30 7D", true, "-100"},
      {Type(Z, 3, 3, 0, true), "ASCII", big, "31 32 33", false, "123"},
      {Type(Z, 3, 3, 0, true), "ASCII", big, "31 32 74", false, "", S::Invalid},
      {Type(Z, 3, 3, 0, true), "ASCII", pToY, "31 32 70", true, "-120"},
      {Type(Z, 3, 3, 0, true), "ASCII", pToY, "31 32 33", true, "123"},
      {Type(Z, 4, 3, 0, true, false, true), "ASCII", big, "31 32 33 34", false, "", S::Invalid},
      {Type(Z, 4, 3, 0, true, false, true), "ASCII", big, "31 32 33 2D", true, "-123"},
      {Type(B, 2, 4, 0, true), "ASCII", big, "04 D2", true, "1,234"},
      {Type(B, 2, 4, 0, true), "ASCII", big, "FB 2E", true, "-1,234"},
      {Type(B, 4, 9, 0, true), "ASCII", big, "FF FF FF FF", true, "-1"},
      {Type(B, 2, 4, 0, false), "ASCII", big, "FF FE", false, "65,534", S::Value, true},
      {Type(B, 2, 4, 0, true), "ASCII", big, "D8 F0", false, "-10,000", S::Value, true},
      {Type(B, 2, 4, 0, true), "ASCII", little, "0F 27", true, "9,999"},
      {Type(B, 4, 7, 2, true), "ASCII", little, "87 D6 12 00", true, "12,345.67"},
      {Type(B, 8, 18, 0, true), "ASCII", big, "80 00 00 00 00 00 00 00", false,
       "-9,223,372,036,854,775,808", S::Value, true},
      {Type(N, 2, 4, 0, true), "ASCII", big, "CF C7", true, "-12,345"},
      {Type(N, 2, 4, 0, true), "ASCII", little, "C7 CF", true, "-12,345"},
      {Type(N, 4, 9, 0, false), "ASCII", little, "15 CD 5B 07", true, "123,456,789"},
      {Type(N, 8, 18, 0, false), "ASCII", big, "FF FF FF FF FF FF FF FF", true,
       "18,446,744,073,709,551,615"},
      {Type(F, 4, 0, 0, true), "IBM037", big, "43 4D 20 00", true, "1234"},
      {Type(F, 4, 0, 0, true), "IBM037", big, "C3 4D 20 00", true, "-1234"},
      {Type(F, 4, 0, 0, true), "IBM037", big, "40 19 99 9A", true, "0.1"},
      {Type(F, 8, 0, 0, true), "IBM037", little, "00 00 00 00 00 20 4D 43", true, "1234"},
      {Type(F, 4, 0, 0, true), "ASCII", ieee, "44 9A 40 00", true, "1234"},
      {Type(F, 4, 0, 0, true), "ASCII", ieee, "7F C0 00 00", true, "NaN"},
      {Type(F, 8, 0, 0, true), "ASCII", ieee, "FF F0 00 00 00 00 00 00", true, "-Infinity"},
      {Type(F, 8, 0, 0, true), "ASCII", ieee, "3F B9 99 99 99 99 99 9A", true, "0.1"},
      {Type(Storage::Text, 4, 0, 0, false), "IBM037", big, "C1 C2 40 40", false, "AB  "},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.hex << " " << row.value);
    const CharacterSet& set = CharacterSetOf(row.set);
    const std::vector<std::uint8_t> bytes = HexBytes(row.hex);
    const FieldValue v = DecodeField(row.type, bytes, set, row.choices);
    EXPECT_EQ(v.state, row.state);
    if (row.state != S::Invalid) {
      EXPECT_EQ(v.text, row.value);
    }
    EXPECT_EQ(v.beyondPic, row.beyondPic);
    // The check without a value's text says what the decoder says.
    EXPECT_EQ(CheckField(row.type, bytes, set, row.choices).Why(), row.state == S::Invalid ? v.text
                                                                   : row.beyondPic ? kBeyondPic
                                                                                   : QString());
    // The whole-record check passes a good value wherever the field lies,
    // but for an ASCII sign in a letter, which it leaves to the field's check.
    const bool letterSign = row.type.storage == Z && !set.IsEbcdic() && !row.type.signSeparate &&
                            bytes.back() >> 4 != 3;
    for (const int at : {0, 16 - row.type.length}) {
      std::vector<std::uint8_t> record(16, 0xFF);
      std::copy(bytes.begin(), bytes.end(), record.begin() + at);
      const LayoutField field{"F", at, row.type, {}, {}};
      const bool passes = RecordChecker({&field}, 16, set, row.choices).Passes(record.data());
      EXPECT_EQ(passes, row.state == S::Value && !row.beyondPic && !letterSign) << at;
      // Such a field's digits, as stored, are its value.
      if (!passes || (row.type.storage != Z && row.type.storage != P) || row.type.scale < 0)
        continue;
      char digits[64];
      bool negative = false;
      const int count =
          FieldChecker(row.type, set, row.choices).Digits(bytes.data(), digits, negative);
      const qlonglong d = QByteArray(digits, count).toLongLong();
      EXPECT_EQ(negative ? -d : d, QString(v.text).remove(u',').remove(u'.').toLongLong());
    }
    if (!row.both) continue;
    const auto encoded = EncodeField(row.type, row.value, set, row.choices, "F");
    ASSERT_TRUE(std::holds_alternative<std::vector<std::uint8_t>>(encoded));
    EXPECT_EQ(std::get<std::vector<std::uint8_t>>(encoded), bytes);
  }
}

TEST(FieldCodec, ValuesThatDoNotFitAreRefusedWithTheFieldsRange) {
  const CharacterSet& ebcdic = CharacterSetOf("IBM037");
  const LayoutChoices big;
  const FieldType balance{Storage::Packed, 6, 11, 2, true};
  const FieldType count{Storage::Binary, 2, 4, 0, false};
  const FieldType half{Storage::Native, 2, 4, 0, true};
  const FieldType name{Storage::Text, 3};
  const QString balanceRange = "BALANCE holds -999,999,999.99 to 999,999,999.99";
  const std::tuple<FieldType, const char*, QString> rows[] = {
      {balance, "1,000,000,000", balanceRange},
      {balance, "1.234", balanceRange},
      {balance, "12a", balanceRange},
      {balance, "", balanceRange},
      {count, "-1", "BALANCE holds 0 to 9,999"},
      {count, "10000", "BALANCE holds 0 to 9,999"},
      {half, "-32769", "BALANCE holds -32,768 to 32,767"},
      {name, "ABCD", "BALANCE holds 3 characters"},
      {name, "€", "No code for \"€\" in IBM037"},
      {FieldType{Storage::Float, 4}, "1e80", "1e80 is too large for BALANCE"},
      {FieldType{Storage::Float, 4}, "one", "\"one\" is not a number for BALANCE"},
  };
  for (const auto& [type, value, message] : rows) {
    const auto got = EncodeField(type, QString::fromUtf8(value), ebcdic, big, "BALANCE");
    ASSERT_TRUE(std::holds_alternative<QString>(got)) << value;
    EXPECT_EQ(std::get<QString>(got), message);
  }
  // Decimals past the scale that are zeros, separators and a plus sign are fine.
  const auto fine = EncodeField(balance, " +1,234.50 ", ebcdic, big, "BALANCE");
  EXPECT_EQ(std::get<std::vector<std::uint8_t>>(fine), HexBytes("00 00 01 23 45 0C"));
  EXPECT_EQ(std::get<std::vector<std::uint8_t>>(EncodeField(name, "A", ebcdic, big, "N")),
            HexBytes("C1 40 40"));
}

}  // namespace qx::test
