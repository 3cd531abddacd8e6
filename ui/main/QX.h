// The main window: one page of the current file as a hex grid and a
// character column, the status boxes, the scroll bar, the menus and the
// toolbar. Its slots are the commands of the program.
#pragma once

#include <QColor>
#include <QHash>
#include <QMainWindow>
#include <QSize>
#include <array>
#include <cstdint>
#include <vector>

#include "core/Declare.h"
#include "core/FileView.h"
#include "core/IO.h"
#include "fields/FileLayouts.h"
#include "platform/Platform.h"

class QAction;
class QDragEnterEvent;
class QDropEvent;
class QLabel;
class QScrollBar;
class QToolBar;
class QMenu;
class QGroupBox;

namespace qx {
class FieldPanel;
}

namespace qx {

class PagePane;
class RecordPane;
class ClickableLabel;
struct RecordScreen;
enum class RecordMove;

class QX : public QMainWindow, public FileView {
  Q_OBJECT
 public:
  QX(EditorState& state, Platform& platform, QWidget* parent = nullptr);
  ~QX() override;

  IO& Io() { return io_; }
  FileLayouts& Layouts() { return layouts_; }
  // The current file takes the layout read from copybook (see FileLayouts::Use).
  void UseLayout(const QString& copybook, Layout layout, const LayoutChoices& choices = {});
  EditorState& State() { return s_; }

  // ---- FileView ----
  void LoadDisplay() override;
  void DisplayState() override;
  void UpdateWindows() override;
  void UpdateRecentFiles() override;
  void SyncScrollBar() override;
  void ResetScrollBar() override;
  void UndoRedoChanged() override;
  void ReadOnlyChanged() override;
  void FocusFileBar() override;
  void FollowCursor() override;

  // ---- Page and cursor ----
  void SetCXCY();
  void SetCursor();
  void ShowCursor();
  void CursorForward(int n);
  void CursorBack(int n);
  // The cursor to working offset at in the view showing, the screen
  // scrolled as little as brings it there.
  void CursorTo(std::int64_t at);
  void DrawHexCursor();
  void DrawAsciiCursor();
  void EraseCursorCell();
  // Typing of one key on the active side.
  void TypeCharacter(QChar key);
  // The current file's text is read and typed in the set of this name from
  // now on; the page is drawn anew. Without a file nothing changes.
  void SetCharacterSet(const QString& name);

  // The menu item and toolbar button of a name ("mnuEditUndo", "Find").
  QAction* MenuItem(const QString& name) const;
  QAction* ToolButton(const QString& key) const;

  // ---- Controls (names as the window shows them) ----
  QToolBar* Toolbar1 = nullptr;
  QLabel* Label5 = nullptr;
  QLabel* ReadOnlyWarning = nullptr;
  QLabel* FilenameBox = nullptr;
  QLabel* Label13 = nullptr;
  ClickableLabel* WorkingBaseBox = nullptr;
  QLabel* Label6 = nullptr;
  ClickableLabel* RecordLengthBox = nullptr;
  QLabel* RecordCountBox = nullptr;
  QLabel* Label8 = nullptr;
  QGroupBox* Frame1 = nullptr;
  QLabel* Label14 = nullptr;
  QLabel* RecordNumberBoxActual = nullptr;
  QLabel* Label15 = nullptr;
  ClickableLabel* RecordNumberBoxRequest = nullptr;
  QGroupBox* Frame2 = nullptr;
  QLabel* Label17 = nullptr;
  QLabel* FieldOffsetBoxActual = nullptr;
  QLabel* Label18 = nullptr;
  ClickableLabel* FieldOffsetBoxRequest = nullptr;
  QLabel* Label9 = nullptr;
  QLabel* FileLengthBox = nullptr;
  ClickableLabel* CharSetBox = nullptr;  // the current file's character set
  QLabel* Label19 = nullptr;
  ClickableLabel* FileOffsetBox = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* BufferTopBox = nullptr;
  std::array<QLabel*, 32> RBar{};
  PagePane* HexBox = nullptr;
  PagePane* Text1 = nullptr;
  PagePane* AsciiBox = nullptr;
  QScrollBar* FileBar = nullptr;
  // The record view, in place of the page, the rulers and FileBar.
  RecordPane* RecordBox = nullptr;
  QScrollBar* RecordBar = nullptr;  // over the records
  QScrollBar* ColumnBar = nullptr;  // over the columns of a record
  QLabel* MessageLine = nullptr;    // in the status bar, under everything

