// Whole-file operations: the temporary file, the commit with its backup,
// Undo/Redo by exchange, and failures that must leave the file untouched.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <csignal>

#include "core/FileExchange.h"
#include "core/Navigation.h"
#include "core/TempFileWriter.h"
#include "ops/CutCopy.h"
#include "ops/Fill.h"
#include "ops/Paste.h"
#include "ops/RecChop.h"
#include "ops/RecFill.h"
#include "ops/RecPaste.h"
#include "tests/Fakes.h"

namespace qx::test {

namespace {

constexpr auto Counting = &TempFiles::Counting;

// Plays a rewrite the way the dialogs do: the bytes before at, insert, the
// bytes from at + removed on (absolute offsets). spoil, when given, runs on
// the fresh temporary file before anything is copied. True when committed.
bool Rewrite(Rig& r, std::int64_t at, std::int64_t removed, const QByteArray& insert,
             const std::function<void(TempFileWriter&)>& spoil = {}) {
  TempFileWriter out;
  if (!r.io.BeginFileOperation(out)) return false;
  r.s.OperationRunning = true;
  if (spoil) spoil(out);
  (void)(r.io.CopyRange(out, 0, at - 1) && out.Write(insert.constData(), insert.size()) &&
         r.io.CopyRange(out, at + removed, r.s.FileLength - 1));
  const bool committed = r.io.EndFileOperation(out);
  EXPECT_FALSE(r.s.OperationRunning);
  return committed;
}

QByteArray RandomBytes(QRandomGenerator& gen, int n) {
  QByteArray b(n, '\0');
  for (char& c : b) c = static_cast<char>(gen.bounded(256));
  return b;
}

QByteArray Removed(QByteArray b, int at, int n, const QByteArray& insert = {}) {
  return b.remove(at, n).insert(at, insert);
}

QStringList Leftovers(const TempFiles& f) {
  return f.Entries().filter(QRegularExpression("^qx(tmp|swap)"));
}

// Restores the file size limit when the case ends.
struct FileSizeLimit {
  explicit FileSizeLimit(rlim_t bytes) {
    EXPECT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = bytes;
    EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  }
  ~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &old); }
  rlimit old{};
};

mode_t ModeOf(const QString& path) {
  struct stat st {};
  EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
  return st.st_mode & 07777;
}

}  // namespace

TEST(WholeFile, BackupNames) {
  const std::pair<const char*, const char*> cases[] = {
      {"/data/CUST.DAT", "/data/CUST.BAK"},     {"/data/my.dir/a.bin", "/data/my.dir/a.BAK"},
      {"/data/a.tar.gz", "/data/a.BAK"},        {"/data/noext", "/data/noext.BAK"},
      {"/data/.profile", "/data/.profile.BAK"}, {"/data/X.BAK", "/data/X.BAK.BAK"},
      {"/data/X.BAK.old", "/data/X.BAK"},       {"rel.txt", "rel.BAK"},
  };
  for (auto [path, want] : cases) EXPECT_EQ(BackupName(path), want);

  // A file named X.BAK keeps its own content under X.BAK.BAK.
  Rig r;
  const QString path = r.files.Write("X.BAK", Counting(300));
  r.io.OpenFile(path);
  Rewrite(r, 10, 10, "");
  EXPECT_EQ(TempFiles::Read(path), Removed(Counting(300), 10, 10));
  EXPECT_EQ(TempFiles::Read(r.files.Path("X.BAK.BAK")), Counting(300));
  r.io.UndoChange();
  EXPECT_EQ(TempFiles::Read(path), Counting(300));
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
  EXPECT_TRUE(r.s.WholeFileUndo && r.s.UndoEnabled && !r.s.RedoEnabled);
  EXPECT_EQ(r.s.FileLength, first.size());
  EXPECT_EQ(r.s.Current.CursorOffset, 500);  // the place stays
  EXPECT_EQ(r.s.Current.BufferTop, 480);
  EXPECT_EQ(static_cast<char>(r.s.PageBuffer[0]), first[480]);

  // Save Sector of an unchanged page keeps the backup as what Undo restores.
  r.io.SavePage();
  EXPECT_TRUE(r.s.WholeFileUndo);

  for (int i = 0; i < 2; ++i) {
    r.io.UndoChange();
    EXPECT_EQ(TempFiles::Read(path), original);
    EXPECT_EQ(TempFiles::Read(backup), first);
    EXPECT_EQ(r.s.FileLength, 1000);
    EXPECT_TRUE(r.s.RedoEnabled);
    r.io.RedoChange();
    EXPECT_EQ(TempFiles::Read(path), first);
    EXPECT_EQ(TempFiles::Read(backup), original);
  }

  // The next operation replaces the old backup.
  Rewrite(r, 0, 3, "");
  EXPECT_EQ(TempFiles::Read(path), first.mid(3));
  EXPECT_EQ(TempFiles::Read(backup), first);
  EXPECT_TRUE(Leftovers(r.files).isEmpty());

  // An Undo that leaves the file shorter than the working base shows it
  // from its end, and Redo still works.
  ASSERT_TRUE(Rewrite(r, 0, 0, QByteArray(500, 'g')));
  r.s.Current.WorkingBase = 1300;
  r.io.ReopenFile();
  r.io.UndoChange();
  EXPECT_EQ(r.s.Current.WorkingBase, first.size() - 3);
  EXPECT_EQ(r.s.WorkingLength, 0);
  r.io.RedoChange();
  EXPECT_EQ(r.s.FileLength, first.size() - 3 + 500);
  r.io.UndoChange();

  // Without a backup Undo says so and the file stays as it is.
  ASSERT_TRUE(QFile::remove(backup));
  r.p.ExpectBox("Can't Undo. No Backup file found");
  r.io.UndoChange();
  EXPECT_EQ(TempFiles::Read(path), first.mid(3));
  EXPECT_EQ(r.s.FileLength, first.size() - 3);
  r.p.Verify();
}

