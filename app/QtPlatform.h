// The real desktop behind Platform: Qt message boxes, file dialogs,
// QSettings, the beep, the value prompt, the notice window, the message
// lines and the printers.
#pragma once

#include <QPointer>
#include <QWidget>

#include "core/SysCalls.h"
#include "platform/Platform.h"

namespace qx {

class HelpViewer;

class QtPlatform : public Platform {
 public:
  // sys writes the PDF printer's files; a test's fails some of the calls.
  explicit QtPlatform(SysCalls& sys = SysCalls::Real()) : sys_(sys) {}
  ~QtPlatform() override;
  QtPlatform(const QtPlatform&) = delete;
  QtPlatform& operator=(const QtPlatform&) = delete;
  // The window that message boxes and dialogs belong to.
  void SetMainWindow(QWidget* w) { main_ = w; }

  Answer MessageBox(const QString& text, Buttons buttons, Icon icon, const QString& title,
                    Answer defaultAnswer) override;
  void Beep() override;
  QString OpenFileName(const QString& caption, const QString& filter) override;
  QString SaveFileName(const QString& caption, const QString& suggested,
                       const QString& filter) override;
  QString ReadSetting(const QString& section, const QString& key,
                      const QString& defaultValue) override;
  void WriteSetting(const QString& section, const QString& key, const QString& value) override;
  std::int64_t AskValue(const QString& caption, std::int64_t value, int helpContext) override;
  QSize ScreenSpace() override;
  void ShowNotice(const QString& text) override;
  void ShowMessage(const QString& text) override;
  void ProcessEvents() override;
  void ShowHelp(int context) override;
  void HelpSearch() override;
  bool StartSystemInfo() override;

  // Printing through Qt Print Support (QtPrinting.cpp).
  QStringList Printers() override;
  QString DefaultPrinter() override;
  QStringList PrinterFonts(const QString& printer) override;
  std::unique_ptr<PrintSink> StartPrintJob(const PrintSetup& setup, QString& error) override;
  bool PrintTestPage(const PrintSetup& setup, const std::vector<TestTick>& ticks,
                     QString& error) override;
  void PreviewPrintJob(const PrintSetup& setup,
                       const std::function<void(PrintSink&)>& print) override;

 private:
  // Shown over the main window, or over the modal dialog that asked for it.
  HelpViewer& HelpWindow();

  SysCalls& sys_;
  QPointer<QWidget> main_;
  QPointer<HelpViewer> help_;
};

}  // namespace qx
