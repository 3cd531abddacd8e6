#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <functional>
#include <limits>

#include "input/KeyFilters.h"
#include "tests/Fakes.h"
#include "ui/dialogs/FieldFilter.h"
#include "ui/dialogs/NoticeForm.h"
#include "ui/dialogs/Request.h"
#include "ui/main/Library.h"

namespace qx {

namespace {

// Runs act on the modal dialog of type W as soon as the event loop shows it;
// a dialog that act should have closed is closed, failing the test instead
// of hanging it.
template <class W>
class WhenModal {
 public:
  explicit WhenModal(std::function<void(W*)> act) : act_(std::move(act)) {
    QObject::connect(&poll_, &QTimer::timeout, [this] {
      auto* w = qobject_cast<W*>(QApplication::activeModalWidget());
      if (!w) return;
      poll_.stop();
      ran = true;
      act_(w);
      if (closes && w->isVisible()) {
        ADD_FAILURE() << "the dialog did not close";
        w->reject();
      }
    });
    poll_.start(1);
  }
  ~WhenModal() { EXPECT_TRUE(ran); }
  bool ran = false, closes = true;

 private:
  std::function<void(W*)> act_;
  QTimer poll_;
};

// Asks for a value, typing keys into the empty prompt, then pressing Enter.
std::int64_t AskTyping(std::int64_t value, const QString& keys) {
  WhenModal<Request> typing([&keys](Request* r) {
    EXPECT_TRUE(r->Entry->text().isEmpty());
    QTest::keyClicks(r->Entry, keys);
    QTest::keyClick(r->Entry, Qt::Key_Return);
  });
  return Request::Ask(nullptr, QStringLiteral("Go To Byte"), value, 0);
}

}  // namespace

TEST(Prompt, RequestTakesDigitsAndKeepsTheValueOtherwise) {
  EXPECT_EQ(AskTyping(42, QString()), 42);  // Enter at once
  EXPECT_EQ(AskTyping(3, QStringLiteral("a-,x +.")), 3);
  EXPECT_EQ(AskTyping(3, QStringLiteral("1,2-9")), 129);
  // Too large: the largest value, which every caller refuses or clamps.
  EXPECT_EQ(AskTyping(7, QStringLiteral("99999999999999999999999")),
            std::numeric_limits<std::int64_t>::max());

  // The prompt sits 500 twips below the main window's top, centred across
  // the screen; Exit reads the entry like Enter.
  QWidget main;
  main.setGeometry(40, 60, 600, 400);
  main.show();
  WhenModal<Request> typing([&main](Request* r) {
    EXPECT_EQ(r->windowTitle(), QStringLiteral("Request"));
    EXPECT_EQ(r->AskFor->text(), QStringLiteral("Record Number"));
    EXPECT_EQ(r->frameGeometry().top(),
              main.frameGeometry().top() + TwipsToPixels(&main, 500, true));
    const QRect screen = r->screen()->availableGeometry();
    EXPECT_LE(std::abs(r->frameGeometry().center().x() - screen.center().x()), 1);
    QTest::keyClicks(r->Entry, QStringLiteral("129"));
    QTest::keyClick(r->Entry, Qt::Key_Backspace);
    r->Entry->insert(QStringLiteral("-7"));  // a paste that is no number is refused too
    EXPECT_EQ(r->Entry->text(), QStringLiteral("12"));
    QTest::mouseClick(r->ExitButton, Qt::LeftButton);
  });
  EXPECT_EQ(Request::Ask(&main, QStringLiteral("Record Number"), 3, 0), 12);
}

TEST(Prompt, NoticeClosesByItselfWithOneBeep) {
  test::FakePlatform p;
  WhenModal<NoticeForm> look([](NoticeForm* n) {
    EXPECT_EQ(n->windowTitle(), QStringLiteral("Notice!"));
    EXPECT_EQ(n->Message->text(), QStringLiteral("Found"));
    EXPECT_TRUE(n->Message->font().bold());
    EXPECT_EQ(n->CountDown->interval(), 500);
  });
  look.closes = false;
  ShowNotice(nullptr, p, QStringLiteral("Found"));
  EXPECT_EQ(p.beeps, 1);
}

TEST(Prompt, FieldFilterOnRealFields) {
  EditorState s;
  s.WorkingLength = 1000;
  s.Current.MarkTable['K' - 'A'].CursorOffset = 1024;
  QDialog dlg;
  auto* start = new QLineEdit(&dlg);
  auto* end = new QLineEdit(&dlg);
  auto* pattern = new QLineEdit(&dlg);
  auto* action = new QPushButton(QStringLiteral("Find First"), &dlg);
  action->setDefault(true);
  int clicks = 0, enters = 0;
  QObject::connect(action, &QPushButton::clicked, [&clicks] { ++clicks; });
  bool hex = true;
  AttachFieldFilter(start, FieldKind::RangeStart, s, end);
  AttachFieldFilter(end, FieldKind::RangeEnd, s, action);
  AttachFieldFilter(
      pattern, FieldKind::Pattern, s, start, [&enters] { ++enters; }, [&hex] { return hex; });
  dlg.show();
  start->setFocus();

  // A mark letter in the range start fills in the mark's offset and moves on.
  QTest::keyClick(start, 'k');
  EXPECT_EQ(start->text(), QStringLiteral("1,024"));
  EXPECT_EQ(dlg.focusWidget(), end);
  // The range end takes digits only, Ctrl+E gives the last offset, and
  // Enter walks to the action button without pressing it.
  QTest::keyClicks(end, QStringLiteral("1,-2"));
  EXPECT_EQ(end->text(), QStringLiteral("12"));
  QTest::keyClick(end, Qt::Key_E, Qt::ControlModifier);
  EXPECT_EQ(end->text(), QStringLiteral("999"));
  QTest::keyClick(end, Qt::Key_Return);
  EXPECT_EQ(dlg.focusWidget(), action);
  EXPECT_TRUE(dlg.isVisible());

  // A hex pattern upper-cases and refuses spaces and non-hex letters; the
  // other kinds take them. Enter there runs the action in place.
  pattern->setFocus();
  QTest::keyClicks(pattern, QStringLiteral("a 1g"));
  EXPECT_EQ(pattern->text(), QStringLiteral("A1"));
  hex = false;
  QTest::keyClicks(pattern, QStringLiteral("g "));
  EXPECT_EQ(pattern->text(), QStringLiteral("A1g "));
  QTest::keyClick(pattern, Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(enters, 1);
  EXPECT_EQ(dlg.focusWidget(), pattern);
  EXPECT_EQ(clicks, 0);
}

}  // namespace qx
