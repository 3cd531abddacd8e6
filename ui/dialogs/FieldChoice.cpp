#include "ui/dialogs/FieldChoice.h"

#include <QLabel>
#include <algorithm>

namespace qx {

FieldChoice::FieldChoice(QWidget* dialog, const RecordKind* kind) : QComboBox(dialog) {
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

}  // namespace qx
