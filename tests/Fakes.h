// Fakes of the platform seam and the window interface; real files in a temporary directory.
#pragma once

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <thread>

#include "core/Declare.h"
#include "core/FileView.h"
#include "core/IO.h"
#include "core/Navigation.h"
#include "core/Progress.h"
#include "core/SysCalls.h"
#include "platform/Platform.h"

namespace qx::test {

// Answers from a script: a message box, prompt or file dialog the test did
// not queue an answer for fails the test.
class FakePlatform : public Platform {
 public:
  struct Box {
    QString text;
    Icon icon;
    Answer defaultAnswer = Answer::Yes;
  };

  // Queue the answer to the next message box; text (when given) must match.
  void ExpectBox(const QString& text, Answer answer = Answer::Ok) {
    boxAnswers.push_back({text, answer});
  }
  void ExpectValue(std::int64_t v) { values.push_back(v); }
  void ExpectOpenFile(const QString& path) { openNames.push_back(path); }
  void ExpectSaveFile(const QString& path) { saveNames.push_back(path); }

  Answer MessageBox(const QString& text, Buttons buttons, Icon icon, const QString&,
                    Answer defaultAnswer) override {
    boxes.push_back({text, icon, defaultAnswer});
    if (boxAnswers.empty() && anyBox) return buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
    if (boxAnswers.empty()) {
      ADD_FAILURE() << "unexpected message box: " << text.toStdString();
      return buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
    }
    auto [want, answer] = boxAnswers.front();
    boxAnswers.pop_front();
    if (!want.isEmpty()) {
      EXPECT_EQ(want.toStdString(), text.toStdString());
    }
    return answer;
  }
  void Beep() override { ++beeps; }
  QString OpenFileName(const QString&, const QString& filter) override {
    openFilters.push_back(filter);
    return Pop(openNames, "open dialog");
  }
  QString SaveFileName(const QString&, const QString& suggested, const QString& filter) override {
    saveOffers.push_back(suggested + " | " + filter);
    return Pop(saveNames, "save dialog");
  }
  QString ReadSetting(const QString& section, const QString& key,
                      const QString& defaultValue) override {
    return settings.value(section + "/" + key, defaultValue);
  }
  void WriteSetting(const QString& section, const QString& key, const QString& value) override {
    settings[section + "/" + key] = value;
  }
  std::int64_t AskValue(const QString& caption, std::int64_t value, int) override {
    return Pop(values, "prompt: " + caption, value);
  }
  QSize ScreenSpace() override { return screenSpace; }
  void ShowNotice(const QString& text) override { notices.push_back(text); }
  void ShowMessage(const QString& text) override { messages.push_back(text); }
  void ProcessEvents() override {
    if (onEvents) onEvents();
  }
  void ShowHelp(int context) override { helpContexts.push_back(context); }
  void HelpSearch() override { helpContexts.push_back(kIndex); }
  bool StartSystemInfo() override { return systemInfo; }

  // A printer that records each job's lines; "\f" stands for a page break.
  struct Job {
    PrintSetup setup;
    QStringList lines;
    bool ended = false;
    bool incomplete = false;  // cut short: a file printer keeps the old file
  };
  class RecordingSink : public PrintSink {
   public:
    RecordingSink(FakePlatform& p, Job& job) : p_(p), job_(job) {}
    bool Line(const QString& text) override { return Put(text); }
    bool NewPage() override { return Put(QStringLiteral("\f")); }
    bool EndDocument() override {
      job_.ended = true;
      return !p_.failAtEnd;
    }
    bool EndIncomplete() override {
      job_.incomplete = true;
      return EndDocument();
    }
    QString Error() const override { return QStringLiteral("The printer is out of paper"); }

   private:
    bool Put(const QString& text) {
      if (p_.failAfterLines >= 0 && job_.lines.size() >= p_.failAfterLines) return false;
      job_.lines << text;
      return true;
    }
    FakePlatform& p_;
    Job& job_;
  };
  QStringList Printers() override { return printers; }
  QString DefaultPrinter() override { return printers.value(0); }
  QStringList PrinterFonts(const QString& printer) override { return fonts.value(printer); }
  std::unique_ptr<PrintSink> StartPrintJob(const PrintSetup& setup, QString& error) override {
    if (!refuseJob.isEmpty()) {
      error = refuseJob;
      return nullptr;
    }
    jobs.push_back({setup, {}, false});
    return std::make_unique<RecordingSink>(*this, jobs.back());
  }
  bool PrintTestPage(const PrintSetup& setup, const std::vector<TestTick>& ticks,
                     QString& error) override {
    if (!refuseJob.isEmpty()) {
      error = refuseJob;
      return false;
    }
    testPages.push_back({setup, ticks});
    return true;
  }
  void PreviewPrintJob(const PrintSetup& setup,
                       const std::function<void(PrintSink&)>& print) override {
    previews.push_back({setup, {}, false});
    RecordingSink sink(*this, previews.back());
    print(sink);
  }
  QStringList printers{kPdfPrinter};
  QMap<QString, QStringList> fonts;
  QString refuseJob;        // when set, every job is refused with this reason
  int failAfterLines = -1;  // the printer fails after this many lines
  bool failAtEnd = false;   // or refuses the job at its end (a PDF not written)
  std::deque<Job> jobs, previews;
  std::vector<std::pair<PrintSetup, std::vector<TestTick>>> testPages;

