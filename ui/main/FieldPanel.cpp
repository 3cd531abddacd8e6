#include "ui/main/FieldPanel.h"

#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMainWindow>
#include <QTableWidget>

#include "platform/Platform.h"

namespace qx {

namespace {

const QString kSection = QStringLiteral("View");
const QString kAreaKey = QStringLiteral("FieldPanel");
constexpr int kValueColumn = 4;

}  // namespace

FieldPanel::FieldPanel(QMainWindow* window, Platform& p, Go moveTo, Go change, Choose choose)
    : QDockWidget(QStringLiteral("Fields"), window),
      p_(p),
      table_(new QTableWidget(0, 6, this)),
      moveTo_(std::move(moveTo)),
      change_(std::move(change)),
      choose_(std::move(choose)) {
  setObjectName(QStringLiteral("FieldPanel"));
  setAllowedAreas(Qt::RightDockWidgetArea | Qt::BottomDockWidgetArea);
  // Layout > Fields alone shows and hides it, so that its check stays true.
  setFeatures(QDockWidget::DockWidgetMovable);
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_ShowWithoutActivating);
  table_->setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("Offset"),
                                     QStringLiteral("Length"), QStringLiteral("Type"),
                                     QStringLiteral("Value"), QStringLiteral("Hex")});
  table_->setFocusPolicy(Qt::ClickFocus);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->verticalHeader()->hide();
  setWidget(table_);
  connect(table_, &QTableWidget::cellClicked, this, [this](int row, int) {
    if (RowStart(row) >= 0) moveTo_(RowStart(row));
  });
  connect(table_, &QTableWidget::cellDoubleClicked, this, [this](int row, int column) {
    if (column == kValueColumn && RowStart(row) >= 0) change_(RowStart(row));
  });
  table_->installEventFilter(this);
  const bool bottom = p_.ReadSetting(kSection, kAreaKey) == QStringLiteral("bottom");
  window->addDockWidget(bottom ? Qt::BottomDockWidgetArea : Qt::RightDockWidgetArea, this);
  connect(this, &QDockWidget::dockLocationChanged, this, [this](Qt::DockWidgetArea area) {
    p_.WriteSetting(
        kSection, kAreaKey,
        area == Qt::BottomDockWidgetArea ? QStringLiteral("bottom") : QStringLiteral("right"));
  });
}

std::int64_t FieldPanel::RowStart(int row) const {
  if (row < 0 || row >= std::ssize(rows_.rows)) return -1;
  return rows_.recordStart + rows_.rows[static_cast<std::size_t>(row)].offset;
}

bool FieldPanel::eventFilter(QObject* watched, QEvent* event) {
  if (watched == table_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    const auto mods = static_cast<QKeyEvent*>(event)->modifiers();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && RowStart(table_->currentRow()) >= 0) {
      change_(RowStart(table_->currentRow()));
      return true;
    }
    // The drop-down never has the focus, so the row opens it: Space or
    // Alt+Down, as a drop-down of its own would.
    auto* box = qobject_cast<QComboBox*>(table_->cellWidget(table_->currentRow(), 0));
    if (box != nullptr && ((key == Qt::Key_Space && mods == Qt::NoModifier) ||
                           (key == Qt::Key_Down && mods == Qt::AltModifier))) {
      box->showPopup();
      return true;
    }
  }
  return QDockWidget::eventFilter(watched, event);
}

void FieldPanel::ShowRows(const FieldRows& rows) {
  // Refilled only when the record's rows change, so that a click's row stays.
  const bool same = rows.rows == rows_.rows && rows.recordStart == rows_.recordStart &&
                    table_->rowCount() == std::ssize(rows.rows);
  if (same && rows.cursor == rows_.cursor) return;
  rows_ = rows;
  table_->setRowCount(static_cast<int>(rows.rows.size()));
  for (int i = 0; !same && i < table_->rowCount(); ++i) {
    const FieldRow& f = rows.rows[static_cast<std::size_t>(i)];
    const QString cells[] = {
        f.name, QString::number(f.offset), QString::number(f.length), f.type, f.value, f.hex};
    for (int col = 0; col < 6; ++col) {
      auto* item = new QTableWidgetItem(cells[col]);
      if (f.unused) {
        item->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
        item->setToolTip(QStringLiteral("Unused: past the count the record holds"));
      }
      table_->setItem(i, col, item);
    }
    if (f.area >= 0) {
      auto* box = new QComboBox(table_);
      // The table hands the focus to a row's widget that takes it, and the
      // arrows would then change the alternative instead of the row.
      box->setFocusPolicy(Qt::NoFocus);
      box->addItems(f.alternatives);
      box->setCurrentIndex(f.alternative);
      box->setToolTip(f.name + QStringLiteral(": the alternative in use in every record"));
      const int area = f.area;
      connect(box, &QComboBox::activated, this, [this, area](int index) { choose_(area, index); });
      table_->setCellWidget(i, 0, box);
    } else {
      table_->removeCellWidget(i, 0);
    }
  }
  if (!same) table_->resizeColumnsToContents();
  table_->clearSelection();
  if (rows.cursor >= 0) {
    table_->selectRow(rows.cursor);
    table_->scrollToItem(table_->item(rows.cursor, 0));
  }
}

}  // namespace qx
