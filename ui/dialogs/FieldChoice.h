// The "Field:" drop-down of the dialogs that work within one field of each
// record: "(none)", then the fields of the record kind in use.
#pragma once

#include <QComboBox>
#include <vector>

#include "fields/FieldList.h"

class QLabel;

namespace qx {

class FieldChoice : public QComboBox {
  Q_OBJECT
 public:
  // kind null: the file has no layout, and only "(none)" is offered, disabled.
  FieldChoice(QWidget* dialog, const RecordKind* kind);

  QLabel* Label = nullptr;  // "F&ield:", the drop-down's buddy

  // The item chosen; null for "(none)".
  const FieldItem* Chosen() const;
  // Selects the item of that name; "(none)" when there is none.
  void Select(const QString& name);
  // The chosen item when it is a numeric field, not a group: what a value
  // is searched for or filled into.
  const LayoutField* ChosenNumeric() const;

 private:
  const RecordKind* kind_ = nullptr;
  std::vector<FieldItem> items_;
};

// The field in use called name in kind (null: no layout); null for a group
// or a name the kind lacks.
const LayoutField* FieldNamed(const RecordKind* kind, const QString& name);

}  // namespace qx
