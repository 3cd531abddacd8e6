// The topics of the help file that the program opens: F1 in the main window,
// on a menu item and in each dialog. The help file must have each of them.
#pragma once

#include <array>

namespace qx::help {

inline constexpr int kOverview = 1;
inline constexpr int kNumbersAndRanges = 9;
inline constexpr int kFileMenu = 100;
inline constexpr int kChoosePrinter = 130;
inline constexpr int kPrint = 140;
inline constexpr int kEditMenu = 200;
inline constexpr int kCutCopy = 220;
inline constexpr int kPaste = 230;
inline constexpr int kFill = 240;
inline constexpr int kFind = 250;
inline constexpr int kReplace = 260;
inline constexpr int kShowValues = 270;
inline constexpr int kNavigateMenu = 300;
inline constexpr int kMarks = 310;
inline constexpr int kRecords = 320;
inline constexpr int kGoToByte = 330;
inline constexpr int kConfigureMenu = 400;
inline constexpr int kWorkingBase = 410;
inline constexpr int kRecordLength = 420;
inline constexpr int kRecordNumberOffset = 430;
inline constexpr int kCharacterSet = 440;
inline constexpr int kRecordMenu = 500;
inline constexpr int kRecChop = 510;
inline constexpr int kRecPaste = 520;
inline constexpr int kRecFill = 530;
inline constexpr int kLayout = 550;
inline constexpr int kFieldPanel = 560;
inline constexpr int kCheckRecords = 570;
inline constexpr int kExportRecords = 580;
inline constexpr int kViewMenu = 350;
inline constexpr int kRecordView = 360;
inline constexpr int kRecordViewEditing = 370;
inline constexpr int kHelpMenu = 700;

inline constexpr std::array kAllContexts = {
    kOverview,     kNumbersAndRanges,  kFileMenu,     kChoosePrinter, kPrint,
    kEditMenu,     kCutCopy,           kPaste,        kFill,          kFind,
    kReplace,      kShowValues,        kNavigateMenu, kMarks,         kRecords,
    kGoToByte,     kConfigureMenu,     kWorkingBase,  kRecordLength,  kRecordNumberOffset,
    kCharacterSet, kRecordMenu,        kRecChop,      kRecPaste,      kRecFill,
    kLayout,       kFieldPanel,        kCheckRecords, kExportRecords, kViewMenu,
    kRecordView,   kRecordViewEditing, kHelpMenu};

}  // namespace qx::help
