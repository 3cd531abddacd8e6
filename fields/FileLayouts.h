// The layouts of the open files: each file's state names its copybook, the
// record kind and the choices; the layout read from that copybook is held
// here while the file is open, so that switching files keeps it.
#pragma once

#include <QString>
#include <vector>

#include "core/IO.h"
#include "fields/Copybook.h"

namespace qx {

struct FieldValue;

LayoutChoices ChoicesOf(const LayoutFlags& flags);
LayoutFlags FlagsOf(const LayoutChoices& choices);

class FileLayouts {
 public:
  // The current file's layout; null when it has none.
  const Layout* Current(const EditorState& s) const;
  // The record kind in use of the current file's layout; null without one.
  const RecordKind* Kind(const EditorState& s) const;

  // After files open, close or switch: lets go of the layouts of files no
  // longer open, and reads the current file's copybook when its layout is
  // not held (a file just opened). A copybook that does not read leaves the
  // file without a layout, and the message line says why.
  void Sync(IO& io);
  // The current file takes layout, read from copybook (kept by its resolved
  // name), with choices; when
  // the layout's records are of another length, the user is asked to use
  // it as the record length.
  void Use(IO& io, const QString& copybook, Layout layout, const LayoutChoices& choices);
  // The current file's record kind in use; false when out of range.
  bool ChooseKind(IO& io, int kind);
  // The alternative in use in a REDEFINES area of the kind in use, for
  // every record of the current file; false when out of range.
  bool ChooseAlternative(IO& io, int area, int alternative);
  void Close(IO& io);

 private:
  struct Held {
    QString file, copybook;
    Layout layout;
  };
  const Held* Find(const FileState& f) const;
  RecordKind* MutableKind(const EditorState& s);
  static void Redraw(IO& io);
  std::vector<Held> held_;
};

// "12,345.67", "blank", "low-values", why it does not decode ("bad sign
// nibble 4"); a long text shows its start.
QString FieldValueText(const FieldValue& v);

// The Show Values row of the field under the cursor of the current file, in
// the record kind in use: "BALANCE = 12,345.67"; empty without a layout.
QString FieldAtCursor(const EditorState& s, const FileLayouts& layouts);

}  // namespace qx