// Long stretches are copied in the kernel or written straight to the
// file, short ones go through the buffer: they must land in order, and a
// source that ends early, before or in the middle of a kernel copy, is never
// committed.
TEST(WholeFile, KernelCopiesMixWithBufferedWrites) {
  Rig r;
  QRandomGenerator gen(11);
  const int big = (3 << 20) + 17;  // past the writer's buffer and the copy step
  const QByteArray data = RandomBytes(gen, big);
  const QString path = r.files.Write("M.DAT", data);
  r.io.OpenFile(path);

  // Past the end of the file is a short read: the writer fails for good.
  TempFileWriter bad;
  ASSERT_TRUE(bad.Create(path));
  EXPECT_FALSE(r.io.CopyRange(bad, big - 10, big));
  EXPECT_FALSE(bad.Write("x", 1));
  bad.Discard();

  TempFileWriter out;
  ASSERT_TRUE(out.Create(path));
  EXPECT_TRUE(out.Path().startsWith(r.files.Dir() + "/qxtmp"));
  r.s.OperationRunning = true;
  EXPECT_TRUE(out.Write("head", 4));
  EXPECT_TRUE(r.io.CopyRange(out, 40, 40));
  EXPECT_TRUE(r.io.CopyRange(out, 7, 6));  // nothing
  EXPECT_TRUE(r.io.CopyRange(out, 100, 100 + 8192));
  EXPECT_TRUE(r.io.CopyRange(out, 5, 200));
  EXPECT_TRUE(r.io.CopyRange(out, 1000, big - 1));
  EXPECT_TRUE(out.Write("tail", 4));
  EXPECT_TRUE(out.Write(data.constData() + 7, 100000));
  EXPECT_TRUE(out.CopyRange(r.s.File1, 10, 70009));
  EXPECT_EQ(out.BytesWritten(), 4 + 1 + 8193 + 196 + (big - 1000) + 4 + 100000 + 70000);
  r.io.EndFileOperation(out);
  const QByteArray want = "head" + data.mid(40, 1) + data.mid(100, 8193) + data.mid(5, 196) +
                          data.mid(1000) + "tail" + data.mid(7, 100000) + data.mid(10, 70000);
  EXPECT_EQ(TempFiles::Read(path), want);
  EXPECT_EQ(TempFiles::Read(r.files.Path("M.BAK")), data);
  EXPECT_EQ(r.s.FileLength, want.size());

  // The source now ends half way through the second 1 MiB step.
  const int shrunk = (3 << 19) + 5;
  ASSERT_TRUE(QFile::resize(path, shrunk));
  TempFileWriter cut;
  ASSERT_TRUE(cut.Create(path));
  r.s.OperationRunning = true;
  EXPECT_FALSE(r.io.CopyRange(cut, 0, big - 1));
  EXPECT_TRUE(cut.Error().contains(QStringLiteral("ended at offset %1").arg(shrunk)));
  r.p.ExpectBox(QString());
  r.p.ExpectBox(QString());
  r.io.EndFileOperation(cut);
  EXPECT_EQ(TempFiles::Read(path), want.left(shrunk));
  EXPECT_EQ(TempFiles::Read(r.files.Path("M.BAK")), data);
  EXPECT_TRUE(Leftovers(r.files).isEmpty());
  r.p.Verify();
}

