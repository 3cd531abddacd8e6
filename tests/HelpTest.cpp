#include <sys/stat.h>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTabBar>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QUrl>

#include "QxBuild.h"
#include "app/CommandLine.h"
#include "app/QtPlatform.h"
#include "core/CharacterSet.h"
#include "help/HelpContexts.h"
#include "help/HelpFile.h"
#include "tests/WindowRig.h"
#include "ui/dialogs/About.h"
#include "ui/dialogs/HelpViewer.h"

namespace qx::test {

namespace {

const char kSmallHelp[] =
    "# a comment\n"
    "@topic 1 Overview\n"
    "@keywords Mark; overview\n"
    "First line\n"
    "joined.\n"
    "\n"
    "- item one\n"
    "  continued\n"
    "- item two\n"
    "after the list\n"
    "> 00 01\n"
    "> 02\n"
    "\n"
    "> 03\n"
    "@heading Keys\n"
    "See [[310]] and [[310|the marks]].\n"
    "@topic 310 Marks\r\n"
    "@keywords mark; MARK letters; Ctrl+M; bookmark\n"
    "Set a mark <here> & there.\n";

HelpFile Parsed(const QByteArray& text) {
  HelpFile help;
  QString error;
  EXPECT_TRUE(ParseHelp(text, help, error)) << error.toStdString();
  return help;
}

QByteArray ShippedHelp() {
  QFile f(QStringLiteral(QX_HELP_SOURCE));
  EXPECT_TRUE(f.open(QIODevice::ReadOnly));
  return f.readAll();
}

}  // namespace

TEST(Help, ParsesTopicsBlocksAndLinksAndRefusesMalformedFiles) {
  const HelpFile help = Parsed(kSmallHelp);
  ASSERT_EQ(help.topics.size(), 2u);
  const HelpTopic& overview = help.topics[0];
  using K = HelpBlock::Kind;
  const std::vector<std::pair<K, QString>> blocks = {
      {K::Paragraph, "First line joined."},
      {K::Bullet, "item one continued"},
      {K::Bullet, "item two"},
      {K::Paragraph, "after the list"},
      {K::Verbatim, "00 01\n02"},
      {K::Verbatim, "03"},
      {K::Heading, "Keys"},
      {K::Paragraph, "See [[310]] and [[310|the marks]]."}};
  ASSERT_EQ(overview.blocks.size(), blocks.size());
  for (std::size_t i = 0; i < blocks.size(); ++i)
    EXPECT_EQ(std::pair(overview.blocks[i].kind, overview.blocks[i].text), blocks[i]) << i;
  EXPECT_TRUE(help.PlainText(overview).contains("See Marks and the marks."));
  EXPECT_TRUE(TopicHtml(help, *help.Find(310)).contains("Set a mark &lt;here&gt; &amp; there."));
  EXPECT_TRUE(TopicHtml(help, overview).contains("<a href=\"topic:310\">the marks</a>"));

  EXPECT_EQ(Parsed("@topic 999999 Last\n").topics.size(), 1u);  // the largest number
  const std::pair<const char*, const char*> bad[] = {
      {"@topic\n", "line 1: @topic needs a context number"},
      {"@topic 1000000 Title\n", "line 1: @topic needs a context number"},
      {"@topic 5\n", "line 1: topic 5 has no title"},
      {"@topic 5 A\n@topic 5 B\n", "line 2: context number 5 is used twice (first at line 1)"},
      {"@topic 5 A\nSee [[6]].\n", "line 2: the link to context 6 has no topic to go to"},
      {"@topic 5 A\nSee [[5.\n", "line 2: a link is not closed with ]]"},
      {"@topic 5 A\nSee [[x|y]].\n", "line 2: the link [[x|y]] does not start with a context"},
      {"text\n@topic 5 A\n", "line 1: text before the first @topic"},
      {"@keywords a\n", "line 1: @keywords before the first @topic"},
      {"@topic 5 A\n@bogus\n", "line 2: unknown directive @bogus"},
      {"@topic 5 A\n\xff\n", "the file is not UTF-8 text"},
      {"# only a comment\n", "the file holds no topics"},
  };
  for (const auto& [text, why] : bad) {
    HelpFile out;
    QString error;
    EXPECT_TRUE(!ParseHelp(text, out, error) && error.startsWith(why))
        << text << " -> " << error.toStdString();
  }

  // Damaged copies of the real file: an error or a sound file, never a crash.
  const QByteArray shipped = ShippedHelp();
  QRandomGenerator rng(7);
  const QByteArray pieces[] = {"[[", "]]", "|", "\n", "@topic 1 X\n", "@topic ", "\xff", "[[99"};
  for (int round = 0; round < 300; ++round) {
    QByteArray text = shipped;
    for (int k = rng.bounded(1, 6); k > 0; --k) {
      const int at = rng.bounded(static_cast<int>(text.size()) + 1);
      const int how = rng.bounded(3);
      if (how == 0) text.insert(at, pieces[rng.bounded(8)]);
      if (how == 1) text.remove(at, rng.bounded(200));
      if (how == 2) text.truncate(at);
    }
    HelpFile out;
    QString error;
    if (ParseHelp(text, out, error)) {
      for (const HelpTopic& t : out.topics) TopicHtml(out, t);
    } else {
      EXPECT_FALSE(error.isEmpty());
    }
  }
}

TEST(Help, KeywordSearchMatchesPartsIgnoringCase) {
  const HelpFile help = Parsed(kSmallHelp);
  const auto keywords = [&help](const QString& part) {
    QStringList found;
    for (const KeywordMatch& m : MatchKeywords(help, part)) found << m.keyword;
    return found;
  };
  EXPECT_EQ(keywords("mar"), QStringList({"Mark", "MARK letters", "bookmark"}));
  EXPECT_EQ(keywords(""), QStringList({"bookmark", "Ctrl+M", "Mark", "MARK letters", "overview"}));
  EXPECT_TRUE(keywords("zz").isEmpty());
  // "Mark" and "mark" are one keyword of two topics.
  EXPECT_EQ(MatchKeywords(help, "mark").front().contexts, (std::vector<int>{1, 310}));
}

TEST(Help, ShippedFileCoversEveryContextAndCommand) {
  HelpFile help;
  QString path, error;
  // The build tree has it beside the program, where the program looks first.
  ASSERT_TRUE(
      LoadHelpFile(HelpFileCandidates(QCoreApplication::applicationDirPath()), help, path, error))
      << error.toStdString();
  EXPECT_EQ(TempFiles::Read(path), ShippedHelp());
  std::vector<int> contexts(help::kAllContexts.begin(), help::kAllContexts.end());
  WindowRig r;
  for (QAction* a : r.w->findChildren<QAction*>())  // every menu's items too; 0 is none
    contexts.push_back(a->property("HelpContext").toInt());
  for (int context : contexts) EXPECT_TRUE(context == 0 || help.Find(context)) << context;

  // Not found, not a file, damaged: the message says what and where.
  TempFiles files;
  const QString missing = files.Dir() + "/none/Qxhelp.hlp", fifo = files.Dir() + "/fifo.hlp";
  EXPECT_FALSE(LoadHelpFile({missing, missing + "2"}, help, path, error));
  EXPECT_EQ(error, "The help file \"Qxhelp.hlp\" was not found. Quellox looked for it here:\n" +
                       missing + "\n" + missing + "2");
  ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  EXPECT_FALSE(LoadHelpFile({fifo}, help, path, error));
  EXPECT_EQ(error, "The help file " + fifo + " is not a regular file.");
  const QString damaged = files.Write("damaged.hlp", "@topic 1 A\n@topic 1 B\n");
  EXPECT_FALSE(LoadHelpFile({damaged}, help, path, error));
  EXPECT_EQ(error, "The help file " + damaged +
                       " is damaged: line 2: context number 1 is used twice (first at line 1).");
}

TEST(Help, ViewerFollowsLinksHistoryAndTheKeywordIndex) {
  TempFiles files;
  HelpViewer v(nullptr, {files.Write("Qxhelp.hlp", kSmallHelp)});
  v.show();  // the lists lay out their items for the clicks below
  v.ShowTopic(1);
  EXPECT_TRUE(v.Page->toPlainText().startsWith("Overview"));
  emit v.Page->anchorClicked(QUrl("topic:310"));
  EXPECT_EQ(v.CurrentContext(), 310);
  EXPECT_EQ(v.TopicTree->currentItem()->text(0), "Marks");
  QTest::mouseClick(v.BackButton, Qt::LeftButton);
  EXPECT_TRUE(v.CurrentContext() == 1 && !v.BackButton->isEnabled());
  QTest::mouseClick(v.ForwardButton, Qt::LeftButton);
  EXPECT_EQ(v.CurrentContext(), 310);
  v.ShowTopic(999);
  EXPECT_TRUE(v.Page->toPlainText().startsWith("There is no topic with the context number 999"));

  // The index: part of a keyword; one with two topics offers both.
  v.ShowIndex();
  EXPECT_EQ(v.Tabs->currentIndex(), 1);
  QTest::keyClicks(v.KeywordEntry, "mar");
  QTest::keyClick(v.KeywordEntry, Qt::Key_Return);
  ASSERT_EQ(v.FoundList->count(), 2);
  EXPECT_EQ(v.CurrentContext(), 999);
  QTest::mouseClick(v.FoundList->viewport(), Qt::LeftButton, {},
                    v.FoundList->visualItemRect(v.FoundList->item(1)).center());
  EXPECT_EQ(v.CurrentContext(), 310);

  // A click on the index's tab puts the focus in its box.
  v.Tabs->setCurrentIndex(0);
  v.Page->setFocus();
  QTabBar* tabs = v.Tabs->tabBar();
  QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
  EXPECT_EQ(v.focusWidget(), v.KeywordEntry);
}

TEST(Help, AboutBoxAndSystemInfo) {
  FakePlatform fake;
  WhenModal<About> look([&fake](About* a) {
    fake.ExpectBox("System Information Is Unavailable At This Time");
    QTest::mouseClick(a->cmdSysInfo, Qt::LeftButton);
    fake.systemInfo = true;  // a program started: nothing to say
    QTest::mouseClick(a->cmdSysInfo, Qt::LeftButton);
    QTest::keyClick(a, Qt::Key_Return);
  });
  About::Show(nullptr, fake);
  fake.Verify();

  // The real seam: a program on the PATH is started, none means none.
  TempFiles files;
  Environment env;
  env.Set("PATH", QFile::encodeName(files.Dir()));
  QtPlatform platform;
  EXPECT_FALSE(platform.StartSystemInfo());
  // A message box is as wide as its title, however short its text, and has the default given.
  WhenModal<QMessageBox> answer([](QMessageBox* box) {
    EXPECT_GE(box->width(), box->fontMetrics().horizontalAdvance("Replaced 3 times") + 150);
    EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No));
    box->defaultButton()->click();
  });
  EXPECT_EQ(platform.MessageBox("3", Buttons::YesNo, Icon::None, "Replaced 3 times", Answer::No),
            Answer::No);
  const QString marker = files.Dir() + "/started";
  const QString tool = files.Write("hardinfo", ("#!/bin/sh\necho ok > " + marker + "\n").toUtf8());
  ASSERT_EQ(chmod(QFile::encodeName(tool).constData(), 0700), 0);
  EXPECT_TRUE(platform.StartSystemInfo());
  QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), 5000);
}

