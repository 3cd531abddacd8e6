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

  // The prompt sits 500 twips below the main window's top, centred across
  // the screen; Exit reads the entry like Enter.
  QWidget main;
  main.setGeometry(40, 60, 600, 400);
  main.show();
  WhenModal<Request> typing([&main](Request* r) {
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
  // In the range end Ctrl+E gives the last offset, and Enter walks to the
  // action button without pressing it.
  QTest::keyClick(end, Qt::Key_E, Qt::ControlModifier);
  EXPECT_EQ(end->text(), QStringLiteral("999"));
  QTest::keyClick(end, Qt::Key_Return);
  EXPECT_EQ(dlg.focusWidget(), action);

  // A hex pattern upper-cases and refuses spaces and non-hex letters; the
  // other kinds take them. Enter there runs the action in place.
  pattern->setFocus();
  QTest::keyClicks(pattern, QStringLiteral("a 1g"));
  EXPECT_EQ(pattern->text(), QStringLiteral("A1"));
  hex = false;
  QTest::keyClicks(pattern, QStringLiteral("g "));
  EXPECT_EQ(pattern->text(), QStringLiteral("A1g "));
  // Text takes the characters the file's set has a code for: IBM1140 has
  // the euro, not the currency sign.
  s.Current.CharSet = "IBM1140";
  for (const char16_t c : {u'\u20AC', u'\u00A4'}) {
    QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(QChar(c)));
    QApplication::sendEvent(pattern, &key);
  }
  EXPECT_EQ(pattern->text(), QStringLiteral("A1g \u20AC"));
  QTest::keyClick(pattern, Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(enters, 1);
  EXPECT_EQ(dlg.focusWidget(), pattern);
  EXPECT_EQ(clicks, 0);
}

}  // namespace qx::test
