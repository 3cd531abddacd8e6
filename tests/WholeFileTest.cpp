// Whole-file operations: the temporary file, the commit with its backup,
// Undo/Redo by exchange, and failures that must leave the file untouched.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <csignal>

#include "core/FileExchange.h"
#include "core/TempFileWriter.h"
#include "tests/Fakes.h"

namespace qx::test {

namespace {

QByteArray Counting(int n) {
  return TempFiles::Counting(n);
}

// Plays a rewrite the way the dialogs do: the bytes before at, insert, the
// bytes from at + removed on. Offsets are absolute file offsets.
void Rewrite(Rig& r, std::int64_t at, std::int64_t removed, const QByteArray& insert) {
  TempFileWriter out;
  ASSERT_TRUE(out.Create(r.s.Current.FileName));
  r.s.OperationRunning = true;
  EXPECT_TRUE(r.io.CopyRange(out, 0, at - 1));
  EXPECT_TRUE(out.Write(insert.constData(), insert.size()));
  EXPECT_TRUE(r.io.CopyRange(out, at + removed, r.s.FileLength - 1));
  r.io.EndFileOperation(out);
  EXPECT_FALSE(r.s.OperationRunning);
}

QByteArray Removed(QByteArray b, int at, int n, const QByteArray& insert = {}) {
  return b.remove(at, n).insert(at, insert);
}

QStringList Leftovers(const TempFiles& f) {
  QStringList out;
  for (const QString& e : f.Entries()) {
    if (e.startsWith("qxtmp") || e.startsWith("qxswap")) out << e;
  }
  return out;
}

// Restores the file size limit and the signal when the case ends.
struct FileSizeLimit {
  explicit FileSizeLimit(rlim_t bytes) {
    EXPECT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    handler = std::signal(SIGXFSZ, SIG_IGN);  // the write fails with EFBIG instead
    rlimit small = old;
    small.rlim_cur = bytes;
    EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, handler);
  }
  rlimit old{};
  void (*handler)(int) = nullptr;
};

mode_t ModeOf(const QString& path) {
  struct stat st {};
  EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
  return st.st_mode & 07777;
}

}  // namespace

TEST(WholeFile, BackupNames) {
  EXPECT_EQ(BackupName("/data/CUST.DAT"), "/data/CUST.BAK");
  EXPECT_EQ(BackupName("/data/my.dir/a.bin"), "/data/my.dir/a.BAK");
  EXPECT_EQ(BackupName("/data/a.tar.gz"), "/data/a.BAK");
  EXPECT_EQ(BackupName("/data/noext"), "/data/noext.BAK");
  EXPECT_EQ(BackupName("/data/.profile"), "/data/.profile.BAK");
  EXPECT_EQ(BackupName("/data/X.BAK"), "/data/X.BAK.BAK");
  EXPECT_EQ(BackupName("/data/X.BAK.old"), "/data/X.BAK");
  EXPECT_EQ(BackupName("rel.txt"), "rel.BAK");
}

