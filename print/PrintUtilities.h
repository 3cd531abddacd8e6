// The printing settings read at start and by the printer dialog, and the
// layout of the test page, without a printer or a widget.
#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "core/Declare.h"
#include "platform/Platform.h"
#include "platform/Printing.h"

namespace qx {

inline const QString kPrinterSection = QStringLiteral("Printer");
inline constexpr int kMaxPrintPageLength = 32767;
inline constexpr std::int64_t kDefaultPageLimit = 100;

// Lines per page from the "PgLen" text: the number it starts with, rounded
// to a whole number (halves to the even neighbour), "72 words" giving 72;
// 60 when it holds no number or one below 1; at most 32767.
int ReadPageLength(const QString& text);
// The same from the settings store.
int LoadPrintPageLength(Platform& p);
// Pages per job from the "Page Limit:" text; 100 when it is not a whole
// number of at least 1.
std::int64_t ReadPageLimit(const QString& text);

// At start: lines per page, the current printer ("Prtr" when it holds text,
// else the printer last chosen in the dialog; the default printer when the
// system has no such printer), its saved font when the printer has it, and
// the page limit.
void LoadPrintSettings(EditorState& s, Platform& p);

// The test page's ticks, in twips from the page's top left corner (the
// scale's geometry is in platform/Printing.h). Thirty ticks 100 twips apart from 100 to 3000 above
// the bottom: 100 long, 200 at every 500, 300 at every 1000, the last two kinds labelled with their
// number after one space.
std::vector<TestTick> TestPageTicks(std::int64_t pageHeight);

}  // namespace qx
