// Whole-file operations: the temporary file, the commit with its backup,
// Undo/Redo by exchange, and failures that must leave the file untouched.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSaveFile>

#include "core/Navigation.h"
#include "core/TempFileWriter.h"
#include "ops/CutCopy.h"
#include "ops/Paste.h"
#include "tests/Fakes.h"

namespace qx::test {

namespace {

constexpr auto Counting = &TempFiles::Counting;

// A rewrite as the dialogs play it; spoil runs on the fresh temporary file
// before anything is copied. True when committed.
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

}  // namespace

TEST(WholeFile, CommitKeepsBackupAndUndoRedoExchange) {
  const std::pair<const char*, const char*> names[] = {
      {"/data/my.dir/a.tar.gz", "/data/my.dir/a.BAK"},
      {"/data/noext", "/data/noext.BAK"},
      {"/data/.profile", "/data/.profile.BAK"},
      {"/data/.a.b", "/data/.a.BAK"},
      {"/data/X.BAK", "/data/X.BAK.BAK"},
      {"rel.txt", "rel.BAK"}};
  for (auto [name, want] : names) EXPECT_EQ(BackupName(name), want);

  Rig r;
  const QByteArray original = Counting(1000), first = Removed(original, 100, 100, "XYZ");
  const QString path = r.files.Write("CUST.DAT", original),
                backup = r.files.Write("CUST.BAK", "mine");
  const auto versions = [&] { return std::pair(TempFiles::Read(path), TempFiles::Read(backup)); };
  ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0640), 0);
  r.io.OpenFile(path);
  // The user's own CUST.BAK: No (the default) writes nothing; nor a Yes it changed after.
  const QString ask = backup +
                      " exists and was not made by Quellox as a backup. Replace it with "
                      "the backup of " +
                      path + "?";
  r.p.ExpectBox(ask, Answer::No);
  EXPECT_FALSE(Rewrite(r, 100, 100, "XYZ"));
  EXPECT_EQ(r.p.boxes.back().defaultAnswer, Answer::No);
  r.p.ExpectBox(ask, Answer::Yes);
  r.p.ExpectBox(backup +
                " was changed or created by another program while the operation ran, so "
                "it is not replaced with the backup of " +
                path + ".\nOperation aborted; the file was not changed.");
  EXPECT_FALSE(Rewrite(r, 100, 100, "XYZ", [&](auto&) { r.files.Write("CUST.BAK", "mine, too"); }));
  EXPECT_EQ(versions(), std::pair(original, QByteArray("mine, too")));
  EXPECT_TRUE(r.files.Leftovers().isEmpty());
  r.p.ExpectBox(ask, Answer::Yes);
  r.s.Current.CursorOffset = 500;
  r.s.Current.BufferTop = 480;
  r.sys.Reset();
  Rewrite(r, 100, 100, "XYZ");
  EXPECT_TRUE(r.sys.SyncedAfterLastRename());
  EXPECT_EQ(versions(), std::pair(first, original));
  EXPECT_EQ(ModeOf(path), 0640u);
  EXPECT_TRUE(r.files.Leftovers().isEmpty()) << r.files.Leftovers().join(",").toStdString();
  EXPECT_TRUE(r.s.WholeFileUndo && r.s.UndoEnabled && !r.s.RedoEnabled);
  EXPECT_EQ(std::tuple(r.s.Current.CursorOffset, r.s.Current.BufferTop), std::tuple(500, 480));
  EXPECT_EQ(static_cast<char>(r.s.PageBuffer[0]), first[480]);

  // A commit failing after the backup stepped aside and back: Undo still has it.
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  r.sys.always = {{SysCalls::Call::Exchange, EINVAL}, {SysCalls::Call::Link, EIO}};
  r.p.ExpectBox({});
  EXPECT_FALSE(Rewrite(r, 0, 1, ""));
  r.sys.always.clear();

  // Save Sector of an unchanged page keeps the backup as what Undo restores.
  r.io.SavePage();
  r.sys.Reset();
  r.io.UndoChange();
  EXPECT_TRUE(r.sys.SyncedAfterLastRename());
  EXPECT_EQ(versions(), std::pair(original, first));
  EXPECT_TRUE(r.s.RedoEnabled);

  // An Undo to a file shorter than the working base shows it from its end.
  ASSERT_TRUE(Rewrite(r, 0, 0, QByteArray(500, 'g')));
  r.s.Current.WorkingBase = 1300;
  r.io.ReopenFile();
  r.io.UndoChange();
  EXPECT_EQ(std::tuple(r.s.Current.WorkingBase, r.s.WorkingLength), std::tuple(1000, 0));
  r.io.RedoChange();
  EXPECT_EQ(versions(), std::pair(QByteArray(500, 'g') + original, original));
  r.io.UndoChange();

  // Without a backup Undo says so and the file stays as it is.
  ASSERT_TRUE(QFile::remove(backup));
  r.p.ExpectBox("Can't Undo. No Backup file found");
  r.io.UndoChange();
  EXPECT_EQ(std::tuple(TempFiles::Read(path), r.s.FileLength), std::tuple(original, 1000));
  r.p.Verify();
}

