#include "ui/dialogs/TextSetLabel.h"

#include <QGroupBox>
#include <QLabel>
#include <QLayout>

namespace qx {

namespace {
const QString kLabelName = QStringLiteral("TextSetLabel");
}  // namespace

void AddTextSetLabel(QGroupBox* kinds) {
  auto* label = new QLabel(kinds);
  label->setObjectName(kLabelName);
  kinds->layout()->addWidget(label);
}

void ShowTextSet(QGroupBox* kinds, const EditorState& s) {
  if (auto* label = kinds->findChild<QLabel*>(kLabelName))
    label->setText(QStringLiteral("Text in %1").arg(s.Current.CharSet));
}

}  // namespace qx