  // Every queued answer was used.
  void Verify() const {
    EXPECT_TRUE(boxAnswers.empty()) << boxAnswers.size() << " message box(es) never shown";
    EXPECT_TRUE(values.empty()) << values.size() << " prompt(s) never shown";
  }

  std::vector<Box> boxes;
  QStringList notices, messages;
  QStringList saveOffers;  // "suggested name | filter" of each save dialog
  QStringList openFilters;
  QSize screenSpace;  // empty: as large as any window
  QMap<QString, QString> settings;
  static constexpr int kIndex = -1;  // helpContexts entry of the keyword index
  std::vector<int> helpContexts;
  bool systemInfo = false;  // what StartSystemInfo answers
  int beeps = 0;
  std::function<void()> onEvents;  // runs inside ProcessEvents (a Cancel click, say)
  bool anyBox = false;             // unqueued message boxes are answered OK / No
  // The last message box holds words; with err, it is a critical one that
  // gives err's reason.
  void ExpectLastSaid(const QString& words, int err = 0) const {
    ASSERT_FALSE(boxes.empty());
    const Box& box = boxes.back();
    EXPECT_TRUE(box.text.contains(words)) << box.text.toStdString();
    if (err == 0) return;
    EXPECT_EQ(box.icon, Icon::Critical);
    EXPECT_TRUE(box.text.contains(QString::fromLocal8Bit(std::strerror(err))));
  }
  // Every message box text since the case began, for names a message gave.
  QString AllText() const {
    QString all;
    for (const Box& b : boxes) all += b.text + QLatin1Char('\n');
    return all;
  }

 private:
  template <class T>
  T Pop(std::deque<T>& q, const QString& what, T none = {}) {
    if (q.empty()) {
      ADD_FAILURE() << "unexpected " << what.toStdString();
      return none;
    }
    T v = q.front();
    q.pop_front();
    return v;
  }
  std::deque<std::pair<QString, Answer>> boxAnswers;
  std::deque<std::int64_t> values;
  std::deque<QString> openNames, saveNames;
};

// System calls that fail on demand: those numbered in failAt since the last Reset,
// and the kinds in always every time (a file system without that call).
class FaultySys : public SysCalls {
 public:
  void Reset(std::set<int> at = {}) {
    failAt = std::move(at);
    count = 0;
    log.clear();
  }
  std::set<int> failAt;
  int error = EIO;
  std::map<Call, int> always;
  int count = 0;
  std::vector<int> log;  // the kinds of the counted calls, in order
  // The last rename or exchange logged was followed by a sync (of its
  // directory), so that the new name survives a crash.
  bool SyncedAfterLastRename() const {
    const auto renames = [](int c) {
      return c == static_cast<int>(Call::Rename) || c == static_cast<int>(Call::Exchange);
    };
    const auto last = std::find_if(log.rbegin(), log.rend(), renames);
    return last != log.rend() &&
           std::find(log.rbegin(), last, static_cast<int>(Call::Sync)) != last;
  }
  // When set, every write and kernel copy moves at most this many bytes.
  std::size_t shortWrites = 0;