// Kernel copies, straight writes and buffered ones land in order.
TEST(WholeFile, KernelCopiesMixWithBufferedWrites) {
  Rig r;
  QRandomGenerator gen(11);
  const int big = (3 << 20) + 17;  // past the writer's buffer and the copy step
  const QByteArray data = RandomBytes(gen, big);
  const QString path = OpenAnew(r, data, 0, 0, "M.DAT"), backup = r.files.Path("M.BAK");

  TempFileWriter out;
  ASSERT_TRUE(out.Create(path));
  EXPECT_TRUE(out.Path().startsWith(r.files.Dir() + "/qxtmp"));
  r.s.OperationRunning = true;
  // The empty range 7..6 adds nothing.
  EXPECT_TRUE(out.Write("head", 4) && r.io.CopyRange(out, 40, 40) && r.io.CopyRange(out, 7, 6) &&
              r.io.CopyRange(out, 100, 100 + 8192) && r.io.CopyRange(out, 5, 200) &&
              r.io.CopyRange(out, 1000, big - 1) && out.Write("tail", 4) &&
              out.Write(data.constData() + 7, 100000) && out.CopyRange(r.s.File1, 10, 70009));
  const QByteArray want = "head" + data.mid(40, 1) + data.mid(100, 8193) + data.mid(5, 196) +
                          data.mid(1000) + "tail" + data.mid(7, 100000) + data.mid(10, 70000);
  EXPECT_EQ(out.BytesWritten(), want.size());
  r.io.EndFileOperation(out);
  EXPECT_EQ(std::pair(TempFiles::Read(path), TempFiles::Read(backup)), std::pair(want, data));
  EXPECT_TRUE(r.files.Leftovers().isEmpty());
}

