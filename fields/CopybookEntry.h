// The data description entries of a copybook's words: level, name and
// clauses, the tree of groups and members, and the type a picture, usage
// and sign give an elementary item.
#pragma once

#include <QString>
#include <string>
#include <variant>
#include <vector>

#include "fields/CopybookText.h"
#include "fields/FieldType.h"

namespace qx {

enum class CobolUsage { None, Display, Binary, Native, Packed, Float4, Float8 };

struct CobolEntry {
  int level = 0;  // 77 as 1; 0 for the record of a copybook without 01
  int line = 0;
  int file = 0;
  int parent = -1;
  std::vector<int> members;
  std::string name;  // empty: FILLER or no name
  std::string redefines;
  int occursMin = 0, occursMax = 0;      // 0: no OCCURS
  std::vector<std::string> dependingOn;  // the name, then its qualifiers
  CobolUsage usage = CobolUsage::None;
  int sign = 0;  // 1 leading, 2 trailing
  bool separate = false;
  bool sync = false;
  std::string picture;
};

struct CobolEntries {
  std::vector<CobolEntry> entries;
  std::vector<int> records;  // the entries that are record kinds
  int errorFile = 0, errorLine = 0;
  QString error;
};

CobolEntries ReadEntries(const std::vector<CobolToken>& tokens);

// The type of an elementary item, or why it has none. sign and separate
// may come from a group; explicitSign says the item gave them itself.
std::variant<FieldType, QString> ItemType(const std::string& picture, CobolUsage usage, int sign,
                                          bool separate, bool explicitSign);

QString UsageName(CobolUsage usage);

}  // namespace qx
