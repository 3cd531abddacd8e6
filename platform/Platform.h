// The one seam between Quellox and the desktop: questions to the user,
// beeps, file choosers, the settings store, event processing and help.
// The program uses QtPlatform; tests use a scripted fake.
#pragma once

#include <QSize>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/Printing.h"

namespace qx {

enum class Buttons { Ok, YesNo };
enum class Icon { None, Critical };
// Values follow the classic message-box result codes the dialogs pass around.
enum class Answer { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

inline const QString kProductTitle = QStringLiteral("Quellox");

class Platform {
 public:
  virtual ~Platform() = default;

  // defaultAnswer: the button Enter presses in a Yes/No box.
  virtual Answer MessageBox(const QString& text, Buttons buttons = Buttons::Ok,
                            Icon icon = Icon::None, const QString& title = kProductTitle,
                            Answer defaultAnswer = Answer::Yes) = 0;
  virtual void Beep() = 0;

  // Empty text when the user cancels. filter: the chooser's file types, as
  // "COBOL copybooks (*.cpy);;All files (*)".
  virtual QString OpenFileName(const QString& caption, const QString& filter = {}) = 0;
  // suggested: the name (and folder) the chooser starts with; filter: the
  // chooser's file type, as "PDF files (*.pdf)".
  virtual QString SaveFileName(const QString& caption, const QString& suggested = {},
                               const QString& filter = {}) = 0;

  virtual QString ReadSetting(const QString& section, const QString& key,
                              const QString& defaultValue = {}) = 0;
  virtual void WriteSetting(const QString& section, const QString& key, const QString& value) = 0;

  // The value prompt "Request": returns the typed number, or value when the
  // user typed nothing (or a number too large to hold). F1 in it opens the
  // help topic helpContext.
  virtual std::int64_t AskValue(const QString& caption, std::int64_t value, int helpContext) = 0;
  // The space a window may take on the main window's screen (its available
  // area, without panels); empty when unknown.
  virtual QSize ScreenSpace() = 0;
  // The transient notice window, for the short notices ("Found", "Last
  // Record"): beeps, shows text for half a second.
  virtual void ShowNotice(const QString& text) = 0;
  // The main window's message line, for anything longer; it stays until the
  // next command. Raised while a dialog is open, it shows in that dialog.
  virtual void ShowMessage(const QString& text) = 0;

  // Lets the window repaint and buttons (Cancel) answer during a long operation.
  virtual void ProcessEvents() = 0;

  // The help window at the topic of a context number, or at its keyword index.
  virtual void ShowHelp(int context) = 0;
  virtual void HelpSearch() = 0;
  // Starts the desktop's system information program; false when there is
  // none or it would not start.
  virtual bool StartSystemInfo() = 0;

  // ---- Printing ----
  // The system's printers, then the built-in kPdfPrinter.
  virtual QStringList Printers() = 0;
  // The system's default printer; kPdfPrinter when it has none.
  virtual QString DefaultPrinter() = 0;
  // The font families the printer can use.
  virtual QStringList PrinterFonts(const QString& printer) = 0;
  // Starts a job on the printer of setup; the PDF printer writes
  // setup.outputFile, which only a complete job replaces. Empty, with error
  // set, when the printer cannot take it.
  virtual std::unique_ptr<PrintSink> StartPrintJob(const PrintSetup& setup, QString& error) = 0;
  // Prints the test page, to setup.outputFile on the PDF printer; false
  // with error set when the printer refused it.
  virtual bool PrintTestPage(const PrintSetup& setup, const std::vector<TestTick>& ticks,
                             QString& error) = 0;
  // Shows the pages that print would put on paper, before printing.
  virtual void PreviewPrintJob(const PrintSetup& setup,
                               const std::function<void(PrintSink&)>& print) = 0;
};

}  // namespace qx
