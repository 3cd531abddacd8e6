#include "core/FileMemory.h"

#include <QStringList>
#include <algorithm>

#include "core/NativeName.h"

namespace qx {

namespace {

// One place of the store: "use base length set view path", the path
// percent-encoded from its bytes so that any name survives the store. The
// view ("page" or "records", "-nohex" without the digit lines) came later:
// a place without it reads as the page.
struct Entry {
  std::int64_t use = 0;
  QString path;
  FileGeometry geometry;
};

QString Key(int place) {
  return QString::number(place + 1);
}

std::optional<Entry> Parse(const QString& text) {
  const QStringList f = text.split(QLatin1Char(' '));
  if (f.size() != 5 && f.size() != 6) return std::nullopt;
  bool ok[3] = {};
  Entry e;
  e.use = f[0].toLongLong(&ok[0]);
  e.geometry.WorkingBase = f[1].toLongLong(&ok[1]);
  const int length = f[2].toInt(&ok[2]);
  if (!ok[0] || !ok[1] || !ok[2] || e.geometry.WorkingBase < 0 || length < 1 ||
      length > kMaxRecordLength) {
    return std::nullopt;
  }
  e.geometry.RecordLength = static_cast<std::int16_t>(length);
  // A set this system cannot build reads as the default one.
  const CharacterSet* set = FindCharacterSet(f[3]);
  e.geometry.CharSet = set ? set->Name() : kAsciiSetName;
  if (f.size() == 6) {
    static const QStringList kViews = {QStringLiteral("page"), QStringLiteral("records"),
                                       QStringLiteral("page-nohex"),
                                       QStringLiteral("records-nohex")};
    const auto view = kViews.indexOf(f[4]);
    if (view < 0) return std::nullopt;
    e.geometry.RecordView = view % 2 == 1;
    e.geometry.ShowHex = view < 2;
  }
  e.path = NameFromNative(QByteArray::fromPercentEncoding(f.back().toLatin1()));
  return e;
}

QString Format(const Entry& e) {
  const QString view = QLatin1String(e.geometry.RecordView ? "records" : "page") +
                       QLatin1String(e.geometry.ShowHex ? "" : "-nohex");
  return QStringLiteral("%1 %2 %3 %4 %5 %6")
      .arg(e.use)
      .arg(e.geometry.WorkingBase)
      .arg(e.geometry.RecordLength)
      .arg(e.geometry.CharSet, view,
           QString::fromLatin1(NativeName(e.path).toPercentEncoding("/")));
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
    const std::int64_t use = e ? e->use : 0;  // a damaged place goes first
    scan.lastUse = std::max(scan.lastUse, use);
    if (e && e->path == path && scan.found < 0) {
      scan.found = place;
      scan.entry = e;
    }
    if (scan.free < 0 || use < oldest) {
      scan.free = place;
      oldest = use;
    }
  }
  return scan;
}

void Write(Platform& p, const Scan& scan, const QString& path, const FileGeometry& g) {
  const int place = scan.found >= 0 ? scan.found : scan.free;
  if (place < 0) return;
  p.WriteSetting(kGeometrySection, Key(place), Format({scan.lastUse + 1, path, g}));
}

}  // namespace

std::optional<FileGeometry> RecallGeometry(Platform& p, const QString& path) {
  if (path.isEmpty()) return std::nullopt;
  const Scan scan = Look(p, path);
  if (!scan.entry) return std::nullopt;
  // Opening counts as a use: a file opened often is not forgotten.
  Write(p, scan, path, scan.entry->geometry);
  return scan.entry->geometry;
}

void RememberGeometry(Platform& p, const QString& path, const FileGeometry& g) {
  if (path.isEmpty()) return;
  const Scan scan = Look(p, path);
  if (scan.entry && scan.entry->geometry == g && scan.entry->use == scan.lastUse) return;
  Write(p, scan, path, g);
}

void RememberGeometry(Platform& p, const FileState& file) {
  RememberGeometry(
      p, file.FileName,
      {file.WorkingBase, file.RecordLength, file.CharSet, file.RecordView, file.ShowHex});
}

}  // namespace qx