TEST(WholeFile, CancelledAndFailedOperationsLeaveTheFileUnchanged) {
  const QByteArray original = Counting(5000);
  rlimit old{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  using Spoil = std::function<void(Rig&, const QString&, TempFileWriter&)>;
  using Call = SysCalls::Call;
  const Spoil unlinkTemp = [](Rig&, auto&, TempFileWriter& out) {
    ASSERT_EQ(::unlink(QFile::encodeName(out.Path()).constData()), 0);
  };
  const char* const notSynced =
      "to disk: Input/output error\nOperation aborted; the file was not changed.";
  struct Case {
    const char* why;  // in the last message, a critical one; a cancel says nothing
    int messages;
    int left;     // the bytes the file holds after
    bool home;    // the page goes back to the start of the file
    Spoil spoil;  // once the temporary file is there
    Call call = Call::Open;
    int error = 0;  // that every such call fails with, when given
  };
  const Case cases[] = {
      {"", 0, 5000, true,
       [](Rig& r, auto&, auto&) { r.s.OperationRunning = false; }},  // cancelled halfway
      // A directory appears at the backup name: no backup, no commit.
      {"F.BAK was changed or created by another program", 1, 5000, true,
       [](Rig& r, auto&, auto&) { ASSERT_TRUE(QDir(r.files.Dir()).mkpath("F.BAK/inside")); }},
      {"is gone", 1, 5000, false, unlinkTemp},  // the temporary file vanished before the commit
      // The source shrank under the operation: a short read is never committed,
      // and the file is read again as it now is.
      {"ended at offset 3000", 2, 3000, false,
       [](Rig&, const QString& path, auto&) { ASSERT_TRUE(QFile::resize(path, 3000)); }},
      // A full disk, played by a file size limit (it binds root too).
      {"Couldn't write", 1, 5000, false,
       [&](auto&, auto&, auto&) {
         const rlimit small{4096, old.rlim_max};
         ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
       }},
      // The temporary file's name swapped for a link to another file before
      // the commit: neither the link's target nor the file is touched.
      {"was replaced by something else", 1, 5000, false,
       [](Rig& r, auto&, TempFileWriter& out) {
         const QByteArray name = QFile::encodeName(out.Path()),
                          victim = QFile::encodeName(r.files.Write("victim", "own"));
         ASSERT_TRUE(::chmod(victim, 0600) == 0 &&
                     ::rename(name, QFile::encodeName(r.files.Path("moved"))) == 0 &&
                     ::symlink(victim, name) == 0);
       }},
      // A directory the user may not write to.
      {"Couldn't create a temporary file", 1, 5000, false, nullptr, Call::CreateTemp, EACCES},
      // The sync before the renames fails, with the temporary file there or gone.
      {notSynced, 1, 5000, false, nullptr, Call::Sync, EIO},
      {notSynced, 1, 5000, false, unlinkTemp, Call::Sync, EIO},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    Rig r;
    const QString path = r.files.Write("F.DAT", original), victim = r.files.Path("victim");
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0666), 0);  // not passed on to a link
    r.io.OpenFile(path);
    r.s.Current.CursorOffset = r.s.Current.BufferTop = 3000;
    for (int i = 0; i < c.messages; ++i) r.p.ExpectBox({});
    if (c.error) r.sys.always[c.call] = c.error;
    Rewrite(r, 0, 0, "new", [&](TempFileWriter& out) {
      if (c.spoil) c.spoil(r, path, out);
    });
    ::setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_TRUE(r.p.AllText().contains(c.why)) << r.p.AllText().toStdString();
    EXPECT_TRUE(!*c.why || r.p.boxes.back().icon == Icon::Critical);
    EXPECT_EQ(TempFiles::Read(path), original.left(c.left));
    EXPECT_FALSE(QFileInfo(path).isSymLink());
    EXPECT_TRUE(!QFile::exists(victim) ||
                (ModeOf(victim) == 0600u && TempFiles::Read(victim) == "own"));
    EXPECT_FALSE(QFileInfo(BackupName(path)).isFile());
    for (const QString& name : r.files.Leftovers())  // but what a message names
      EXPECT_TRUE(r.p.AllText().contains(name)) << name.toStdString();
    EXPECT_FALSE(r.s.UndoEnabled || r.s.WholeFileUndo);
    EXPECT_EQ(r.s.Current.CursorOffset + r.s.Current.BufferTop, c.home ? 0 : 6000);
    r.p.Verify();
  }
}

