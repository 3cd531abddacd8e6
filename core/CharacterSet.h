// The 8-bit character sets a file can be read in: for each set the character
// each byte stands for and the byte of each character. The tables are built
// once, at first use, from the C library's iconv; "ASCII" is the default.
#pragma once

#include <QChar>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace qx {

inline const QString kAsciiSetName = QStringLiteral("ASCII");

class CharacterSet {
 public:
  // The name of the status box, the notices and --charset ("IBM037").
  const QString& Name() const { return name_; }
  // What the menu shows beside the name ("EBCDIC US/Canada").
  const QString& Description() const { return description_; }
  bool IsEbcdic() const { return ebcdic_; }
  bool IsAscii() const { return iconvName_ == nullptr; }

  // The character byte b stands for; none when the set leaves it unassigned.
  // In "ASCII" every byte is its ISO 8859-1 character.
  std::optional<QChar> Decode(std::uint8_t b) const;
  // What the character column shows for b: the decoded character when it is
  // printable, otherwise "."; in "ASCII" 32..126 and "." for the rest.
  QChar Shown(std::uint8_t b) const { return shown_[b]; }
  // The code of c in this set; none when the set has no code for it.
  std::optional<std::uint8_t> Encode(QChar c) const;
  // The code of b's letter in the other case; none when b is no letter or
  // the set lacks its other case.
  std::optional<std::uint8_t> OtherCase(std::uint8_t b) const;

  // Builds a set from its iconv name; none when iconv does not know it.
  // iconvName null: the "ASCII" set.
  static std::optional<CharacterSet> Build(QString name, QString description, const char* iconvName,
                                           bool ebcdic);

 private:
  CharacterSet() = default;
  QString name_;
  QString description_;
  const char* iconvName_ = nullptr;
  bool ebcdic_ = false;
  std::array<char16_t, 256> decoded_{};
  std::array<bool, 256> assigned_{};
  std::array<QChar, 256> shown_{};
  std::vector<std::pair<char16_t, std::uint8_t>> codes_;  // sorted by character
};

// The sets this system's iconv can build, "ASCII" first, in menu order.
const std::vector<CharacterSet>& CharacterSets();
// The set of a name in any case; null when there is none of that name.
const CharacterSet* FindCharacterSet(const QString& name);
// The set of a name, "ASCII" when there is none of that name.
const CharacterSet& CharacterSetOf(const QString& name);
// The names of all sets, joined by ", " (for messages).
QString CharacterSetNames();

// The notice for a character a set cannot store: No code for "€" in IBM037.
QString NoCodeNotice(QChar c, const CharacterSet& set);

}  // namespace qx
