#include <gtest/gtest.h>

#include <QStringList>

#include "core/CharacterSet.h"
#include "core/EbcdicHint.h"

namespace qx::test {

TEST(CharacterSet, ShownCharacterOfEachByte) {
  const struct {
    const char* set;
    int byte;
    char16_t shown;
  } rows[] = {
      {"IBM037", 0x40, u' '},       {"IBM037", 0xC1, u'A'},     {"IBM037", 0x5B, u'$'},
      {"IBM285", 0x5B, u'£'},       {"IBM500", 0x4A, u'['},     {"IBM037", 0x4A, u'¢'},
      {"Windows-1252", 0x80, u'€'}, {"IBM437", 0x80, u'Ç'},     {"ASCII", 0x7F, u'.'},
      {"Windows-1252", 0x7F, u'.'}, {"IBM437", 0x7F, u'.'},     {"IBM037", 0x7F, u'"'},
      {"ASCII", 0x41, u'A'},        {"ASCII", 0x20, u' '},      {"ASCII", 0xE9, u'.'},
      {"ASCII", 0x1F, u'.'},        {"ISO-8859-1", 0xE9, u'é'}, {"Windows-1252", 0x81, u'.'},
      {"IBM037", 0x05, u'.'},       {"IBM1140", 0x9F, u'€'},    {"IBM1047", 0xAD, u'['},
      {"IBM273", 0x4A, u'Ä'},
  };
  for (const auto& r : rows) {
    const CharacterSet* set = FindCharacterSet(QString::fromLatin1(r.set));
    ASSERT_NE(set, nullptr) << r.set;
    EXPECT_EQ(set->Shown(static_cast<std::uint8_t>(r.byte)), QChar(r.shown))
        << r.set << " " << r.byte;
  }
}

TEST(CharacterSet, EverySetListedAndEachCodeReadsBack) {
  ASSERT_EQ(CharacterSets().size(), 17u);
  QStringList names;
  for (const CharacterSet& set : CharacterSets()) {
    names << set.Name();
    EXPECT_EQ(FindCharacterSet(set.Name().toLower()), &set) << set.Name().toStdString();
    EXPECT_EQ(set.IsEbcdic(), set.Description().startsWith("EBCDIC")) << set.Name().toStdString();
    for (int b = 0; b < 256; ++b) {
      const auto c = set.Decode(static_cast<std::uint8_t>(b));
      if (c) {
        EXPECT_EQ(set.Encode(*c), b) << set.Name().toStdString() << " " << b;
      }
    }
  }
  EXPECT_EQ(CharacterSetNames(), names.join(", "));
  // A character the set lacks has no code.
  EXPECT_EQ(CharacterSetOf("ASCII").Encode(QChar(u'€')), std::nullopt);
  EXPECT_EQ(CharacterSetOf("IBM037").Encode(QChar(u'€')), std::nullopt);
  EXPECT_EQ(FindCharacterSet("EBCDIC"), nullptr);
  EXPECT_TRUE(CharacterSetOf("EBCDIC").IsAscii());
  EXPECT_EQ(NoCodeNotice(QChar(u'€'), CharacterSetOf("IBM037")), "No code for \"€\" in IBM037");
  // Sixteen EBCDIC letters are enough to tell.
  EXPECT_TRUE(LooksLikeEbcdic(std::vector<std::uint8_t>(16, 0xC1)));
}

}  // namespace qx::test
