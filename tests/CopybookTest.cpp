#include <gtest/gtest.h>

#include <random>

#include "fields/Copybook.h"
#include "tests/Fakes.h"

namespace qx::test {

namespace {

// "BAL 30 6 P11v2s": name, offset, length, storage (X Z P B N F), digits,
// scale, s signed, L leading, S separate; "~1.2" an alternative of area 1.
QString FieldText(const LayoutField& f) {
  const FieldType& t = f.type;
  QString type = QString("XZPBNF")[static_cast<int>(t.storage)];
  if (t.storage != Storage::Text && t.storage != Storage::Float) type += QString::number(t.digits);
  if (t.scale != 0) type += "v" + QString::number(t.scale);
  type += QString(t.isSigned ? "s" : "") + (t.signLeading ? "L" : "") + (t.signSeparate ? "S" : "");
  for (const Alternative& a : f.within) type += QString("~%1.%2").arg(a.area).arg(a.index);
  return QString("%1 %2 %3 %4").arg(f.name).arg(f.offset).arg(t.length).arg(type);
}

// Each kind as "NAME/LENGTH: fields", with its groups (#), REDEFINES areas
// ([]), variable tables ({}) and the warnings (!).
QString LayoutText(const CopybookResult& result, bool groups = false) {
  if (const auto* error = std::get_if<CopybookError>(&result)) return "error: " + error->Text();
  QStringList kinds;
  for (const RecordKind& k : std::get<Layout>(result).kinds) {
    QStringList parts;
    for (const LayoutField& f : k.fields) parts << FieldText(f);
    for (const LayoutGroup& g : k.groups)
      if (groups) parts << QString::asprintf("#%s %d %d", qPrintable(g.name), g.offset, g.length);
    for (const RedefinesArea& a : k.areas)
      parts << QString::asprintf("[%s %d %d: %s]", qPrintable(a.name), a.offset, a.length,
                                 qPrintable(a.alternatives.join('/')));
    for (const VariableTable& t : k.tables)
      parts << QString::asprintf("{%s %d %dx%d %d-%d %s}", qPrintable(t.name), t.offset, t.stride,
                                 t.maximum, t.minimum, t.maximum, qPrintable(t.object));
    kinds << QString("%1/%2: %3").arg(k.name).arg(k.length).arg(parts.join("; "));
  }
  for (const QString& w : std::get<Layout>(result).warnings) kinds << "!" + w;
  return kinds.join(" || ");
}

// Reference format: each line's "|" pads it to column 72.
QByteArray Cards(const char* text) {
  QByteArray out;
  for (QByteArray line : QByteArray(text).split('\n')) {
    if (const auto bar = line.indexOf('|'); bar >= 0)
      line.replace(bar, 1, QByteArray(72 - bar, ' '));
    out += line + '\n';
  }
  return out;
}

}  // namespace

TEST(Copybook, ReadsEachClauseIntoFields) {
  struct Row {
    QByteArray text;
    const char* want;
    bool groups = false;
  };
  const Row rows[] = {
      {"01 CUST.\n 05 NAME PIC X(30).\n 05 BAL PIC S9(9)V99 COMP-3.\n 05 CNT PIC 9(4) COMP.\n"
       " 05 N5 PIC S9(9) COMP-5.\n 05 F1 COMP-1.\n 05 F2 USAGE IS COMPUTATIONAL-2.\n"
       " 05 Z PIC S9(3)V9(2) SIGN IS LEADING SEPARATE CHARACTER.\n 05 E PIC ZZ,ZZ9.99-.\n"
       " 05 NA PIC N(3).\n 05 B8 PIC 9(10) BINARY.\n 05 PD PICTURE IS 9(4) PACKED-DECIMAL.\n"
       " 05 ZT PIC S99 TRAILING.\n",
       "CUST/89: NAME 0 30 X; BAL 30 6 P11v2s; CNT 36 2 B4; N5 38 4 N9s; F1 42 4 F; F2 46 8 F; "
       "Z 54 6 Z5v2sLS; E 60 10 X; NA 70 6 X; B8 76 8 B10; PD 84 3 P4; ZT 87 2 Z2s"},
      {"01 P. 05 A PIC SVPP9(3). 05 B PIC 99PPP. 05 C PIC PP99. 05 D PIC 9(3)V. 05 E PIC XXBXX/.\n"
       " 05 G PIC $$,$$9.99CR. 05 H PIC A(2)X9. 05 I PIC G(2).",
       "P/35: A 0 3 Z3v5s; B 3 2 Z2v-3; C 5 2 Z2v4; D 7 3 Z3; E 10 6 X; G 16 11 X; H 27 4 X; I 31 "
       "4 X"},
      // USAGE and SIGN of a group hold for its members.
      {"01 R. 05 G USAGE COMP-3. 10 A PIC S9(5). 10 B PIC 9(2).\n"
       " 05 H SIGN TRAILING SEPARATE. 10 C PIC S99. 10 D PIC 99.",
       "R/10: A 0 3 P5s; B 3 2 P2; C 5 3 Z2sS; D 8 2 Z2"},
      // Clauses read and let be; headers, level 88 and separators skipped.
      {"FD CUSTFILE RECORDING MODE F.\nWORKING-STORAGE SECTION.\n"
       "01 R.\n 05 FILLER PIC X VALUE 'A'.\n 05 PIC 9 VALUES ARE 1 THRU 5, ZERO; ALL '*' X'F1' "
       "HIGH-VALUES.\n   88 OK VALUE 1 2.\n"
       " 05 J PIC X(3) JUST RIGHT BLANK WHEN ZERO.\n"
       " 05 T PIC 99 OCCURS 2 TIMES ASCENDING KEY IS T INDEXED BY I1 I2.\n77 SEP PIC X.",
       "R/9: FILLER 0 1 X; FILLER 1 1 Z1; J 2 3 X; T(1) 5 2 Z2; T(2) 7 2 Z2 || SEP/1: SEP 0 1 X"},
      // Reference format: sequence numbers, comments and debugging lines,
      // columns past 72, a continued name and literal, a tab.
      {Cards("000100 01  CUST-RECORD.|SEQ00010\n000200* 01 COMMENT PIC X.\n"
             "000300D    05 DEBUG-ONLY PIC X.\n000400     05 CUSTOMER-\n000500* between\n\n"
             "000600-        NAME PIC X(5). *> a comment\n"
             "000700     05 GREETING PIC X(20) VALUE 'HELLO\n000800/\n000900-    'WORLD'.\n\t05 "
             "TABBED PIC 9."),
       "CUST-RECORD/26: CUSTOMER-NAME 0 5 X; GREETING 5 20 X; TABBED 25 1 Z1"},
      // Free format: a level number in columns 1-6; every column is text.
      {Cards("01 R. *> 05 NOT-A-FIELD PIC X.\n  05 A PIC X.|05 B PIC X."), "R/2: A 0 1 X; B 1 1 X"},
      {"01 ORD.\n 05 CNT PIC 9(2).\n 05 HDR. 10 ID PIC X(2). 10 CNT PIC 9.\n"
       " 05 LINE OCCURS 2. 10 ID PIC X. 10 QTY PIC 9 OCCURS 2.\n"
       " 05 ITEM PIC X(2) OCCURS 1 TO 3 DEPENDING ON CNT OF HDR.",
       "ORD/17: CNT OF ORD 0 2 Z2; ID OF HDR 2 2 X; CNT OF HDR 4 1 Z1; ID OF LINE(1) 5 1 X; "
       "QTY(1,1) 6 1 Z1; QTY(1,2) 7 1 Z1; ID OF LINE(2) 8 1 X; QTY(2,1) 9 1 Z1; QTY(2,2) 10 1 Z1; "
       "ITEM(1) 11 2 X; ITEM(2) 13 2 X; ITEM(3) 15 2 X; #ORD 0 17; #HDR 2 3; #LINE 5 6; "
       "#LINE(1) 5 3; #QTY(1) 6 2; #LINE(2) 8 3; #QTY(2) 9 2; #ITEM 11 6; {ITEM 11 2x3 1-3 CNT OF "
       "HDR}",
       true},
      {"01 R.\n 05 BASE PIC X(4).\n 05 SMALL REDEFINES BASE PIC 9(2).\n"
       " 05 LARGE REDEFINES BASE. 10 L1 PIC X(3). 10 L2 PIC S9(5) COMP-3.\n 05 AFTER PIC X.",
       "R/7: BASE 0 4 X~0.0; SMALL 0 2 Z2~0.1; L1 0 3 X~0.2; L2 3 3 P5s~0.2; AFTER 6 1 X; "
       "[BASE 0 6: BASE/SMALL/LARGE] || !Line 4: LARGE (6 bytes) is larger than BASE (4 bytes), "
       "which it redefines"},
      // SYNC: slack before binary and floating point, and in each copy.
      {"01 S. 05 A PIC X. 05 H PIC S9(4) COMP SYNC. 05 W PIC S9(9) BINARY SYNCHRONIZED LEFT.\n"
       " 05 B PIC X. 05 D COMP-2 SYNC. 05 E PIC X. 05 T OCCURS 2. 10 C PIC X. 10 F COMP-1 SYNC.\n"
       " 05 U PIC S9(4) COMP-5 SYNC OCCURS 2. 05 P PIC S9(3) COMP-3 SYNC.",
       "S/48: A 0 1 X; H 2 2 B4s; W 4 4 B9s; B 8 1 X; D 16 8 F; E 24 1 X; C(1) 25 1 X; "
       "F(1) 28 4 F; C(2) 33 1 X; F(2) 36 4 F; U(1) 42 2 N4s; U(2) 44 2 N4s; P 46 2 P3s"},
      {"01 ONE PIC X(3).\n1 TWO. 5 A PIC 9.", "ONE/3: ONE 0 3 X || TWO/1: A 0 1 Z1"},
      {"05 A PIC X. 05 B. 10 C PIC 9.", "/2: A 0 1 X; C 1 1 Z1"},
  };
  for (const Row& row : rows)
    EXPECT_EQ(LayoutText(ParseCopybook(row.text), row.groups).toStdString(), row.want)
        << row.text.toStdString();
}

TEST(Copybook, RefusesWhatItDoesNotAcceptWithTheLine) {
  const std::pair<QByteArray, const char*> rows[] = {
      {"01 R. 05 A PIC X(5) 05 B PIC X.", "Line 1: a period is missing before 05"},
      {"01 R.\n66 X RENAMES A.", "Line 2: level 66 (RENAMES) is not supported"},
      {"01 R. 05 A PIC 9(32).", "Line 1: a DISPLAY number holds at most 31 digits"},
      {"01 R. 05 A PIC 9(19) COMP.", "Line 1: a binary number holds at most 18 digits"},
      {"01 R. 05 A PIC X(5) COMP-3.", "Line 1: PICTURE X(5) cannot be COMP-3"},
      {"01 R.\n 05 A.", "Line 2: A has no PICTURE"},
      {"01 R. 05 G PIC X. 10 A PIC X.", "Line 1: G is a group and has no PICTURE"},
      {"01 R. 05 A PIC 9E9.", "Line 1: PICTURE 9E9 is not supported"},
      {"01 R. 05 A PIC X EXTERNAL.", "Line 1: EXTERNAL is not a clause this reader accepts"},
      {"01 R. 05 A USAGE INDEX.", "Line 1: USAGE INDEX is not supported"},
      {"01 R. 05 A PIC X. 05 B PIC X REDEFINES A.", "Line 1: REDEFINES must follow the name"},
      {"01 R. 05 A PIC X. 05 B PIC X. 05 C REDEFINES A PIC X.",
       "Line 1: REDEFINES A names no item just before it"},
      {"01 R. 05 A. 10 B PIC X. 07 C PIC X.", "Line 1: level 7 matches no level above it"},
      {"01 R. 05 A PIC X", "Line 1: the entry has no period at its end"},
      {"01 R. 05 A PIC X OCCURS 0 TO 5.",
       "Line 1: OCCURS m TO n goes with DEPENDING ON, and only it"},
      {"01 R. 05 A PIC X OCCURS 1 TO 5 DEPENDING ON N.",
       "Line 1: DEPENDING ON N names no field of the record"},
      {"01 R. 05 A PIC X OCCURS 1 TO 3 DEPENDING B. 05 B PIC X.",
       "Line 1: DEPENDING ON B names no single number"},
      {"01 R. 05 A PIC X(32768).", "Line 1: the record is longer than 32,767 bytes"},
      {"01 R. 05 A OCCURS 200. 10 B PIC X OCCURS 200.",
       "Line 1: the record is longer than 32,767 bytes"},
      {"01 R. 05 A PIC X(30000). 05 B REDEFINES A PIC X OCCURS 30000. 05 C REDEFINES A PIC X "
       "OCCURS 30000.\n"
       "05 D REDEFINES A PIC X OCCURS 30000. 05 E REDEFINES A PIC X OCCURS 30000.",
       "Line 2: the layout has more than 100,000 fields"},
      {"01 R. 05 A PIC X VALUE 'OPEN.", "Line 1: a literal is not closed"},
      {"      -    05 A.", "Line 1: a continuation line continues nothing"},
      {"       01 R.\n      X 05 A PIC X.",
       "Line 2: column 7 holds no comment, debugging or continuation mark"},
      {"       01 R. 05 A PIC X VALUE 'AB\n      -    CD'.",
       "Line 2: a continued literal must go on after a quote"},
      {"      * nothing but a comment", "The copybook describes no field"},
      {"       FOO BAR.", "Line 1: FOO is not a level number"},
      {"01 R. 05 A PIC 9 SIGN LEADING.", "Line 1: SIGN needs a number with S"},
      {"01 R. 05 G COMP. 10 A PIC 9 COMP-3.",
       "Line 1: USAGE COMP-3 contradicts its group's USAGE BINARY"},
      {"01 R. COPY.", "Line 1: COPY needs a name"},
      {"01 R OCCURS 2 PIC X.", "Line 1: a level 01 item has no OCCURS"},
      {"01 R. 05 A PIC 9 VALUE 1 THRU.", "Line 1: THRU needs a literal"},
      {"01 R. 05 A PIC S9 SIGN SEPARATE.", "Line 1: SIGN needs LEADING or TRAILING"},
      {"01 R. 05 A PIC X PICTURE X.", "Line 1: PIC is given twice"},
      {"01 R. 05 A- PIC X.", "Line 1: A- is not a name"},
      {"01 R. 05 A COMP-1 PIC 9.", "Line 1: COMP-1 has no PICTURE"},
      {"01 A PIC X. 01 B REDEFINES C PIC X.", "Line 1: REDEFINES C names no record before it"},
      {"01 R. 05 A PIC X OCCURS 1 TO 2 DEPENDING N. 05 G. 10 N PIC 9. 05 H. 10 N PIC 9.",
       "Line 1: DEPENDING ON N names more than one field of the record"},
  };
  for (const auto& [text, want] : rows)
    EXPECT_EQ(LayoutText(ParseCopybook(text)).toStdString(), std::string("error: ") + want);
}

TEST(Copybook, ReadsCopyMembersFromItsFolderInAnyCase) {
  TempFiles files;
  files.Write("ADDR.CPY", " 05 CITY PIC X(10).\n");
  files.Write("tail", " 05 ZIP PIC 9(5).\n");
  files.Write("Bad.cob", "\n 05 X PIC Q.\n");
  files.Write("a.cpy", "01 R.\n COPY B.\n");
  files.Write("b.cbl", "       COPY A.\n");
  const std::pair<QByteArray, const char*> rows[] = {
      {"01 R.\n COPY addr.\n COPY \"Tail\".", "R/15: CITY 0 10 X; ZIP 10 5 Z5"},
      {"01 R.\n COPY BAD.", "error: Line 2 of Bad.cob: PICTURE Q is not supported"},
      {"01 R.\n COPY NONE.",
       "error: Line 2: COPY NONE finds no NONE, NONE.cpy, NONE.cbl or NONE.cob"},
      {"01 R.\n COPY ADDR REPLACING ==CITY== BY ==TOWN==.",
       "error: Line 2: COPY REPLACING is not supported"},
      {"       COPY A.", "error: Line 1 of b.cbl: COPY A leads back to a file being read"},
  };
  for (const auto& [text, want] : rows)
    EXPECT_EQ(LayoutText(ReadCopybook(files.Write("main.cpy", text))).toStdString(), want);
  FaultySys sys;
  sys.always[SysCalls::Call::ListDir] = EIO;
  EXPECT_EQ(LayoutText(ReadCopybook(files.Path("main.cpy"), sys)).toStdString(),
            "error: Line 1: COPY A: the folder does not list: Input/output error");
  EXPECT_EQ(LayoutText(ReadCopybook(files.Path("gone.cpy"))),
            "error: " + files.Path("gone.cpy") + " does not read: No such file or directory");
}

TEST(Copybook, NoTextCrashesItOrMakesItLinger) {
  const QByteArray seeds[] = {
      Cards("000100 01  R.\n000200     05 A PIC S9(4) COMP SYNC OCCURS 2 TO 9 DEPENDING N.\n"
            "000300     05 B REDEFINES A. 10 C PIC X(3) VALUE 'X\n000400-    'Y'.\n"
            "000500     05 N PIC 9.\n"),
      "01 R. 05 N PIC 9. 05 G. 10 H PIC X OCCURS 3. 10 I PIC ZZ9.99.\n 05 L REDEFINES G.\n"
      " 10 M COMP-2 SYNC OCCURS 2. 10 O PIC S9(3)V9 COMP-3 OCCURS 1 TO 5 DEPENDING ON N OF R.\n"};
  const QByteArray inserts =
      " OCCURS 32767 | REDEFINES A | COPY X. |\t|\n      -|'|(99999)| 01 | 88 "
      "|*>| 10 | COMP-5 SYNC| DEPENDING ON N |. |\n";
  const QList<QByteArray> pieces = inserts.split('|');
  std::mt19937 random(27);
  const auto pick = [&random](std::size_t n) { return static_cast<qsizetype>(random() % n); };
  for (int runs = 0; runs < 5000; ++runs) {
    QByteArray text = seeds[runs % 2];
    if (runs % 5 == 0) {
      text = QByteArray(pick(300), '\0');
      for (char& c : text) c = static_cast<char>(random());
    }
    for (int k = 0, edits = 1 + static_cast<int>(pick(6)); k < edits; ++k) {
      const qsizetype at = pick(static_cast<std::size_t>(text.size()) + 1);
      random() % 2 ? text.insert(at, pieces[pick(pieces.size())]) : text.remove(at, pick(8));
    }
    // No more fields than a longest record has bytes: a blow-up of copies
    // would keep the reader busy long after the user's click.
    const CopybookResult read = ParseCopybook(text);
    (void)LayoutText(read);
    if (const auto* layout = std::get_if<Layout>(&read)) {
      for (const RecordKind& kind : layout->kinds)
        EXPECT_LE(kind.fields.size(), 32767u) << text.data();
    }
  }
}

}  // namespace qx::test