// Every one and two system calls of a commit, an Undo and a cut failing, with
// and without an atomic exchange and links: each version stays whole under a
// name or where a message says, and Undo only when the backup holds the other.
TEST(WholeFile, EveryFailureOfACommitUndoOrCutKeepsBothVersions) {
  using Call = SysCalls::Call;
  const QByteArray old = Counting(3000), fresh = Removed(old, 100, 50, "new");
  const QByteArray previous = "the backup before", oldClip = "previous clip";
  const std::pair<const char*, std::map<Call, int>> kinds[] = {
      {"atomic", {}},
      {"no exchange", {{Call::Exchange, EINVAL}}},
      {"no exchange, no links", {{Call::Exchange, EINVAL}, {Call::Link, EPERM}}}};
  enum Step { kCommit, kUndo, kCut };
  for (const auto& [kind, always] : kinds) {
    for (const Step step : {kCommit, kUndo, kCut}) {
      const bool undo = step == kUndo;
      // Fails calls i and j (none when -1); returns the number of calls the step made.
      const auto run = [&](int i, int j) {
        // In memory where there is some: hundreds of commits, each synced.
        Rig r(QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm")
                                                                 : QDir::tempPath());
        r.sys.always = always;
        r.p.anyBox = true;
        const QString backup = r.files.Write("F.BAK", previous);
        r.p.ExpectBox({}, Answer::Yes);  // F.BAK may be replaced
        r.s.ClipFile = r.files.Write("clip", oldClip);
        const QString path = OpenAnew(r, old, 0, 0, "F.DAT");
        EXPECT_TRUE(!undo || Rewrite(r, 100, 50, "new"));
        const QByteArray before = undo ? fresh : old, after = undo           ? old
                                                              : step == kCut ? Removed(old, 100, 50)
                                                                             : fresh;
        r.p.boxes.clear();
        r.sys.Reset(i < 0 ? std::set<int>{} : std::set<int>{i, j});
        const bool changed = step == kCommit ? Rewrite(r, 100, 50, "new")
                             : step == kCut  ? CutFile(r.io, {100, 149}, r.s.ClipFile)
                                             : (r.io.UndoChange(), false);
        const int calls = r.sys.count;
        r.sys.Reset();
        const QString said = r.p.AllText();
        SCOPED_TRACE(testing::Message() << kind << " step " << step << ", failing " << i << " and "
                                        << j << ": " << said.toStdString());
        // The version is under name, or in a file a message names.
        const auto at = [&](const QString& name, const QByteArray& version) {
          return TempFiles::Read(name) == version ||
                 std::ranges::any_of(r.files.Entries(), [&](const QString& entry) {
                   return said.contains(r.files.Path(entry)) &&
                          TempFiles::Read(r.files.Path(entry)) == version;
                 });
        };
        EXPECT_TRUE(undo || changed || !said.isEmpty());
        if (step == kCut) {
          // A second failure may keep the old clip under a name it says.
          const bool cutBytes = TempFiles::Read(r.s.ClipFile) == old.mid(100, 50);
          EXPECT_TRUE(changed ? cutBytes : at(r.s.ClipFile, oldClip));
          EXPECT_TRUE(changed || cutBytes || !r.s.ClipSeen.Valid()) << "not ours";
          // Failing after the clip took the range: the old clip is back or named.
          const QString clip = QRegularExpression::escape(r.s.ClipFile);
          const QString tail = cutBytes ? " is as it was, but " + clip +
                                              " holds the bytes; its previous content couldn't be "
                                              "put back \\(.+\\) and is kept as \\S+"
                                        : " and " + clip + " are as they were";
          EXPECT_TRUE(
              !said.contains("Nothing was cut") ||
              said.contains(QRegularExpression(
                  "Nothing was cut: " + QRegularExpression::escape(path) + tail + "\\.\n$")));
        }
        // Nothing left behind that a message did not name.
        for (const QString& name : r.files.Leftovers())
          EXPECT_TRUE(said.contains(name)) << name.toStdString();
        if (!QFileInfo::exists(path)) {
          EXPECT_TRUE(said.contains("is now named") && (at(backup, before) || at(backup, after)));
          return calls;
        }
        const QByteArray now = TempFiles::Read(path);
        EXPECT_TRUE(now == before || now == after);
        EXPECT_EQ(changed, !undo && now == after);
        EXPECT_TRUE(now == after ? at(backup, before) : at(backup, undo ? old : previous));
        EXPECT_TRUE(!r.s.UndoEnabled || TempFiles::Read(backup) == (now == after ? before : after));
        return calls;
      };
      const int n = run(-1, -1);
      for (int i = 0; i < n; ++i) {
        for (int j = i; j < n; ++j) run(i, j);
      }
    }
  }
}

