#include "core/CharacterSet.h"

#include <QStringList>

#include <iconv.h>

#include <algorithm>
#include <memory>
#include <type_traits>

namespace qx {

namespace {

struct IconvCloser {
  void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};
using IconvHandle = std::unique_ptr<std::remove_pointer_t<iconv_t>, IconvCloser>;

// The one character byte b stands for in cd's set, or none.
std::optional<char32_t> DecodeByte(iconv_t cd, std::uint8_t b) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
  char in = static_cast<char>(b);
  std::array<unsigned char, 16> out{};
  char* inPtr = &in;
  std::size_t inLeft = 1;
  char* outPtr = reinterpret_cast<char*>(out.data());
  std::size_t outLeft = out.size();
  if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
    return std::nullopt;
  }
  if (inLeft != 0 || out.size() - outLeft != 4) return std::nullopt;  // not one character
  return static_cast<char32_t>(out[0] | out[1] << 8 | out[2] << 16 | out[3] << 24);
}

}  // namespace

std::optional<CharacterSet> CharacterSet::Build(QString name, QString description,
                                                const char* iconvName, bool ebcdic) {
  CharacterSet set;
  set.name_ = std::move(name);
  set.description_ = std::move(description);
  set.iconvName_ = iconvName;
  set.ebcdic_ = ebcdic;
  if (iconvName == nullptr) {
    for (int b = 0; b < 256; ++b) {
      set.decoded_[b] = static_cast<char16_t>(b);
      set.assigned_[b] = true;
      set.shown_[b] = b >= 32 && b <= 126 ? QChar(b) : QChar(u'.');
    }
  } else {
    const iconv_t cd = iconv_open("UTF-32LE", iconvName);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    const IconvHandle owner(cd);
    for (int b = 0; b < 256; ++b) {
      const std::optional<char32_t> c = DecodeByte(cd, static_cast<std::uint8_t>(b));
      // Every 8-bit set stays inside the first plane; anything else is left out.
      set.assigned_[b] = c.has_value() && *c <= 0xFFFF;
      set.decoded_[b] = set.assigned_[b] ? static_cast<char16_t>(*c) : u'\0';
      const QChar q(set.decoded_[b]);
      set.shown_[b] = set.assigned_[b] && q.isPrint() ? q : QChar(u'.');
    }
  }
  for (int b = 0; b < 256; ++b) {
    if (set.assigned_[b]) set.codes_.emplace_back(set.decoded_[b], static_cast<std::uint8_t>(b));
  }
  // A character that two bytes stand for is stored as the lower byte.
  std::stable_sort(set.codes_.begin(), set.codes_.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  return set;
}

std::optional<QChar> CharacterSet::Decode(std::uint8_t b) const {
  if (!assigned_[b]) return std::nullopt;
  return QChar(decoded_[b]);
}

std::optional<std::uint8_t> CharacterSet::Encode(QChar c) const {
  const char16_t u = c.unicode();
  const auto it = std::lower_bound(codes_.begin(), codes_.end(), u,
                                   [](const auto& entry, char16_t v) { return entry.first < v; });
  if (it == codes_.end() || it->first != u) return std::nullopt;
  return it->second;
}

std::optional<std::uint8_t> CharacterSet::OtherCase(std::uint8_t b) const {
  const std::optional<QChar> c = Decode(b);
  if (!c) return std::nullopt;
  for (const QChar other : {c->toUpper(), c->toLower()}) {
    if (other == *c) continue;
    const std::optional<std::uint8_t> code = Encode(other);
    if (code && *code != b) return code;
  }
  return std::nullopt;
}

const std::vector<CharacterSet>& CharacterSets() {
  static const std::vector<CharacterSet> sets = [] {
    struct Entry {
      const char* name;
      const char* description;
      const char* iconvName;
      bool ebcdic;
    };
    static constexpr Entry kEntries[] = {
        {"ASCII", "default", nullptr, false},
        {"ISO-8859-1", "Latin-1", "ISO-8859-1", false},
        {"Windows-1252", "Windows Western", "CP1252", false},
        {"IBM437", "DOS", "IBM437", false},
        {"IBM850", "DOS Latin-1", "IBM850", false},
        {"IBM037", "EBCDIC US/Canada", "IBM037", true},
        {"IBM1140", "EBCDIC US/Canada with euro", "IBM1140", true},
        {"IBM500", "EBCDIC International", "IBM500", true},
        {"IBM1047", "EBCDIC Open Systems", "IBM1047", true},
        {"IBM273", "EBCDIC Germany/Austria", "IBM273", true},
        {"IBM277", "EBCDIC Denmark/Norway", "IBM277", true},
        {"IBM278", "EBCDIC Finland/Sweden", "IBM278", true},
        {"IBM280", "EBCDIC Italy", "IBM280", true},
        {"IBM284", "EBCDIC Spain", "IBM284", true},
        {"IBM285", "EBCDIC UK", "IBM285", true},
        {"IBM297", "EBCDIC France", "IBM297", true},
        {"IBM871", "EBCDIC Iceland", "IBM871", true},
    };
    std::vector<CharacterSet> built;
    for (const Entry& e : kEntries) {
      std::optional<CharacterSet> set = CharacterSet::Build(
          QString::fromLatin1(e.name), QString::fromLatin1(e.description), e.iconvName, e.ebcdic);
      if (set) built.push_back(std::move(*set));
    }
    return built;
  }();
  return sets;
}

const CharacterSet* FindCharacterSet(const QString& name) {
  for (const CharacterSet& set : CharacterSets()) {
    if (set.Name().compare(name, Qt::CaseInsensitive) == 0) return &set;
  }
  return nullptr;
}

const CharacterSet& CharacterSetOf(const QString& name) {
  const CharacterSet* set = FindCharacterSet(name);
  return set != nullptr ? *set : CharacterSets().front();
}

QString CharacterSetNames() {
  QStringList names;
  for (const CharacterSet& set : CharacterSets()) names.push_back(set.Name());
  return names.join(QStringLiteral(", "));
}

QString NoCodeNotice(QChar c, const CharacterSet& set) {
  return QStringLiteral("No code for \"%1\" in %2").arg(c, set.Name());
}

}  // namespace qx
