#include "ui/dialogs/FieldFilter.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>

namespace qx {

namespace {

bool IsCtrlE(const QKeyEvent* e) {
  return e->key() == Qt::Key_E && (e->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier;
}

class FieldFilter : public QObject {
 public:
  FieldFilter(QLineEdit* field, FieldKind kind, const EditorState& s, QWidget* next,
              std::function<void()> onEnter, std::function<bool()> hexMode)
      : QObject(field),
        field_(field),
        kind_(kind),
        s_(s),
        next_(next),
        onEnter_(std::move(onEnter)),
        hexMode_(std::move(hexMode)) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != field_) return false;
    if (event->type() == QEvent::ShortcutOverride) {
      // Ctrl+E belongs to the field, not to a shortcut elsewhere.
      auto* e = static_cast<QKeyEvent*>(event);
      if (IsCtrlE(e) && CtrlEText(kind_, s_)) {
        e->accept();
        return true;
      }
      return false;
    }
    if (event->type() != QEvent::KeyPress) return false;
    return KeyPress(static_cast<QKeyEvent*>(event));
  }

 private:
  // True when the key is consumed.
  bool KeyPress(QKeyEvent* e) {
    if (IsCtrlE(e)) {
      if (auto text = CtrlEText(kind_, s_)) {
        field_->setText(*text);
        return true;
      }
    }

    // Only keys that type a character pass through the rules; editing and
    // moving keys (Delete, arrows, Tab, Escape, Ctrl shortcuts) keep their
    // ordinary meaning.
    QChar key;
    switch (e->key()) {
      case Qt::Key_Return:
      case Qt::Key_Enter:
        key = QLatin1Char('\r');
        break;
      case Qt::Key_Backspace:
        key = QLatin1Char('\b');
        break;
      default: {
        const QString text = e->text();
        if (text.isEmpty() || text[0].category() == QChar::Other_Control) return false;
        if (e->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) return false;
        key = text[0];
      }
    }

    const KeyDecision d = FilterKey(kind_, key, s_, hexMode_ && hexMode_());
    if (d.setText) field_->setText(*d.setText);
    if (d.accept && key.unicode() != u'\r' && d.key != key) {
      field_->insert(QString(d.key));
      return true;
    }
    if (d.focusNext) {
      if (key.unicode() == u'\r' && onEnter_) {
        onEnter_();
      } else if (next_) {
        next_->setFocus(Qt::OtherFocusReason);
      }
    }
    return !d.accept;
  }

  QLineEdit* field_;
  FieldKind kind_;
  const EditorState& s_;
  QPointer<QWidget> next_;
  std::function<void()> onEnter_;
  std::function<bool()> hexMode_;
};

}  // namespace

void AttachFieldFilter(QLineEdit* field, FieldKind kind, const EditorState& s, QWidget* next,
                       std::function<void()> onEnter, std::function<bool()> hexMode) {
  if (!field) return;
  field->installEventFilter(
      new FieldFilter(field, kind, s, next, std::move(onEnter), std::move(hexMode)));
}

}  // namespace qx