TEST(WholeFile, CommitKeepsBackupAndUndoRedoExchange) {
  Rig r;
  const QByteArray original = Counting(1000);
  const QString path = r.files.Write("CUST.DAT", original);
  ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0640), 0);
  r.io.OpenFile(path);
  r.s.Current.CursorOffset = 500;
  r.s.Current.BufferTop = 480;

  Rewrite(r, 100, 100, "XYZ");
  const QByteArray first = Removed(original, 100, 100, "XYZ");
  const QString backup = r.files.Path("CUST.BAK");
  EXPECT_EQ(TempFiles::Read(path), first);
  EXPECT_EQ(TempFiles::Read(backup), original);
  EXPECT_EQ(ModeOf(path), 0640u);
  EXPECT_TRUE(Leftovers(r.files).isEmpty()) << Leftovers(r.files).join(",").toStdString();
  EXPECT_TRUE(r.s.WholeFileUndo);
  EXPECT_TRUE(r.s.UndoEnabled);
  EXPECT_FALSE(r.s.RedoEnabled);
  EXPECT_EQ(r.s.FileLength, first.size());
  EXPECT_EQ(r.s.Current.CursorOffset, 500);  // the place stays
  EXPECT_EQ(r.s.Current.BufferTop, 480);
  EXPECT_EQ(static_cast<char>(r.s.PageBuffer[0]), first[480]);

  // Save Sector of an unchanged page keeps the backup as what Undo restores.
  r.io.SavePage();
  EXPECT_TRUE(r.s.WholeFileUndo);

  r.io.UndoChange();
  EXPECT_EQ(TempFiles::Read(path), original);
  EXPECT_EQ(TempFiles::Read(backup), first);
  EXPECT_EQ(r.s.FileLength, 1000);
  EXPECT_TRUE(r.s.RedoEnabled);
  r.io.RedoChange();
  EXPECT_EQ(TempFiles::Read(path), first);
  EXPECT_EQ(TempFiles::Read(backup), original);
  r.io.UndoChange();
  EXPECT_EQ(TempFiles::Read(path), original);
  r.io.RedoChange();

  // The next operation replaces the old backup.
  Rewrite(r, 0, 3, "");
  EXPECT_EQ(TempFiles::Read(path), first.mid(3));
  EXPECT_EQ(TempFiles::Read(backup), first);
  EXPECT_TRUE(Leftovers(r.files).isEmpty());

  // Without a backup Undo says so and the file stays as it is.
  ASSERT_TRUE(QFile::remove(backup));
  r.p.ExpectBox("Can't Undo. No Backup file found");
  r.io.UndoChange();
  EXPECT_EQ(TempFiles::Read(path), first.mid(3));
  EXPECT_EQ(r.s.FileLength, first.size() - 3);
  r.p.Verify();
}

TEST(WholeFile, BackupOfOddNames) {
  // A file named X.BAK keeps its own content under X.BAK.BAK.
  {
    Rig r;
    const QString path = r.files.Write("X.BAK", Counting(300));
    r.io.OpenFile(path);
    Rewrite(r, 10, 10, "");
    EXPECT_EQ(TempFiles::Read(path), Removed(Counting(300), 10, 10));
    EXPECT_EQ(TempFiles::Read(r.files.Path("X.BAK.BAK")), Counting(300));
    r.io.UndoChange();
    EXPECT_EQ(TempFiles::Read(path), Counting(300));
  }
  // The backup name already links to the file itself.
  {
    Rig r;
    const QString path = r.files.Write("L.DAT", Counting(300));
    ASSERT_EQ(::link(QFile::encodeName(path).constData(),
                     QFile::encodeName(r.files.Path("L.BAK")).constData()),
              0);
    r.io.OpenFile(path);
    Rewrite(r, 0, 1, "");
    EXPECT_EQ(TempFiles::Read(path), Counting(300).mid(1));
    EXPECT_EQ(TempFiles::Read(r.files.Path("L.BAK")), Counting(300));
    EXPECT_TRUE(Leftovers(r.files).isEmpty());
  }
  // A "." in a directory name does not count.
  {
    Rig r;
    ASSERT_TRUE(QDir(r.files.Dir()).mkdir("MY.DIR"));
    const QString path = r.files.Write("MY.DIR/DATA.BIN", Counting(300));
    r.io.OpenFile(path);
    Rewrite(r, 0, 0, "abc");
    EXPECT_EQ(TempFiles::Read(r.files.Path("MY.DIR/DATA.BAK")), Counting(300));
    EXPECT_FALSE(QFile::exists(r.files.Path("MY.BAK")));
    EXPECT_EQ(TempFiles::Read(path), QByteArray("abc") + Counting(300));
  }
}