 protected:
  std::size_t Limit(Call, std::size_t n) override {
    return shortWrites > 0 && n > shortWrites ? shortWrites : n;
  }
  int Inject(Call c) override {
    if (auto it = always.find(c); it != always.end()) return it->second;
    log.push_back(static_cast<int>(c));
    return failAt.count(count++) ? error : 0;
  }
};

// Where the write calls fall among those sys counted since its Reset.
inline std::vector<int> WriteCalls(const FaultySys& sys) {
  std::vector<int> writes;
  for (int i = 0; i < static_cast<int>(sys.log.size()); ++i) {
    if (sys.log[i] == static_cast<int>(SysCalls::Call::Write)) writes.push_back(i);
  }
  return writes;
}

// Counts the page loads the file routines ask for.
class FakeView : public FileView {
 public:
  void LoadDisplay() override { ++loads; }
  void DisplayState() override {}
  void UpdateWindows() override {}
  void UpdateRecentFiles() override {}
  void SyncScrollBar() override {}
  void ResetScrollBar() override {}
  void UndoRedoChanged() override {}
  void ReadOnlyChanged() override {}
  void FocusFileBar() override {}
  int loads = 0;
};

// An onEvents that runs cancel at the n-th event. Each earlier event waits
// past the pacer's interval, so that the next block of the operation ends in
// events too: the n-th event then falls after exactly n - 1 blocks.
inline std::function<void()> CancelAtEvent(int n, std::function<void()> cancel) {
  auto count = std::make_shared<int>(0);
  return [count, n, cancel = std::move(cancel)] {
    if (++*count == n) {
      cancel();
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  };
}

// The names in a directory as the system has them: bytes, not all UTF-8.
inline std::vector<QByteArray> NamesIn(const QByteArray& dir) {
  std::vector<QByteArray> names;
  if (DIR* d = ::opendir(dir.constData())) {
    while (const dirent* e = ::readdir(d)) {
      const QByteArray name(e->d_name);
      if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(d);
  }
  return names;
}

// Removes path and all it holds, whatever bytes the names are made of
// (Qt's clean-up skips names that are not UTF-8) and whatever the modes.
inline void RemoveTree(const QByteArray& path) {
  struct stat st {};
  if (::lstat(path.constData(), &st) != 0) return;
  if (!S_ISDIR(st.st_mode)) {
    ::unlink(path.constData());
    return;
  }
  ::chmod(path.constData(), 0700);
  for (const QByteArray& name : NamesIn(path)) RemoveTree(path + '/' + name);
  ::rmdir(path.constData());
}

// A temporary directory with real files, removed whole at the end.
class TempFiles {
 public:
  // Under the given directory, or the system's temporary directory.
  explicit TempFiles(const QString& under = QDir::tempPath())
      : dir_(under + QStringLiteral("/quellox_tests-XXXXXX")) {
    EXPECT_TRUE(dir_.isValid());
    dir_.setAutoRemove(false);
  }
  ~TempFiles() {
    if (dir_.isValid()) RemoveTree(QFile::encodeName(dir_.path()));
  }
  QString Path(const QString& name) const { return dir_.filePath(name); }
  QString Dir() const { return dir_.path(); }
  QString Write(const QString& name, const QByteArray& bytes) const {
    QFile f(Path(name));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    EXPECT_EQ(f.write(bytes), bytes.size());
    return Path(name);
  }
  static QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  // Bytes 0, 1, 2, ... 255, 0, 1 ... of the given length.
  static QByteArray Counting(int n) {
    QByteArray b(n, '\0');
    for (int i = 0; i < n; ++i) b[i] = static_cast<char>(i & 0xFF);
    return b;
  }
  QStringList Entries() const { return QDir(Dir()).entryList(QDir::Files | QDir::Hidden); }
  // What an operation left: temporary files and spare names.
  QStringList Leftovers() const { return Entries().filter(QRegularExpression("^qx")); }

 private:
  QTemporaryDir dir_;
};

// State, fakes and IO wired together, for tests without a window.
struct Rig {
  explicit Rig(const QString& under = QDir::tempPath()) : files(under) { s.Sys = &sys; }
  FaultySys sys;  // first: the open file's descriptor closes through it last
  EditorState s;
  FakePlatform p;
  FakeView v;
  IO io{s, p, v};
  TempFiles files;
};

// Opens fresh bytes in place of a Rig's file, at a working base and record length (0: as opened).
inline QString OpenAnew(Rig& r, const QByteArray& bytes, std::int64_t base = 0,
                        std::int64_t length = 0, const QString& name = "f.bin") {
  r.io.CloseFile();
  const QString path = r.files.Write(name, bytes);
  // New bytes under an old name: the old file's geometry does not come back.
  r.p.settings.removeIf([](auto entry) { return entry.key().startsWith("Geometry/"); });
  r.io.OpenFile(path);
  if (base > 0) {
    EXPECT_TRUE(SetWorkingBase(r.io, base));
  }
  if (length > 0) {
    EXPECT_TRUE(SetRecordLength(r.io, length));
  }
  return path;
}

// Remembers whether it was shown; slow, when asked, to show, so that pacing runs events.
struct FakeBar : ProgressBar {
  void ShowProgress(bool v) override {
    shown = (visible = v) || shown;
    if (v && slow) std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  void SetProgress(int) override {}
  bool visible = false, shown = false, slow = false;
};

// The permission bits of the name itself (a link's are not its target's).
inline mode_t ModeOf(const QString& path) {
  struct stat st {};
  EXPECT_EQ(::lstat(QFile::encodeName(path).constData(), &st), 0);
  return st.st_mode & 07777;
}

// The permissions a new file of the user gets.
inline mode_t NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// Sets environment variables for the life of the object (null: unset).
class Environment {
 public:
  void Set(const char* name, const QByteArray& value) {
    saved_.emplace_back(name, qgetenv(name));
    Put(name, value);
  }
  ~Environment() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) Put(it->first, it->second);
  }

 private:
  static void Put(const char* name, const QByteArray& value) {
    if (value.isNull()) {
      qunsetenv(name);
    } else {
      qputenv(name, value);
    }
  }
  std::vector<std::pair<const char*, QByteArray>> saved_;
};

}  // namespace qx::test
