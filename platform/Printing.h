// What the program asks of a printer: a job that takes lines of character
// cells and page breaks, and the test page's ticks. The program's printers
// are Qt Print Support's (QtPrinting); tests record what is printed.
#pragma once

#include <QString>
#include <cstdint>
#include <vector>

namespace qx {

// The built-in printer that writes a job to a PDF file the user names.
inline const QString kPdfPrinter = QStringLiteral("PDF");

struct PrintSetup {
  QString printer;  // a name from Platform::Printers()
  QString font;     // a family the printer can use; empty: the fixed-pitch font
  int fontPoints = 10;
  // The PDF printer's file, named and checked before the job (ChoosePrintOutput).
  QString outputFile;
};

// Where the lines of a job go. A false result means the printer failed
// (Error() says why): the job stops.
class PrintSink {
 public:
  virtual ~PrintSink() = default;
  // One line of character columns, column 1 first; every character takes
  // one cell of the font's widest character, so columns line up in any font.
  [[nodiscard]] virtual bool Line(const QString& text) = 0;
  [[nodiscard]] virtual bool NewPage() = 0;
  // Sends the job to the printer; also after the page limit.
  [[nodiscard]] virtual bool EndDocument() = 0;
  // Ends a job cut short by Cancel or a read error: a printer prints the
  // pages it has, a file keeps what it held before.
  [[nodiscard]] virtual bool EndIncomplete() = 0;
  virtual QString Error() const { return {}; }
};

// The test page's scale, in twips: a tick is a horizontal line from
// (kTickX, y) to (kTickX + length, y); a label's right edge lies at
// kTickLabelRight and its vertical middle at y; labels are 8-point.
inline constexpr int kTestPageCentre = 11520 / 2;
inline constexpr int kTickX = kTestPageCentre - 300;
inline constexpr int kTickLabelRight = kTestPageCentre - 400;
inline constexpr int kTestPageFontPoints = 8;

// A tick of the test page: a horizontal line position twips above the
// bottom of the page (y from its top, for a page of the height the caller
// assumed), of the given length, with a label left of the scale when set.
// A printer places it from the bottom of its own page.
struct TestTick {
  int position = 0;    // twips above the bottom of the page
  int length = 0;      // twips
  std::int64_t y = 0;  // pageHeight - position
  QString label;       // empty on unlabelled ticks
};

}  // namespace qx
