#include <QLabel>
#include <QLineEdit>
#include <QScreen>

#include "input/KeyFilters.h"
#include "tests/WindowRig.h"
#include "ui/dialogs/FieldFilter.h"
#include "ui/dialogs/NoticeForm.h"
#include "ui/dialogs/Request.h"
#include "ui/main/Library.h"

namespace qx::test {

TEST(Prompt, RequestTakesDigitsAndKeepsTheValueOtherwise) {
  // Keys typed into the empty prompt before Enter, the value given, the value read.
  for (auto [keys, value, want] : {std::tuple{"", 42, 42}, {"1,2-9", 3, 129}, {"10", 3, 10}}) {
    WhenModal<Request> typing([keys = QString(keys)](Request* r) {
      EXPECT_TRUE(r->Entry->text().isEmpty());
      QTest::keyClicks(r->Entry, keys);
      QTest::keyClick(r->Entry, Qt::Key_Return);
    });
    EXPECT_EQ(Request::Ask(nullptr, QStringLiteral("Go To Byte"), value, 0), want);
  }

  // 500 twips below the main window's top, centred across the screen; Exit reads like Enter.
  QWidget main;
  main.setGeometry(40, 60, 600, 400);
  main.show();
  WhenModal<Request> typing([&main](Request* r) {
    EXPECT_EQ(r->frameGeometry().top(),
              main.frameGeometry().top() + TwipsToPixels(&main, 500, true));
    const QRect screen = r->screen()->availableGeometry();
    EXPECT_LE(std::abs(r->frameGeometry().center().x() - screen.center().x()), 1);
    QTest::keyClicks(r->Entry, QStringLiteral("129"));
    QTest::keyClick(r->Entry, Qt::Key_Backspace);
    r->Entry->insert(QStringLiteral("-7"));  // a paste that is no number is refused too
    QTest::mouseClick(r->ExitButton, Qt::LeftButton);
  });
  EXPECT_EQ(Request::Ask(&main, QStringLiteral("Record Number"), 3, 0), 12);
}

TEST(Prompt, NoticeClosesByItselfWithOneBeep) {
  FakePlatform p;
  WhenModal<NoticeForm> look([](NoticeForm* n) {
    EXPECT_EQ(n->Message->text(), QStringLiteral("Found"));
    EXPECT_TRUE(QTest::qWaitFor([n] { return !n->isVisible(); }, 3000));
  });
  ShowNotice(nullptr, p, QStringLiteral("Found"));
  EXPECT_EQ(p.beeps, 1);
}

TEST(Prompt, FieldFilterOnRealFields) {
  EditorState s;
  s.WorkingLength = 1000;
  s.Current.MarkTable['K' - 'A'].CursorOffset = 1024;
  QDialog dlg;
  auto *start = new QLineEdit(&dlg), *end = new QLineEdit(&dlg), *pattern = new QLineEdit(&dlg);
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

  // The filter's decisions reach the fields: a mark's offset, Ctrl+E's, Enter's focus moves.
  QTest::keyClick(start, 'k');
  EXPECT_EQ(dlg.focusWidget(), end);
  QTest::keyClick(end, Qt::Key_E, Qt::ControlModifier);
  QTest::keyClick(end, Qt::Key_Return);
  EXPECT_EQ(std::tuple(start->text(), end->text(), dlg.focusWidget()),
            std::tuple("1,024", "999", action));
  // A pattern asks at each key whether it is hex; Enter there runs the action in place.
  pattern->setFocus();
  QTest::keyClicks(pattern, QStringLiteral("a 1g"));
  hex = false;
  QTest::keyClicks(pattern, QStringLiteral("g "));
  QTest::keyClick(pattern, Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(std::tuple(pattern->text(), enters, clicks, dlg.focusWidget()),
            std::tuple("A1g ", 1, 0, pattern));
}

}  // namespace qx::test
