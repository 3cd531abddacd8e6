#include "fields/CopybookEntry.h"

#include <QRegularExpression>
#include <algorithm>
#include <cctype>
#include <set>

namespace qx {

namespace cobol_entry {

bool AllDigits(const std::string& s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) {
    return std::isdigit(static_cast<unsigned char>(c));
  });
}

bool IsName(const std::string& s) {
  if (s.empty() || s.size() > 60 || s.front() == '-' || s.back() == '-') return false;
  bool letter = false;
  for (char c : s) {
    if (std::isalpha(static_cast<unsigned char>(c)))
      letter = true;
    else if (!std::isdigit(static_cast<unsigned char>(c)) && c != '-')
      return false;
  }
  return letter;
}

CobolUsage UsageOf(const std::string& w) {
  static const std::pair<const char*, CobolUsage> words[] = {
      {"DISPLAY", CobolUsage::Display},       {"COMP", CobolUsage::Binary},
      {"COMP-4", CobolUsage::Binary},         {"BINARY", CobolUsage::Binary},
      {"COMP-5", CobolUsage::Native},         {"COMP-3", CobolUsage::Packed},
      {"PACKED-DECIMAL", CobolUsage::Packed}, {"COMP-1", CobolUsage::Float4},
      {"COMP-2", CobolUsage::Float8},
  };
  std::string s = w;
  if (s.rfind("COMPUTATIONAL", 0) == 0) s = "COMP" + s.substr(13);
  for (const auto& [word, usage] : words)
    if (s == word) return usage;
  return CobolUsage::None;
}

bool Figurative(const std::string& w) {
  static const std::set<std::string> words = {
      "ZERO",        "ZEROS",     "ZEROES",     "SPACE", "SPACES", "HIGH-VALUE",
      "HIGH-VALUES", "LOW-VALUE", "LOW-VALUES", "QUOTE", "QUOTES"};
  return words.count(w) > 0;
}

bool NumericLiteral(const std::string& w) {
  static const QRegularExpression number(QStringLiteral("^[+-]?(\\d+(\\.\\d*)?|\\.\\d+)$"));
  return number.match(QString::fromLatin1(w.c_str())).hasMatch();
}

bool ClauseWord(const std::string& w) {
  static const std::set<std::string> words = {
      "PIC",    "PICTURE", "USAGE",        "SIGN",    "LEADING",   "TRAILING",
      "OCCURS", "SYNC",    "SYNCHRONIZED", "JUST",    "JUSTIFIED", "BLANK",
      "VALUE",  "VALUES",  "REDEFINES",    "INDEXED", "ASCENDING", "DESCENDING",
      "IS",     "ARE",     "FILLER",       "."};
  return words.count(w) > 0 || UsageOf(w) != CobolUsage::None;
}

QString Quoted(const std::string& s) {
  return QString::fromUtf8(s.substr(0, 30).c_str());
}

class EntryReader {
 public:
  explicit EntryReader(const std::vector<CobolToken>& tokens) : t_(tokens) {}
  CobolEntries Read();