TEST(WholeFile, CopyRangeBounds) {
  Rig r;
  const int big = (3 << 20) + 17;  // past the writer's buffer and the copy step
  const QByteArray data = [&] {
    QByteArray b(big, '\0');
    QRandomGenerator gen(7);
    for (int i = 0; i < big; ++i) b[i] = static_cast<char>(gen.bounded(256));
    return b;
  }();
  const QString path = r.files.Write("data.bin", data);
  r.io.OpenFile(path);

  TempFileWriter out;
  ASSERT_TRUE(out.Create(path));
  EXPECT_TRUE(out.Path().startsWith(r.files.Dir() + "/qxtmp"));
  EXPECT_TRUE(r.io.CopyRange(out, 40, 40));
  EXPECT_EQ(out.BytesWritten(), 1);
  EXPECT_TRUE(r.io.CopyRange(out, 100, 100 + 8192));
  EXPECT_EQ(out.BytesWritten(), 1 + 8193);
  EXPECT_TRUE(r.io.CopyRange(out, 7, 6));
  EXPECT_EQ(out.BytesWritten(), 1 + 8193);
  EXPECT_TRUE(r.io.CopyRange(out, 5, big - 1));
  EXPECT_TRUE(out.Write("ab", 2));
  EXPECT_TRUE(out.Write(data.constData(), big));  // larger than the buffer
  ASSERT_TRUE(out.Finish());
  EXPECT_TRUE(out.Finish());
  EXPECT_EQ(TempFiles::Read(out.Path()),
            data.mid(40, 1) + data.mid(100, 8193) + data.mid(5) + "ab" + data);

  // Past the end of the file is a short read: the writer fails for good.
  TempFileWriter bad;
  ASSERT_TRUE(bad.Create(path));
  EXPECT_FALSE(r.io.CopyRange(bad, big - 10, big));
  EXPECT_TRUE(bad.Failed());
  EXPECT_FALSE(bad.Write("x", 1));
  const QString badPath = bad.Path();
  bad.Discard();
  EXPECT_FALSE(QFile::exists(badPath));
  out.Discard();
  EXPECT_TRUE(Leftovers(r.files).isEmpty());
}

TEST(WholeFile, CancelledOperationLeavesFileAndShowsStart) {
  Rig r;
  const QString path = r.files.Write("c.bin", Counting(2000));
  r.io.OpenFile(path);
  r.s.Current.CursorOffset = 1500;
  TempFileWriter out;
  ASSERT_TRUE(out.Create(path));
  r.s.OperationRunning = true;
  EXPECT_TRUE(r.io.CopyRange(out, 0, 999));
  r.s.OperationRunning = false;  // Cancel
  r.io.EndFileOperation(out);
  EXPECT_EQ(TempFiles::Read(path), Counting(2000));
  EXPECT_EQ(r.s.Current.CursorOffset, 0);
  EXPECT_EQ(r.s.Current.BufferTop, 0);
  EXPECT_FALSE(QFile::exists(r.files.Path("c.BAK")));
  EXPECT_TRUE(Leftovers(r.files).isEmpty());
  EXPECT_FALSE(r.s.UndoEnabled);
  r.p.Verify();
}

