#include <sys/stat.h>

#include <QProcess>
#include <cstdio>

#include "core/FileMemory.h"
#include "core/NativeName.h"
#include "core/Navigation.h"
#include "fields/FileLayouts.h"
#include "ops/CutCopy.h"
#include "tests/Fakes.h"

namespace qx::test {

// Bad paths change nothing; open files keep their order of use and their state.
TEST(OpenFile, GeometryRefusalsChangesOnDiskAndTheMostRecentlyUsedOrder) {
  Rig r;
  QString path;
  // size, record length, record count; the largest is sparse.
  const std::int64_t cases[][3] = {
      {0, 1, 0}, {100, 100, 1}, {5LL << 30, 256, (5LL << 30) / 256}, {513, 256, 3}};
  for (auto [size, length, count] : cases) {
    r.io.CloseFile();
    path = r.files.Write(QString::number(size), TempFiles::Counting(1000));
    ASSERT_TRUE(QFile::resize(path, size));
    r.io.OpenFile(path);
    EXPECT_TRUE(r.s.FileLength == size && r.s.WorkingLength == size && r.s.OpenFileCount == 1);
    EXPECT_EQ(std::tuple(r.s.Current.RecordLength, r.s.RecordCount, r.s.ScrollScale),
              std::tuple(length, count, size / 32767.0));
    // Every page move works; the empty file's do nothing and divide by nothing.
    r.io.GoToRequested();
    r.s.Current.CursorOffset = std::max<std::int64_t>(0, size - 1);
    r.io.GoToCursor();
    EXPECT_EQ(r.s.Current.BufferTop, size > kPageSize ? size - 37 : 0) << size;
  }

  // Only files and block devices open, no pipe waits for a writer, a link opens its target.
  const QString fifo = r.files.Path("fifo"), missing = r.files.Path("missing"),
                locked = r.files.Path("100");
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  ASSERT_TRUE(QFile::link(fifo, r.files.Path("to-fifo")));
  const std::pair<QString, QString> refused[] = {
      {missing, "Couldn't find " + missing + ": No such file or directory"},
      {r.files.Dir(), "Couldn't open " + r.files.Dir() + ": Is a directory"},
      {r.files.Path("to-fifo"), "Couldn't open " + fifo + ": It is a named pipe, not a file"},
      {"/dev/null", "Couldn't open /dev/null: It is a character device, not a file"},
      {locked, "Couldn't open " + locked + ": Permission denied"},
  };
  const int loads = r.v.loads;
  for (const auto& [bad, said] : refused) {
    if (bad == locked) r.sys.always[SysCalls::Call::Open] = EACCES;  // even for root
    r.p.ExpectBox(said);
    r.io.OpenFile(bad);
  }
  r.sys.always.clear();
  r.io.OpenFile(path);  // the current file again: nothing
  r.io.OpenFile({});
  EXPECT_EQ(
      std::tuple(r.v.loads, r.s.Current.FileName, r.s.Current.CursorOffset, r.s.OpenFileCount),
      std::tuple(loads, path, 512, 1));
  r.io.CloseFile();

  // P is a running program: it cannot be opened for writing, not even by root.
  ASSERT_TRUE(QFile::copy("/bin/sleep", r.files.Path("P")));
  QProcess busy;
  busy.start(r.files.Path("P"), {"60"});
  ASSERT_TRUE(busy.waitForStarted());
  QStringList f;
  for (const char* n : {"P", "Q", "R", "S"}) {
    f << (f.isEmpty() ? r.files.Path("P") : r.files.Write(n, TempFiles::Counting(2000)));
    r.io.OpenFile(f.back());
    r.s.Current.CursorOffset = f.size() * 10;  // a state of its own
    r.s.Current.BufferTop = f.size() * 16;
    r.s.Current.RecordLength = static_cast<std::int16_t>(f.size() * 7);
  }
  auto order = [&] {
    QStringList o;
    for (const auto& file : r.s.OpenFiles) o << QFileInfo(file.FileName).fileName();
    return o.join(' ');
  };

  r.io.SwitchToWindow(2);  // Q
  r.io.SwitchToWindow(0);  // the current one: nothing
  EXPECT_EQ(order(), "Q S R P");
  const FileState& c = r.s.Current;
  EXPECT_EQ(
      std::tuple(c.CursorOffset, c.BufferTop, c.RecordLength, r.s.RecordCount, r.s.PageBuffer[0]),
      std::tuple(20, 32, 14, RecordCountFor(2000, 14), 32));

  // A fifth file, even one already open, is refused.
  r.p.ExpectBox("Four files are open. Please close one file before opening another.");
  r.io.OpenRecentFile(1);

  // Closing makes the most recently used of the others current.
  r.io.CloseFile();
  EXPECT_EQ(std::tuple(order(), c.FileName, c.CursorOffset), std::tuple("S R P ", f[3], 40));
  // The read-only state follows the current file.
  for (int i = 0; i < 3; ++i, r.io.CloseFile()) EXPECT_EQ(r.s.ReadOnly, i == 2) << i;
  EXPECT_TRUE(r.s.WorkingLength == 0 && r.s.OpenFileCount == 0 && c.FileName.isEmpty());
  busy.kill();
  busy.waitForFinished();

  // A name opened again goes to the top, a new one drops the last; one that vanished stays.
  r.io.OpenFile(f[1]);
  r.io.OpenFile(r.files.Write("T", "data"));
  QFile::remove(f[3]);
  r.p.ExpectBox("Couldn't open " + f[3] + ": No such file or directory");
  r.io.OpenRecentFile(2);
  EXPECT_EQ(QStringList(r.s.RecentFiles.begin(), r.s.RecentFiles.end()),
            QStringList({r.files.Path("T"), f[1], f[3], f[2]}));
  r.p.Verify();
}

// A name that is not UTF-8 (Latin-1 "café.bin") keeps its bytes through every step.
TEST(OpenFile, NamesThatAreNotUtf8KeepTheirBytes) {
  const QByteArray names[] = {"caf\xe9.bin",     "\xff",
                              "ok-\xc3\xa9",     "\xc3",
                              "\xed\xb2\x80",    "\xf0\x9f\x98\x80\xe9",
                              "\xc0\xaf",        "\xf0\x90\x82\x80",
                              "\xf4\x90\x80\x80"};
  for (const QByteArray& name : names) {
    EXPECT_EQ(NativeName(NameFromNative(name)), name) << name.toHex().toStdString();
  }
  EXPECT_EQ(NameFromNative("ok-\xc3\xa9"), QString::fromUtf8("ok-\xc3\xa9"));
  // A drop names it percent-encoded.
  EXPECT_EQ(NativeName(LocalPathOf(QUrl::fromEncoded("file:///d/caf%E9%20x.bin"))),
            "/d/caf\xe9 x.bin");
  EXPECT_EQ(DisplayName(NameFromNative("caf\xe9.bin")), QString::fromUtf8("caf\xef\xbf\xbd.bin"));
  EXPECT_EQ(DisplayName(NameFromNative("\xff\xf0\x90\x82\x80")),
            QString::fromUtf8("\xef\xbf\xbd\xf0\x90\x82\x80"));

  Rig r;
  const QByteArray dir = NativeName(r.files.Dir()) + "/";
  const QByteArray file = dir + "caf\xe9.bin", backup = dir + "caf\xe9.BAK";
  std::FILE* f = ::fopen(file.constData(), "w");
  ASSERT_TRUE(f != nullptr && std::fputs("0123456789", f) >= 0 && std::fclose(f) == 0);
  r.io.OpenFile(NameFromNative(file));
  ASSERT_TRUE(r.s.FileLength == 10 && NativeName(r.s.Current.FileName) == file);
  r.s.ClipFile = r.files.Path("clip");
  ASSERT_TRUE(CutFile(r.io, {0, 3}, r.s.ClipFile));
  const auto read = [](const QByteArray& name) {
    QFile f;
    return f.open(::fopen(name.constData(), "r"), QIODevice::ReadOnly, QFile::AutoCloseHandle)
               ? f.readAll()
               : QByteArray("(missing)");
  };
  EXPECT_EQ(read(file) + " " + read(backup), "456789 0123456789");
  r.io.UndoChange();
  EXPECT_EQ(read(file), "0123456789");
  r.p.Verify();
}

// A file opened again, however it is reached, comes back with its geometry.
TEST(OpenFile, EachFileComesBackWithItsGeometry) {
  Rig r;
  const QString path = r.files.Write("export.dat", TempFiles::Counting(1000));
  const auto geometry = [](const Rig& x) {
    const FileState& c = x.s.Current;
    return std::tuple(c.WorkingBase, c.RecordLength, c.CharSet, x.s.WorkingLength, x.s.RecordCount);
  };
  r.io.OpenFile(path);  // the first open stores nothing
  EXPECT_FALSE(r.p.settings.contains(kGeometrySection + "/1"));
  ASSERT_TRUE(SetWorkingBase(r.io, 100) && SetRecordLength(r.io, 80));
  r.s.Current.CharSet = "IBM037";
  RememberGeometry(r.p, r.s.Current);  // as choosing a set does

  // Stored at once: another run reads it back, by any name of the file.
  ASSERT_TRUE(QFile::link(path, r.files.Path("link")));
  Rig again;
  again.p.settings = r.p.settings;
  const auto stored = std::tuple(100, 80, "IBM037", 900, 12);
  r.io.CloseFile();
  r.io.OpenFile(path);
  EXPECT_EQ(geometry(r), stored);
  again.io.OpenFile(r.files.Path("link"));
  EXPECT_EQ(geometry(again), stored);

  // Shrunk to its base: shown from the start, its records as they were.
  r.io.CloseFile();
  ASSERT_TRUE(QFile::resize(path, 100));
  r.io.OpenFile(path);
  EXPECT_EQ(geometry(r), std::tuple(0, 80, "IBM037", 100, 2));
  EXPECT_TRUE(r.p.messages.empty());

  // Recent files keep names that are not UTF-8 across runs; older plain names read as written.
  const QString odd = NameFromNative(QByteArray("/tmp/na\xff\xfeme %25.bin"));
  r.s.Current.FileName = odd;
  r.io.AddRecentFile();
  EXPECT_EQ(r.p.settings.value("Filenames/1"), "path=/tmp/na%FF%FEme%20%2525.bin");
  r.p.settings["Filenames/2"] = "/old/a%25b";
  r.io.LoadSettings();
  EXPECT_TRUE(r.s.RecentFiles[0] == odd && r.s.RecentFiles[1] == "/old/a%25b");

  // The file used longest ago makes room; opening counts as a use.
  FakePlatform p;
  const FileGeometry g{7, 9, "IBM500"};
  for (int i = 0; i <= kRememberedFiles; ++i) {
    if (i == kRememberedFiles) (void)RecallGeometry(p, "/f0");
    RememberGeometry(p, "/f" + QString::number(i), g);
  }
  EXPECT_EQ(p.settings.size(), kRememberedFiles);
  for (const char* name : {"/f0", "/f2", "/f200"}) EXPECT_EQ(RecallGeometry(p, name), g) << name;
  EXPECT_EQ(RecallGeometry(p, "/f1"), std::nullopt);
  // Every view comes back, and both older forms still read.
  const std::pair<const char*, FileGeometry> kept[] = {
      {"", {1, 2, "ASCII", false, true}},
      {"", {1, 2, "ASCII", true, true}},
      {"", {1, 2, "ASCII", false, false}},
      {"", {1, 2, "IBM037", true, false}},
      {"5 3 7 IBM037 /a", {3, 7, "IBM037", false, true}},
      {"5 3 7 IBM037 records-nohex /a", {3, 7, "IBM037", true, false}},
      {"use=5 base=3 len=7 set=IBM037 view=records path=/a", {3, 7, "IBM037", true, true}},
      {"", {1, 2, "ASCII", false, true, "/d/C D.cpy", 1, {true, true, true}}},
      {"", {1, 2, "ASCII", false, true, "/c.cpy", 1, {false, false, false, {0, 2, 1}}}},
      {"use=5 base=3 len=7 set=ASCII view=page cpy=/c.cpy kind=2 alt=1.0 path=/a",
       {3, 7, "ASCII", false, true, "/c.cpy", 2, {false, false, false, {1, 0}}}},
      {"use=5 base=3 len=7 set=ASCII view=page cpy=/c.cpy kind=2 path=/a",
       {3, 7, "ASCII", false, true, "/c.cpy", 2}},
  };
  for (const auto& [text, want] : kept) {
    FakePlatform q;
    if (*text)
      q.WriteSetting(kGeometrySection, "1", text);
    else
      RememberGeometry(q, "/a", want);
    EXPECT_EQ(RecallGeometry(q, "/a"), want) << text;
  }
  // Damaged places read as nothing remembered.
  for (const char* bad :
       {"x 1 2 ASCII /a", "1 -1 80 ASCII /a", "1 0 0 ASCII /a", "1 0 80 /a",
        "use=1 base=0 len=80 set=ASCII view=side path=/a", "use=1 len=80",
        "use=1 len=80 cpy=/c order=middle path=/a", "use=1 len=80 cpy=/c alt=1.x path=/a",
        "use=1 len=80 cpy=/c alt=-1 path=/a"}) {
    FakePlatform q;
    q.WriteSetting(kGeometrySection, "1", bad);
    EXPECT_EQ(RecallGeometry(q, "/a"), std::nullopt) << bad;
  }
  // A use count at its limit does not overflow: the file used last stays.
  FakePlatform q;
  q.WriteSetting(kGeometrySection, "1", "9223372036854775807 0 80 ASCII /big");
  for (int i = 0; i < kRememberedFiles; ++i) RememberGeometry(q, "/n" + QString::number(i), g);
  EXPECT_EQ(RecallGeometry(q, "/big"), std::nullopt);
  for (const char* name : {"/n199", "/n1"}) EXPECT_EQ(RecallGeometry(q, name), g) << name;

  // A backup is known by its name and stamp, and kept with its file's geometry.
  const FileStamp st{3, 44, 5, {6, 7}, {8, 9}};
  RememberBackup(q, "/d/CUST.DAT", "/d/CUST.BAK", st);
  EXPECT_EQ(BackupOwner(q, "/d/CUST.BAK", st), "/d/CUST.DAT");
  const FileStamp touched{3, 44, 5, {6, 7}, {8, 10}};
  EXPECT_EQ(BackupOwner(q, "/d/CUST.BAK", touched) + BackupOwner(q, "/d/CUST.DAT", st), "");
  RememberGeometry(q, "/d/CUST.DAT", g);
  EXPECT_EQ(BackupOwner(q, "/d/CUST.BAK", st), "/d/CUST.DAT");
}

// A file's layout comes back when it opens again, unless its copybook is gone.
TEST(OpenFile, LayoutComesBackWithItsFile) {
  Rig r;
  const QString cpy = r.files.Write("c.cpy", "01 R. 05 A PIC X(2). 05 B PIC S9(3) COMP-3.\n");
  const QString path = OpenAnew(r, "abcd", 0, 0, "l.dat");
  FileLayouts layouts;
  layouts.Use(r.io, cpy, std::get<Layout>(ReadCopybook(cpy)), {true, false, true});
  for (bool gone : {false, true}) {
    r.io.CloseFile();
    layouts.Sync(r.io);
    EXPECT_EQ(layouts.Current(r.s), nullptr);
    ASSERT_TRUE(!gone || QFile::remove(cpy));
    r.io.OpenFile(path);
    layouts.Sync(r.io);
    EXPECT_EQ(std::tuple(layouts.Current(r.s) != nullptr, r.s.Current.Copybook, r.s.Current.Layout,
                         r.p.messages.size()),
              std::tuple(!gone, gone ? "" : cpy, LayoutFlags{!gone, false, !gone}, gone ? 1 : 0));
  }
  EXPECT_EQ(r.p.messages.value(0),
            "Opened without a layout: " + cpy + " does not read: No such file or directory");
}

// A file that reads far better as EBCDIC says so once it opens; the set stays.
TEST(OpenFile, EbcdicLookingFilesGetAHint) {
  Rig r;
  QByteArray record;
  for (QChar c : QString("CUSTOMER 00421 JANE DOE        LONDON  ").leftJustified(80))
    record += static_cast<char>(*CharacterSetOf("IBM037").Encode(c));
  record.replace(60, 2, "\x12\x3C");  // a packed field
  // the bytes, whether they open in a set named on the command line, the hint
  const std::tuple<QByteArray, bool, QString> files[] = {
      {record.repeated(1000), false, "This file looks like EBCDIC: Configure > Character Set"},
      {record.repeated(1000), true, ""},
      {QByteArray("CUSTOMER 00421 JANE DOE\n").repeated(100), false, ""},
      {TempFiles::Counting(4096), false, ""},
      {record.left(16), false, "This file looks like EBCDIC: Configure > Character Set"},
      {record.left(15), false, ""},  // too little to tell
      {QByteArray(), false, ""},
  };
  for (const auto& [bytes, named, hint] : files) {
    r.p.messages.clear();
    r.s.CharSetHint = !named;
    OpenAnew(r, bytes);
    EXPECT_EQ(std::tuple(r.p.messages.join('|'), r.s.Current.CharSet), std::tuple(hint, "ASCII"))
        << bytes.left(20).toHex().toStdString();
  }
}

}  // namespace qx::test
