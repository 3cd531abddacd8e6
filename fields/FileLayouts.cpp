#include "fields/FileLayouts.h"

#include <algorithm>

#include "core/FileMemory.h"
#include "core/NativeName.h"
#include "core/Navigation.h"
#include "core/ValueFormat.h"
#include "fields/ByField.h"
#include "fields/FieldCodec.h"
#include "input/Typing.h"

namespace qx {

namespace {

// A text field longer than this shows its start.
constexpr int kShownFieldChars = 60;

void DropLayoutOf(FileState& f) {
  f.Copybook.clear();
  f.LayoutKind = 0;
  f.Layout = {};
}

}  // namespace

QString FieldValueText(const FieldValue& v) {
  switch (v.state) {
    case FieldValue::State::Blank:
      return QStringLiteral("blank");
    case FieldValue::State::LowValues:
      return QStringLiteral("low-values");
    case FieldValue::State::Invalid:
      return v.text.isEmpty() ? QStringLiteral("invalid") : v.text;
    case FieldValue::State::Value:
      break;
  }
  QString text = v.text.size() > kShownFieldChars
                     ? v.text.left(kShownFieldChars) + QStringLiteral("...")
                     : v.text;
  return v.beyondPic ? text + QStringLiteral(" (beyond PIC)") : text;
}

LayoutChoices ChoicesOf(const LayoutFlags& flags) {
  return {flags.LittleEndian, flags.PToY, flags.IeeeFloat};
}

LayoutFlags FlagsOf(const LayoutChoices& choices) {
  return {choices.littleEndian, choices.asciiPToY, choices.ieeeFloat};
}

const FileLayouts::Held* FileLayouts::Find(const FileState& f) const {
  if (f.Copybook.isEmpty()) return nullptr;
  const auto at = std::find_if(held_.begin(), held_.end(), [&](const Held& h) {
    return h.file == f.FileName && h.copybook == f.Copybook;
  });
  return at == held_.end() ? nullptr : &*at;
}

const Layout* FileLayouts::Current(const EditorState& s) const {
  const Held* h = Find(s.Current);
  return h ? &h->layout : nullptr;
}

const RecordKind* FileLayouts::Kind(const EditorState& s) const {
  const Layout* layout = Current(s);
  if (!layout || layout->kinds.empty()) return nullptr;
  const auto k = std::clamp<std::size_t>(
      static_cast<std::size_t>(std::max(s.Current.LayoutKind, 0)), 0, layout->kinds.size() - 1);
  return &layout->kinds[k];
}

RecordKind* FileLayouts::MutableKind(const EditorState& s) {
  // The layouts are this object's own and it is not const here.
  return const_cast<RecordKind*>(Kind(s));
}

void FileLayouts::Sync(IO& io) {
  EditorState& s = io.State();
  std::erase_if(held_, [&](const Held& h) {
    const auto same = [&](const FileState& f) {
      return f.FileName == h.file && f.Copybook == h.copybook;
    };
    return !same(s.Current) && std::none_of(s.OpenFiles.begin(), s.OpenFiles.end(), same);
  });
  FileState& c = s.Current;
  if (c.FileName.isEmpty() || c.Copybook.isEmpty() || Find(c)) return;
  CopybookResult read = ReadCopybook(c.Copybook, *s.Sys);
  if (auto* error = std::get_if<CopybookError>(&read)) {
    const QString copybook = c.Copybook;
    DropLayoutOf(c);
    if (s.OpenFiles[0].FileName == c.FileName) DropLayoutOf(s.OpenFiles[0]);
    RememberGeometry(io.Plat(), c);
    io.Plat().ShowMessage(
        QStringLiteral("Opened without a layout: ") +
        (error->line == 0 ? error->reason : copybook + QStringLiteral(", ") + error->Text()));
    return;
  }
  Layout& layout = std::get<Layout>(read);
  if (c.LayoutKind < 0 || c.LayoutKind >= std::ssize(layout.kinds)) c.LayoutKind = 0;
  held_.push_back({c.FileName, c.Copybook, std::move(layout)});
  RecordKind* kind = MutableKind(s);
  if (FitsAreas(*kind, c.Layout.Alternatives)) kind->chosen = c.Layout.Alternatives;
  Redraw(io);
}

void FileLayouts::Use(IO& io, const QString& named, Layout layout, const LayoutChoices& choices) {
  EditorState& s = io.State();
  FileState& c = s.Current;
  if (c.FileName.isEmpty()) return;
  const QString resolved = CanonicalPath(named, *s.Sys);
  const QString& copybook = resolved.isEmpty() ? named : resolved;
  std::erase_if(held_, [&](const Held& h) { return h.file == c.FileName; });
  c.Copybook = copybook;
  c.LayoutKind = 0;
  c.Layout = FlagsOf(choices);
  const int length = layout.Length();
  if (!layout.warnings.isEmpty()) io.Plat().ShowMessage(layout.warnings.join(QStringLiteral("; ")));
  held_.push_back({c.FileName, copybook, std::move(layout)});
  RememberGeometry(io.Plat(), c);
  Redraw(io);
  // A length the file cannot take (longer than its working area) is not offered.
  if (length == c.RecordLength || length < 1 ||
      length > std::min<std::int64_t>(s.WorkingLength, kMaxRecordLength)) {
    return;
  }
  const QString question = QStringLiteral(
                               "The layout's records are %1 bytes; the record length "
                               "is %2. Use %1?")
                               .arg(length)
                               .arg(c.RecordLength);
  if (io.Plat().MessageBox(question, Buttons::YesNo, Icon::None, kProductTitle, Answer::Yes) ==
      Answer::Yes) {
    SetRecordLength(io, length);
  }
}

bool FileLayouts::ChooseKind(IO& io, int kind) {
  const Layout* layout = Current(io.State());
  if (!layout || kind < 0 || kind >= std::ssize(layout->kinds)) return false;
  if (RecordKind* before = MutableKind(io.State())) before->chosen.clear();
  io.State().Current.LayoutKind = kind;
  io.State().Current.Layout.Alternatives.clear();
  RememberGeometry(io.Plat(), io.State().Current);
  Redraw(io);
  return true;
}

bool FileLayouts::ChooseAlternative(IO& io, int area, int alternative) {
  RecordKind* kind = MutableKind(io.State());
  if (!kind || area < 0 || area >= std::ssize(kind->areas)) return false;
  std::vector<int> chosen =
      FitsAreas(*kind, kind->chosen) ? kind->chosen : std::vector<int>(kind->areas.size());
  chosen[static_cast<std::size_t>(area)] = alternative;
  if (!FitsAreas(*kind, chosen)) return false;
  kind->chosen = chosen;
  io.State().Current.Layout.Alternatives = chosen;
  RememberGeometry(io.Plat(), io.State().Current);
  Redraw(io);
  return true;
}

void FileLayouts::Close(IO& io) {
  FileState& c = io.State().Current;
  if (c.Copybook.isEmpty()) return;
  std::erase_if(held_, [&](const Held& h) { return h.file == c.FileName; });
  DropLayoutOf(c);
  RememberGeometry(io.Plat(), c);
  Redraw(io);
}

void FileLayouts::Redraw(IO& io) {
  // The record view shows the fields.
  if (io.State().Current.RecordView) io.View().LoadDisplay();
}

QString FieldAtCursor(const EditorState& s, const FileLayouts& layouts) {
  const RecordKind* kind = layouts.Kind(s);
  const FileState& c = s.Current;
  if (!kind || c.RecordLength < 1) return {};
  const std::int64_t at = c.CursorOffset % c.RecordLength;
  const LayoutField* f = FieldAt(*kind, at);
  if (f == nullptr) return QStringLiteral("none at offset %1 of the record").arg(at);
  const QString name = f->name + QStringLiteral(" = ");
  const std::int64_t start = c.CursorOffset - at + f->offset;  // in the working area
  const auto length = static_cast<std::size_t>(f->type.length);
  if (s.WorkingLength - start < f->type.length) return name + kTooShort;
  std::vector<std::uint8_t> bytes(length);
  if (s.File1.ReadAt(c.WorkingBase + start, bytes.data(), f->type.length) != f->type.length) {
    return name + QStringLiteral("couldn't read");
  }
  // As the screen shows them, unsaved edits and all.
  for (std::size_t i = 0; i < length; ++i) {
    if (const auto b = ScreenByte(s, start + static_cast<std::int64_t>(i))) bytes[i] = *b;
  }
  return name + FieldValueText(
                    DecodeField(f->type, bytes, CharacterSetOf(c.CharSet), ChoicesOf(c.Layout)));
}

}  // namespace qx