TEST(WholeFile, FailedCommitsLeaveTheFileUnchanged) {
  const QByteArray original = Counting(5000);
  // The backup name is taken by a directory: no backup, no commit.
  {
    Rig r;
    const QString path = r.files.Write("F.DAT", original);
    ASSERT_TRUE(QDir(r.files.Dir()).mkpath("F.BAK/inside"));
    r.io.OpenFile(path);
    r.s.Current.CursorOffset = 3000;
    r.p.ExpectBox("Couldn't create a backup file. Operation aborted");
    Rewrite(r, 0, 100, "new");
    ASSERT_FALSE(r.p.boxes.empty());
    EXPECT_EQ(r.p.boxes.back().icon, Icon::Critical);
    EXPECT_EQ(TempFiles::Read(path), original);
    EXPECT_TRUE(QFileInfo(r.files.Path("F.BAK")).isDir());
    EXPECT_TRUE(Leftovers(r.files).isEmpty());
    EXPECT_EQ(r.s.Current.CursorOffset, 0);
    EXPECT_EQ(r.s.FileLength, 5000);
    EXPECT_FALSE(r.s.WholeFileUndo);
    EXPECT_FALSE(r.s.UndoEnabled);
    r.p.Verify();
  }
  // The temporary file vanished before the commit.
  {
    Rig r;
    const QString path = r.files.Write("G.DAT", original);
    r.io.OpenFile(path);
    TempFileWriter out;
    ASSERT_TRUE(out.Create(path));
    r.s.OperationRunning = true;
    EXPECT_TRUE(r.io.CopyRange(out, 10, 4999));
    ASSERT_EQ(::unlink(QFile::encodeName(out.Path()).constData()), 0);
    r.p.ExpectBox("Couldn't create a backup file. Operation aborted");
    r.io.EndFileOperation(out);
    EXPECT_EQ(TempFiles::Read(path), original);
    EXPECT_FALSE(QFile::exists(r.files.Path("G.BAK")));
    r.p.Verify();
  }
  // The source shrank under the operation: a short read is never committed.
  {
    Rig r;
    const QString path = r.files.Write("H.DAT", original);
    r.io.OpenFile(path);
    TempFileWriter out;
    ASSERT_TRUE(out.Create(path));
    r.s.OperationRunning = true;
    ASSERT_TRUE(QFile::resize(path, 3000));
    EXPECT_FALSE(r.io.CopyRange(out, 0, 4999));
    r.p.ExpectBox(QString());
    r.io.EndFileOperation(out);
    ASSERT_FALSE(r.p.boxes.empty());
    EXPECT_TRUE(r.p.boxes.back().text.contains("ended at offset 3000"));
    EXPECT_EQ(TempFiles::Read(path), original.left(3000));
    EXPECT_FALSE(QFile::exists(r.files.Path("H.BAK")));
    EXPECT_TRUE(Leftovers(r.files).isEmpty());
    EXPECT_FALSE(r.s.OperationRunning);
    r.p.Verify();
  }
  // A full disk, played by a file size limit (it binds root too).
  {
    Rig r;
    const QString path = r.files.Write("I.DAT", original);
    r.io.OpenFile(path);
    TempFileWriter out;
    ASSERT_TRUE(out.Create(path));
    r.s.OperationRunning = true;
    EXPECT_TRUE(r.io.CopyRange(out, 0, 4999));
    EXPECT_TRUE(out.Write(original.constData(), original.size()));
    r.p.ExpectBox(QString());
    {
      FileSizeLimit limit(4096);
      r.io.EndFileOperation(out);
    }
    ASSERT_FALSE(r.p.boxes.empty());
    EXPECT_TRUE(r.p.boxes.back().text.startsWith("Couldn't write"));
    EXPECT_EQ(r.p.boxes.back().icon, Icon::Critical);
    EXPECT_EQ(TempFiles::Read(path), original);
    EXPECT_FALSE(QFile::exists(r.files.Path("I.BAK")));
    EXPECT_TRUE(Leftovers(r.files).isEmpty());
    r.p.Verify();
  }
  // A directory the user may not write to (root may: nothing to show then).
  if (::geteuid() != 0) {
    Rig r;
    ASSERT_TRUE(QDir(r.files.Dir()).mkdir("locked"));
    const QString path = r.files.Write("locked/J.DAT", original);
    ASSERT_EQ(::chmod(QFile::encodeName(r.files.Path("locked")).constData(), 0500), 0);
    r.io.OpenFile(path);
    TempFileWriter out;
    EXPECT_FALSE(out.Create(path));
    r.s.OperationRunning = true;
    EXPECT_FALSE(r.io.CopyRange(out, 0, 99));
    r.p.ExpectBox(QString());
    r.io.EndFileOperation(out);
    EXPECT_TRUE(r.p.boxes.back().text.startsWith("Couldn't create a temporary file"));
    EXPECT_EQ(TempFiles::Read(path), original);
    ::chmod(QFile::encodeName(r.files.Path("locked")).constData(), 0700);
    r.p.Verify();
  }
}