  // Window-level state.
  bool AsciiSide = false;
  bool SecondNibble = false;
  std::int16_t OldCX = 0;
  std::int16_t OldCY = 0;
  int LastBarValue = 1;
  int CharWidth = 0;  // twips
  int RowHeight = 0;  // twips

 public slots:
  // File
  void mnuFileOpen_Click();
  void mnuFileClose_Click();
  void mnuFileSaveSector_Click();
  void mnuFileChoosePrinter_Click();
  void mnuFilePrint_Click();
  void mnuFileFiles_Click(int index);
  void mnuFileExit_Click();
  // Edit
  void mnuEditUndo_Click();
  void mnuEditRedo_Click();
  void mnuEditCut_Click();
  void mnuEditCopy_Click();
  void mnuEditPaste_Click();
  void mnuEditFill_Click();
  void mnuEditFind_Click();
  void mnuEditFindNext_Click();
  void mnuEditReplace_Click();
  void mnuEditValues_Click();
  // Navigate
  void mnuNavMark_Click();
  void mnuNavGoToMark_Click();
  void mnuNavGoToRecord_Click();
  void mnuNavPreviousRecord_Click();
  void mnuNavNextRecord_Click();
  void mnuNavGoToCursor_Click();
  void mnuNavGoToByte_Click();
  void mnuNavToggle_Click();
  // Configure
  void mnuConfigSetWorkingBase_Click();
  void mnuConfigSetRecordLength_Click();
  void mnuConfigRecordNumber_Click();
  void mnuConfigRecordOffset_Click();
  void mnuConfigZoomIn_Click();
  void mnuConfigZoomOut_Click();
  void mnuConfigActualSize_Click();
  void mnuConfigCharSet_Click(int index);
  // View
  void mnuViewPage_Click();
  void mnuViewRecords_Click();
  void mnuViewSwitch_Click();
  void mnuViewShowHex_Click();
  // Window
  void mnuWindowWindows_Click(int index);
  // Record Operations
  void mnuRecordChop_Click();
  void mnuRecordPaste_Click();
  void mnuRecordFill_Click();
  // Layout
  void mnuLayoutOpen_Click();
  void mnuLayoutKind_Click(int index);
  void mnuLayoutValue_Click();
  void mnuLayoutFields_Click();
  void mnuLayoutClose_Click();
  void mnuLayoutCheck_Click();
  void mnuLayoutExport_Click();
  // Help
  void mnuHelpSearch_Click();
  void mnuHelpAbout_Click();
  // Status boxes
  void WorkingBaseBox_Click();
  void RecordLengthBox_Click();
  void RecordNumberBoxRequest_Click();
  void FieldOffsetBoxRequest_Click();
  void FileOffsetBox_Click();
  // Opens the Character Set choice at the box.
  void CharSetBox_Click();
  // Toolbar and scroll bar
  void Toolbar1_ButtonClick(const QString& key);
  void FileBar_Change();
  // An action of the bar: arrow and trough steps, Top and Bottom.
  void FileBar_Action(int action);
  // F4: Find Next when a file is open.
  void FindNextKey();

 public:
  // The guards every command handler tests first: Writable asks the
  // writable guard ("File is read-only") and then the file-open guard.
  enum class Guard { FileOpen, Writable };
  bool GuardsPass(Guard g);
  // While an operation runs, every command but its Cancel and Help is
  // refused with a beep: true then. Otherwise the command begins, and the
  // message of the last one leaves the message line.
  bool CommandRefused();
  // The message line shows text (elided to its width) until the next
  // command: a menu item, a toolbar button, a key, a click in the window.
  void ShowMessage(const QString& text);
  // Asked when the window is closed while an operation runs.
  static inline const QString kCancelOperationQuestion =
      QStringLiteral("An operation is running. Cancel it?");