TEST(WholeFile, CancelledAndFailedOperationsLeaveTheFileUnchanged) {
  const QByteArray original = Counting(5000);
  Rig r;
  auto open = [&](const QString& name) {
    r.io.CloseFile();
    r.io.OpenFile(r.files.Write(name, original));
    r.s.Current.CursorOffset = 3000;
    return r.s.Current.FileName;
  };
  // The file holds want, with no backup, no temporary file and no undo; the
  // last message is critical and tells why (when given).
  auto expectUnchanged = [&](const QString& path, const char* why, const QByteArray& want) {
    if (why) {
      ASSERT_FALSE(r.p.boxes.empty());
      EXPECT_TRUE(r.p.AllText().contains(why)) << r.p.AllText().toStdString();
      EXPECT_EQ(r.p.boxes.back().icon, Icon::Critical);
    }
    EXPECT_EQ(TempFiles::Read(path), want);
    EXPECT_FALSE(QFileInfo(BackupName(path)).isFile());
    EXPECT_TRUE(Leftovers(r.files).isEmpty()) << Leftovers(r.files).join(",").toStdString();
    EXPECT_FALSE(r.s.UndoEnabled || r.s.WholeFileUndo);
    r.p.Verify();
  };

  // Cancelled halfway: the page goes back to the start.
  QString path = open("C.DAT");
  Rewrite(r, 100, 0, "x", [&](TempFileWriter&) { r.s.OperationRunning = false; });
  expectUnchanged(path, nullptr, original);
  EXPECT_TRUE(r.p.boxes.empty());
  EXPECT_EQ(r.s.Current.CursorOffset, 0);
  EXPECT_EQ(r.s.Current.BufferTop, 0);

  // The backup name is taken by a directory: no backup, no commit.
  path = open("F.DAT");
  ASSERT_TRUE(QDir(r.files.Dir()).mkpath("F.BAK/inside"));
  r.p.ExpectBox({});
  Rewrite(r, 0, 100, "new");
  expectUnchanged(path, "Couldn't create a backup file. Operation aborted", original);
  EXPECT_EQ(r.s.Current.CursorOffset, 0);
  EXPECT_EQ(r.s.FileLength, 5000);

  // The temporary file vanished before the commit.
  path = open("G.DAT");
  r.p.ExpectBox({});
  Rewrite(r, 10, 0, "", [](TempFileWriter& out) {
    ASSERT_EQ(::unlink(QFile::encodeName(out.Path()).constData()), 0);
  });
  expectUnchanged(path, "is gone", original);

  // The source shrank under the operation: a short read is never committed.
  path = open("H.DAT");
  r.p.ExpectBox({});
  r.p.ExpectBox({});  // and the file is read again as it now is
  Rewrite(r, 0, 0, "", [&](TempFileWriter&) { ASSERT_TRUE(QFile::resize(path, 3000)); });
  expectUnchanged(path, "ended at offset 3000", original.left(3000));

  // A full disk, played by a file size limit (it binds root too).
  path = open("I.DAT");
  r.p.ExpectBox({});
  {
    FileSizeLimit limit(4096);
    Rewrite(r, 0, 0, original);
  }
  expectUnchanged(path, "Couldn't write", original);

  // A directory the user may not write to (root may: nothing to show then).
  if (::geteuid() != 0) {
    ASSERT_TRUE(QDir(r.files.Dir()).mkdir("locked"));
    path = open("locked/J.DAT");
    const QByteArray locked = QFile::encodeName(r.files.Path("locked"));
    ASSERT_EQ(::chmod(locked.constData(), 0500), 0);
    r.p.ExpectBox({});
    Rewrite(r, 0, 0, "new");
    ::chmod(locked.constData(), 0700);
    expectUnchanged(path, "Couldn't create a temporary file", original);
  }
}