 private:
  bool Fail(int file, int line, const QString& reason) {
    if (out_.error.isEmpty()) {
      out_.errorFile = file;
      out_.errorLine = line;
      out_.error = reason;
    }
    return false;
  }
  bool Fail(const CobolToken& at, const QString& reason) { return Fail(at.file, at.line, reason); }
  bool Word(const char* w) const {
    return pos_ < t_.size() && !t_[pos_].literal && t_[pos_].text == w;
  }
  bool Take(const char* w) { return Word(w) && ++pos_; }
  const CobolToken& Last() const { return t_[std::clamp<std::size_t>(pos_, 1, t_.size()) - 1]; }
  bool SkipToPeriod(const CobolToken& from) {
    while (pos_ < t_.size() && !(t_[pos_].text == "." && !t_[pos_].literal)) ++pos_;
    return pos_ < t_.size() ? ++pos_
                            : Fail(from, QStringLiteral("the entry has no period at its end"));
  }
  bool Number(int& n, const char* what) {
    if (pos_ >= t_.size() || t_[pos_].literal || !AllDigits(t_[pos_].text) ||
        t_[pos_].text.size() > 9)
      return Fail(Last(), QStringLiteral("%1 needs a number").arg(QLatin1String(what)));
    n = std::stoi(t_[pos_++].text);
    return true;
  }
  bool Name(std::string& name, const char* what) {
    if (pos_ >= t_.size() || t_[pos_].literal || !IsName(t_[pos_].text) ||
        ClauseWord(t_[pos_].text))
      return Fail(Last(), QStringLiteral("%1 needs a name").arg(QLatin1String(what)));
    name = t_[pos_++].text;
    return true;
  }
  bool Names(const char* what) {
    std::string name;
    if (!Name(name, what)) return false;
    while (pos_ < t_.size() && !t_[pos_].literal && IsName(t_[pos_].text) &&
           !ClauseWord(t_[pos_].text) && t_[pos_].text != "INDEXED")
      ++pos_;
    return true;
  }
  bool Value();
  bool Clause(CobolEntry& e, std::set<std::string>& seen);
  bool Occurs(CobolEntry& e);
  bool Attach(int index);

  const std::vector<CobolToken>& t_;
  std::size_t pos_ = 0;
  CobolEntries out_;
  std::vector<int> open_;  // the entries a later one may belong to
};

bool EntryReader::Value() {
  // One literal or figurative constant: false at none, or failed after ALL.
  const auto value = [this] {
    const auto literal = [this](bool number) {
      return pos_ < t_.size() && (t_[pos_].literal || Figurative(t_[pos_].text) ||
                                  (number && NumericLiteral(t_[pos_].text)));
    };
    if (literal(true)) return ++pos_, true;
    if (!Take("ALL")) return false;
    if (literal(false)) return ++pos_, true;
    return Fail(Last(), QStringLiteral("ALL needs a literal"));
  };
  if (!Take("IS")) Take("ARE");
  if (!value()) return Fail(Last(), QStringLiteral("VALUE needs a literal"));
  for (;;) {
    if (value()) continue;
    if (!Take("THRU") && !Take("THROUGH")) break;
    if (!value()) return Fail(Last(), QStringLiteral("THRU needs a literal"));
  }
  return out_.error.isEmpty();
}

bool EntryReader::Occurs(CobolEntry& e) {
  int low = 0, high = 0;
  if (!Number(low, "OCCURS")) return false;
  const CobolToken& at = Last();
  const bool range = Take("TO");
  if (range && !Number(high, "OCCURS ... TO")) return false;
  Take("TIMES");
  if (Take("DEPENDING")) {
    Take("ON");
    e.dependingOn.emplace_back();
    if (!Name(e.dependingOn.back(), "DEPENDING ON")) return false;
    while (Take("OF") || Take("IN")) {
      e.dependingOn.emplace_back();
      if (!Name(e.dependingOn.back(), "OF")) return false;
    }
  }
  if (range != !e.dependingOn.empty())
    return Fail(at, QStringLiteral("OCCURS m TO n goes with DEPENDING ON, and only it"));
  if (!range) high = low;
  if (high < 1 || low > high)
    return Fail(at, QStringLiteral("OCCURS %1 TO %2 holds no copy").arg(low).arg(high));
  e.occursMin = low;
  e.occursMax = high;
  return true;
}