  // The window font's size in points; the layout is rebuilt to it.
  static constexpr int kMinFontPoints = 6;
  static constexpr int kMaxFontPoints = 24;
  static constexpr int kDefaultFontPoints = 8;
  int FontPoints() const { return fontPoints_; }
  // Marks the bytes edited since the last save, and the title, while the page
  // has unsaved edits.
  void ShowUnsaved();
  // Whether the window, as laid out now, fits the space its screen has.
  bool FitsScreen() const;
  void SetFontPoints(int points);
  // The current file in the record view (true) or the page; the cursor's
  // byte stays on screen. Unsaved edits are offered for saving first.
  void SetRecordView(bool records);
  // The screen of the record view as the window and the state are now;
  // TopRecord and FirstColumn are brought within their ranges.
  RecordScreen RecordScreenNow();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void showEvent(QShowEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dropEvent(QDropEvent* e) override;

 private:
  void BuildControls();
  void ElideMessage();
  void ShowFileName();
  void ApplyFont();
  int Scaled(int designTwips) const;
  void BuildMenus();
  void BuildToolbar();
  // The Layout menu as the current file's layout is: its record kinds.
  void UpdateLayoutMenu();
  void HexBox_MouseDown(double xTwips, double yTwips);
  void AsciiBox_MouseDown(double xTwips, double yTwips);
  bool Form_KeyDown(QKeyEvent* e);  // true when consumed
  void DrawHexCell(int row, int col);
  void DrawAsciiCell(int row, int col);
  void Place(QWidget* w, int left, int top, int width, int height);
  void TypeKey(QKeyEvent* e);
  // The key is the shortcut of a menu item, enabled or not; fileOnly leaves
  // out the items that act without a file.
  bool IsMenuShortcut(const QKeyEvent* e, bool fileOnly = false) const;
  QAction* AddMenuAction(QMenu* menu, const QString& name);
  // ---- The record view ----
  void PlaceRecordView();
  // The window grows to show a useful number of records when the view
  // appears, within the screen, and goes back when the page returns.
  void MakeFieldPanel();
  void FitWindowToPanel();
  void FitWindowToView(bool records);
  // Shows the page's controls or the record view's, as the file's view is.
  void ShowView();
  // Reads the records on screen unless they are there already (asking
  // "Save Change?" first when they change under unsaved edits), and paints.
  void LoadRecords();
  // Paints the records as they are in the buffer, and brings the bars in line.
  void PaintRecords();
  void ShowRecordCursor();
  void MoveRecordCursor(RecordMove move);
  void ScrollRecordsTo(std::int64_t top);
  bool RecordKey(int key);
  void RecordBar_Action(int action);
  void RecordBox_Click(std::int64_t row, int column, int line);

  EditorState& s_;
  Platform& p_;
  IO io_;
  bool syncScrollBar_ = false;
  bool ignoreNextBarChange_ = false;
  bool closing_ = false;
  QHash<QString, QAction*> actions_;      // menu items by name
  QHash<QString, QAction*> toolActions_;  // toolbar buttons by key
  std::array<QAction*, 4> mnuFileFiles_{};
  std::array<QAction*, 4> mnuWindowWindows_{};
  FileLayouts layouts_;
  QMenu* mnuLayoutKind_ = nullptr;
  FieldPanel* fieldPanel_ = nullptr;        // made when first shown
  std::vector<QAction*> mnuConfigCharSet_;  // one radio item per set, in CharacterSets() order
  int wheelDelta_ = 0;                      // wheel rotation not yet turned into rows
  int sideDelta_ = 0;                       // sideways wheel rotation not yet turned into columns
  QColor hexFore_;                          // the print colour of HexBox
  QColor asciiFore_;                        // the print colour of AsciiBox
  int fontPoints_ = kDefaultFontPoints;
  bool recordsShown_ = false;  // the record view is on screen
  QSize grownFrom_;            // the window's size before the record view grew it
  QSize grownTo_;
  QString message_;  // the message line's whole text
};

}  // namespace qx
