#include "fields/Copybook.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <optional>
#include <set>

#include "core/NativeName.h"
#include "core/Posix.h"
#include "fields/CopybookEntry.h"
#include "fields/CopybookText.h"

namespace qx {

namespace copybook_detail {

constexpr int kLongestRecord = 32767;
constexpr int kMostFields = 100000;  // REDEFINES lets fields outnumber bytes
constexpr int kDeepestCopy = 16;
constexpr int kMostCopies = 1000;
constexpr qsizetype kLongestText = 4 << 20;
constexpr std::size_t kMostTokens = 2000000;

QString Where(const QString& file, int line) {
  return file.isEmpty() ? QStringLiteral("Line %1").arg(line)
                        : QStringLiteral("Line %1 of %2").arg(line).arg(file);
}

std::optional<QByteArray> ReadAll(SysCalls& sys, const QString& path, QString& why) {
  // Not blocking: a pipe under a member's name must not hang the reader.
  const int fd = sys.Open(NativeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    why = Reason(errno);
    return std::nullopt;
  }
  struct Closer {
    SysCalls& sys;
    int fd;
    ~Closer() { sys.Close(fd); }
  } closer{sys, fd};
  struct stat st {};
  if (sys.Fstat(fd, &st) != 0) {
    why = Reason(errno);
    return std::nullopt;
  }
  if (!S_ISREG(st.st_mode) || st.st_size > kLongestText) {
    why = S_ISREG(st.st_mode) ? QStringLiteral("it is too long for a copybook")
                              : QStringLiteral("it is not a file");
    return std::nullopt;
  }
  QByteArray bytes(static_cast<qsizetype>(st.st_size), '\0');
  qsizetype got = 0;
  while (got < bytes.size()) {
    const ssize_t n =
        sys.Pread(fd, bytes.data() + got, static_cast<std::size_t>(bytes.size() - got), got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      why = Reason(errno);
      return std::nullopt;
    }
    if (n == 0) break;
    got += n;
  }
  bytes.resize(got);
  return bytes;
}

// Puts each COPY member's words in place of its COPY statement.
class Expander {
 public:
  Expander(SysCalls& sys, const QString& folder) : sys_(sys), folder_(folder) {}
  bool Expand(const std::vector<CobolToken>& in, std::vector<CobolToken>& out);
  std::vector<QString> files{QString()};  // the copybook, then each member read
  std::vector<QString> reading;           // the files being read, resolved
  CopybookError error;