bool EntryReader::Clause(CobolEntry& e, std::set<std::string>& seen) {
  const CobolToken& at = t_[pos_++];
  std::string w = at.text;
  if (at.literal)
    return Fail(at, QStringLiteral("%1 is not a clause this reader accepts").arg(Quoted(w)));
  if (w == "PICTURE") w = "PIC";
  if (w == "LEADING" || w == "TRAILING") w = "SIGN", --pos_;
  if (w == "SYNCHRONIZED") w = "SYNC";
  if (w == "JUSTIFIED") w = "JUST";
  if (w == "VALUES") w = "VALUE";
  const bool usage = w == "USAGE" || UsageOf(w) != CobolUsage::None;
  const std::string clause = usage ? "USAGE" : w;
  if (!seen.insert(clause).second && clause != "ASCENDING" && clause != "DESCENDING")
    return Fail(at, QStringLiteral("%1 is given twice").arg(Quoted(clause)));
  if (w == "PIC") {
    Take("IS");
    if (pos_ >= t_.size() || t_[pos_].literal || t_[pos_].text == ".")
      return Fail(at, QStringLiteral("PICTURE needs a string"));
    e.picture = t_[pos_++].text;
  } else if (usage) {
    if (w == "USAGE") {
      Take("IS");
      w = pos_ < t_.size() ? t_[pos_++].text : std::string();
    }
    e.usage = UsageOf(w);
    if (e.usage == CobolUsage::None)
      return Fail(at, QStringLiteral("USAGE %1 is not supported").arg(Quoted(w)));
  } else if (w == "SIGN") {
    Take("IS");
    e.sign = Take("LEADING") ? 1 : Take("TRAILING") ? 2 : 0;
    if (e.sign == 0) return Fail(at, QStringLiteral("SIGN needs LEADING or TRAILING"));
    e.separate = Take("SEPARATE") && (Take("CHARACTER"), true);
  } else if (w == "OCCURS") {
    return Occurs(e);
  } else if (w == "ASCENDING" || w == "DESCENDING") {
    Take("KEY");
    Take("IS");
    return Names("KEY");
  } else if (w == "INDEXED") {
    Take("BY");
    return Names("INDEXED BY");
  } else if (w == "SYNC") {
    if (!Take("LEFT")) Take("RIGHT");
    e.sync = true;
  } else if (w == "JUST") {
    Take("RIGHT");
  } else if (w == "BLANK") {
    Take("WHEN");
    if (!Take("ZERO") && !Take("ZEROS") && !Take("ZEROES"))
      return Fail(at, QStringLiteral("BLANK WHEN needs ZERO"));
  } else if (w == "VALUE") {
    return Value();
  } else if (w == "REDEFINES") {
    return Fail(at, QStringLiteral("REDEFINES must follow the name"));
  } else if (AllDigits(w) && w.size() <= 2) {
    return Fail(at, QStringLiteral("a period is missing before %1").arg(Quoted(w)));
  } else {
    return Fail(at, QStringLiteral("%1 is not a clause this reader accepts").arg(Quoted(w)));
  }
  return true;
}

bool EntryReader::Attach(int index) {
  CobolEntry& e = out_.entries[index];
  if (e.level == 1) {
    open_.clear();
  } else if (open_.empty()) {
    // Members without an 01: one record kind of their own.
    out_.entries.push_back({});
    out_.entries.back().line = out_.entries[index].line;
    out_.records.push_back(static_cast<int>(out_.entries.size()) - 1);
    open_.push_back(out_.records.back());
  }
  CobolEntry& entry = out_.entries[index];
  while (!open_.empty() && out_.entries[open_.back()].level >= entry.level) open_.pop_back();
  if (open_.empty()) {
    out_.records.push_back(index);
  } else {
    CobolEntry& parent = out_.entries[open_.back()];
    if (!parent.members.empty() && out_.entries[parent.members.front()].level != entry.level)
      return Fail(entry.file, entry.line,
                  QStringLiteral("level %1 matches no level above it").arg(entry.level));
    parent.members.push_back(index);
    entry.parent = open_.back();
  }
  open_.push_back(index);
  return true;
}

