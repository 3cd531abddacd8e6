// A COBOL copybook read into a layout: the record kinds it describes, each
// an ordered list of named, typed fields at their offsets, with the groups,
// REDEFINES areas and variable tables over them.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <variant>
#include <vector>

#include "core/SysCalls.h"
#include "fields/FieldType.h"

namespace qx {

// An alternative of a REDEFINES area: the area's index in its record kind,
// and which of its alternatives (0: the redefined item itself).
struct Alternative {
  int area = 0;
  int index = 0;
  bool operator==(const Alternative&) const = default;
};

struct LayoutField {
  QString name;  // "AMOUNT", "AMOUNT OF TOTALS", "AMOUNT(2,3)"
  int offset = 0;
  FieldType type;                   // type.length: its bytes
  std::vector<Alternative> within;  // in use only while each is chosen
  QString written;                  // "S9(9)V99 COMP-3"
};

// The span of a group, of each copy of an OCCURS item ("LINE(2)") and of
// a whole table ("LINE").
struct LayoutGroup {
  QString name;
  int offset = 0;
  int length = 0;
  std::vector<Alternative> within;
};

struct RedefinesArea {
  QString name;  // of the redefined item
  int offset = 0;
  int length = 0;            // of the largest alternative
  QStringList alternatives;  // the redefined item, then each item redefining it
  std::vector<Alternative> within;
};

// An OCCURS ... DEPENDING ON table, laid out at its maximum.
struct VariableTable {
  QString name;    // "LINES"; inside copy 2 of another table "LINES(2)"
  QString object;  // the field that holds the count in use
  int minimum = 0;
  int maximum = 0;
  int offset = 0;  // of the first copy
  int stride = 0;  // bytes of each copy
};

struct RecordKind {
  QString name;  // the 01's; empty for a copybook of members without an 01
  int length = 0;
  std::vector<LayoutField> fields;  // in record order
  std::vector<LayoutGroup> groups;
  std::vector<RedefinesArea> areas;
  std::vector<VariableTable> tables;
  // The alternative in use in each area, chosen for the file; empty: the
  // first of each.
  std::vector<int> chosen{};
};

struct Layout {
  std::vector<RecordKind> kinds;  // the first is in use until one is chosen
  QStringList warnings;           // "Line 9: ALT (12 bytes) is larger than ..."
  int Length() const;             // of the longest kind
};

struct CopybookError {
  QString file;  // the COPY member's name; empty: the copybook itself
  int line = 0;  // 0: no line (the file does not read)
  QString reason;
  // "Line 3: reason", "Line 3 of ADDR.cpy: reason", or the reason alone.
  QString Text() const;
};

using CopybookResult = std::variant<Layout, CopybookError>;

// The copybook at path, its COPY members found in its folder.
CopybookResult ReadCopybook(const QString& path, SysCalls& sys = SysCalls::Real());

// The copybook text; COPY members are looked for in folder (none: a COPY
// finds nothing).
CopybookResult ParseCopybook(const QByteArray& text, const QString& folder = {},
                             SysCalls& sys = SysCalls::Real());

}  // namespace qx