// A commit, and the Undo after one, with every one and every two of their
// system calls failing, on file systems with and without an atomic exchange
// and hard links: the file's name ends holding the old or the new content
// whole, the other version is the backup or lies where a message says, and
// Undo is offered only when the backup holds the other version.
TEST(WholeFile, EveryFailureOfACommitOrUndoKeepsBothVersions) {
  using Call = SysCalls::Call;
  const QByteArray old = Counting(3000), fresh = Removed(old, 100, 50, "new");
  const QByteArray previous = "the backup before";
  const std::pair<const char*, std::map<Call, int>> kinds[] = {
      {"atomic", {}},
      {"no exchange", {{Call::Exchange, EINVAL}}},
      {"no exchange, no links", {{Call::Exchange, EINVAL}, {Call::Link, EPERM}}},
  };
  for (const auto& [kind, always] : kinds) {
    for (const bool undo : {false, true}) {
      // Returns the number of system calls the step made.
      const auto run = [&](const std::set<int>& failAt) {
        // In memory where there is some: hundreds of commits, each synced.
        Rig r(QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm")
                                                                 : QDir::tempPath());
        r.sys.always = always;
        r.p.anyBox = true;
        const QString path = r.files.Write("F.DAT", old), backup = r.files.Path("F.BAK");
        r.files.Write("F.BAK", previous);
        r.io.OpenFile(path);
        if (undo) {
          EXPECT_TRUE(Rewrite(r, 100, 50, "new"));
        }
        const QByteArray before = undo ? fresh : old, after = undo ? old : fresh;
        const QByteArray otherBackup = undo ? old : previous;
        r.p.boxes.clear();
        r.sys.Reset(failAt);
        bool changed = false;
        if (undo) {
          r.io.UndoChange();
        } else {
          changed = Rewrite(r, 100, 50, "new");
        }
        const int calls = r.sys.count;
        QString kinds;
        for (int c : r.sys.log) kinds += QString::number(c) + ",";
        r.sys.Reset();
        const QString said = r.p.AllText();
        QString failing;
        for (int k : failAt) failing += QString::number(k) + " ";
        const QString where = QStringLiteral("%1, %2, failing calls %3 of %4: %5")
                                  .arg(kind, undo ? "undo" : "commit", failing, kinds, said);
        const auto at = [&](const QByteArray& version) {
          if (TempFiles::Read(backup) == version) return true;
          for (const QString& name : r.files.Entries()) {
            if (said.contains(r.files.Path(name)) && TempFiles::Read(r.files.Path(name)) == version)
              return true;
          }
          return false;
        };
        if (!QFileInfo::exists(path)) {
          EXPECT_TRUE(said.contains("is now named") && (at(before) || at(after)))
              << where.toStdString();
          return calls;
        }
        const QByteArray now = TempFiles::Read(path);
        EXPECT_TRUE(now == before || now == after) << where.toStdString();
        if (!undo) {
          EXPECT_EQ(changed, now == after) << where.toStdString();
        }
        EXPECT_TRUE(now == after ? at(before) : at(otherBackup)) << where.toStdString();
        if (r.s.UndoEnabled) {
          EXPECT_EQ(TempFiles::Read(backup), now == after ? before : after) << where.toStdString();
        }
        // Nothing left behind that a message did not name, but empty
        // placeholders and unlocked temporary files, which the next open offers to delete.
        for (const QString& name : Leftovers(r.files)) {
          const QByteArray content = TempFiles::Read(r.files.Path(name));
          EXPECT_TRUE(content.isEmpty() || said.contains(name) || name.startsWith("qxtmp"))
              << name.toStdString() << " " << where.toStdString();
        }
        return calls;
      };
      const int n = run({});
      for (int i = 0; i < n; ++i) {
        for (int j = i; j < n; ++j) run({i, j});
      }
    }
  }
}