 private:
  bool Fail(const CobolToken& at, const QString& reason) {
    error = {files[static_cast<std::size_t>(at.file)], at.line, reason};
    return false;
  }
  QString Find(const QString& name, QString& why);
  SysCalls& sys_;
  QString folder_;
  std::optional<QStringList> listing_;
  int copies_ = 0;
  qsizetype read_ = 0;  // bytes of the members read
};

// The member's path: name, name.cpy, name.cbl or name.cob, in any case.
QString Expander::Find(const QString& name, QString& why) {
  if (folder_.isEmpty()) return {};
  if (!listing_) {
    std::vector<std::string> names;
    if (sys_.ListDir(NativeName(folder_).constData(), names) != 0) {
      why = Reason(errno);
      return {};
    }
    listing_ = QStringList();
    for (const std::string& n : names) *listing_ << NameFromNative(QByteArray::fromStdString(n));
    listing_->sort();
  }
  for (const char* ext : {"", ".cpy", ".cbl", ".cob"}) {
    const QString want = name + QLatin1String(ext);
    const QString in = folder_.endsWith(u'/') ? folder_ : folder_ + u'/';
    if (listing_->contains(want)) return in + want;
    for (const QString& n : *listing_)
      if (n.compare(want, Qt::CaseInsensitive) == 0) return in + n;
  }
  return {};
}

bool Expander::Expand(const std::vector<CobolToken>& in, std::vector<CobolToken>& out) {
  for (std::size_t i = 0; i < in.size(); ++i) {
    if (out.size() > kMostTokens)
      return Fail(in[i], QStringLiteral("the copybook with its members is too long"));
    if (in[i].literal || in[i].text != "COPY") {
      out.push_back(in[i]);
      continue;
    }
    const CobolToken& copy = in[i];
    if (i + 1 == in.size() || in[i + 1].text == ".")
      return Fail(copy, QStringLiteral("COPY needs a name"));
    QString name = QString::fromUtf8(in[++i].text.c_str());
    if (in[i].literal) name = name.mid(1, name.size() - 2);
    if (i + 1 < in.size() && in[i + 1].text == "REPLACING")
      return Fail(copy, QStringLiteral("COPY REPLACING is not supported"));
    if (i + 1 == in.size() || in[++i].text != ".")
      return Fail(copy, QStringLiteral("COPY %1 must end with a period").arg(name));
    QString why;
    const QString path = Find(name, why);
    if (!why.isEmpty())
      return Fail(copy, QStringLiteral("COPY %1: the folder does not list: %2").arg(name, why));
    if (path.isEmpty())
      return Fail(copy, QStringLiteral("COPY %1 finds no %1, %1.cpy, %1.cbl or %1.cob").arg(name));
    QString resolved = CanonicalPath(path, sys_);
    if (resolved.isEmpty()) resolved = path;
    if (std::find(reading.begin(), reading.end(), resolved) != reading.end())
      return Fail(copy, QStringLiteral("COPY %1 leads back to a file being read").arg(name));
    if (static_cast<int>(reading.size()) > kDeepestCopy)
      return Fail(
          copy,
          QStringLiteral("COPY %1 nests members more than %2 deep").arg(name).arg(kDeepestCopy));
    if (++copies_ > kMostCopies)
      return Fail(copy, QStringLiteral("COPY %1 goes past %2 members").arg(name).arg(kMostCopies));
    const std::optional<QByteArray> text = ReadAll(sys_, path, why);
    if (!text) return Fail(copy, QStringLiteral("COPY %1 does not read: %2").arg(name, why));
    if ((read_ += text->size()) > 4 * kLongestText)
      return Fail(copy, QStringLiteral("the copybook with its members is too long"));
    files.push_back(path.mid(path.lastIndexOf(u'/') + 1));
    const CobolText member = TokenizeCobol(*text, static_cast<int>(files.size()) - 1);
    if (!member.error.isEmpty()) {
      error = {files.back(), member.errorLine, member.error};
      return false;
    }
    reading.push_back(resolved);
    if (!Expand(member.tokens, out)) return false;
    reading.pop_back();
  }
  return true;
}

struct Inherited {
  CobolUsage usage = CobolUsage::None;
  int sign = 0;
  bool separate = false;
  bool sync = false;
};

// Places the entries of each record kind: offsets, copies, alternatives.
class Layouter {
 public:
  Layouter(const CobolEntries& c, Layout& layout, const std::vector<QString>& files)
      : e_(c.entries), layout_(layout), files_(files), shown_(c.entries.size()) {}
  bool Record(int root);
  CopybookError error;

 private:
  int Fail(const CobolEntry& at, const QString& reason) {
    if (error.reason.isEmpty()) error = {files_[Index(at.file)], at.line, reason};
    return -1;
  }
  int TooLong(const CobolEntry& at) {
    return Fail(at, QStringLiteral("the record is longer than 32,767 bytes"));
  }
  static std::size_t Index(int i) { return static_cast<std::size_t>(i); }
  const CobolEntry& E(int i) const { return e_[Index(i)]; }
  QString Shown(int i) const {
    QString name = shown_[Index(i)];
    for (std::size_t k = 0; k < subs_.size(); ++k)
      name += (k == 0 ? QStringLiteral("(") : QStringLiteral(",")) + QString::number(subs_[k]);
    return subs_.empty() ? name : name + u')';
  }
  void Names(int root);
  int Place(int i, int offset, Inherited from, int& start);
  int PlaceOnce(int i, int offset, const Inherited& own, int& start);
  int PlaceMembers(int i, int offset, const Inherited& own);
  int Object(int table);

