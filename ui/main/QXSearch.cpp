// Find, Find Next and Search and Replace commands of the main window.
#include "core/CharacterSet.h"
#include "fields/FieldList.h"
#include "ui/dialogs/Find.h"
#include "ui/dialogs/Replace.h"
#include "ui/main/QX.h"

namespace qx {

void QX::mnuEditFind_Click() {
  if (GuardsPass(Guard::FileOpen)) {
    Find dialog(this, io_, layouts_.Kind(s_));
    dialog.exec();
  }
  FocusFileBar();
}

// The menu and F4 continue the last search without showing the dialog; the
// dialog object only carries the scan. Without a file there is nothing to
// scan: the last search's range belongs to a file that is gone.
void QX::mnuEditFindNext_Click() {
  FindNextKey();
  FocusFileBar();
}

void QX::FindNextKey() {
  if (!GuardsPass(Guard::FileOpen)) return;
  // The field kept for the next search is looked up again in the current
  // file's layout: another file's records need not have it. A value search
  // keeps the name, to say which field is missing.
  const RecordKind* kind = layouts_.Kind(s_);
  if (s_.SearchField.Active() && s_.SearchType != kSearchValue)
    s_.SearchField = ScopeNamed(s_.SearchField.name, kind, CharacterSetOf(s_.Current.CharSet));
  Find dialog(this, io_, kind);
  dialog.FindNext();
}

void QX::mnuEditReplace_Click() {
  if (GuardsPass(Guard::Writable)) {
    Replace dialog(this, io_, layouts_.Kind(s_));
    dialog.exec();
  }
  FocusFileBar();
}

}  // namespace qx
