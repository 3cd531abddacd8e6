#include <gtest/gtest.h>

#include "core/CharacterSet.h"

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
      {"IBM273", 0x4A, u'Ä'},       {"EBCDIC", 0xC1, u'.'},  // an unknown set is ASCII
  };
  for (const auto& r : rows) {
    // Names are found in any case; a shown character's code reads back.
    const CharacterSet& set = CharacterSetOf(QString::fromLatin1(r.set).toLower());
    EXPECT_EQ(set.Shown(static_cast<std::uint8_t>(r.byte)), QChar(r.shown))
        << r.set << " " << r.byte;
    if (r.shown != u'.') {
      EXPECT_EQ(set.Encode(QChar(r.shown)), r.byte) << r.set << " " << r.byte;
    }
  }
}

}  // namespace qx::test