// Another program changes the file between two steps of the editor: the
// next write is refused, said, and the file read again as it now is.
TEST(WholeFile, AnotherProgramsChangeIsReadAgainNeverOverwritten) {
  const QByteArray original = Counting(1000);
  // What the other program does to the file at path.
  const std::pair<const char*, std::function<void(const QString&)>> changes[] = {
      {"truncated", [](const QString& path) { EXPECT_TRUE(QFile::resize(path, 10)); }},
      {"appended",
       [](const QString& path) {
         QFile f(path);
         EXPECT_TRUE(f.open(QIODevice::Append) && f.write(QByteArray(27, 'z')) == 27);
       }},
      {"replaced",
       [](const QString& path) {
         QFile o(path + ".new");
         EXPECT_TRUE(o.open(QIODevice::WriteOnly) && o.write("another file") == 12);
         o.close();
         EXPECT_TRUE(::rename(QFile::encodeName(o.fileName()), QFile::encodeName(path)) == 0);
       }},
      {"overwritten, same length",
       [](const QString& path) {
         QFile f(path);
         EXPECT_TRUE(f.open(QIODevice::ReadWrite) && f.write("Q") == 1);
         f.close();
         const timespec later[2] = {{0, UTIME_OMIT}, {::time(nullptr) + 5, 0}};
         EXPECT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), later, 0), 0);
       }},
  };
  enum Op { kSave, kRewrite, kDuringRewrite, kPageUndo, kFileUndo };
  for (const auto& [what, change] : changes) {
    for (const Op op : {kSave, kRewrite, kDuringRewrite, kPageUndo, kFileUndo}) {
      Rig r;
      r.p.anyBox = true;
      const QString path = r.files.Write("O.DAT", original);
      r.io.OpenFile(path);
      r.s.Current.BufferTop = 256;
      r.io.ShowPage();
      r.s.PageBuffer[0] = 0xEE;
      r.s.Dirty = true;
      if (op == kPageUndo) r.io.SavePage();
      if (op == kFileUndo) {
        ASSERT_TRUE(Rewrite(r, 0, 1, ""));
      }
      const QByteArray backup = TempFiles::Read(r.files.Path("O.BAK"));
      // What the other program left.
      QByteArray left;
      const auto changeIt = [&] {
        change(path);
        left = TempFiles::Read(path);
      };
      if (op != kDuringRewrite) changeIt();
      r.p.boxes.clear();
      switch (op) {
        case kSave:
          r.io.SavePage();
          break;
        case kRewrite:
          EXPECT_FALSE(Rewrite(r, 0, 0, "new"));
          break;
        case kDuringRewrite:
          EXPECT_FALSE(Rewrite(r, 0, 0, "new", [&](TempFileWriter&) { changeIt(); }));
          break;
        case kPageUndo:
        case kFileUndo:
          r.io.UndoChange();
          break;
      }
      const std::string where = std::string(what) + " before op " + std::to_string(op);
      EXPECT_EQ(TempFiles::Read(path), left) << where;
      EXPECT_EQ(TempFiles::Read(r.files.Path("O.BAK")), backup) << where;
      EXPECT_EQ(r.s.FileLength, left.size()) << where;
      EXPECT_FALSE(r.s.UndoEnabled || r.s.RedoEnabled || r.s.Dirty) << where;
      ASSERT_FALSE(r.p.boxes.empty()) << where;
      EXPECT_TRUE(r.p.AllText().contains("changed by another program")) << where;
      EXPECT_TRUE(Leftovers(r.files).isEmpty()) << where;
    }
  }

  // Two files of one stem share a backup name: Undo in the first after a
  // rewrite of the second must not take the second's backup.
  Rig a, b;
  const QString txt = a.files.Write("a.txt", "text file"), dat = a.files.Write("a.dat", "data");
  a.io.OpenFile(txt);
  b.io.OpenFile(dat);
  ASSERT_TRUE(Rewrite(a, 0, 4, "TEXT"));
  ASSERT_TRUE(Rewrite(b, 0, 4, "DATA"));
  a.p.ExpectBox("Can't Undo. " + a.files.Path("a.BAK") +
                " is no longer the backup that the last operation on " + txt +
                " made; nothing was changed.");
  a.io.UndoChange();
  EXPECT_EQ(TempFiles::Read(txt), "TEXT file");
  EXPECT_EQ(TempFiles::Read(a.files.Path("a.BAK")), "data");
  b.io.UndoChange();
  EXPECT_EQ(TempFiles::Read(dat), "data");
  a.p.Verify();

  // The temporary file's name swapped for a link to another file before
  // the commit: neither the link's target nor the file is touched.
  Rig r;
  const QString path = r.files.Write("S.DAT", original);
  const QString victim = r.files.Write("victim", "root's own");
  ASSERT_EQ(::chmod(QFile::encodeName(victim).constData(), 0600), 0);
  ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0666), 0);
  r.io.OpenFile(path);
  r.p.ExpectBox({});
  EXPECT_FALSE(Rewrite(r, 0, 0, "new", [&](TempFileWriter& out) {
    const QByteArray name = QFile::encodeName(out.Path());
    ASSERT_EQ(::rename(name, name + ".moved"), 0);
    ASSERT_EQ(::symlink(QFile::encodeName(victim).constData(), name.constData()), 0);
  }));
  EXPECT_TRUE(r.p.boxes.back().text.contains("was replaced by something else"));
  EXPECT_EQ(ModeOf(victim), 0600u);
  EXPECT_EQ(TempFiles::Read(victim), "root's own");
  EXPECT_EQ(TempFiles::Read(path), original);
  EXPECT_TRUE(QFileInfo(path).isFile() && !QFileInfo(path).isSymLink());
  r.p.Verify();
}

