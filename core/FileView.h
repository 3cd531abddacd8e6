// What the file routines ask of the main window. QX implements it; tests
// use a recording fake.
#pragma once

namespace qx {

class FileView {
 public:
  virtual ~FileView() = default;

  // Redraw the whole page (and the cursor, if it is on the page).
  virtual void LoadDisplay() = 0;
  // Refresh the status boxes from the state.
  virtual void DisplayState() = 0;
  // Rebuild the Window menu from the open-file table.
  virtual void UpdateWindows() = 0;
  // Rewrite the captions of the recent-file items.
  virtual void UpdateRecentFiles() = 0;
  // Move the scroll bar to stand for BufferTop without moving the page.
  virtual void SyncScrollBar() = 0;
  // Scroll bar value and its last handled value back to 1.
  virtual void ResetScrollBar() = 0;
  // Show UndoEnabled / RedoEnabled on the Edit menu.
  virtual void UndoRedoChanged() = 0;
  // Show or hide READ ONLY from the state.
  virtual void ReadOnlyChanged() = 0;
  virtual void FocusFileBar() = 0;
  // The page was placed for the cursor (a Go To, a mark, a hit): the record
  // view brings the cursor's record and column on screen.
  virtual void FollowCursor() {}
};

}  // namespace qx