// Another program's change between two steps: the next write is refused and the file read again.
TEST(WholeFile, AnotherProgramsChangeIsReadAgainNeverOverwritten) {
  const QByteArray original = Counting(1000);
  // Truncate, remove, replace (the randomized run appends and overwrites with a later time).
  const std::function<bool(QFile&)> changes[] = {
      [](QFile& f) { return f.resize(10); },
      [](QFile& f) { return f.remove(); },
      [](QFile& f) {
        QSaveFile o(f.fileName());
        return o.open(QIODevice::WriteOnly) && o.write("another file") == 12 && o.commit();
      },
      // Byte 10 overwritten, the modification time put back: only the change time tells.
      [](QFile& f) {
        struct stat st {};
        if (!f.open(QIODevice::ReadWrite) || ::fstat(f.handle(), &st) != 0) return false;
        const timespec times[2] = {st.st_atim, st.st_mtim};
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return ::pwrite(f.handle(), "Q", 1, 10) == 1 && ::futimens(f.handle(), times) == 0;
      },
  };
  enum Op { kSave, kRewrite, kDuringRewrite, kPageUndo, kFileUndo };
  for (const auto& change : changes) {
    for (const Op op : {kSave, kRewrite, kDuringRewrite, kPageUndo, kFileUndo}) {
      SCOPED_TRACE(testing::Message() << "change " << &change - changes << " before op " << op);
      Rig r;
      r.p.anyBox = true;
      const QString path = OpenAnew(r, original, 0, 0, "O.DAT");
      r.s.PageBuffer[0] = 0xEE;
      r.s.Dirty = true;
      if (op == kPageUndo) r.io.SavePage();
      ASSERT_TRUE(op != kFileUndo || Rewrite(r, 0, 1, ""));
      const QByteArray backup = TempFiles::Read(r.files.Path("O.BAK"));
      QByteArray left;  // what the other program left
      const auto changeIt = [&] {
        QFile f(path);
        EXPECT_TRUE(change(f));
        f.close();
        left = TempFiles::Read(path);
      };
      if (op != kDuringRewrite) changeIt();
      r.p.boxes.clear();
      if (op == kSave) r.io.SavePage();
      if (op == kPageUndo || op == kFileUndo) r.io.UndoChange();
      if (op == kRewrite || op == kDuringRewrite) {
        EXPECT_FALSE(Rewrite(r, 0, 0, "new", [&](TempFileWriter&) {
          if (op == kDuringRewrite) changeIt();
        }));
      }
      EXPECT_EQ(TempFiles::Read(path), left);
      EXPECT_EQ(TempFiles::Read(r.files.Path("O.BAK")), backup);
      EXPECT_EQ(r.s.FileLength, left.size());
      EXPECT_FALSE(r.s.UndoEnabled || r.s.RedoEnabled || r.s.Dirty);
      EXPECT_TRUE(r.p.AllText().contains(path + " was changed by another program"));
      if (&change == changes && op == kSave) {
        EXPECT_EQ(r.p.AllText(),
                  path +
                      " was changed by another program: its length was 1,000 bytes and is now "
                      "10.\nNothing was written; the file has been read again.\n");
      }
      EXPECT_TRUE(r.files.Leftovers().isEmpty());
    }
  }

  // A check that cannot run is said; the edit and Undo stay.
  {
    Rig r;
    const QString path = OpenAnew(r, original, 0, 0, "C.DAT");
    ASSERT_TRUE(Rewrite(r, 0, 1, ""));
    r.s.PageBuffer[0] = 0xEE;
    r.s.Dirty = true;
    r.sys.always[SysCalls::Call::Lstat] = EACCES;
    r.p.ExpectBox("Couldn't check " + path + ": Permission denied");
    r.io.SavePage();
    EXPECT_EQ(TempFiles::Read(path), original.mid(1));
    EXPECT_TRUE(r.s.Dirty && r.s.UndoEnabled);
    EXPECT_EQ(r.s.PageBuffer[0], 0xEE);
    r.p.Verify();
    // A name whose folder became a file is gone: that is known.
    r.sys.always[SysCalls::Call::Lstat] = ENOTDIR;
    r.p.anyBox = true;
    r.io.SavePage();
    EXPECT_TRUE(r.p.AllText().contains(path + " was changed by another program: "))
        << r.p.AllText().toStdString();
  }

  // Two files of one stem share a backup name: Undo must not take the other's.
  Rig a, b;
  const QString txt = a.files.Write("a.txt", "text file"), dat = a.files.Write("a.dat", "data");
  a.io.OpenFile(txt);
  b.io.OpenFile(dat);
  ASSERT_TRUE(Rewrite(a, 0, 4, "TEXT"));
  b.p.settings = a.p.settings;  // one program, one settings store
  b.p.ExpectBox(a.files.Path("a.BAK") + " is the backup of " + txt +
                    ". Replace it with the backup of " + dat + "?",
                Answer::Yes);
  ASSERT_TRUE(Rewrite(b, 0, 4, "DATA"));
  a.p.ExpectBox("Can't Undo. " + a.files.Path("a.BAK") +
                " is no longer the backup that the last operation on " + txt +
                " made; nothing was changed.");
  a.io.UndoChange();
  EXPECT_EQ(std::pair(TempFiles::Read(txt), TempFiles::Read(a.files.Path("a.BAK"))),
            std::pair(QByteArray("TEXT file"), QByteArray("data")));
  b.io.UndoChange();
  EXPECT_EQ(TempFiles::Read(dat), "data");
  a.p.Verify();
  b.p.Verify();
}

