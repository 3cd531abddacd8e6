// Pacing of long operations: the window stays live and Cancel answers.
#pragma once

#include <chrono>
#include <cstdint>

#include "core/Declare.h"
#include "platform/Platform.h"

namespace qx {

// A scan or rewrite of more bytes than this shows the progress bar.
inline constexpr std::int64_t kProgressThreshold = 8192;

// A dialog's progress bar, 0..10000.
class ProgressBar {
 public:
  virtual ~ProgressBar() = default;
  virtual void ShowProgress(bool visible) = 0;
  virtual void SetProgress(int value) = 0;
};

// Shows a progress bar (when there is one and show is true) from 0 for the
// life of the object, and hides it however the operation ends.
class BarShown {
 public:
  BarShown(ProgressBar* bar, bool show) : bar_(show ? bar : nullptr) {
    if (bar_) {
      bar_->SetProgress(0);
      bar_->ShowProgress(true);
    }
  }
  ~BarShown() {
    if (bar_) bar_->ShowProgress(false);
  }
  BarShown(const BarShown&) = delete;
  BarShown& operator=(const BarShown&) = delete;
  ProgressBar* Bar() const { return bar_; }

 private:
  ProgressBar* bar_;
};

// Called once per chunk or record. Processes pending events often enough
// that the window repaints and Cancel answers (well under 50 ms apart), and
// reports whether the operation may go on (OperationRunning).
class OperationPacer {
 public:
  OperationPacer(EditorState& s, Platform& p, ProgressBar* bar = nullptr)
      : s_(s), p_(p), bar_(bar), last_(std::chrono::steady_clock::now()) {}

  // done of total units; returns OperationRunning after any events ran.
  bool Step(std::int64_t done, std::int64_t total) {
    const auto now = std::chrono::steady_clock::now();
    if (now - last_ >= std::chrono::milliseconds(20)) {
      last_ = now;
      if (bar_ && total > 0) {
        bar_->SetProgress(
            static_cast<int>(10000.0 * static_cast<double>(done) / static_cast<double>(total)));
      }
      p_.ProcessEvents();
    }
    return s_.OperationRunning;
  }

  // Events now, whatever the time (before a question to the user, say).
  void Flush() {
    last_ = std::chrono::steady_clock::now();
    p_.ProcessEvents();
  }

 private:
  EditorState& s_;
  Platform& p_;
  ProgressBar* bar_;
  std::chrono::steady_clock::time_point last_;
};

}  // namespace qx
