#include "print/PrintUtilities.h"

#include <QRegularExpression>
#include <cmath>

#include "input/Utility.h"
#include "print/PrintModule.h"

namespace qx {

int ReadPageLength(const QString& text) {
  // Reading stops at the first character that cannot belong to the number.
  static const QRegularExpression number(QStringLiteral("^\\s*[+-]?(\\d+\\.?\\d*|\\.\\d+)"));
  const QRegularExpressionMatch m = number.match(text);
  if (!m.hasMatch()) return kDefaultPrintPageLength;
  const double value = std::nearbyint(m.captured(0).trimmed().toDouble());
  if (!(value >= 1)) return kDefaultPrintPageLength;
  if (value > kMaxPrintPageLength) return kMaxPrintPageLength;
  return static_cast<int>(value);
}

int LoadPrintPageLength(Platform& p) {
  return ReadPageLength(p.ReadSetting(kPrinterSection, QStringLiteral("PgLen"), QString()));
}

std::int64_t ReadPageLimit(const QString& text) {
  const std::optional<std::int64_t> v = ReadNumber(text);
  return v && *v >= 1 ? *v : kDefaultPageLimit;
}

void LoadPrintSettings(EditorState& s, Platform& p) {
  const auto setting = [&p](const char* key) {
    return p.ReadSetting(kPrinterSection, QString::fromLatin1(key), QString());
  };
  s.PrintPageLength = LoadPrintPageLength(p);
  // Without "Prtr" the dialog's choice is made current again, so that it
  // survives a restart.
  QString wanted = setting("Prtr");
  if (wanted.isEmpty()) wanted = setting("PrinterName").trimmed();
  s.PrinterName = !wanted.isEmpty() && p.Printers().contains(wanted) ? wanted : p.DefaultPrinter();
  const QString font = setting("FontName").trimmed();
  s.PrintFontName =
      !font.isEmpty() && p.PrinterFonts(s.PrinterName).contains(font) ? font : QString();
  s.PrintPageLimit = ReadPageLimit(setting("PageLimit"));
}

std::vector<TestTick> TestPageTicks(std::int64_t pageHeight) {
  std::vector<TestTick> ticks;
  for (int p = 100; p <= 3000; p += 100) {
    TestTick t;
    t.position = p;
    t.y = pageHeight - p;
    t.length = p % 1000 == 0 ? 300 : p % 500 == 0 ? 200 : 100;
    if (p % 500 == 0) t.label = QLatin1Char(' ') + QString::number(p);
    ticks.push_back(t);
  }
  return ticks;
}

}  // namespace qx
