#include "core/FileMemory.h"

#include <QStringList>
#include <algorithm>
#include <array>
#include <limits>

#include "core/NativeName.h"
#include "core/SettingFields.h"

namespace qx {

namespace {

// One place of the store, in named fields ("use=7 base=0 len=80 set=ASCII
// view=page path=/a"; see SettingFields), with the backup Quellox made of
// the file when it made one. Two older forms still read: "use base length
// set path" and "use base length set view path", the path percent-encoded.
struct Entry {
  std::int64_t use = 0;
  QString path;
  FileGeometry geometry;
  QString backup;  // empty: none made
  FileStamp backupStamp;
};

// Uses count up from 1; past this the places are numbered afresh, so that
// a damaged entry's huge count cannot overflow or put the order out.
constexpr std::int64_t kMaxUse = std::int64_t{1} << 60;

const std::array<QString, 4> kViews = {QStringLiteral("page"), QStringLiteral("records"),
                                       QStringLiteral("page-nohex"),
                                       QStringLiteral("records-nohex")};

QString Key(int place) {
  return QString::number(place + 1);
}

bool SetGeometry(Entry& e, const QString& base, const QString& length, const QString& set,
                 const QString& view) {
  bool ok[2] = {};
  e.geometry.WorkingBase = base.toLongLong(&ok[0]);
  const int len = length.toInt(&ok[1]);
  if (!ok[0] || !ok[1] || e.geometry.WorkingBase < 0 || len < 1 || len > kMaxRecordLength) {
    return false;
  }
  e.geometry.RecordLength = static_cast<std::int16_t>(len);
  // A set this system cannot build reads as the default one.
  const CharacterSet* found = FindCharacterSet(set);
  e.geometry.CharSet = found ? found->Name() : kAsciiSetName;
  const auto at = std::find(kViews.begin(), kViews.end(), view);
  if (at == kViews.end()) return false;
  const auto v = at - kViews.begin();
  e.geometry.RecordView = v % 2 == 1;
  e.geometry.ShowHex = v < 2;
  return true;
}

// "0.2.1"; empty: none chosen.
bool ParseAlternatives(const QByteArray& text, std::vector<int>& to) {
  to.clear();
  if (text.isEmpty()) return true;
  for (const QByteArray& part : text.split('.')) {
    bool ok = false;
    const int index = part.toInt(&ok);
    if (!ok || index < 0) return false;
    to.push_back(index);
  }
  return true;
}

// "cpy=/d/CUST.cpy kind=0 order=big sign=overpunch float=ibm alt=0.1"
bool ParseLayoutFields(const QMap<QString, QByteArray>& fields, FileGeometry& g) {
  const auto choice = [&](const char* key, const char* no, const char* yes, bool& to) {
    const QByteArray v = fields.value(QLatin1String(key), no);
    to = v == yes;
    return to || v == no;
  };
  bool ok = false;
  g.LayoutKind = fields.value(QStringLiteral("kind"), "0").toInt(&ok);
  g.Copybook = PathFromField(fields.value(QStringLiteral("cpy")));
  return ok && g.LayoutKind >= 0 && !g.Copybook.isEmpty() &&
         choice("order", "big", "little", g.Layout.LittleEndian) &&
         choice("sign", "overpunch", "py", g.Layout.PToY) &&
         choice("float", "ibm", "ieee", g.Layout.IeeeFloat) &&
         ParseAlternatives(fields.value(QStringLiteral("alt")), g.Layout.Alternatives);
}

// "dev:ino:size:msec.mnsec:csec.cnsec"
QByteArray StampText(const FileStamp& st) {
  return QStringLiteral("%1:%2:%3:%4.%5:%6.%7")
      .arg(static_cast<qulonglong>(st.device))
      .arg(static_cast<qulonglong>(st.inode))
      .arg(st.size)
      .arg(static_cast<qlonglong>(st.modified.tv_sec))
      .arg(static_cast<qlonglong>(st.modified.tv_nsec))
      .arg(static_cast<qlonglong>(st.changed.tv_sec))
      .arg(static_cast<qlonglong>(st.changed.tv_nsec))
      .toLatin1();
}

bool ParseStamp(const QByteArray& text, FileStamp& st) {
  const QList<QByteArray> f = text.split(':');
  if (f.size() != 5) return false;
  const QList<QByteArray> m = f[3].split('.');
  const QList<QByteArray> c = f[4].split('.');
  if (m.size() != 2 || c.size() != 2) return false;
  bool ok[7] = {};
  st.device = static_cast<dev_t>(f[0].toULongLong(&ok[0]));
  st.inode = static_cast<ino_t>(f[1].toULongLong(&ok[1]));
  st.size = f[2].toLongLong(&ok[2]);
  st.modified.tv_sec = static_cast<time_t>(m[0].toLongLong(&ok[3]));
  st.modified.tv_nsec = m[1].toLong(&ok[4]);
  st.changed.tv_sec = static_cast<time_t>(c[0].toLongLong(&ok[5]));
  st.changed.tv_nsec = c[1].toLong(&ok[6]);
  return std::all_of(std::begin(ok), std::end(ok), [](bool b) { return b; }) && st.size >= 0;
}

std::optional<Entry> ParseNamed(const QString& text) {
  const auto fields = ParseFields(text);
  if (!fields || !fields->contains(QStringLiteral("path"))) return std::nullopt;
  const auto value = [&](const char* key, const char* none = "") {
    return QString::fromUtf8(fields->value(QLatin1String(key), none));
  };
  Entry e;
  bool ok = false;
  e.use = value("use").toLongLong(&ok);
  if (!ok || !SetGeometry(e, value("base", "0"), value("len", "1"), value("set", "ASCII"),
                          value("view", "page"))) {
    return std::nullopt;
  }
  e.path = PathFromField(fields->value(QStringLiteral("path")));
  if (fields->contains(QStringLiteral("cpy")) && !ParseLayoutFields(*fields, e.geometry)) {
    return std::nullopt;
  }
  if (fields->contains(QStringLiteral("bak")) &&
      ParseStamp(fields->value(QStringLiteral("bakid")), e.backupStamp)) {
    e.backup = PathFromField(fields->value(QStringLiteral("bak")));
  }
  return e;
}

std::optional<Entry> Parse(const QString& text) {
  if (text.contains(QLatin1Char('='))) return ParseNamed(text);
  const QStringList f = text.split(QLatin1Char(' '));
  if (f.size() != 5 && f.size() != 6) return std::nullopt;
  Entry e;
  bool ok = false;
  e.use = f[0].toLongLong(&ok);
  if (!ok || !SetGeometry(e, f[1], f[2], f[3], f.size() == 6 ? f[4] : kViews[0])) {
    return std::nullopt;
  }
  e.path = NameFromNative(QByteArray::fromPercentEncoding(f.back().toLatin1()));
  return e;
}

QString Format(const Entry& e) {
  const FileGeometry& g = e.geometry;
  SettingFields fields = {
      {QStringLiteral("use"), QByteArray::number(static_cast<qlonglong>(e.use))},
      {QStringLiteral("base"), QByteArray::number(static_cast<qlonglong>(g.WorkingBase))},
      {QStringLiteral("len"), QByteArray::number(g.RecordLength)},
      {QStringLiteral("set"), g.CharSet.toUtf8()},
      {QStringLiteral("view"), kViews[(g.RecordView ? 1 : 0) + (g.ShowHex ? 0 : 2)].toLatin1()},
  };
  if (!g.Copybook.isEmpty()) {
    fields.push_back({QStringLiteral("cpy"), PathField(g.Copybook)});
    fields.push_back({QStringLiteral("kind"), QByteArray::number(g.LayoutKind)});
    fields.push_back({QStringLiteral("order"), g.Layout.LittleEndian ? "little" : "big"});
    fields.push_back({QStringLiteral("sign"), g.Layout.PToY ? "py" : "overpunch"});
    fields.push_back({QStringLiteral("float"), g.Layout.IeeeFloat ? "ieee" : "ibm"});
    if (!g.Layout.Alternatives.empty()) {
      QByteArrayList alt;
      for (const int index : g.Layout.Alternatives) alt.push_back(QByteArray::number(index));
      fields.push_back({QStringLiteral("alt"), alt.join('.')});
    }
  }
  if (!e.backup.isEmpty()) {
    fields.push_back({QStringLiteral("bak"), PathField(e.backup)});
    fields.push_back({QStringLiteral("bakid"), StampText(e.backupStamp)});
  }
  fields.push_back({QStringLiteral("path"), PathField(e.path)});
  return FormatFields(fields);
}

// Places are filled in order and never emptied: the first empty one ends
// the list.
struct Scan {
  int found = -1;  // the place of the path
  int free = -1;   // the place a new path takes
  std::int64_t lastUse = 0;
  std::optional<Entry> entry;
};

Scan Look(Platform& p, const QString& path) {
  Scan scan;
  std::int64_t oldest = 0;
  for (int place = 0; place < kRememberedFiles; ++place) {
    const QString text = p.ReadSetting(kGeometrySection, Key(place));
    if (text.isEmpty()) {
      scan.free = place;
      break;
    }
    const std::optional<Entry> e = Parse(text);
    const std::int64_t use = e ? std::clamp<std::int64_t>(e->use, 0, kMaxUse) : 0;
    scan.lastUse = std::max(scan.lastUse, use);
    if (e && e->path == path && scan.found < 0) {
      scan.found = place;
      scan.entry = e;
    }
    // A damaged place goes first.
    if (scan.free < 0 || use < oldest) {
      scan.free = place;
      oldest = use;
    }
  }
  return scan;
}

// Numbers the places' uses 1, 2, ... in their order, keeping every entry.
void Renumber(Platform& p) {
  std::vector<std::pair<std::int64_t, int>> order;
  std::vector<std::optional<Entry>> entries;
  for (int place = 0; place < kRememberedFiles; ++place) {
    const QString text = p.ReadSetting(kGeometrySection, Key(place));
    if (text.isEmpty()) break;
    entries.push_back(Parse(text));
    const auto& e = entries.back();
    order.push_back({e ? std::clamp<std::int64_t>(e->use, 0, kMaxUse) : 0, place});
  }
  std::stable_sort(order.begin(), order.end());
  for (std::size_t rank = 0; rank < order.size(); ++rank) {
    std::optional<Entry>& e = entries[static_cast<std::size_t>(order[rank].second)];
    if (!e) continue;
    e->use = static_cast<std::int64_t>(rank) + 1;
    p.WriteSetting(kGeometrySection, Key(order[rank].second), Format(*e));
  }
}

void Write(Platform& p, Scan scan, Entry e) {
  if (scan.lastUse >= kMaxUse) {
    Renumber(p);
    scan = Look(p, e.path);
  }
  const int place = scan.found >= 0 ? scan.found : scan.free;
  if (place < 0) return;
  e.use = scan.lastUse + 1;
  p.WriteSetting(kGeometrySection, Key(place), Format(e));
}

// The entry of path as it is kept, or a new one.
Entry EntryOf(const Scan& scan, const QString& path) {
  if (scan.entry) return *scan.entry;
  Entry e;
  e.path = path;
  return e;
}

}  // namespace

std::optional<FileGeometry> RecallGeometry(Platform& p, const QString& path) {
  if (path.isEmpty()) return std::nullopt;
  const Scan scan = Look(p, path);
  if (!scan.entry) return std::nullopt;
  // Opening counts as a use: a file opened often is not forgotten.
  Write(p, scan, *scan.entry);
  return scan.entry->geometry;
}

void RememberGeometry(Platform& p, const QString& path, const FileGeometry& g) {
  if (path.isEmpty()) return;
  const Scan scan = Look(p, path);
  if (scan.entry && scan.entry->geometry == g && scan.entry->use == scan.lastUse) return;
  Entry e = EntryOf(scan, path);
  e.geometry = g;
  Write(p, scan, e);
}

void RememberGeometry(Platform& p, const FileState& file) {
  RememberGeometry(p, file.FileName,
                   {file.WorkingBase, file.RecordLength, file.CharSet, file.RecordView,
                    file.ShowHex, file.Copybook, file.LayoutKind, file.Layout});
}

void RememberBackup(Platform& p, const QString& file, const QString& backup,
                    const FileStamp& stamp) {
  if (file.isEmpty()) return;
  const Scan scan = Look(p, file);
  Entry e = EntryOf(scan, file);
  e.backup = backup;
  e.backupStamp = stamp;
  Write(p, scan, e);
}

QString BackupOwner(Platform& p, const QString& backup, const FileStamp& stamp) {
  for (int place = 0; place < kRememberedFiles; ++place) {
    const QString text = p.ReadSetting(kGeometrySection, Key(place));
    if (text.isEmpty()) break;
    const std::optional<Entry> e = Parse(text);
    if (e && !e->backup.isEmpty() && e->backup == backup && e->backupStamp == stamp) {
      return e->path;
    }
  }
  return {};
}

}  // namespace qx
