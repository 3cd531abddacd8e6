// The fields a command can be limited to, as the "Field:" drop-downs offer
// them: each elementary field and group of the record kind in use.
#pragma once

#include <QString>
#include <vector>

#include "core/Declare.h"
#include "fields/Copybook.h"

namespace qx {

class CharacterSet;

struct FieldItem {
  QString name;
  int offset = 0;  // within the record
  int length = 0;
  bool text = false;  // every field in it is text
  // "CITY  (40-59)": the name first, so that typing it selects the item.
  QString Label() const;
  bool operator==(const FieldItem&) const = default;
};

// The fields and groups in use of kind in record order; a group (an OCCURS
// copy, a table) follows the last field it holds.
std::vector<FieldItem> FieldItems(const RecordKind& kind);

// What Find and Replace limit a search to: none for item null; a text
// field is padded with set's space.
FieldScope ScopeOf(const FieldItem* item, const CharacterSet& set);

// The scope of the field called name in kind (null: no layout), or none:
// a search kept for F4 stays within the current file's own fields.
FieldScope ScopeNamed(const QString& name, const RecordKind* kind, const CharacterSet& set);

}  // namespace qx
