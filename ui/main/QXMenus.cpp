// The menu tree and the toolbar of the main window, each built from one
// table, and the toolbar's dispatch by key.
#include <QAction>
#include <QActionGroup>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include "core/CharacterSet.h"
#include "help/HelpContexts.h"
#include "ui/main/QX.h"

namespace qx {

namespace {

enum class Kind { Menu, Item, Separator, RecentFiles, OpenWindows, CharacterSets, LayoutKinds };
// kAnyTime: the item acts without a file too (its shortcut included).
enum State { kNormal = 0, kDisabled = 1, kAnyTime = 2 };

struct MenuEntry {
  Kind kind;
  const char* name;
  const char* caption;
  const char* shortcut;
  int helpContext;  // 0: none
  int state;
  void (QX::*handler)();
};

// In display order; a Menu entry opens a top-level menu for the items after it.
const MenuEntry kMenuTable[] = {
    {Kind::Menu, "mnuFile", "&File", "", 100, kNormal, nullptr},
    {Kind::Item, "mnuFileOpen", "&Open File...", "Ctrl+O", 100, kAnyTime, &QX::mnuFileOpen_Click},
    {Kind::Item, "mnuFileClose", "&Close File", "Ctrl+W", 100, kNormal, &QX::mnuFileClose_Click},
    {Kind::Separator, "file1", "-", "", 0, kNormal, nullptr},
    {Kind::Item, "mnuFileSaveSector", "&Save Sector", "F2; Ctrl+S", 100, kNormal,
     &QX::mnuFileSaveSector_Click},
    {Kind::Separator, "file2", "-", "", 0, kNormal, nullptr},
    {Kind::Item, "mnuFileChoosePrinter", "Choose P&rinter...", "", 100, kNormal,
     &QX::mnuFileChoosePrinter_Click},
    {Kind::Item, "mnuFilePrint", "&Print...", "Ctrl+P", 100, kNormal, &QX::mnuFilePrint_Click},
    {Kind::Separator, "file3", "-", "", 0, kNormal, nullptr},
    {Kind::RecentFiles, "mnuFileFiles", "", "", 0, kNormal, nullptr},
    {Kind::Separator, "file4", "-", "", 0, kNormal, nullptr},
    {Kind::Item, "mnuFileExit", "E&xit", "Ctrl+Q", 0, kAnyTime, &QX::mnuFileExit_Click},

    {Kind::Menu, "mnuEdit", "&Edit", "", 200, kNormal, nullptr},
    {Kind::Item, "mnuEditUndo", "&Undo", "Ctrl+Z", 200, kDisabled, &QX::mnuEditUndo_Click},
    {Kind::Item, "mnuEditRedo", "&Re-do", "Ctrl+Y; Ctrl+Shift+Z", 200, kDisabled,
     &QX::mnuEditRedo_Click},
    {Kind::Separator, "edit2", "-", "", 0, kNormal, nullptr},
    {Kind::Item, "mnuEditCut", "Cu&t...", "", 200, kNormal, &QX::mnuEditCut_Click},
    {Kind::Item, "mnuEditCopy", "&Copy...", "", 200, kNormal, &QX::mnuEditCopy_Click},
    {Kind::Item, "mnuEditPaste", "&Paste...", "", 200, kNormal, &QX::mnuEditPaste_Click},
    {Kind::Item, "mnuEditFill", "Fi&ll...", "", 200, kNormal, &QX::mnuEditFill_Click},
    {Kind::Separator, "edit3", "-", "", 0, kNormal, nullptr},
    {Kind::Item, "mnuEditFind", "&Find...", "Ctrl+F", 200, kNormal, &QX::mnuEditFind_Click},
    {Kind::Item, "mnuEditFindNext", "Find Ne&xt", "F4", 200, kNormal, &QX::mnuEditFindNext_Click},
    {Kind::Item, "mnuEditReplace", "&Search and Replace...", "", 200, kNormal,
     &QX::mnuEditReplace_Click},
    {Kind::Separator, "edit4", "-", "", 0, kNormal, nullptr},
    {Kind::Item, "mnuEditValues", "Show &Values...", "", 200, kNormal, &QX::mnuEditValues_Click},

    {Kind::Menu, "mnuNav", "&Navigate", "", 300, kNormal, nullptr},
    {Kind::Item, "mnuNavMark", "&Mark...", "Ctrl+M", 300, kNormal, &QX::mnuNavMark_Click},
    {Kind::Item, "mnuNavGoToMark", "&Go To Mark...", "Ctrl+G", 300, kNormal,
     &QX::mnuNavGoToMark_Click},
    {Kind::Separator, "nav1", "-", "", 0, kNormal, nullptr},
    {Kind::Item, "mnuNavGoToRecord", "Go To This &Record", "", 300, kNormal,
     &QX::mnuNavGoToRecord_Click},
    {Kind::Item, "mnuNavPreviousRecord", "&Previous Record", "", 300, kNormal,
     &QX::mnuNavPreviousRecord_Click},
    {Kind::Item, "mnuNavNextRecord", "&Next Record", "", 300, kNormal, &QX::mnuNavNextRecord_Click},
    {Kind::Separator, "nav2", "-", "", 0, kNormal, nullptr},
    {Kind::Item, "mnuNavGoToCursor", "Go To &Cursor", "", 300, kNormal,
     &QX::mnuNavGoToCursor_Click},
    {Kind::Item, "mnuNavGoToByte", "Go To &Byte...", "", 300, kNormal, &QX::mnuNavGoToByte_Click},
    {Kind::Separator, "nav3", "-", "", 0, kNormal, nullptr},
    {Kind::Item, "mnuNavToggle", "&Toggle Cursor", "F5", 300, kNormal, &QX::mnuNavToggle_Click},

    {Kind::Menu, "mnuView", "&View", "", help::kViewMenu, kNormal, nullptr},
    {Kind::Item, "mnuViewPage", "&Page", "", help::kViewMenu, kNormal, &QX::mnuViewPage_Click},
    {Kind::Item, "mnuViewRecords", "&Records", "", help::kRecordView, kNormal,
     &QX::mnuViewRecords_Click},
    {Kind::Item, "mnuViewSwitch", "S&witch View", "F6", help::kViewMenu, kNormal,
     &QX::mnuViewSwitch_Click},
    {Kind::Separator, "view1", "-", "", 0, kNormal, nullptr},
    {Kind::Item, "mnuViewShowHex", "Show &Hex", "", help::kRecordView, kNormal,
     &QX::mnuViewShowHex_Click},

    {Kind::Menu, "mnuConfig", "&Configure", "", 400, kNormal, nullptr},
    {Kind::Item, "mnuConfigSetWorkingBase", "Set &Working Base...", "", 400, kNormal,
     &QX::mnuConfigSetWorkingBase_Click},
    {Kind::Item, "mnuConfigSetRecordLength", "Set Record &Length...", "", 400, kNormal,
     &QX::mnuConfigSetRecordLength_Click},
    {Kind::Item, "mnuConfigRecordNumber", "Set Record &Number...", "", 400, kNormal,
     &QX::mnuConfigRecordNumber_Click},
    {Kind::Item, "mnuConfigRecordOffset", "Set Record &Offset...", "", 400, kNormal,
     &QX::mnuConfigRecordOffset_Click},
    {Kind::CharacterSets, "mnuConfigCharSet", "Character &Set", "", help::kCharacterSet, kNormal,
     nullptr},
    {Kind::Separator, "config1", "-", "", 0, kNormal, nullptr},
    {Kind::Item, "mnuConfigZoomIn", "Zoom &In", "Ctrl++; Ctrl+=", 400, kAnyTime,
     &QX::mnuConfigZoomIn_Click},
    {Kind::Item, "mnuConfigZoomOut", "Zoom O&ut", "Ctrl+-", 400, kAnyTime,
     &QX::mnuConfigZoomOut_Click},
    {Kind::Item, "mnuConfigActualSize", "&Actual Size", "Ctrl+0", 400, kAnyTime,
     &QX::mnuConfigActualSize_Click},

    {Kind::Menu, "mnuWindow", "&Window", "", 0, kNormal, nullptr},
    {Kind::OpenWindows, "mnuWindowWindows", "", "", 0, kNormal, nullptr},

    {Kind::Menu, "mnuRecord", "&Record Operations", "", 500, kNormal, nullptr},
    {Kind::Item, "mnuRecordChop", "&Chop...", "", 500, kNormal, &QX::mnuRecordChop_Click},
    {Kind::Item, "mnuRecordPaste", "&Paste...", "", 500, kNormal, &QX::mnuRecordPaste_Click},
    {Kind::Item, "mnuRecordFill", "&Fill...", "", 500, kNormal, &QX::mnuRecordFill_Click},

    {Kind::Menu, "mnuLayout", "&Layout", "", help::kLayout, kNormal, nullptr},
    {Kind::Item, "mnuLayoutOpen", "&Open Copybook...", "", help::kLayout, kNormal,
     &QX::mnuLayoutOpen_Click},
    {Kind::LayoutKinds, "mnuLayoutKind", "Record &Kind", "", help::kLayout, kNormal, nullptr},
    {Kind::Item, "mnuLayoutFields", "&Fields", "", help::kFieldPanel, kDisabled,
     &QX::mnuLayoutFields_Click},
    {Kind::Item, "mnuLayoutValue", "Change &Value...", "Ctrl+E", help::kLayout, kDisabled,
     &QX::mnuLayoutValue_Click},
    {Kind::Item, "mnuLayoutClose", "C&lose Layout", "", help::kLayout, kNormal,
     &QX::mnuLayoutClose_Click},
    {Kind::Separator, "layout1", "-", "", 0, kNormal, nullptr},
    {Kind::Item, "mnuLayoutCheck", "&Check Records...", "", help::kCheckRecords, kDisabled,
     &QX::mnuLayoutCheck_Click},
    {Kind::Item, "mnuLayoutExport", "&Export Records...", "", help::kExportRecords, kDisabled,
     &QX::mnuLayoutExport_Click},

    {Kind::Menu, "mnuHelp", "&Help", "", 0, kNormal, nullptr},
    {Kind::Item, "mnuHelpSearch", "&Quellox Help Topics...", "", 0, kNormal,
     &QX::mnuHelpSearch_Click},
    {Kind::Item, "mnuHelpAbout", "&About Quellox...", "", 0, kNormal, &QX::mnuHelpAbout_Click},
};

struct ToolEntry {
  const char* key;  // empty: a separator
  const char* tooltip;
};

const ToolEntry kToolTable[] = {
    {"", ""},
    {"OpenFile", "Open File"},
    {"SaveSector", "Save Sector"},
    {"Undo", "Undo"},
    {"Redo", "Redo"},
    {"", ""},
    {"Print", "Print"},
    {"", ""},
    {"Find", "Find"},
    {"", ""},
    {"Mark", "Mark"},
    {"GoToMark", "Go To Mark"},
    {"", ""},
    {"GoToCursor", "Go To Cursor"},
    {"GoToByte", "Go To Byte"},
    {"", ""},
    {"RequestedRecord", "Go To Requested Record"},
    {"NextRecord", "Go To Next Record"},
    {"PreviousRecord", "Go To Previous Record"},
    {"", ""},
    {"ShowValues", "Show Values"},
    {"", ""},
    {"Cut", "Cut"},
    {"Copy", "Copy"},
    {"Paste", "Paste"},
    {"", ""},
    {"ToggleCursor", "Toggle Cursor"},
};

struct ToolHandler {
  const char* key;
  void (QX::*handler)();
};

// Compared in this order; the first equal key decides.
const ToolHandler kToolHandlers[] = {
    {"OpenFile", &QX::mnuFileOpen_Click},
    {"SaveSector", &QX::mnuFileSaveSector_Click},
    {"Undo", &QX::mnuEditUndo_Click},
    {"Redo", &QX::mnuEditRedo_Click},
    {"Print", &QX::mnuFilePrint_Click},
    {"Find", &QX::mnuEditFind_Click},
    {"Mark", &QX::mnuNavMark_Click},
    {"GoToMark", &QX::mnuNavGoToMark_Click},
    {"GoToCursor", &QX::mnuNavGoToCursor_Click},
    {"GoToByte", &QX::mnuNavGoToByte_Click},
    {"RequestedRecord", &QX::mnuNavGoToRecord_Click},
    {"NextRecord", &QX::mnuNavNextRecord_Click},
    {"PreviousRecord", &QX::mnuNavPreviousRecord_Click},
    {"ShowValues", &QX::mnuEditValues_Click},
    {"Cut", &QX::mnuEditCut_Click},
    {"Copy", &QX::mnuEditCopy_Click},
    {"Paste", &QX::mnuEditPaste_Click},
    {"ToggleCursor", &QX::mnuNavToggle_Click},
};

// Page and Records are one choice; Show Hex is on or off.
void MakeViewChoices(QX* w) {
  auto* views = new QActionGroup(w);
  for (const char* name : {"mnuViewPage", "mnuViewRecords"}) {
    QAction* a = w->MenuItem(QString::fromLatin1(name));
    a->setCheckable(true);
    views->addAction(a);
  }
  w->MenuItem(QStringLiteral("mnuViewPage"))->setChecked(true);
  QAction* hex = w->MenuItem(QStringLiteral("mnuViewShowHex"));
  hex->setCheckable(true);
  hex->setChecked(true);
}

}  // namespace

QAction* QX::AddMenuAction(QMenu* menu, const QString& name) {
  QAction* a = menu->addAction(QString());
  a->setObjectName(name);
  actions_.insert(name, a);
  return a;
}

void QX::BuildMenus() {
  QMenu* menu = nullptr;
  for (const MenuEntry& e : kMenuTable) {
    const QString name = QString::fromLatin1(e.name);
    const QString caption = QString::fromLatin1(e.caption);
    switch (e.kind) {
      case Kind::Menu: {
        menu = menuBar()->addMenu(caption);
        menu->setObjectName(name);
        menu->menuAction()->setObjectName(name);
        menu->menuAction()->setProperty("HelpContext", e.helpContext);
        actions_.insert(name, menu->menuAction());
        break;
      }
      case Kind::Separator: {
        QAction* a = menu->addSeparator();
        a->setObjectName(name);
        actions_.insert(name, a);
        break;
      }
      case Kind::Item: {
        QAction* a = AddMenuAction(menu, name);
        a->setText(caption);
        if (*e.shortcut != '\0')
          a->setShortcuts(QKeySequence::listFromString(QString::fromLatin1(e.shortcut)));
        a->setProperty("WithoutFile", e.state == kAnyTime);
        a->setProperty("HelpContext", e.helpContext);
        a->setEnabled(e.state != kDisabled);
        // Items to come have no handler yet.
        if (e.handler == nullptr) break;
        connect(a, &QAction::triggered, this, [this, handler = e.handler] {
          if (!CommandRefused()) (this->*handler)();
        });
        break;
      }
      case Kind::RecentFiles:
        for (int i = 0; i < kRecentFileCount; ++i) {
          QAction* a = AddMenuAction(menu, QStringLiteral("%1(%2)").arg(name).arg(i));
          a->setProperty("HelpContext", 0);
          a->setVisible(false);
          connect(a, &QAction::triggered, this, [this, i] {
            if (!CommandRefused()) mnuFileFiles_Click(i);
          });
          mnuFileFiles_[static_cast<std::size_t>(i)] = a;
        }
        break;
      case Kind::OpenWindows:
        for (int i = 0; i < kMaxOpenFiles; ++i) {
          QAction* a = AddMenuAction(menu, QStringLiteral("%1(%2)").arg(name).arg(i));
          a->setProperty("HelpContext", 0);
          a->setVisible(i == 0);
          connect(a, &QAction::triggered, this, [this, i] {
            if (!CommandRefused()) mnuWindowWindows_Click(i);
          });
          mnuWindowWindows_[static_cast<std::size_t>(i)] = a;
        }
        break;
      case Kind::CharacterSets: {
        QMenu* sets = menu->addMenu(caption);
        sets->setObjectName(name);
        sets->menuAction()->setObjectName(name);
        sets->menuAction()->setProperty("HelpContext", e.helpContext);
        actions_.insert(name, sets->menuAction());
        auto* group = new QActionGroup(sets);
        mnuConfigCharSet_.clear();
        const std::vector<CharacterSet>& all = CharacterSets();
        for (std::size_t i = 0; i < all.size(); ++i) {
          QAction* a = AddMenuAction(sets, QStringLiteral("%1(%2)").arg(name).arg(i));
          a->setText(QStringLiteral("%1 (%2)").arg(all[i].Name(), all[i].Description()));
          a->setCheckable(true);
          a->setProperty("HelpContext", e.helpContext);
          group->addAction(a);
          connect(a, &QAction::triggered, this, [this, i] {
            if (!CommandRefused()) mnuConfigCharSet_Click(static_cast<int>(i));
          });
          mnuConfigCharSet_.push_back(a);
        }
        break;
      }
      case Kind::LayoutKinds: {
        mnuLayoutKind_ = menu->addMenu(caption);
        mnuLayoutKind_->setObjectName(name);
        mnuLayoutKind_->menuAction()->setObjectName(name);
        mnuLayoutKind_->menuAction()->setProperty("HelpContext", e.helpContext);
        actions_.insert(name, mnuLayoutKind_->menuAction());
        break;
      }
    }
  }
  MakeViewChoices(this);
}

void QX::BuildToolbar() {
  Toolbar1 = addToolBar(QStringLiteral("Toolbar1"));
  Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
  Toolbar1->setMovable(false);
  Toolbar1->setFloatable(false);
  Toolbar1->setIconSize(QSize(16, 16));
  Toolbar1->setFocusPolicy(Qt::NoFocus);
  Toolbar1->toggleViewAction()->setEnabled(false);
  for (const ToolEntry& e : kToolTable) {
    const QString key = QString::fromLatin1(e.key);
    if (key.isEmpty()) {
      Toolbar1->addSeparator();
      continue;
    }
    QAction* a = Toolbar1->addAction(QIcon(QStringLiteral(":/icons/%1.png").arg(key)), QString());
    a->setObjectName(key);
    a->setProperty("Key", key);
    a->setToolTip(QString::fromLatin1(e.tooltip));
    connect(a, &QAction::triggered, this, [this, key] { Toolbar1_ButtonClick(key); });
    toolActions_.insert(key, a);
  }
  // The buttons never take the focus from the scroll bar.
  for (QWidget* w : Toolbar1->findChildren<QWidget*>()) w->setFocusPolicy(Qt::NoFocus);
}

QAction* QX::MenuItem(const QString& name) const {
  return actions_.value(name, nullptr);
}

QAction* QX::ToolButton(const QString& key) const {
  return toolActions_.value(key, nullptr);
}

void QX::Toolbar1_ButtonClick(const QString& key) {
  if (CommandRefused()) return;
  for (const ToolHandler& t : kToolHandlers) {
    if (key != QLatin1String(t.key)) continue;
    (this->*t.handler)();
    // Go To Cursor from the toolbar hands the focus back to the scroll bar.
    if (t.handler == &QX::mnuNavGoToCursor_Click) FocusFileBar();
    return;
  }
}

bool QX::CommandRefused() {
  if (io_.BusyRefused()) return true;
  ShowMessage(QString());
  return false;
}

bool QX::GuardsPass(Guard g) {
  if (g == Guard::Writable && io_.ReadOnlyRefused()) return false;
  return s_.FileOpen();
}

void QX::UndoRedoChanged() {
  if (QAction* undo = MenuItem(QStringLiteral("mnuEditUndo"))) undo->setEnabled(s_.UndoEnabled);
  if (QAction* redo = MenuItem(QStringLiteral("mnuEditRedo"))) redo->setEnabled(s_.RedoEnabled);
  if (HexBox != nullptr) ShowUnsaved();  // a save ends the page's edits
}

}  // namespace qx
