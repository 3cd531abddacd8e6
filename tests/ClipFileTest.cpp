// The clip file's place and who may have put it there: another local user
// must never get bytes into a paste, nor receive a cut.
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>

#include "core/ClipFile.h"
#include "ops/CutCopy.h"
#include "ops/Paste.h"
#include "tests/Fakes.h"

namespace qx::test {

TEST(ClipFile, ThePrivateFolderAndTheFileMustBeTheUsersOwn) {
  Rig r;
  const QString cwd = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(r.files.Dir()));
  Environment env;
  env.Set("TEMP", {});
  env.Set("XDG_RUNTIME_DIR", {});
  // A relative TMPDIR still gives one absolute folder, created and checked.
  ASSERT_TRUE(QDir(r.files.Dir()).mkdir("tmp"));
  env.Set("TMPDIR", "tmp");
  const QString dir = r.files.Path(QStringLiteral("tmp/quellox-%1").arg(::geteuid()));
  const QString clip = dir + "/qx$$qx.$$$";
  EXPECT_EQ(ClipFilePath(), clip);
  r.s.ClipFile = ClipFilePath();
  const QString path = r.files.Write("F.DAT", "0123456789");
  r.io.OpenFile(path);
  ASSERT_TRUE(CopyFile(r.io, {0, 3}, r.s.ClipFile));
  EXPECT_EQ(ModeOf(dir), 0700u);
  r.s.Current.CursorOffset = 10;
  ASSERT_EQ(PasteFile(r.io, PasteMode::Insert, {}), PasteResult::Done);
  EXPECT_EQ(TempFiles::Read(path), "01234567890123");

  // What another user could have left: the folder open to all or owned by
  // someone else, a link at its name (even to a folder of the user's own),
  // a clip file of theirs, a link at the file's name.
  const QString folder =
      "Nothing cut or copied: " + dir + " is not a folder of your own that only you can use";
  const QString file = "Nothing cut or copied: " + clip + " is not a file of your own";
  // chown needs root: those rows run only as root.
  const auto give = [](const QString& name) {
    ASSERT_EQ(::chown(QFile::encodeName(name).constData(), 65534, 65534), 0);
  };
  const std::tuple<std::function<void()>, QString, bool> planted[] = {
      {[&] { ASSERT_EQ(::chmod(QFile::encodeName(dir).constData(), 0707), 0); }, folder, false},
      {[&] { ASSERT_TRUE(QDir().rename(dir, dir + "-own") && QFile::link(dir + "-own", dir)); },
       folder, false},
      {[&] { give(dir); }, folder, true},
      {[&] { give(clip); }, file, true},
      {[&] { ASSERT_TRUE(QFile::remove(clip) && QFile::link(path, clip)); }, file, false},
      {[&] { ASSERT_TRUE(QFile::remove(clip) && QFile::link(r.files.Path("nowhere"), clip)); },
       file, false},
  };
  for (const auto& [plant, says, rootOnly] : planted) {
    if (rootOnly && ::geteuid() != 0) continue;
    SCOPED_TRACE(says.toStdString());
    QFile::remove(dir);  // a link
    ASSERT_TRUE(QDir(dir).removeRecursively());
    ASSERT_TRUE(CopyFile(r.io, {0, 3}, r.s.ClipFile));
    plant();
    const QByteArray before = TempFiles::Read(path);
    r.p.ExpectBox(says);
    EXPECT_EQ(PasteFile(r.io, PasteMode::Insert, {}), PasteResult::NoSource);
    EXPECT_EQ(TempFiles::Read(path), before);
    r.p.Verify();
  }
  // A cut or copy into a folder that is not the user's own is refused too.
  ASSERT_EQ(::chmod(QFile::encodeName(dir).constData(), 0770), 0);
  r.p.ExpectBox(dir + " is not a directory of your own that only you can use");
  EXPECT_FALSE(CutFile(r.io, {0, 3}, r.s.ClipFile));
  r.p.Verify();
  // A named source is read through a link, unlike the clip file's name.
  ASSERT_TRUE(QFile::link(r.files.Write("source", "AB"), r.files.Path("via-link")));
  r.s.Current.CursorOffset = 0;
  const QByteArray before = TempFiles::Read(path);
  EXPECT_EQ(PasteFile(r.io, PasteMode::Insert, r.files.Path("via-link")), PasteResult::Done);
  EXPECT_EQ(TempFiles::Read(path), "AB" + before);
  ASSERT_TRUE(QDir::setCurrent(cwd));
}

// At exit the clip file goes only if it is still the one written: not one
// replaced since, nor one this program never wrote.
TEST(ClipFile, ExitDeletesOnlyTheClipFileItWrote) {
  for (const char* other : {"", "another program's", "never written"}) {
    Rig r;
    r.s.ClipFile = r.files.Path("clip");
    r.io.OpenFile(r.files.Write("F.DAT", "0123456789"));
    if (QByteArray(other) != "never written") {
      ASSERT_TRUE(CopyFile(r.io, {0, 3}, r.s.ClipFile));
    }
    if (*other) {
      const QString theirs = r.files.Write("other", other);
      ASSERT_EQ(::rename(QFile::encodeName(theirs).constData(),
                         QFile::encodeName(r.s.ClipFile).constData()),
                0);
    }
    DeleteClipFile(r.s);
    EXPECT_EQ(TempFiles::Read(r.s.ClipFile), other);
    EXPECT_EQ(QFile::exists(r.s.ClipFile), *other != 0);
  }
}

}  // namespace qx::test
