#include "fields/FieldList.h"

#include <algorithm>
#include <limits>

#include "core/CharacterSet.h"
#include "fields/ByField.h"

namespace qx {

namespace {

bool InUse(const RecordKind& kind, const std::vector<Alternative>& within) {
  LayoutField probe;
  probe.within = within;
  return qx::InUse(kind, probe);
}

}  // namespace

QString FieldItem::Label() const {
  return QStringLiteral("%1  (%2-%3)").arg(name).arg(offset).arg(offset + length - 1);
}

std::vector<FieldItem> FieldItems(const RecordKind& kind) {
  std::vector<FieldItem> items;
  for (const LayoutField& f : kind.fields) {
    if (InUse(kind, f.within))
      items.push_back({f.name, f.offset, f.type.length, f.type.storage == Storage::Text});
  }
  // Inner groups first where groups end together: a copy before its table.
  std::vector<const LayoutGroup*> groups;
  for (const LayoutGroup& g : kind.groups) {
    if (g.length > 0 && InUse(kind, g.within)) groups.push_back(&g);
  }
  std::stable_sort(groups.begin(), groups.end(), [](const LayoutGroup* a, const LayoutGroup* b) {
    return a->offset + a->length != b->offset + b->length
               ? a->offset + a->length < b->offset + b->length
               : a->length < b->length;
  });
  std::vector<FieldItem> fields = std::move(items);
  items.clear();
  auto group = groups.begin();
  const auto flushEndingBy = [&](std::int64_t end) {
    for (; group != groups.end() && (*group)->offset + (*group)->length <= end; ++group) {
      const LayoutGroup& g = **group;
      const bool text = std::all_of(fields.begin(), fields.end(), [&](const FieldItem& f) {
        return f.offset + f.length <= g.offset || f.offset >= g.offset + g.length || f.text;
      });
      items.push_back({g.name, g.offset, g.length, text});
    }
  };
  for (const FieldItem& f : fields) {
    flushEndingBy(f.offset);
    items.push_back(f);
  }
  flushEndingBy(std::numeric_limits<std::int64_t>::max());
  return items;
}

FieldScope ScopeOf(const FieldItem* item, const CharacterSet& set) {
  if (item == nullptr) return {};
  return {item->name, item->offset, item->length, item->text, set.Encode(u' ').value_or(0x20)};
}

FieldScope ScopeNamed(const QString& name, const RecordKind* kind, const CharacterSet& set) {
  if (kind == nullptr || name.isEmpty()) return {};
  const std::vector<FieldItem> items = FieldItems(*kind);
  const auto it =
      std::find_if(items.begin(), items.end(), [&](const FieldItem& i) { return i.name == name; });
  return ScopeOf(it == items.end() ? nullptr : &*it, set);
}

}  // namespace qx
