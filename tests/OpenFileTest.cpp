#include <sys/stat.h>
#include <unistd.h>

#include <QProcess>

#include "tests/Fakes.h"

namespace qx::test {

TEST(OpenFile, FreshOpenDerivesGeometry) {
  Rig r;
  const QString small = r.files.Write("small.bin", TempFiles::Counting(100));
  r.io.OpenFile(small);
  EXPECT_EQ(r.s.Current.FileName, small);
  EXPECT_EQ(r.s.FileLength, 100);
  EXPECT_EQ(r.s.WorkingLength, 100);
  EXPECT_EQ(r.s.Current.RecordLength, 100);
  EXPECT_EQ(r.s.RecordCount, 1);
  EXPECT_DOUBLE_EQ(r.s.ScrollScale, 100 / 32767.0);
  EXPECT_EQ(r.s.OpenFileCount, 1);
  EXPECT_EQ(r.s.PageBuffer[99], 99);
  EXPECT_FALSE(r.s.UndoEnabled);

  const QString big = r.files.Write("big.bin", TempFiles::Counting(513));
  r.io.OpenFile(big);
  EXPECT_EQ(r.s.Current.RecordLength, 256);
  EXPECT_EQ(r.s.RecordCount, 3);
  EXPECT_EQ(r.s.OpenFileCount, 2);
}

TEST(OpenFile, EmptyFileOpensWithRecordLengthOneAndCanBeClosed) {
  Rig r;
  const QString empty = r.files.Write("empty.bin", {});
  r.io.OpenFile(empty);
  EXPECT_EQ(r.s.Current.RecordLength, 1);
  EXPECT_EQ(r.s.RecordCount, 0);
  EXPECT_EQ(r.s.WorkingLength, 0);
  r.io.GoToRequested();  // does nothing, divides by nothing
  r.io.GoToCursor();
  EXPECT_EQ(r.s.Current.BufferTop, 0);
  r.io.CloseFile();
  EXPECT_EQ(r.s.OpenFileCount, 0);
  EXPECT_TRUE(r.s.Current.FileName.isEmpty());
}

TEST(OpenFile, BadPathsChangeNothing) {
  Rig r;
  const QString a = r.files.Write("a.bin", TempFiles::Counting(300));
  r.io.OpenFile(a);
  r.s.Current.CursorOffset = 5;

  r.p.ExpectBox("Couldn't find " + r.files.Path("missing"));
  r.io.OpenFile(r.files.Path("missing"));
  r.p.ExpectBox("Couldn't open " + r.files.Dir());
  r.io.OpenFile(r.files.Dir());
  if (::geteuid() != 0) {  // root reads everything
    const QString locked = r.files.Write("locked.bin", "x");
    ::chmod(QFile::encodeName(locked).constData(), 0);
    r.p.ExpectBox("Couldn't open " + locked);
    r.io.OpenFile(locked);
  }
  r.p.Verify();
  EXPECT_EQ(r.s.Current.FileName, a);
  EXPECT_EQ(r.s.Current.CursorOffset, 5);
  EXPECT_EQ(r.s.OpenFileCount, 1);
  EXPECT_EQ(r.s.PageBuffer[1], 1);

  r.io.OpenFile(a);  // the current file again: nothing
  r.io.OpenFile({});
  EXPECT_EQ(r.s.OpenFileCount, 1);
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
    r.s.Current.MarkTable[12] = {names.size() * 3, names.size() * 4};
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
  EXPECT_EQ(r.s.Current.MarkTable[12].CursorOffset, 8);
  EXPECT_EQ(r.s.RecordCount, RecordCountFor(2000, 14));
  EXPECT_EQ(r.s.PageBuffer[0], 32);
  EXPECT_EQ(r.s.OpenFileCount, 4);

  r.io.SwitchToWindow(0);  // the current one: nothing
  EXPECT_EQ(order(), "Q S R P");

  // A fifth file, even one already open, is refused.
  r.p.ExpectBox("Four files are open. Please close one file before opening another.");
  EXPECT_TRUE(r.io.TooManyFiles());
  r.p.ExpectBox("Four files are open. Please close one file before opening another.");
  r.io.OpenRecentFile(1);
  r.p.Verify();

  // Closing makes the most recently used of the others current.
  r.io.CloseFile();
  EXPECT_EQ(order(), "S R P ");
  EXPECT_EQ(QFileInfo(r.s.Current.FileName).fileName(), "S");
  EXPECT_EQ(r.s.Current.CursorOffset, 40);
  EXPECT_EQ(r.s.OpenFileCount, 3);
  for (int i = 0; i < 3; ++i) r.io.CloseFile();
  EXPECT_EQ(r.s.OpenFileCount, 0);
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
  auto list = [&] {
    return QStringList(r.s.RecentFiles.begin(), r.s.RecentFiles.end());
  };
  EXPECT_EQ(list(), (QStringList{f[3], f[2], f[1], f[0]}));
  r.io.OpenFile(f[1]);  // index 2 moves to the top; entry 3 stays
  EXPECT_EQ(list(), (QStringList{f[1], f[3], f[2], f[0]}));
  r.io.OpenFile(f[4]);  // a new name drops the last entry
  EXPECT_EQ(list(), (QStringList{f[4], f[1], f[3], f[2]}));
  EXPECT_EQ(r.p.settings.value("Filenames/1"), f[4]);
  EXPECT_EQ(r.p.settings.value("Filenames/4"), f[2]);

  // A new run reads the list back in the same order.
  Rig again;
  again.p.settings = r.p.settings;
  again.io.LoadSettings();
  EXPECT_EQ(QStringList(again.s.RecentFiles.begin(), again.s.RecentFiles.end()), list());

  // A recent file that vanished: "Couldn't open", the list stays.
  QFile::remove(f[3]);
  r.io.CloseFile();
  r.io.CloseFile();
  r.p.ExpectBox("Couldn't open " + f[3]);
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
  const QString rw = r.files.Write("rw.bin", TempFiles::Counting(50));
  r.io.OpenFile(ro);
  EXPECT_TRUE(r.s.ReadOnly);
  r.p.ExpectBox("File is read-only");
  EXPECT_TRUE(r.io.ReadOnlyRefused());
  r.io.OpenFile(rw);
  EXPECT_FALSE(r.s.ReadOnly);
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
  r.s.Current.RequestedOffset = 10;
  r.io.GoToRequested();
  EXPECT_EQ(r.s.Current.BufferTop, 300);
  EXPECT_EQ(r.s.Current.CursorOffset, 310);
  EXPECT_EQ(r.s.PageBuffer[0], 300 & 0xFF);
  r.s.Current.RequestedOffset = 300;
  r.io.GoToRequested();
  EXPECT_EQ(r.s.Current.CursorOffset, 600);
  EXPECT_EQ(r.s.Current.BufferTop, 564);

  r.s.Current.CursorOffset = 4000;
  r.io.GoToCursor();
  EXPECT_EQ(r.s.Current.BufferTop, 3964);
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

  // Shrunk on disk behind our back: the page reads what is left.
  ASSERT_EQ(::truncate(QFile::encodeName(path).constData(), 995), 0);
  r.io.ReadPage();
  EXPECT_EQ(r.s.PageBuffer[4], 994 & 0xFF);
  r.io.ReopenFile();
  EXPECT_EQ(r.s.FileLength, 995);
  QFile::remove(path);
  r.io.ReadPage();
  r.io.ReopenFile();
  EXPECT_EQ(r.s.WorkingLength, 995);  // the open descriptor still reads it
}

TEST(PagePlacement, HugeSparseFileOpensWithSixtyFourBitLengths) {
  Rig r;
  const QString path = r.files.Path("huge.bin");
  {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_TRUE(f.resize(5LL << 30));
  }
  r.io.OpenFile(path);
  EXPECT_EQ(r.s.FileLength, 5LL << 30);
  EXPECT_EQ(r.s.RecordCount, (5LL << 30) / 256);
  r.s.Current.CursorOffset = (5LL << 30) - 1;
  r.io.GoToCursor();
  EXPECT_EQ(r.s.Current.BufferTop, (5LL << 30) - 37);
}

}  // namespace qx::test