// A file opened through a link is rewritten where it lies; holes of a
// sparse file stay holes; leftovers of a killed operation are offered for
// deletion, a running operation's file is not.
TEST(WholeFile, LinksSparseFilesAndLeftovers) {
  Rig r;
  ASSERT_TRUE(QDir(r.files.Dir()).mkdir("real"));
  const QString target = r.files.Write("real/T.DAT", Counting(600));
  const QString link = r.files.Path("L.DAT");
  ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()),
            0);
  r.io.OpenFile(link);
  EXPECT_EQ(r.s.Current.FileName, target);
  ASSERT_TRUE(Rewrite(r, 0, 100, ""));
  r.s.PageBuffer[0] = 0xAB;
  r.s.Dirty = true;
  r.io.SavePage();
  QByteArray want = Counting(600).mid(100);
  want[0] = '\xAB';
  EXPECT_TRUE(QFileInfo(link).isSymLink());
  EXPECT_EQ(TempFiles::Read(link), want);
  EXPECT_EQ(TempFiles::Read(r.files.Path("real/T.BAK")), Counting(600));
  r.io.CloseFile();

  // 64 MiB with three stretches of data.
  const QString sparse = r.files.Path("disk.img");
  QByteArray image;
  {
    QFile f(sparse);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.resize(64 << 20));
    for (const qint64 at : {qint64{0}, qint64{32} << 20, (qint64{64} << 20) - 5000}) {
      ASSERT_TRUE(f.seek(at) && f.write(Counting(5000)) == 5000);
    }
  }
  image = TempFiles::Read(sparse);
  r.io.OpenFile(sparse);
  ASSERT_TRUE(Rewrite(r, 10, 3, "xyzw"));
  struct stat st {};
  ASSERT_EQ(::stat(QFile::encodeName(sparse).constData(), &st), 0);
  EXPECT_LT(st.st_blocks * 512, 1 << 20);
  EXPECT_EQ(TempFiles::Read(sparse), Removed(image, 10, 3, "xyzw"));
  r.io.CloseFile();

  // A leftover of this user, and the file of an operation still running.
  const QString left = r.files.Write("qxtmpLEFT01", "12345");
  TempFileWriter running;
  ASSERT_TRUE(running.Create(target));
  r.p.ExpectBox(r.files.Dir() +
                    " holds 1 temporary file(s) left by an operation that was "
                    "interrupted:\nqxtmpLEFT01 (5 bytes)\nDelete them?",
                Answer::Yes);
  r.io.OpenFile(r.files.Write("N.DAT", "n"));
  EXPECT_FALSE(QFile::exists(left));
  EXPECT_TRUE(QFile::exists(running.Path()));
  r.p.Verify();
}

