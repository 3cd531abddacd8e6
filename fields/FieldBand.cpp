#include "fields/FieldBand.h"

#include <algorithm>

#include "fields/ByField.h"
#include "fields/FieldCodec.h"

namespace qx {

namespace {

// The fields in use that start within the record, in record order.
std::vector<const LayoutField*> FieldsInUse(const RecordKind& kind, int recordLength) {
  std::vector<const LayoutField*> fields;
  for (const LayoutField& f : kind.fields) {
    if (InUse(kind, f) && f.offset < recordLength) fields.push_back(&f);
  }
  std::stable_sort(fields.begin(), fields.end(), [](const LayoutField* a, const LayoutField* b) {
    return a->offset < b->offset;
  });
  return fields;
}

// The screen columns of record columns from .. to - 1 that are on screen.
template <typename Each>
void OnScreen(int from, int to, int firstColumn, int columns, Each each) {
  for (int c = std::max(from, firstColumn); c < std::min(to, firstColumn + columns); ++c)
    each(c - firstColumn, c);
}

}  // namespace

FieldBand BandOf(const RecordKind& kind, int recordLength, int firstColumn, int columns) {
  columns = std::max(columns, 0);
  FieldBand band{QString(columns, QLatin1Char(' ')),
                 {},
                 std::vector<bool>(columns, false),
                 QStringList(columns)};
  const std::vector<const LayoutField*> fields = FieldsInUse(kind, recordLength);
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const LayoutField& f = *fields[i];
    const int end = std::min(f.offset + f.type.length, recordLength);
    const QString tip = FieldTip(f);
    OnScreen(f.offset, end, firstColumn, columns, [&](int screen, int column) {
      const int at = column - f.offset;
      if (at < f.name.size()) band.text[screen] = f.name[at];
      band.tinted[screen] = i % 2 == 1;
      band.tips[screen] = tip;
    });
    for (const int edge : {f.offset, end}) {
      const int screen = edge - firstColumn;
      if (screen >= 0 && screen <= columns) band.boundaries.push_back(screen);
    }
  }
  std::sort(band.boundaries.begin(), band.boundaries.end());
  band.boundaries.erase(std::unique(band.boundaries.begin(), band.boundaries.end()),
                        band.boundaries.end());
  return band;
}

QString FieldTip(const LayoutField& f) {
  const int n = f.type.length;
  return QStringLiteral("%1 %2, %3 byte%4").arg(f.name, f.written).arg(n).arg(n == 1 ? "" : "s");
}

std::vector<bool> FailingColumns(const RecordKind& kind, int recordLength, int firstColumn,
                                 int columns, std::span<const std::uint8_t> record,
                                 const CharacterSet& set, const LayoutChoices& choices) {
  std::vector<bool> failing(std::max(columns, 0), false);
  for (const LayoutField* f : FieldsInUse(kind, recordLength)) {
    const Storage s = f->type.storage;
    const int end = f->offset + f->type.length;
    if ((s != Storage::Zoned && s != Storage::Packed) || end > std::ssize(record)) continue;
    const FieldValue v =
        DecodeField(f->type, record.subspan(f->offset, f->type.length), set, choices);
    if (v.state != FieldValue::State::Invalid && !v.beyondPic) continue;
    OnScreen(f->offset, end, firstColumn, columns,
             [&](int screen, int) { failing[screen] = true; });
  }
  return failing;
}

}  // namespace qx