  const std::vector<CobolEntry>& e_;
  Layout& layout_;
  const std::vector<QString>& files_;
  std::vector<QString> shown_;  // each entry's name, qualified where shared
  RecordKind* kind_ = nullptr;
  std::vector<int> subs_;
  std::vector<Alternative> within_;
  int align_ = 1;  // the largest SYNC alignment met since it was reset
  int fields_ = 0;
  std::set<int> warned_;
  std::map<std::string, std::vector<int>> byName_;  // the record's named entries
  std::map<int, int> objects_;                      // each DEPENDING ON table's count field
  std::vector<int> tableItems_;
};

// NAME, or NAME OF GROUP [OF ...] where another item of the record shares it.
void Layouter::Names(int root) {
  byName_.clear();
  std::vector<int> todo{root};
  while (!todo.empty()) {
    const int i = todo.back();
    todo.pop_back();
    const CobolEntry& e = E(i);
    shown_[Index(i)] =
        e.name.empty() ? QStringLiteral("FILLER") : QString::fromLatin1(e.name.c_str());
    if (!e.name.empty()) byName_[e.name].push_back(i);
    todo.insert(todo.end(), e.members.rbegin(), e.members.rend());
  }
  for (const auto& [name, items] : byName_) {
    if (items.size() < 2) continue;
    for (int depth = 1; depth <= 49; ++depth) {
      std::set<QString> distinct;
      std::vector<QString> names;
      for (int i : items) {
        QString n = QString::fromLatin1(name.c_str());
        int up = E(i).parent;
        for (int d = 0; d < depth && up >= 0; up = E(up).parent)
          if (!E(up).name.empty()) {
            n += QStringLiteral(" OF ") + QString::fromLatin1(E(up).name.c_str());
            ++d;
          }
        distinct.insert(n);
        names.push_back(n);
      }
      bool longer = false;
      for (std::size_t k = 0; k < items.size(); ++k) {
        longer = longer || names[k] != shown_[Index(items[k])];
        shown_[Index(items[k])] = names[k];
      }
      if (distinct.size() == items.size() || !longer) break;
    }
  }
}

// The field that holds a DEPENDING ON table's count, or -1.
int Layouter::Object(int table) {
  if (const auto known = objects_.find(table); known != objects_.end()) return known->second;
  const CobolEntry& t = E(table);
  std::vector<int> found;
  for (int i : byName_[t.dependingOn[0]]) {
    std::size_t q = 1;
    for (int up = E(i).parent; up >= 0 && q < t.dependingOn.size(); up = E(up).parent)
      if (E(up).name == t.dependingOn[q]) ++q;
    if (q == t.dependingOn.size()) found.push_back(i);
  }
  const QString name = QString::fromLatin1(t.dependingOn[0].c_str());
  if (found.size() != 1)
    return Fail(
        t, QStringLiteral("DEPENDING ON %1 names %2 field of the record")
               .arg(name, found.empty() ? QStringLiteral("no") : QStringLiteral("more than one")));
  for (int up = found[0]; up >= 0; up = E(up).parent)
    if (E(up).occursMax > 0 || (up == found[0] && !E(up).members.empty()))
      return Fail(t, QStringLiteral("DEPENDING ON %1 names no single number").arg(name));
  return objects_[table] = found[0];
}

int Layouter::Place(int i, int offset, Inherited from, int& start) {
  const CobolEntry& e = E(i);
  if (e.usage != CobolUsage::None) {
    if (from.usage != CobolUsage::None && UsageName(from.usage) != UsageName(e.usage))
      return Fail(e, QStringLiteral("USAGE %1 contradicts its group's USAGE %2")
                         .arg(UsageName(e.usage), UsageName(from.usage)));
    from.usage = e.usage;
  }
  if (e.sign != 0) {
    from.sign = e.sign;
    from.separate = e.separate;
  }
  from.sync = from.sync || e.sync;
  if (e.occursMax == 0) return PlaceOnce(i, offset, from, start);

  const std::size_t whole = kind_->groups.size();
  kind_->groups.push_back({Shown(i), offset, 0, within_});
  const int outer = align_;
  align_ = 1;
  int stride = 0;
  start = offset;
  for (int copy = 1; copy <= e.occursMax; ++copy) {
    subs_.push_back(copy);
    int at = 0;
    const int end = PlaceOnce(i, start + (copy - 1) * stride, from, at);
    subs_.pop_back();
    if (end < 0) return -1;
    if (copy == 1) {
      // An item's own slack lies before the table; a group's inside each
      // copy, whose length keeps every copy aligned as the first.
      if (e.members.empty()) start = at;
      stride = (end - start + align_ - 1) / align_ * align_;
    }
    if (start + copy * stride > kLongestRecord) return TooLong(e);
  }
  align_ = std::max(outer, align_);
  kind_->groups[whole].offset = start;
  kind_->groups[whole].length = e.occursMax * stride;
  if (!e.dependingOn.empty()) {
    const int object = Object(i);
    if (object < 0) return -1;
    kind_->tables.push_back(
        {Shown(i), shown_[Index(object)], e.occursMin, e.occursMax, start, stride});
    tableItems_.push_back(i);
  }
  return start + e.occursMax * stride;
}

int Layouter::PlaceOnce(int i, int offset, const Inherited& own, int& start) {
  const CobolEntry& e = E(i);
  if (++fields_ > kMostFields)
    return Fail(e, QStringLiteral("the layout has more than 100,000 fields"));
  if (!e.members.empty()) {
    if (!e.picture.empty())
      return Fail(e, QStringLiteral("%1 is a group and has no PICTURE").arg(Shown(i)));
    start = offset;
    const std::size_t group = kind_->groups.size();
    if (e.level > 0) kind_->groups.push_back({Shown(i), offset, 0, within_});
    const int end = PlaceMembers(i, offset, own);
    if (end >= 0 && e.level > 0) kind_->groups[group].length = end - offset;
    return end;
  }
  const bool isFloat = own.usage == CobolUsage::Float4 || own.usage == CobolUsage::Float8;
  if (e.picture.empty() && !isFloat)
    return Fail(e, QStringLiteral("%1 has no PICTURE").arg(shown_[Index(i)]));
  const auto type = ItemType(e.picture, own.usage, own.sign, own.separate, e.sign != 0);
  if (const QString* why = std::get_if<QString>(&type)) return Fail(e, *why);
  const FieldType& t = std::get<FieldType>(type);
  const bool aligned = own.sync && (t.storage == Storage::Binary || t.storage == Storage::Native ||
                                    t.storage == Storage::Float);
  const int align = aligned ? t.length : 1;
  align_ = std::max(align_, align);
  start = (offset + align - 1) / align * align;
  if (start + t.length > kLongestRecord) return TooLong(e);
  const bool display = own.usage == CobolUsage::None || own.usage == CobolUsage::Display;
  const QString usage = display ? QString() : UsageName(own.usage);
  const QString pic = QString::fromStdString(e.picture);
  kind_->fields.push_back({Shown(i), start, t, within_,
                           pic.isEmpty() || usage.isEmpty() ? pic + usage : pic + ' ' + usage});
  return start + t.length;
}

// A group's members in turn; each REDEFINES starts where the item it
// redefines starts, and the area takes the largest of them.
int Layouter::PlaceMembers(int i, int offset, const Inherited& own) {
  const std::vector<int>& members = E(i).members;
  int at = offset;
  for (std::size_t j = 0; j < members.size();) {
    const CobolEntry& base = E(members[j]);
    std::size_t next = j + 1;
    while (next < members.size() && !E(members[next]).redefines.empty()) ++next;
    if (!base.redefines.empty() || (next > j + 1 && base.name.empty())) {
      const CobolEntry& wrong = base.redefines.empty() ? E(members[j + 1]) : base;
      return Fail(wrong, QStringLiteral("REDEFINES %1 names no item just before it")
                             .arg(QString::fromLatin1(wrong.redefines.c_str())));
    }
    const int area = next > j + 1 ? static_cast<int>(kind_->areas.size()) : -1;
    if (area >= 0) kind_->areas.push_back({Shown(members[j]), 0, 0, {}, within_});
    int start = 0, end = 0, baseEnd = 0;
    for (std::size_t k = j; k < next; ++k) {
      const CobolEntry& item = E(members[k]);
      if (k > j && item.redefines != base.name)
        return Fail(item, QStringLiteral("REDEFINES %1 names no item just before it")
                              .arg(QString::fromLatin1(item.redefines.c_str())));
      if (area >= 0) within_.push_back({area, static_cast<int>(k - j)});
      int itemStart = 0;
      const int itemEnd = Place(members[k], k == j ? at : start, own, itemStart);
      if (area >= 0) within_.pop_back();
      if (itemEnd < 0) return -1;
      if (k == j) start = itemStart, baseEnd = itemEnd;
      if (k > j && itemEnd > baseEnd && warned_.insert(members[k]).second)
        layout_.warnings
            << QStringLiteral("%1: %2 (%3 bytes) is larger than %4 (%5 bytes), which it redefines")
                   .arg(Where(files_[Index(item.file)], item.line), shown_[Index(members[k])])
                   .arg(itemEnd - start)
                   .arg(shown_[Index(members[j])])
                   .arg(baseEnd - start);
      if (area >= 0) kind_->areas[Index(area)].alternatives << Shown(members[k]);
      end = k == j ? itemEnd : std::max(end, itemEnd);
    }
    if (area >= 0) {
      kind_->areas[Index(area)].offset = start;
      kind_->areas[Index(area)].length = end - start;
    }
    at = end;
    j = next;
  }
  return at;
}

bool Layouter::Record(int root) {
  const CobolEntry& r = E(root);
  if (!r.redefines.empty() &&
      std::none_of(layout_.kinds.begin(), layout_.kinds.end(), [&r](const RecordKind& k) {
        return k.name == QString::fromLatin1(r.redefines.c_str());
      }))
    return Fail(r, QStringLiteral("REDEFINES %1 names no record before it")
                       .arg(QString::fromLatin1(r.redefines.c_str()))),
           false;
  Names(root);
  layout_.kinds.push_back({r.name.empty() ? QString() : shown_[Index(root)], 0, {}, {}, {}, {}});
  kind_ = &layout_.kinds.back();
  tableItems_.clear();
  int start = 0;
  const int end = Place(root, 0, {}, start);
  if (end < 0) return false;
  kind_->length = end;
  for (std::size_t k = 0; k < kind_->tables.size(); ++k) {
    const QString& object = kind_->tables[k].object;
    const auto f = std::find_if(kind_->fields.begin(), kind_->fields.end(),
                                [&object](const LayoutField& f) { return f.name == object; });
    if (f == kind_->fields.end() || f->type.storage == Storage::Text ||
        f->type.storage == Storage::Float)
      return Fail(E(tableItems_[k]),
                  QStringLiteral("DEPENDING ON %1 names no single number").arg(object)),
             false;
  }
  return true;
}

CopybookResult Parse(const QByteArray& text, const QString& folder, SysCalls& sys,
                     const QString& resolved) {
  Expander expander(sys, folder);
  if (!resolved.isEmpty()) expander.reading.push_back(resolved);
  const CobolText main = TokenizeCobol(text, 0);
  if (!main.error.isEmpty()) return CopybookError{QString(), main.errorLine, main.error};
  std::vector<CobolToken> tokens;
  if (!expander.Expand(main.tokens, tokens)) return expander.error;
  const CobolEntries entries = ReadEntries(tokens);
  if (!entries.error.isEmpty())
    return CopybookError{expander.files[static_cast<std::size_t>(entries.errorFile)],
                         entries.errorLine, entries.error};
  if (entries.records.empty())
    return CopybookError{QString(), 0, QStringLiteral("The copybook describes no field")};
  Layout layout;
  Layouter layouter(entries, layout, expander.files);
  for (int root : entries.records)
    if (!layouter.Record(root)) return layouter.error;
  return layout;
}

}  // namespace copybook_detail

int Layout::Length() const {
  int longest = 0;
  for (const RecordKind& k : kinds) longest = std::max(longest, k.length);
  return longest;
}

QString CopybookError::Text() const {
  return line == 0 ? reason : copybook_detail::Where(file, line) + QStringLiteral(": ") + reason;
}

CopybookResult ReadCopybook(const QString& path, SysCalls& sys) {
  QString why;
  const std::optional<QByteArray> text = copybook_detail::ReadAll(sys, path, why);
  if (!text)
    return CopybookError{QString(), 0,
                         QStringLiteral("%1 does not read: %2").arg(DisplayName(path), why)};
  const qsizetype slash = path.lastIndexOf(u'/');
  const QString folder = slash < 0    ? QStringLiteral(".")
                         : slash == 0 ? QStringLiteral("/")
                                      : path.left(slash);
  QString resolved = CanonicalPath(path, sys);
  return copybook_detail::Parse(*text, folder, sys, resolved.isEmpty() ? path : resolved);
}

CopybookResult ParseCopybook(const QByteArray& text, const QString& folder, SysCalls& sys) {
  return copybook_detail::Parse(text, folder, sys, QString());
}

}  // namespace qx