// The same random page edits, working bases, record lengths, rewrites,
// cancels, undos, redos, cuts, copies, pastes, fills, record chops, pastes
// and fills and changes by another program applied to a real file through
// the program and to a byte array; every byte compared after every step.
TEST(WholeFile, RandomizedAgainstAByteArray) {
  Rig r;
  QRandomGenerator gen(20261206);
  const auto randomBytes = [&](int n) { return RandomBytes(gen, n); };
  QByteArray model = randomBytes(5000);
  const QString path = r.files.Write("rand.bin", model);
  r.s.ClipFile = r.files.Path("clip");
  r.io.OpenFile(path);
  QByteArray undoModel, redoModel, clip;
  bool changedOutside = false;
  int recordOps = 0;
  // A random range of the working area, both ends included, or none.
  const auto randomRange = [&](ByteRange& range) {
    if (r.s.WorkingLength < 1) return false;
    const auto n = static_cast<int>(r.s.WorkingLength);
    range.start = gen.bounded(n);
    range.end = std::min(n - 1, static_cast<int>(range.start + gen.bounded(400)));
    return true;
  };

  for (int step = 0; step < 400; ++step) {
    const int len = static_cast<int>(model.size());
    const std::int64_t base = r.s.Current.WorkingBase;
    // After another program's change the next write must be refused.
    const int what = static_cast<int>(changedOutside ? 4 + gen.bounded(2) * 3 : gen.bounded(21));
    const QByteArray before = model;
    const auto boxesBefore = r.p.boxes.size();
    if (changedOutside) r.p.ExpectBox({});
    if (what < 4 && r.s.WorkingLength > 0) {  // page edit and Save Sector
      r.s.Current.BufferTop = gen.bounded(static_cast<int>(r.s.WorkingLength));
      r.io.ShowPage();
      for (int k = static_cast<int>(gen.bounded(1, 6)); k > 0; --k) {
        const int i = static_cast<int>(gen.bounded(kPageSize));
        r.s.PageBuffer[i] = static_cast<std::uint8_t>(gen.bounded(256));
        const std::int64_t at = base + r.s.Current.BufferTop + i;
        if (at < len) model[static_cast<qsizetype>(at)] = static_cast<char>(r.s.PageBuffer[i]);
      }
      r.s.Dirty = true;
      r.io.SavePage();
      undoModel = before;
      redoModel = model;
    } else if (what < 7) {  // rewrite: remove some bytes, insert others; or cancel it
      const int at = static_cast<int>(gen.bounded(len));
      const int removed = std::min(len - at - 1, static_cast<int>(gen.bounded(300)));
      const QByteArray insert = randomBytes(static_cast<int>(gen.bounded(300)));
      if (changedOutside) {
        EXPECT_FALSE(Rewrite(r, at, removed, insert));
      } else if (what == 6 && step % 2) {
        Rewrite(r, at, removed, insert, [&](TempFileWriter&) { r.s.OperationRunning = false; });
      } else {
        Rewrite(r, at, removed, insert);
        model = Removed(model, at, removed, insert);
        undoModel = before;
        redoModel = model;
      }
    } else if (what == 7 && changedOutside) {  // a page write of the old content
      r.s.Dirty = true;
      r.io.SavePage();
    } else if (what < 10 && (what < 9 ? r.s.UndoEnabled : r.s.RedoEnabled)) {
      // A page Undo/Redo writes its image; a whole-file one swaps versions.
      const bool swap = r.s.WholeFileUndo;
      what < 9 ? r.io.UndoChange() : r.io.RedoChange();
      if (swap) {
        std::swap(undoModel, redoModel);
        model = redoModel;
      } else {
        model = what < 9 ? undoModel : redoModel;
      }
    } else if (what == 10 && len > 1) {  // a new working base
      (void)SetWorkingBase(r.io, gen.bounded(len));
    } else if (what == 12 || what == 13) {  // cut or copy to the clip file
      ByteRange range;
      if (randomRange(range)) {
        const std::int64_t from = base + range.start, n = range.end - range.start + 1;
        clip = model.mid(from, n);
        if (what == 12) {
          ASSERT_TRUE(CutFile(r.io, range, r.s.ClipFile));
          model.remove(from, n);
          undoModel = before;
          redoModel = model;
        } else {
          ASSERT_TRUE(CopyFile(r.io, range, r.s.ClipFile));
        }
        ASSERT_EQ(TempFiles::Read(r.s.ClipFile), clip);
      }
    } else if (what == 14 && !clip.isNull()) {  // paste: insert, append or overlay
      const auto mode = static_cast<PasteMode>(gen.bounded(1, 4));
      r.s.Current.CursorOffset = gen.bounded(std::max(1, static_cast<int>(r.s.WorkingLength)));
      const int at =
          mode == PasteMode::Append ? len : static_cast<int>(base + r.s.Current.CursorOffset);
      ASSERT_EQ(PasteFile(r.io, mode, {}), PasteResult::Done);
      if (mode == PasteMode::Overlay) {
        model = model.left(at) + clip + model.mid(at + clip.size());
      } else {
        model.insert(at, clip);
        undoModel = before;
        redoModel = model;
      }
    } else if (what == 15) {  // fill with a pattern of 1 to 5 bytes
      ByteRange range;
      if (randomRange(range)) {
        const QByteArray pattern = randomBytes(static_cast<int>(gen.bounded(1, 6)));
        const std::vector<std::uint8_t> bytes(pattern.begin(), pattern.end());
        FillRange(r.io, bytes, FillKind::Hex, range.start, range.end);
        for (std::int64_t j = 0; j <= range.end - range.start; ++j)
          model[static_cast<qsizetype>(base + range.start + j)] = pattern[j % pattern.size()];
      }
    } else if (what == 16 && r.s.WorkingLength > 1) {  // a new record length
      (void)SetRecordLength(
          r.io, gen.bounded(1, static_cast<int>(std::min<std::int64_t>(r.s.WorkingLength, 60))));
    } else if (what >= 17 && r.s.RecordCount > 0) {  // a record chop, paste or fill
      const std::int64_t length = r.s.Current.RecordLength;
      const auto records = static_cast<int>(r.s.RecordCount);
      RecordRange range;
      range.from = gen.bounded(records);
      range.to = std::min(records - 1, static_cast<int>(range.from + gen.bounded(20)));
      range.startOffset = gen.bounded(static_cast<int>(length));
      range.endOffset = std::min<std::int64_t>(length - 1, range.startOffset + gen.bounded(5));
      // Record k's byte o, clipped to the bytes that exist.
      const auto at = [&](std::int64_t k, std::int64_t o) {
        return std::min<std::int64_t>(base + k * length + o, len);
      };
      QByteArray next = model.left(at(range.from, 0));
      const bool rewrite = what == 17 || (what == 18 && !clip.isEmpty());
      if (what == 17) {  // chop the field out of every record of the range
        ASSERT_EQ(ChopRecords(r.io, range), ChopStatus::Done);
        for (std::int64_t k = range.from; k <= range.to; ++k) {
          next += model.mid(at(k, 0), at(k, range.startOffset) - at(k, 0));
          next += model.mid(at(k, range.endOffset + 1), at(k + 1, 0) - at(k, range.endOffset + 1));
        }
      } else if (what == 18 && !clip.isEmpty()) {  // insert the clip into every record
        ASSERT_EQ(PasteToRecords(r.io, PasteMode::Insert, range, {}), RecPasteResult::Done);
        for (std::int64_t k = range.from; k <= range.to; ++k) {
          next += model.mid(at(k, 0), at(k, range.startOffset) - at(k, 0)) + clip;
          next += model.mid(at(k, range.startOffset), at(k + 1, 0) - at(k, range.startOffset));
        }
      } else {  // fill the field of every record with a 1- to 3-byte pattern
        const QByteArray pattern = randomBytes(static_cast<int>(gen.bounded(1, 4)));
        const std::vector<std::uint8_t> bytes(pattern.begin(), pattern.end());
        FillRecords(r.io, bytes, FillKind::Hex, range);
        for (std::int64_t k = range.from; k <= range.to; ++k) {
          QByteArray record = model.mid(at(k, 0), at(k + 1, 0) - at(k, 0));
          for (std::int64_t o = range.startOffset; o <= range.endOffset && o < record.size(); ++o)
            record[static_cast<qsizetype>(o)] = pattern[(o - range.startOffset) % pattern.size()];
          next += record;
        }
      }
      next += model.mid(at(range.to + 1, 0));
      if (rewrite) {
        undoModel = before;
        redoModel = next;
      }
      model = next;
      ++recordOps;
    } else if (what == 11) {  // another program truncates, appends or overwrites
      QFile f(path);
      ASSERT_TRUE(f.open(QIODevice::ReadWrite));
      const int how = static_cast<int>(gen.bounded(3));
      if (how == 0) {
        model.truncate(static_cast<int>(gen.bounded(1, len)));
        ASSERT_TRUE(f.resize(model.size()));
      } else {
        const int at = how == 1 ? len : static_cast<int>(gen.bounded(len));
        const QByteArray bytes = randomBytes(static_cast<int>(gen.bounded(1, 100)));
        ASSERT_TRUE(f.seek(at) && f.write(bytes) == bytes.size());
        model = model.left(at) + bytes + model.mid(at + bytes.size());
      }
      f.close();
      // Later than anything the editor saw, even within one clock tick.
      const timespec later[2] = {{0, UTIME_OMIT}, {r.s.Seen.modified.tv_sec + 1, 0}};
      ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), later, 0), 0);
      changedOutside = true;
      ASSERT_EQ(TempFiles::Read(path), model);
      continue;
    }
    if (changedOutside) {
      ASSERT_GT(r.p.boxes.size(), boxesBefore);
      EXPECT_TRUE(r.p.boxes[boxesBefore].text.contains("was changed by another program"))
          << r.p.boxes[boxesBefore].text.toStdString();
      EXPECT_FALSE(r.s.UndoEnabled || r.s.RedoEnabled);
      changedOutside = false;
    }
    ASSERT_EQ(TempFiles::Read(path), model) << "step " << step << " kind " << what;
    ASSERT_EQ(r.s.FileLength, model.size());
    ASSERT_GE(r.s.WorkingLength, 0);
  }
  EXPECT_GT(recordOps, 20);
  EXPECT_TRUE(Leftovers(r.files).isEmpty());
  r.p.Verify();
}

}  // namespace qx::test