CobolEntries EntryReader::Read() {
  while (pos_ < t_.size() && out_.error.isEmpty()) {
    const CobolToken& first = t_[pos_];
    if (first.text == "." && !first.literal) {
      ++pos_;
      continue;
    }
    if (first.literal || !AllDigits(first.text) || first.text.size() > 2) {
      // A division or section header, or a file description, is no entry.
      auto end = std::find_if(t_.begin() + static_cast<std::ptrdiff_t>(pos_), t_.end(),
                              [](const CobolToken& k) { return k.text == "." && !k.literal; });
      const bool header =
          first.text == "FD" ||
          std::any_of(t_.begin() + static_cast<std::ptrdiff_t>(pos_), end, [](const CobolToken& k) {
            return !k.literal && (k.text == "DIVISION" || k.text == "SECTION");
          });
      if (!header)
        Fail(first, QStringLiteral("%1 is not a level number").arg(Quoted(first.text)));
      else if (end == t_.end())
        Fail(first, QStringLiteral("the entry has no period at its end"));
      pos_ = static_cast<std::size_t>(end - t_.begin()) + 1;
      continue;
    }
    const int level = std::stoi(first.text);
    ++pos_;
    if (level == 88) {
      SkipToPeriod(first);
      continue;
    }
    if (level == 66) {
      Fail(first, QStringLiteral("level 66 (RENAMES) is not supported"));
      break;
    }
    if (level < 1 || (level > 49 && level != 77)) {
      Fail(first, QStringLiteral("%1 is not a level number").arg(Quoted(first.text)));
      break;
    }
    CobolEntry e;
    e.level = level == 77 ? 1 : level;
    e.line = first.line;
    e.file = first.file;
    if (pos_ < t_.size() && !t_[pos_].literal && !ClauseWord(t_[pos_].text)) {
      if (!IsName(t_[pos_].text)) {
        Fail(t_[pos_], QStringLiteral("%1 is not a name").arg(Quoted(t_[pos_].text)));
        break;
      }
      e.name = t_[pos_++].text;
    } else {
      Take("FILLER");
    }
    if (Take("REDEFINES") && !Name(e.redefines, "REDEFINES")) break;
    std::set<std::string> seen;
    while (out_.error.isEmpty() && !Take(".")) {
      if (pos_ >= t_.size())
        Fail(first, QStringLiteral("the entry has no period at its end"));
      else
        Clause(e, seen);
    }
    if (!out_.error.isEmpty()) break;
    if (e.level == 1 && e.occursMax > 0) {
      Fail(first, QStringLiteral("a level %1 item has no OCCURS").arg(Quoted(first.text)));
      break;
    }
    out_.entries.push_back(std::move(e));
    if (!Attach(static_cast<int>(out_.entries.size()) - 1)) break;
  }
  return std::move(out_);
}

// A picture's symbols, each with its count: "CR" and "DB" are one symbol.
bool Symbols(const std::string& pic, std::vector<std::pair<std::string, long long>>& runs) {
  for (std::size_t i = 0; i < pic.size();) {
    std::string s(1, pic[i++]);
    if ((s == "C" && i < pic.size() && pic[i] == 'R') ||
        (s == "D" && i < pic.size() && pic[i] == 'B'))
      s += pic[i++];
    static const std::set<std::string> known = {"X", "A", "9", "S", "V", "P", "N", "G",  "Z",  "*",
                                                "+", "-", ".", ",", "B", "0", "/", "CR", "DB", "$"};
    if (!known.count(s)) return false;
    long long n = 1;
    if (i < pic.size() && pic[i] == '(') {
      const std::size_t close = pic.find(')', i);
      if (close == std::string::npos || close == i + 1 || close - i > 7 ||
          !AllDigits(pic.substr(i + 1, close - i - 1)))
        return false;
      n = std::stoll(pic.substr(i + 1, close - i - 1));
      i = close + 1;
      if (n < 1) return false;
    }
    if (!runs.empty() && runs.back().first == s)
      runs.back().second += n;
    else
      runs.emplace_back(s, n);
  }
  return !runs.empty();
}

}  // namespace cobol_entry

CobolEntries ReadEntries(const std::vector<CobolToken>& tokens) {
  return cobol_entry::EntryReader(tokens).Read();
}

QString UsageName(CobolUsage usage) {
  switch (usage) {
    case CobolUsage::Binary:
      return QStringLiteral("BINARY");
    case CobolUsage::Native:
      return QStringLiteral("COMP-5");
    case CobolUsage::Packed:
      return QStringLiteral("COMP-3");
    case CobolUsage::Float4:
      return QStringLiteral("COMP-1");
    case CobolUsage::Float8:
      return QStringLiteral("COMP-2");
    default:
      return QStringLiteral("DISPLAY");
  }
}

