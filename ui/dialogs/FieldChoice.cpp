#include "ui/dialogs/FieldChoice.h"

#include <QLabel>
#include <algorithm>

#include "fields/ByField.h"

namespace qx {

FieldChoice::FieldChoice(QWidget* dialog, const RecordKind* kind) : QComboBox(dialog), kind_(kind) {
  setObjectName(QStringLiteral("FieldBox"));
  setEditable(false);
  Label = new QLabel(QStringLiteral("F&ield:"), dialog);
  Label->setBuddy(this);
  if (kind != nullptr) items_ = FieldItems(*kind);
  addItem(QStringLiteral("(none)"));
  for (const FieldItem& f : items_) addItem(f.Label());
  setEnabled(!items_.empty());
}

const FieldItem* FieldChoice::Chosen() const {
  const int i = currentIndex() - 1;
  return i >= 0 && i < std::ssize(items_) ? &items_[static_cast<std::size_t>(i)] : nullptr;
}

void FieldChoice::Select(const QString& name) {
  const auto f = std::find_if(items_.begin(), items_.end(),
                              [&](const FieldItem& item) { return item.name == name; });
  setCurrentIndex(f == items_.end() || name.isEmpty() ? 0
                                                      : 1 + static_cast<int>(f - items_.begin()));
}

const LayoutField* FieldChoice::ChosenNumeric() const {
  const FieldItem* item = Chosen();
  if (item == nullptr || item->text) return nullptr;
  const LayoutField* f = FieldNamed(kind_, item->name);
  return f != nullptr && f->type.storage != Storage::Text ? f : nullptr;
}

const LayoutField* FieldNamed(const RecordKind* kind, const QString& name) {
  if (kind == nullptr || name.isEmpty()) return nullptr;
  const auto f = std::find_if(kind->fields.begin(), kind->fields.end(), [&](const LayoutField& f) {
    return f.name == name && InUse(*kind, f);
  });
  return f == kind->fields.end() ? nullptr : &*f;
}

}  // namespace qx