// Links are rewritten where they lead; holes stay holes; leftovers are offered for deletion.
TEST(WholeFile, LinksSparseFilesAndLeftovers) {
  Rig r;
  ASSERT_TRUE(QDir(r.files.Dir()).mkdir("real"));
  const QString target = r.files.Write("real/T.DAT", Counting(600)), link = r.files.Path("L.DAT");
  ASSERT_TRUE(QFile::link(target, link));
  r.io.OpenFile(link);
  EXPECT_EQ(r.s.Current.FileName, target);
  ASSERT_TRUE(Rewrite(r, 0, 100, ""));
  EXPECT_TRUE(QFileInfo(link).isSymLink());
  EXPECT_EQ(TempFiles::Read(link), Counting(600).mid(100));
  EXPECT_EQ(TempFiles::Read(r.files.Path("real/T.BAK")), Counting(600));

  // 64 MiB with three stretches of data and FF bytes the rewrite puts on a block border.
  const QString sparse = r.files.Path("disk.img");
  QFile f(sparse);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.resize(64 << 20));
  for (const qint64 at : {0LL, 32LL << 20, (64LL << 20) - 5000})
    ASSERT_TRUE(f.seek(at) && f.write(Counting(5000)) == 5000);
  ASSERT_TRUE(f.seek((4 << 20) - 1) && f.write(QByteArray(4096, '\xFF')) == 4096);
  f.close();
  const QByteArray image = TempFiles::Read(sparse);
  r.io.OpenFile(sparse);
  ASSERT_TRUE(Rewrite(r, 10, 3, "xyzw"));
  struct stat st {};
  ASSERT_EQ(::stat(QFile::encodeName(sparse).constData(), &st), 0);
  EXPECT_LT(st.st_blocks * 512, 1 << 20);
  EXPECT_EQ(TempFiles::Read(sparse), Removed(image, 10, 3, "xyzw"));
  // A file that ends in a hole keeps its length.
  ASSERT_TRUE(QFile::resize(sparse, 8 << 20));
  r.io.ReopenFile();
  ASSERT_TRUE(Rewrite(r, 0, 1, ""));
  EXPECT_EQ(QFileInfo(sparse).size(), (8 << 20) - 1);
  EXPECT_EQ(TempFiles::Read(sparse), Removed(image, 10, 3, "xyzw").left(8 << 20).mid(1));
  r.io.CloseFile();

  // A backup name that is a hard link of the file: no second name is left.
  for (const bool atomic : {true, false}) {
    Rig h;
    if (!atomic) h.sys.always[SysCalls::Call::Exchange] = EINVAL;
    const QString file = h.files.Write("H.DAT", "hard linked");
    ASSERT_EQ(::link(QFile::encodeName(file).constData(),
                     QFile::encodeName(h.files.Path("H.BAK")).constData()),
              0);
    h.io.OpenFile(file);
    ASSERT_TRUE(Rewrite(h, 0, 4, "HARD"));
    EXPECT_EQ(TempFiles::Read(file), "HARD linked");
    EXPECT_EQ(TempFiles::Read(h.files.Path("H.BAK")), "hard linked");
    EXPECT_EQ(h.files.Leftovers(), QStringList()) << atomic;
  }

  // Leftovers of this user, and the file of an operation still running.
  const QString left = r.files.Write("qxtmpLEFT01", "12345");
  const QString spare = r.files.Write("qxswapLEFT2", "");
  TempFileWriter running;
  ASSERT_TRUE(running.Create(r.files.Path("N.DAT")));
  r.p.ExpectBox(r.files.Dir() +
                    " holds 2 temporary file(s) left by an operation that was "
                    "interrupted:\nqxswapLEFT2 (0 bytes)\nqxtmpLEFT01 (5 bytes)\nDelete them?",
                Answer::Yes);
  r.io.OpenFile(r.files.Write("N.DAT", "n"));
  EXPECT_FALSE(QFile::exists(left) || QFile::exists(spare));
  EXPECT_TRUE(QFile::exists(running.Path()));
  r.p.Verify();
}