std::variant<FieldType, QString> ItemType(const std::string& picture, CobolUsage usage, int sign,
                                          bool separate, bool explicitSign) {
  using namespace cobol_entry;
  const QString pic = Quoted(picture);
  if (usage == CobolUsage::Float4 || usage == CobolUsage::Float8) {
    if (!picture.empty()) return UsageName(usage) + QStringLiteral(" has no PICTURE");
    return FieldType{Storage::Float, usage == CobolUsage::Float4 ? 4 : 8};
  }
  std::vector<std::pair<std::string, long long>> runs;
  if (!Symbols(picture, runs)) return QStringLiteral("PICTURE %1 is not supported").arg(pic);
  std::string shape;
  long long size = 0, nines = 0, ps = 0;
  bool edited = false, national = false, text = false;
  for (const auto& [s, n] : runs) {
    shape += s.size() == 1 ? s : std::string("E");
    if (s == "N" || s == "G")
      national = true;
    else if (s == "X" || s == "A")
      text = true;
    else if (s == "9")
      nines += n;
    else if (s == "P")
      ps += n;
    else if (s != "S" && s != "V")
      edited = true;
    if (s != "S" && s != "V" && s != "P") size += (s.size() == 2 ? 2 : 1) * n;
  }
  if (size > 1000000) return QStringLiteral("PICTURE %1 is too long").arg(pic);
  const bool plainText = text && shape.find_first_not_of("XA9") == std::string::npos;
  const bool plainNational = national && shape.find_first_not_of("NG") == std::string::npos;
  const bool editedOk = edited && !national && shape.find('S') == std::string::npos;
  static const QRegularExpression numeric(QStringLiteral("^S?(9|9V|9V9|V9|P9|VP9|9P|9PV)$"));
  if (!plainText && !plainNational && !editedOk &&
      !numeric.match(QString::fromLatin1(shape.c_str())).hasMatch())
    return QStringLiteral("PICTURE %1 is not supported").arg(pic);
  if (plainText || plainNational || editedOk) {
    if (usage != CobolUsage::None && usage != CobolUsage::Display)
      return QStringLiteral("PICTURE %1 cannot be %2").arg(pic, UsageName(usage));
    if (explicitSign) return QStringLiteral("SIGN needs a number with S");
    return FieldType{Storage::Text, static_cast<int>(plainNational ? 2 * size : size)};
  }
  FieldType type;
  type.digits = static_cast<int>(nines);
  type.isSigned = shape[0] == 'S';
  const std::size_t v = shape.find('V');
  if (shape.find("P9") != std::string::npos)
    type.scale = static_cast<int>(ps + nines);
  else if (ps > 0)
    type.scale = -static_cast<int>(ps);
  else if (v != std::string::npos && v + 1 < shape.size())
    type.scale = static_cast<int>(runs.back().second);
  if (usage == CobolUsage::None || usage == CobolUsage::Display) {
    if (explicitSign && !type.isSigned) return QStringLiteral("SIGN needs a number with S");
    if (nines > 31) return QStringLiteral("a DISPLAY number holds at most 31 digits");
    type.storage = Storage::Zoned;
    type.signLeading = type.isSigned && sign == 1;
    type.signSeparate = type.isSigned && sign != 0 && separate;
    type.length = type.digits + (type.signSeparate ? 1 : 0);
    return type;
  }
  if (explicitSign) return QStringLiteral("SIGN is for DISPLAY numbers");
  if (usage == CobolUsage::Packed) {
    if (nines > 31) return QStringLiteral("a packed number holds at most 31 digits");
    type.storage = Storage::Packed;
    type.length = type.digits / 2 + 1;
    return type;
  }
  if (nines > 18) return QStringLiteral("a binary number holds at most 18 digits");
  type.storage = usage == CobolUsage::Native ? Storage::Native : Storage::Binary;
  type.length = type.digits <= 4 ? 2 : type.digits <= 9 ? 4 : 8;
  return type;
}

}  // namespace qx