TEST(WholeFile, ExchangeAndReplaceWithoutAtomicRename) {
  TempFiles f;
  const QString a = f.Write("a", "first"), b = f.Write("b", "second");
  for (bool atomic : {true, false}) {
    EXPECT_EQ(ExchangeFiles(a, b, atomic), 0);
    EXPECT_EQ(TempFiles::Read(a), "second");
    EXPECT_EQ(TempFiles::Read(b), "first");
    EXPECT_EQ(ExchangeFiles(a, b, atomic), 0);
    EXPECT_NE(ExchangeFiles(a, f.Path("missing"), atomic), 0);
    EXPECT_EQ(TempFiles::Read(a), "first");

    // A replacement that cannot be moved in gives the file its name back.
    const QString bak = f.Write("a.BAK", "old backup");
    EXPECT_NE(ReplaceKeepingBackup(a, f.Path("gone"), bak, atomic), 0);
    EXPECT_EQ(TempFiles::Read(a), "first");
    const QString repl = f.Write("r", "new");
    EXPECT_EQ(ReplaceKeepingBackup(a, repl, bak, atomic), 0);
    EXPECT_EQ(TempFiles::Read(a), "new");
    EXPECT_EQ(TempFiles::Read(bak), "first");
    EXPECT_FALSE(QFile::exists(repl));
    f.Write("a", "first");
    EXPECT_EQ(f.Entries().filter("qx").size(), 0);
  }
}

// The same random page edits, rewrites, cancels, undos and redos applied to
// a real file through the program and to a byte array; every byte compared.
TEST(WholeFile, RandomizedAgainstAByteArray) {
  Rig r;
  QRandomGenerator gen(20261206);
  auto randomBytes = [&](int n) {
    QByteArray b(n, '\0');
    for (int i = 0; i < n; ++i) b[i] = static_cast<char>(gen.bounded(256));
    return b;
  };
  QByteArray model = randomBytes(5000);
  const QString path = r.files.Write("rand.bin", model);
  r.io.OpenFile(path);
  QByteArray undoModel, redoModel;

  for (int step = 0; step < 250; ++step) {
    const int len = static_cast<int>(model.size());
    const int what = static_cast<int>(gen.bounded(10));
    if (what < 4) {  // page edit and Save Sector
      r.s.Current.BufferTop = gen.bounded(len);
      r.io.ShowPage();
      const QByteArray before = model;
      for (int k = static_cast<int>(gen.bounded(1, 6)); k > 0; --k) {
        const int i = static_cast<int>(gen.bounded(kPageSize));
        const auto v = static_cast<std::uint8_t>(gen.bounded(256));
        r.s.PageBuffer[i] = v;
        const std::int64_t at = r.s.Current.BufferTop + i;
        if (at < len) model[static_cast<int>(at)] = static_cast<char>(v);
      }
      r.s.Dirty = true;
      r.io.SavePage();
      undoModel = before;
      redoModel = model;
    } else if (what < 7) {  // rewrite: remove some bytes, insert others
      const int at = static_cast<int>(gen.bounded(len));
      const int removed = std::min(len - at - 1, static_cast<int>(gen.bounded(300)));
      const QByteArray insert = randomBytes(static_cast<int>(gen.bounded(300)));
      const QByteArray before = model;
      if (what == 6 && step % 2) {  // cancelled halfway
        TempFileWriter out;
        ASSERT_TRUE(out.Create(path));
        r.s.OperationRunning = true;
        EXPECT_TRUE(r.io.CopyRange(out, 0, at - 1));
        r.s.OperationRunning = false;
        r.io.EndFileOperation(out);
      } else {
        Rewrite(r, at, removed, insert);
        model = Removed(model, at, removed, insert);
        undoModel = before;
        redoModel = model;
      }
    } else if (what < 9 ? r.s.UndoEnabled : r.s.RedoEnabled) {
      // A page Undo/Redo writes its image; a whole-file one swaps versions.
      const bool swap = r.s.WholeFileUndo;
      if (what < 9) {
        r.io.UndoChange();
      } else {
        r.io.RedoChange();
      }
      if (swap) {
        std::swap(undoModel, redoModel);
        model = redoModel;
      } else {
        model = what < 9 ? undoModel : redoModel;
      }
    }
    ASSERT_EQ(TempFiles::Read(path), model) << "step " << step << " kind " << what;
    ASSERT_EQ(r.s.FileLength, model.size());
  }
  EXPECT_TRUE(Leftovers(r.files).isEmpty());
  r.p.Verify();
}

}  // namespace qx::test
