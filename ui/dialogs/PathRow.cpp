#include "ui/dialogs/PathRow.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/dialogs/FieldFilter.h"

namespace qx {

PathRow::PathRow(QWidget* parent, IO& io, const QString& checkCaption, Browse browse,
                 QWidget* enterGoesTo)
    : QWidget(parent), io_(io), browse_(browse) {
  CheckBox = new QCheckBox(checkCaption, this);
  PathnameLabel = new QLabel(QStringLiteral("Pathname:"), this);
  PathNameBox = new QLineEdit(this);
  BrowseButton = new QPushButton(QStringLiteral("Browse"), this);
  BrowseButton->setAutoDefault(false);
  PathnameLabel->setBuddy(PathNameBox);
  for (QWidget* w : {static_cast<QWidget*>(PathnameLabel), static_cast<QWidget*>(PathNameBox),
                     static_cast<QWidget*>(BrowseButton)}) {
    w->hide();
  }
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->addWidget(CheckBox, 0, 0, 1, 3);
  grid->addWidget(PathnameLabel, 1, 0);
  grid->addWidget(PathNameBox, 1, 1);
  grid->addWidget(BrowseButton, 1, 2);
  connect(CheckBox, &QCheckBox::clicked, this, &PathRow::CheckBox_Click);
  connect(BrowseButton, &QPushButton::clicked, this, &PathRow::BrowseButton_Click);
  AttachFieldFilter(PathNameBox, FieldKind::PathName, io.State(), enterGoesTo);
}

void PathRow::CheckBox_Click() {
  // Unchecking hides nothing: a path typed stays in effect.
  if (!CheckBox->isChecked()) return;
  for (QWidget* w : {static_cast<QWidget*>(PathnameLabel), static_cast<QWidget*>(PathNameBox),
                     static_cast<QWidget*>(BrowseButton)}) {
    w->show();
  }
  PathNameBox->setFocus();
}

void PathRow::BrowseButton_Click() {
  Platform& p = io_.Plat();
  const QString path = browse_ == Browse::Save ? p.SaveFileName(QStringLiteral("Send To File"))
                                               : p.OpenFileName(QStringLiteral("Read From File"));
  if (!path.isEmpty()) PathNameBox->setText(path);
  io_.View().LoadDisplay();
}

}  // namespace qx
