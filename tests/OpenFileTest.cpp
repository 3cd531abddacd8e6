#include <sys/stat.h>
#include <unistd.h>

#include <QProcess>

#include "tests/Fakes.h"

namespace qx::test {

TEST(OpenFile, FreshOpenDerivesGeometry) {
  Rig r;
  // size, record length, record count; the largest is sparse.
  const std::int64_t cases[][3] = {
      {0, 1, 0}, {100, 100, 1}, {512, 256, 2}, {513, 256, 3}, {5LL << 30, 256, (5LL << 30) / 256}};
  for (auto [size, length, count] : cases) {
    r.io.CloseFile();
    const QString path = r.files.Path(QString::number(size));
    ASSERT_TRUE(QFile(path).open(QIODevice::WriteOnly) && QFile::resize(path, size));
    r.io.OpenFile(path);
    EXPECT_EQ(r.s.FileLength, size);
    EXPECT_EQ(r.s.WorkingLength, size);
    EXPECT_EQ(r.s.Current.RecordLength, length);
    EXPECT_EQ(r.s.RecordCount, count);
    EXPECT_DOUBLE_EQ(r.s.ScrollScale, size / 32767.0);
    EXPECT_EQ(r.s.OpenFileCount, 1);
    // Every page move works; the empty file's do nothing and divide by nothing.
    r.io.GoToRequested();
    r.s.Current.CursorOffset = std::max<std::int64_t>(0, size - 1);
    r.io.GoToCursor();
    EXPECT_EQ(r.s.Current.BufferTop, size > kPageSize ? size - 37 : 0) << size;
  }
  r.io.CloseFile();
  EXPECT_EQ(r.s.OpenFileCount, 0);
  EXPECT_TRUE(r.s.Current.FileName.isEmpty());
  EXPECT_EQ(RecordCountFor(1000, 101), 10);
}

TEST(OpenFile, BadPathsChangeNothing) {
  Rig r;
  const QString a = r.files.Write("a.bin", TempFiles::Counting(300));
  r.io.OpenFile(a);
  r.s.Current.CursorOffset = 5;

  r.p.ExpectBox("Couldn't find " + r.files.Path("missing") + ": No such file or directory");
  r.io.OpenFile(r.files.Path("missing"));
  // Nothing but files and block devices opens, and nothing waits for a
  // writer on a pipe; a link opens its target.
  ASSERT_EQ(::mkfifo(QFile::encodeName(r.files.Path("fifo")).constData(), 0600), 0);
  ASSERT_EQ(::symlink(QFile::encodeName(r.files.Path("fifo")).constData(),
                      QFile::encodeName(r.files.Path("to-fifo")).constData()),
            0);
  const std::pair<QString, QString> refused[] = {
      {r.files.Dir(), r.files.Dir() + ": Is a directory"},
      {r.files.Path("fifo"), r.files.Path("fifo") + ": It is a named pipe, not a file"},
      {r.files.Path("to-fifo"), r.files.Path("fifo") + ": It is a named pipe, not a file"},
      {"/dev/null", "/dev/null: It is a character device, not a file"},
  };
  for (const auto& [path, said] : refused) {
    r.p.ExpectBox("Couldn't open " + said);
    r.io.OpenFile(path);
  }
  if (::geteuid() != 0) {  // root reads everything
    const QString locked = r.files.Write("locked.bin", "x");
    ::chmod(QFile::encodeName(locked).constData(), 0);
    r.p.ExpectBox("Couldn't open " + locked + ": Permission denied");
    r.io.OpenFile(locked);
  }
  r.io.OpenFile(a);  // the current file again: nothing
  r.io.OpenFile({});
  r.p.Verify();
  EXPECT_EQ(r.s.Current.FileName, a);
  EXPECT_EQ(r.s.Current.CursorOffset, 5);
  EXPECT_EQ(r.s.OpenFileCount, 1);
  EXPECT_EQ(r.s.PageBuffer[1], 1);
}

TEST(OpenFile, TableKeepsMostRecentlyUsedOrderAndEachFilesState) {
  Rig r;
  QStringList names;
  for (const char* n : {"P", "Q", "R", "S"}) {
    names << r.files.Write(n, TempFiles::Counting(2000));
    r.io.OpenFile(names.back());
    // Leave each file with a state of its own.
    r.s.Current.CursorOffset = names.size() * 10;
    r.s.Current.BufferTop = names.size() * 16;
    r.s.Current.RecordLength = static_cast<std::int16_t>(names.size() * 7);
  }
  auto order = [&] {
    QStringList o;
    for (const auto& f : r.s.OpenFiles) o << QFileInfo(f.FileName).fileName();
    return o.join(' ');
  };
  EXPECT_EQ(order(), "S R Q P");

  r.io.SwitchToWindow(2);  // Q
  EXPECT_EQ(order(), "Q S R P");
  EXPECT_EQ(r.s.Current.CursorOffset, 20);
  EXPECT_EQ(r.s.Current.BufferTop, 32);
  EXPECT_EQ(r.s.Current.RecordLength, 14);
  EXPECT_EQ(r.s.RecordCount, RecordCountFor(2000, 14));
  EXPECT_EQ(r.s.PageBuffer[0], 32);
  r.io.SwitchToWindow(0);  // the current one: nothing
  EXPECT_EQ(order(), "Q S R P");

  // A fifth file, even one already open, is refused.
  const QString tooMany = "Four files are open. Please close one file before opening another.";
  r.p.ExpectBox(tooMany);
  EXPECT_TRUE(r.io.TooManyFiles());
  r.p.ExpectBox(tooMany);
  r.io.OpenRecentFile(1);
  r.p.Verify();

  // Closing makes the most recently used of the others current.
  r.io.CloseFile();
  EXPECT_EQ(order(), "S R P ");
  EXPECT_EQ(QFileInfo(r.s.Current.FileName).fileName(), "S");
  EXPECT_EQ(r.s.Current.CursorOffset, 40);
  for (int i = 0; i < 3; ++i) r.io.CloseFile();
  EXPECT_EQ(order(), "   ");
  EXPECT_EQ(r.s.WorkingLength, 0);
}

TEST(OpenFile, RecentListMovesToTopAndIsStored) {
  Rig r;
  QStringList f;
  for (const char* n : {"a", "b", "c", "d", "e"}) f << r.files.Write(n, "data");
  for (int i = 0; i < 4; ++i) {
    r.io.OpenFile(f[i]);
    r.io.CloseFile();
  }
  auto list = [&] { return QStringList(r.s.RecentFiles.begin(), r.s.RecentFiles.end()); };
  EXPECT_EQ(list(), (QStringList{f[3], f[2], f[1], f[0]}));
  r.io.OpenFile(f[1]);  // index 2 moves to the top; entry 3 stays
  EXPECT_EQ(list(), (QStringList{f[1], f[3], f[2], f[0]}));
  r.io.OpenFile(f[4]);  // a new name drops the last entry
  EXPECT_EQ(list(), (QStringList{f[4], f[1], f[3], f[2]}));

  // A new run reads the list back in the same order.
  Rig again;
  again.p.settings = r.p.settings;
  again.io.LoadSettings();
  EXPECT_EQ(QStringList(again.s.RecentFiles.begin(), again.s.RecentFiles.end()), list());

  // A recent file that vanished: "Couldn't open", the list stays.
  QFile::remove(f[3]);
  r.io.CloseFile();
  r.io.CloseFile();
  r.p.ExpectBox("Couldn't open " + f[3] + ": No such file or directory");
  r.io.OpenRecentFile(2);
  r.p.Verify();
  EXPECT_EQ(list(), (QStringList{f[4], f[1], f[3], f[2]}));
}

TEST(OpenFile, ReadOnlyFollowsTheCurrentFile) {
  Rig r;
  // A running program cannot be opened for writing, not even by root.
  const QString ro = r.files.Path("busy");
  ASSERT_TRUE(QFile::copy("/bin/sleep", ro));
  QProcess busy;
  busy.start(ro, {"60"});
  ASSERT_TRUE(busy.waitForStarted());
  r.io.OpenFile(ro);
  EXPECT_TRUE(r.s.ReadOnly);
  r.p.ExpectBox("File is read-only");
  EXPECT_TRUE(r.io.ReadOnlyRefused());
  r.io.OpenFile(r.files.Write("rw.bin", TempFiles::Counting(50)));
  EXPECT_FALSE(r.io.ReadOnlyRefused());
  r.io.SwitchToWindow(1);
  EXPECT_TRUE(r.s.ReadOnly);
  r.p.Verify();
  busy.kill();
  busy.waitForFinished();
}

TEST(PagePlacement, GoToRequestedAndTheThirtySixByteRule) {
  Rig r;
  r.io.OpenFile(r.files.Write("f.bin", TempFiles::Counting(5000)));
  r.s.Current.RecordLength = 100;
  r.s.Current.RequestedRecord = 3;
  const std::int64_t cases[][3] = {{10, 310, 300}, {300, 600, 564}};  // offset, cursor, top
  for (auto [offset, cursor, top] : cases) {
    r.s.Current.RequestedOffset = static_cast<int>(offset);
    r.io.GoToRequested();
    EXPECT_EQ(r.s.Current.CursorOffset, cursor);
    EXPECT_EQ(r.s.Current.BufferTop, top);
    EXPECT_EQ(r.s.PageBuffer[0], top & 0xFF);
  }
  r.s.Current.CursorOffset = 200;
  r.io.GoToCursor();
  EXPECT_EQ(r.s.Current.BufferTop, 0);
}

TEST(PagePlacement, ShortAndVanishingFilesShowWhatCanBeRead) {
  Rig r;
  const QString path = r.files.Write("f.bin", TempFiles::Counting(1000));
  r.io.OpenFile(path);
  r.s.Current.BufferTop = 990;
  r.io.ReadPage();
  EXPECT_EQ(r.s.PageBuffer[9], 999 & 0xFF);
  EXPECT_EQ(r.s.PageBuffer[10], 0);

  // Shrunk on disk behind our back: said, and read again as it is now.
  ASSERT_EQ(::truncate(QFile::encodeName(path).constData(), 995), 0);
  r.p.ExpectBox(path +
                " was changed by another program: its length was 1,000 bytes and is now "
                "995.\nNothing was written; the file has been read again.");
  r.io.ReadPage();
  EXPECT_EQ(r.s.PageBuffer[4], 994 & 0xFF);
  EXPECT_EQ(r.s.PageBuffer[5], 0);
  EXPECT_EQ(r.s.FileLength, 995);
  QFile::remove(path);
  r.io.ReadPage();
  r.io.ReopenFile();
  EXPECT_EQ(r.s.WorkingLength, 995);  // the open descriptor still reads it
}

}  // namespace qx::test