// Random steps of every kind applied to a real file and to a byte array,
// every byte compared after every step.
TEST(WholeFile, RandomizedAgainstAByteArray) {
  Rig r;
  QRandomGenerator gen(20261206);
  QByteArray model = RandomBytes(gen, 5000);
  const QString path = r.files.Write("rand.bin", model);
  r.s.ClipFile = r.files.Path("clip");
  r.io.OpenFile(path);
  QByteArray undoModel, redoModel, clip;
  bool changedOutside = false;

  for (int step = 0; step < 400; ++step) {
    const int len = static_cast<int>(model.size());
    const auto working = static_cast<int>(r.s.WorkingLength);
    const std::int64_t base = r.s.Current.WorkingBase;
    // After another program's change the next write must be refused.
    const int what = changedOutside ? 4 + gen.bounded(2) * 3 : gen.bounded(16);
    const QByteArray before = model;
    bool undoable = false;  // Undo now returns to before
    // Every third step, writes and kernel copies move only a few bytes at a time.
    r.sys.shortWrites = step % 3 == 0 ? 1 + static_cast<std::size_t>(step % 509) : 0;
    const auto boxesBefore = r.p.boxes.size();
    if (changedOutside) r.p.ExpectBox({});
    if (what < 4 && working > 0) {  // page edit and Save Sector
      r.s.Current.BufferTop = gen.bounded(working);
      r.io.ShowPage();
      for (int k = gen.bounded(1, 6); k > 0; --k) {
        const int i = gen.bounded(kPageSize);
        r.s.PageBuffer[i] = static_cast<std::uint8_t>(gen.bounded(256));
        const std::int64_t at = base + r.s.Current.BufferTop + i;
        if (at < len) model[static_cast<qsizetype>(at)] = static_cast<char>(r.s.PageBuffer[i]);
      }
      r.s.Dirty = true;
      r.io.SavePage();
      undoable = true;
    } else if (what < 7) {  // rewrite: remove some bytes, insert others; or cancel it
      const int at = gen.bounded(len);
      const int removed = std::min(len - at - 1, gen.bounded(300));
      const QByteArray insert = RandomBytes(gen, gen.bounded(300));
      if (changedOutside) {
        EXPECT_FALSE(Rewrite(r, at, removed, insert));
      } else if (what == 6 && step % 2) {
        Rewrite(r, at, removed, insert, [&](TempFileWriter&) { r.s.OperationRunning = false; });
      } else {
        Rewrite(r, at, removed, insert);
        model = Removed(model, at, removed, insert);
        undoable = true;
      }
    } else if (what == 7 && changedOutside) {  // a page or records write of the old content
      r.s.Current.RecordView = step % 2 == 0;
      r.s.Dirty = true;
      r.io.SavePage();
      r.s.Current.RecordView = false;
    } else if (what < 10 && (what < 9 ? r.s.UndoEnabled : r.s.RedoEnabled)) {
      // A page Undo/Redo writes its image; a whole-file one swaps versions.
      const bool swap = r.s.WholeFileUndo;
      r.s.Current.RecordView = gen.bounded(2) == 1;
      what < 9 ? r.io.UndoChange() : r.io.RedoChange();
      r.s.Current.RecordView = false;
      if (swap) std::swap(undoModel, redoModel);
      model = swap || what == 9 ? redoModel : undoModel;
    } else if (what == 10 && len > 1) {  // a new working base
      (void)SetWorkingBase(r.io, gen.bounded(len));
    } else if ((what == 12 || what == 13) && working > 0) {  // cut or copy to the clip
      const int start = gen.bounded(working), end = std::min(working - 1, start + gen.bounded(400));
      clip = model.mid(base + start, end - start + 1);
      ASSERT_TRUE(what == 12 ? CutFile(r.io, {start, end}, r.s.ClipFile)
                             : CopyFile(r.io, {start, end}, r.s.ClipFile));
      if (what == 12) model.remove(base + start, clip.size());
      undoable = what == 12;
      ASSERT_EQ(TempFiles::Read(r.s.ClipFile), clip);
    } else if (what == 14 && !clip.isNull()) {  // paste: insert, append or overlay
      const auto mode = static_cast<PasteMode>(gen.bounded(1, 4));
      r.s.Current.CursorOffset = gen.bounded(std::max(1, working));
      const int at =
          mode == PasteMode::Append ? len : static_cast<int>(base + r.s.Current.CursorOffset);
      ASSERT_EQ(PasteFile(r.io, mode, {}), PasteResult::Done);
      undoable = mode != PasteMode::Overlay;
      model = model.left(at) + clip + model.mid(undoable ? at : at + clip.size());
    } else if (what == 15 && working > 0) {  // records typed over and saved in the record view
      const int length = gen.bounded(1, 300);
      r.s.Current.RecordView = true;
      r.io.ReadRecords(gen.bounded(working) / length * length, length * gen.bounded(1, 4));
      RecordBuffer& records = r.s.Records;
      for (int k = gen.bounded(1, 6); k > 0; --k) {
        const auto i =
            static_cast<std::size_t>(gen.bounded(static_cast<int>(records.Bytes.size())));
        records.Bytes[i] = static_cast<std::uint8_t>(gen.bounded(256));
        records.Edited[i] = true;
        model[static_cast<qsizetype>(records.At) + static_cast<qsizetype>(i)] =
            static_cast<char>(records.Bytes[i]);
      }
      r.s.Dirty = true;
      r.io.SavePage();
      r.s.Current.RecordView = false;
      undoable = true;
    } else if (what == 11) {  // another program truncates, appends or overwrites
      QFile f(path);
      ASSERT_TRUE(f.open(QIODevice::ReadWrite));
      const int how = gen.bounded(3);
      if (how == 0) {
        model.truncate(gen.bounded(1, len));
        ASSERT_TRUE(f.resize(model.size()));
      } else {
        const int at = how == 1 ? len : gen.bounded(len);
        const QByteArray bytes = RandomBytes(gen, gen.bounded(1, 100));
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
    if (undoable) {
      undoModel = before;
      redoModel = model;
    }
    if (std::exchange(changedOutside, false)) {
      ASSERT_GT(r.p.boxes.size(), boxesBefore);
      EXPECT_TRUE(r.p.boxes[boxesBefore].text.contains("was changed by another program"));
      EXPECT_FALSE(r.s.UndoEnabled || r.s.RedoEnabled);
    }
    ASSERT_EQ(TempFiles::Read(path), model) << "step " << step << " kind " << what;
    ASSERT_EQ(r.s.FileLength, model.size());
    ASSERT_GE(r.s.WorkingLength, 0);
  }
  EXPECT_TRUE(r.files.Leftovers().isEmpty());
  r.p.Verify();
}

}  // namespace qx::test
