// What every operation over a range of the file owes, whatever it does to the bytes.
#pragma once

#include <functional>
#include <random>
#include <utility>

#include "ops/RecordRange.h"
#include "tests/WindowRig.h"

namespace qx::test {

// What a fill must leave: byte k of the field of every record of the clamped
// range gets pattern[(k - start) mod L] where the byte exists.
inline QByteArray FieldFill(QByteArray data, std::int64_t base, std::int64_t length,
                            const std::vector<std::uint8_t>& pat, RecordRange g) {
  const std::int64_t size = data.size();
  const std::int64_t to = std::min(g.to, (size - base + length - 1) / length - 1);
  const std::int64_t end = std::min(g.endOffset, length - 1);
  for (std::int64_t r = std::max<std::int64_t>(g.from, 0); r <= to; ++r) {
    const std::int64_t at = base + r * length;
    for (std::int64_t k = g.startOffset; k <= end && at + k < size; ++k)
      data[static_cast<qsizetype>(at + k)] =
          static_cast<char>(pat[static_cast<std::size_t>((k - g.startOffset) % pat.size())]);
  }
  return data;
}

// Runs `rounds` random cases in one rig, every other round with short writes; a case
// returns the path and what the file must then hold.
template <class Case>
void MatchesReference(unsigned seed, int rounds, std::size_t maxWrite, Case one) {
  std::mt19937 rng(seed);
  Rig r;
  for (int round = 0; round < rounds; ++round) {
    r.sys.shortWrites = round % 2 ? 1 + rng() % maxWrite : 0;
    const std::pair<QString, QByteArray> got = one(r, rng, round);
    r.sys.shortWrites = 0;
    ASSERT_TRUE(TempFiles::Read(got.first) == got.second) << "round " << round;
  }
}

// How an operation is made to stop early (NoClip: the clip file is gone).
enum class Stop { Cancel, FailCall, NoSpace, NoRead, Theirs, NoClip };

inline QByteArray TheirBytes() {
  return QByteArray(5000, 'T');
}

inline void Arm(Rig& r, Stop how, int at = 0, const QString& name = "f.bin") {
  if (how == Stop::Cancel) r.p.onEvents = CancelAtEvent(at, [&r] { r.s.OperationRunning = false; });
  if (how == Stop::FailCall) r.sys.Reset({at});
  if (how == Stop::NoSpace) r.sys.always[SysCalls::Call::Write] = ENOSPC;
  if (how == Stop::NoRead) r.sys.always[SysCalls::Call::Read] = EIO;
  if (how == Stop::Theirs) r.files.Write(name, TheirBytes());
  if (how == Stop::NoClip) QFile::remove(r.s.ClipFile);
}

// Takes any stop away; nothing is left to undo or lying about, nor taken for another's change.
inline void Disarm(Rig& r) {
  r.p.onEvents = nullptr;
  r.sys.Reset();
  r.sys.shortWrites = 0;
  r.sys.always.clear();
  r.p.Verify();
  EXPECT_FALSE(r.s.UndoEnabled || r.s.RedoEnabled);
  EXPECT_TRUE(r.files.Leftovers().isEmpty());
  EXPECT_FALSE(r.io.FileChangedOnDisk());
}

// An unsaved page edit is offered for saving, and saved, before an operation that writes.
inline void SavesThePageFirst(Rig& r, const QString& path, const std::function<void()>& run,
                              const QByteArray& want) {
  r.s.PageBuffer[0] = 'E';
  r.s.Dirty = true;
  r.p.ExpectBox("Save Change?", Answer::Yes);
  run();
  r.p.Verify();
  EXPECT_EQ(TempFiles::Read(path), want);
  EXPECT_FALSE(r.s.Dirty || r.s.UndoEnabled);
}

template <class D>
void ThroughDialog(WindowRig& r, void (QX::*command)(), std::function<void(D*)> act) {
  WhenModal<D> modal(std::move(act));
  (r.w.get()->*command)();
}

}  // namespace qx::test
