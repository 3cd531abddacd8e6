// The one seam between Quellox and the desktop: questions to the user,
// beeps, file choosers, the settings store, event processing and help.
// The program uses QtPlatform; tests use a scripted fake.
#pragma once

#include <QString>
#include <cstdint>

namespace qx {

enum class Buttons { Ok, YesNo };
enum class Icon { None, Critical };
// Values follow the classic message-box result codes the dialogs pass around.
enum class Answer { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

inline const QString kProductTitle = QStringLiteral("Quellox");

class Platform {
 public:
  virtual ~Platform() = default;

  virtual Answer MessageBox(const QString& text, Buttons buttons = Buttons::Ok,
                            Icon icon = Icon::None, const QString& title = kProductTitle) = 0;
  virtual void Beep() = 0;

  // Empty text when the user cancels.
  virtual QString OpenFileName(const QString& caption) = 0;
  virtual QString SaveFileName(const QString& caption) = 0;

  virtual QString ReadSetting(const QString& section, const QString& key,
                              const QString& defaultValue = {}) = 0;
  virtual void WriteSetting(const QString& section, const QString& key, const QString& value) = 0;

  // The value prompt "Request": returns the typed number, or value when the
  // user typed nothing (or a number too large to hold).
  virtual std::int64_t AskValue(const QString& caption, std::int64_t value) = 0;
  // The transient notice window: beeps, shows text for half a second.
  virtual void ShowNotice(const QString& text) = 0;

  // Lets the window repaint and buttons (Cancel) answer during a long operation.
  virtual void ProcessEvents() = 0;

  virtual void ShowHelp(int context) = 0;
  virtual void HelpSearch() = 0;
};

}  // namespace qx
