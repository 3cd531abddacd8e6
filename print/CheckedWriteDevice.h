// A write-only QIODevice over an open descriptor for Qt's writers (the PDF
// writer): every write goes through SysCalls and is checked to its last
// byte, so that a full disk or an I/O error is known and a test can fail
// any write. Qt's own writers ignore a failed write; this device remembers
// the first one, and fails every write after it.
#pragma once

#include <QIODevice>
#include <cstdint>

#include "core/SysCalls.h"

namespace qx {

class CheckedWriteDevice : public QIODevice {
 public:
  // fd stays the caller's: it is written from its current offset on and
  // never closed here. The device is open for writing.
  CheckedWriteDevice(SysCalls& sys, int fd);

  bool isSequential() const override { return true; }
  // The errno of the first failed write; 0 while none failed.
  int Failure() const { return failure_; }
  // Bytes that reached the descriptor, those of a failed write included.
  std::int64_t Written() const { return written_; }

 protected:
  qint64 readData(char* data, qint64 n) override;
  qint64 writeData(const char* data, qint64 n) override;

 private:
  SysCalls& sys_;
  int fd_;
  int failure_ = 0;
  std::int64_t written_ = 0;
};

}  // namespace qx
