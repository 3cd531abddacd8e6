// Attaches the key rules of a field kind to a line edit in one line:
//   AttachFieldFilter(StartBox, FieldKind::RangeStart, state, EndBox);
#pragma once

#include <QObject>
#include <functional>

#include "core/Declare.h"
#include "input/KeyFilters.h"

class QLineEdit;
class QWidget;

namespace qx {

// next: the control that Enter (and mark letters where the rules say so)
// moves the focus to. onEnter, when set, runs instead of moving the focus
// (Find's pattern box runs Find Next). hexMode, when set, tells whether the
// hexadecimal pattern kind is chosen.
void AttachFieldFilter(QLineEdit* field, FieldKind kind, const EditorState& s, QWidget* next,
                       std::function<void()> onEnter = {}, std::function<bool()> hexMode = {});

}  // namespace qx