TEST(Help, CommandLineAnswersWithoutADisplay) {
  // The files a run opens, the character set (in any case), or what is wrong.
  const QString sets = "; the character sets are: " + CharacterSetNames();
  const std::tuple<QStringList, QStringList, QString, QString> lines[] = {
      {{"a.bin", "-style", "fusion", "--platform=xcb", "-reverse", "b"}, {"a.bin", "b"}, {}, {}},
      {{"--", "--help", "-"}, {"--help", "-"}, {}, {}},
      {{"--charset", "ibm037", "a.bin"}, {"a.bin"}, "IBM037", {}},
      {{"a.bin", "--charset=IBM037"}, {"a.bin"}, "IBM037", {}},
      {{"--copybook", "c.cpy", "a.bin", "--copybook=d.cpy"}, {"a.bin"}, {}, {}},
      {{"a.bin", "--copybook"}, {}, {}, "option '--copybook' needs a value"},
      {{"a.bin", "-style"}, {}, {}, "option '-style' needs a value"},
      {{"--charset", "EBCDIC", "a.bin"}, {}, {}, "unknown character set 'EBCDIC'" + sets},
  };
  using A = CommandLine::Action;
  for (const auto& [args, files, set, error] : lines) {
    const CommandLine line = ParseCommandLine(args);
    EXPECT_EQ(std::tuple(line.action, line.error),
              std::tuple(error.isEmpty() ? A::Run : A::Error, error));
    if (error.isEmpty()) {
      EXPECT_EQ(std::tuple(line.files, line.charSet), std::tuple(files, set));
    }
  }

  EXPECT_EQ(ParseCommandLine({"--copybook", "c.cpy", "--copybook=d.cpy"}).copybook, "d.cpy");

  TempFiles files;
  const QString none = files.Dir() + "/none";
  const QString good = files.Write("good.cpy", "01 R.\n  05 A PIC X.\n");
  const QString bad = files.Write("bad.cpy", "01 R.\n  05 A PIC X.\n  05 B PIC Q.\n");
  const QString noDisplay =
      "quellox: no display to open a window on (DISPLAY is not set); quellox --help works without "
      "one\n";
  // arguments, exit status, output, the start of the error output
  const std::tuple<QStringList, int, QString, QString> runs[] = {
      {{"--copybook", bad, "a.bin"}, 2, "", "quellox: " + bad + " line 3: "},
      {{"--copybook=" + none, "a.bin"}, 2, "", "quellox: " + none + ": "},
      {{"--copybook", good, "a.bin"}, 1, "", noDisplay},
      {{"--help"}, 0, Usage(), ""},
      {{"a.bin", "--version"}, 0, "quellox " QX_VERSION "\n", ""},
      {{"--bogus", "a.bin"}, 2, "", "quellox: unknown option '--bogus'\n" + Usage()},
  };
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char* var : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(var);
  for (const auto& [args, status, out, errStart] : runs) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(QX_PROGRAM), args);
    ASSERT_TRUE(p.waitForFinished(20000)) << args.join(' ').toStdString();
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    EXPECT_EQ(
        std::tuple(p.exitStatus(), p.exitCode(), QString::fromLocal8Bit(p.readAllStandardOutput()),
                   errStart.isEmpty() ? err.isEmpty() : err.startsWith(errStart)),
        std::tuple(QProcess::NormalExit, status, out, true))
        << err.toStdString();
  }
}

}  // namespace qx::test
