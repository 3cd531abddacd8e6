#include "input/Typing.h"

#include "core/CharacterSet.h"
#include "input/Utility.h"

namespace qx {

ByteChange TypedChange(QChar key, TypingSide side, const CharacterSet& set) {
  using R = ByteChange::Result;
  if (side == TypingSide::Character) {
    const std::optional<std::uint8_t> code = set.Encode(key);
    if (!code) return ByteChange{set.IsAscii() ? R::Ignored : R::NoCode};
    return ByteChange{R::Changed, 0x00, *code};
  }
  const QChar digit = key.toUpper();
  if (!IsHexChar(digit)) return ByteChange{R::InvalidHex};
  const auto d = static_cast<std::uint8_t>(HexByteValue(QString(digit)));
  if (side == TypingSide::LowDigit) return ByteChange{R::Changed, 0xF0, d};
  return ByteChange{R::Changed, 0x0F, static_cast<std::uint8_t>(d << 4)};
}

namespace {

// The index of working offset at in the view's screen buffer, if it holds it.
std::optional<std::size_t> ScreenIndex(const EditorState& s, std::int64_t at) {
  if (at < 0 || at > s.WorkingLength - 1) return std::nullopt;
  if (s.Current.RecordView) {
    const RecordBuffer& r = s.Records;
    const std::int64_t abs = s.Current.WorkingBase + at;
    if (abs < r.At || abs >= r.End()) return std::nullopt;
    return static_cast<std::size_t>(abs - r.At);
  }
  const std::int64_t i = at - s.Current.BufferTop;
  if (i < 0 || i >= kPageSize) return std::nullopt;
  return static_cast<std::size_t>(i);
}

}  // namespace

std::optional<std::uint8_t> ScreenByte(const EditorState& s, std::int64_t at) {
  const std::optional<std::size_t> i = ScreenIndex(s, at);
  if (!i) return std::nullopt;
  return s.Current.RecordView ? s.Records.Bytes[*i] : s.PageBuffer[*i];
}

bool SetScreenByte(EditorState& s, std::int64_t at, std::uint8_t value) {
  const std::optional<std::size_t> i = ScreenIndex(s, at);
  if (!i) return false;
  if (s.Current.RecordView) {
    RecordBuffer& r = s.Records;
    if (!s.Dirty) std::fill(r.Edited.begin(), r.Edited.end(), false);
    r.Bytes[*i] = value;
    r.Edited[*i] = true;
  } else {
    if (!s.Dirty) s.PageEdited.reset();
    s.PageBuffer[*i] = value;
    s.PageEdited.set(*i);
  }
  s.Dirty = true;
  return true;
}

Typed TypeOnScreen(EditorState& s, QChar key, TypingSide side, bool cursorShown) {
  const ByteChange change = TypedChange(key, side, CharacterSetOf(s.Current.CharSet));
  switch (change.Outcome) {
    case ByteChange::Result::Changed:
      break;
    case ByteChange::Result::NoCode:
      return Typed::NoCode;
    case ByteChange::Result::InvalidHex:
      return Typed::InvalidHex;
    case ByteChange::Result::Ignored:
      return Typed::Ignored;
  }
  const std::int64_t at = s.Current.CursorOffset;
  const std::optional<std::uint8_t> byte = ScreenByte(s, at);
  if (!cursorShown || !byte) return Typed::OffScreen;
  SetScreenByte(s, at, change.Over(*byte));
  return change.Completes() ? Typed::Byte : Typed::HighDigit;
}

}  // namespace qx
