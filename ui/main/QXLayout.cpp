// The Layout menu of the main window: the copybook that lays out the
// current file's records, and the record kind in use.
#include <QActionGroup>
#include <QMenu>
#include <QScrollBar>
#include <QTableWidget>

#include "fields/ByField.h"
#include "fields/FieldRows.h"
#include "fields/FileLayouts.h"
#include "help/HelpContexts.h"
#include "ui/dialogs/ChangeValue.h"
#include "ui/dialogs/CheckRecords.h"
#include "ui/dialogs/ExportRecords.h"
#include "ui/dialogs/LayoutChoice.h"
#include "ui/main/FieldPanel.h"
#include "ui/main/QX.h"

namespace qx {

namespace {

// Whether the field panel is shown, kept for the next start.
const QString kViewSection = QStringLiteral("View");
const QString kPanelShownKey = QStringLiteral("FieldPanelShown");

const QString kCopybookFilter =
    QStringLiteral("COBOL copybooks (*.cpy *.cbl *.cob *.copy);;All files (*)");

}  // namespace

void QX::UseLayout(const QString& copybook, Layout layout, const LayoutChoices& choices) {
  layouts_.Use(io_, copybook, std::move(layout), choices);
  UpdateLayoutMenu();
}

void QX::UpdateLayoutMenu() {
  if (mnuLayoutKind_ == nullptr) return;
  mnuLayoutKind_->clear();
  for (QActionGroup* g : mnuLayoutKind_->findChildren<QActionGroup*>()) delete g;
  const Layout* layout = layouts_.Current(s_);
  mnuLayoutKind_->setEnabled(layout != nullptr);
  MenuItem(QStringLiteral("mnuLayoutClose"))->setEnabled(layout != nullptr);
  MenuItem(QStringLiteral("mnuLayoutValue"))->setEnabled(layout != nullptr);
  MenuItem(QStringLiteral("mnuLayoutCheck"))->setEnabled(layout != nullptr);
  MenuItem(QStringLiteral("mnuLayoutExport"))->setEnabled(layout != nullptr);
  QAction* fields = MenuItem(QStringLiteral("mnuLayoutFields"));
  if (!fields->isCheckable()) {  // the first time: as the user left it
    fields->setCheckable(true);
    fields->setChecked(p_.ReadSetting(kViewSection, kPanelShownKey) == QStringLiteral("1"));
  }
  fields->setEnabled(layout != nullptr);
  const bool shown = layout != nullptr && fields->isChecked();
  if (shown && fieldPanel_ == nullptr) {
    MakeFieldPanel();
    fieldPanel_->ShowRows(RowsAtCursor(s_, layouts_));  // its room is their width
    FitWindowToPanel();
  }
  if (fieldPanel_) fieldPanel_->setVisible(shown);
  if (layout == nullptr) return;
  auto* group = new QActionGroup(mnuLayoutKind_);
  for (std::size_t i = 0; i < layout->kinds.size(); ++i) {
    QString name = layout->kinds[i].name;
    name.replace(QLatin1Char('&'), QStringLiteral("&&"));
    QAction* a =
        mnuLayoutKind_->addAction(name.isEmpty() ? QStringLiteral("Record %1").arg(i + 1) : name);
    a->setObjectName(QStringLiteral("mnuLayoutKind(%1)").arg(i));
    a->setProperty("HelpContext", help::kLayout);
    a->setCheckable(true);
    a->setChecked(static_cast<int>(i) == layouts_.Kind(s_) - layout->kinds.data());
    group->addAction(a);
    connect(a, &QAction::triggered, this, [this, i] {
      if (!CommandRefused()) mnuLayoutKind_Click(static_cast<int>(i));
    });
  }
}

void QX::mnuLayoutOpen_Click() {
  const QString path = GuardsPass(Guard::FileOpen)
                           ? p_.OpenFileName(QStringLiteral("Open Copybook"), kCopybookFilter)
                           : QString();
  if (!path.isEmpty()) {
    CopybookResult read = ReadCopybook(path, *s_.Sys);
    if (const auto* error = std::get_if<CopybookError>(&read)) {
      p_.MessageBox(error->Text(), Buttons::Ok, Icon::Critical);
    } else {
      LayoutChoice dialog(this, path);
      if (dialog.exec() == QDialog::Accepted) {
        UseLayout(path, std::move(std::get<Layout>(read)), dialog.Choices());
      }
    }
  }
  FocusFileBar();
}

void QX::mnuLayoutKind_Click(int index) {
  layouts_.ChooseKind(io_, index);
  UpdateLayoutMenu();
  FocusFileBar();
}

void QX::mnuLayoutValue_Click() {
  const RecordKind* kind = layouts_.Kind(s_);
  FileState& c = s_.Current;
  if (!GuardsPass(Guard::FileOpen) || !kind || c.RecordLength < 1) return;
  if (!c.RecordView) {
    p_.ShowMessage(QStringLiteral("Switch to the record view (F6) to change values"));
    return;
  }
  if (!GuardsPass(Guard::Writable)) return;
  const std::int64_t column = c.CursorOffset % c.RecordLength;
  const LayoutField* field = FieldAt(*kind, column);
  if (!field) {
    p_.ShowMessage(QStringLiteral("No field at offset %1 of the record").arg(column));
    return;
  }
  const std::int64_t start = c.CursorOffset - column + field->offset;
  if (const QString refusal = FieldOutOfReach(s_, *field, start); !refusal.isEmpty()) {
    p_.ShowMessage(refusal);
    return;
  }
  CursorTo(start);  // the field's records on screen, and its bytes with them
  if (const std::optional<QString> shown = FieldEditText(s_, *field, start)) {
    ChangeValue dialog(this, p_, field->name, *shown, [&](const QString& text) {
      // The value as shown is not always the bytes' own form ("blank", "."
      // for a byte without a character): stored back, it would change them.
      return text == *shown ? QString() : ChangeFieldValue(s_, *field, start, text);
    });
    dialog.exec();
  } else {
    p_.ShowMessage(QStringLiteral("%1 is not on the screen").arg(field->name));
  }
  CursorTo(start);
  FocusFileBar();
}

void QX::mnuLayoutFields_Click() {
  p_.WriteSetting(kViewSection, kPanelShownKey,
                  MenuItem(QStringLiteral("mnuLayoutFields"))->isChecked() ? QStringLiteral("1")
                                                                           : QStringLiteral("0"));
  UpdateLayoutMenu();
  DisplayState();
}

void QX::MakeFieldPanel() {
  fieldPanel_ = new FieldPanel(
      this, p_, [this](std::int64_t at) { CursorTo(at); },
      [this](std::int64_t at) {
        if (CommandRefused()) return;
        CursorTo(at);
        mnuLayoutValue_Click();
        fieldPanel_->Table()->setFocus();  // back where it was
      },
      [this](int area, int alternative) {
        if (layouts_.ChooseAlternative(io_, area, alternative)) DisplayState();
      });
}

void QX::FitWindowToPanel() {
  // The panel's room is added to the window where the screen allows, not
  // taken from the records.
  const int chars = fontMetrics().horizontalAdvance(QLatin1Char('M'));
  if (dockWidgetArea(fieldPanel_) == Qt::BottomDockWidgetArea) {
    resizeDocks({fieldPanel_}, {chars * 16}, Qt::Vertical);
    return;
  }
  // Room for every column of the rows, within reason.
  const QTableWidget* table = fieldPanel_->Table();
  int columns = table->verticalScrollBar()->sizeHint().width() + 4 * table->frameWidth();
  for (int c = 0; c < table->columnCount(); ++c) columns += table->columnWidth(c);
  const int room = std::clamp(columns, chars * 32, chars * 90);
  if (!isMaximized() && !isFullScreen()) {
    int want = width() + room;
    const int frame = frameGeometry().width() - width();
    const QSize space = p_.ScreenSpace();
    if (!space.isEmpty()) want = std::min(want, space.width() - frame);
    if (want > width()) resize(want, height());
    // Grown past the screen's right edge, it moves left as far as needed;
    // the new size is not in the geometry until the window system agrees.
    if (!space.isEmpty() && frameGeometry().x() + want + frame > space.width())
      move(std::max(0, space.width() - want - frame), pos().y());
  }
  resizeDocks({fieldPanel_}, {room}, Qt::Horizontal);
}

// Not modal: the window stays, with its report, until the user closes it.
void QX::mnuLayoutCheck_Click() {
  if (!GuardsPass(Guard::FileOpen) || !layouts_.Kind(s_)) return;
  auto* form = findChild<CheckRecordsForm*>();
  if (!form) {
    form = new CheckRecordsForm(this, io_, layouts_, [this](std::int64_t at) {
      if (CommandRefused()) return;
      CursorTo(at);
      FocusFileBar();
    });
  } else if (!form->isVisible()) {
    form->PresetRange();
  }
  form->show();
  form->raise();
  form->activateWindow();
}

void QX::mnuLayoutExport_Click() {
  if (const RecordKind* kind = layouts_.Kind(s_); kind && GuardsPass(Guard::FileOpen)) {
    ExportRecordsForm dialog(this, io_, *kind);
    dialog.exec();
  }
  FocusFileBar();
}

void QX::mnuLayoutClose_Click() {
  layouts_.Close(io_);
  UpdateLayoutMenu();
  FocusFileBar();
}

}  // namespace qx
