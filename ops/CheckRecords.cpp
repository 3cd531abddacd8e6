#include "ops/CheckRecords.h"

#include <algorithm>
#include <utility>

#include "core/ValueFormat.h"
#include "fields/ByField.h"
#include "fields/FieldCheck.h"
#include "fields/FileLayouts.h"

namespace qx {

namespace {

struct Checked {
  const LayoutField* field;
  FieldChecker checker;
};

QString HexOf(const std::uint8_t* bytes, std::int64_t n) {
  return QString::fromLatin1(
      QByteArray(reinterpret_cast<const char*>(bytes), n).toHex(' ').toUpper());
}

}  // namespace

CheckReport CheckRecords(IO& io, const RecordKind& kind, std::int64_t from, std::int64_t to,
                         ProgressBar* bar, const CheckOptions& opt) {
  EditorState& s = io.State();
  CheckReport report;
  if (io.BusyRefused()) {
    report.status = CheckStatus::Failed;
    return report;
  }
  const std::int64_t length = s.Current.RecordLength;
  from = std::max<std::int64_t>(from, 0);
  to = std::min(to, s.RecordCount - 1);
  if (length < 1 || from > to) return report;

  const CharacterSet& set = CharacterSetOf(s.Current.CharSet);
  const LayoutChoices choices = ChoicesOf(s.Current.Layout);
  std::vector<Checked> fields;
  std::vector<const LayoutField*> inUse;
  for (const LayoutField& f : kind.fields) {
    if (InUse(kind, f) && f.offset + f.type.length <= length) {
      fields.push_back({&f, FieldChecker(f.type, set, choices)});
      inUse.push_back(&f);
    }
  }
  const RecordChecker whole(inUse, static_cast<int>(length), set, choices);
  UnusedCopies unused(kind, length, set, choices);

  const std::int64_t base = s.Current.WorkingBase;
  const std::int64_t perBlock = std::max<std::int64_t>(opt.blockSize / length, 1);
  const std::int64_t total = to - from + 1;
  std::vector<std::uint8_t> buf(static_cast<std::size_t>(std::min(perBlock, total) * length));
  s.OperationRunning = true;
  {
    BarShown shown(bar, total * length > kProgressThreshold);
    OperationPacer pacer(s, io.Plat(), shown.Bar());
    pacer.Flush();
    for (std::int64_t r = from; r <= to; r += perBlock) {
      if (!pacer.Step(r - from, total)) {
        report.status = CheckStatus::Cancelled;
        break;
      }
      const std::int64_t records = std::min(perBlock, to - r + 1);
      const std::int64_t want = std::min(records * length, s.WorkingLength - r * length);
      if (s.File1.ReadAt(base + r * length, buf.data(), want) != want) {
        report.status = CheckStatus::Failed;
        report.error = QStringLiteral("The file could not be read. The check was stopped.");
        break;
      }
      for (std::int64_t i = 0; i < records; ++i) {
        const std::uint8_t* rec = buf.data() + i * length;
        const std::int64_t have = std::min(length, want - i * length);
        if (have < length) report.shortBytes = have;
        // Nearly every record passes as a whole; the others field by field.
        if (have == length && whole.Passes(rec)) {
          ++report.checked;
          continue;
        }
        unused.Read(rec, have);
        bool bad = false;
        for (const Checked& c : fields) {
          const LayoutField& f = *c.field;
          const bool cut = f.offset + f.type.length > have;
          FieldCheck check;
          if (!cut) {
            check = c.checker.Check(rec + f.offset);
            if (check.Ok()) continue;
          }
          if (unused.Unused(f.offset)) continue;
          bad = true;
          ++report.problems;
          if (std::ssize(report.listed) < kListedProblems) {
            report.listed.push_back(
                {r + i, f.name, base + (r + i) * length + f.offset,
                 HexOf(rec + std::min<std::int64_t>(f.offset, have),
                       std::clamp<std::int64_t>(have - f.offset, 0, f.type.length)),
                 cut ? QStringLiteral("runs past the end of the file") : check.Why()});
          }
          if (cut) break;  // one problem tells of a record cut short
        }
        report.withProblem += bad;
        ++report.checked;
      }
      if (report.status != CheckStatus::Done) break;
    }
  }
  s.OperationRunning = false;
  return report;
}

QString CheckSummary(const CheckReport& report) {
  QString text =
      QStringLiteral("%1 %2 checked; %3 %4 a problem")
          .arg(GroupedNumber(report.checked),
               report.checked == 1 ? QStringLiteral("record") : QStringLiteral("records"),
               GroupedNumber(report.withProblem),
               report.withProblem == 1 ? QStringLiteral("has") : QStringLiteral("have"));
  if (report.problems > 0) {
    text += QStringLiteral(" (%1 %2)")
                .arg(GroupedNumber(report.problems),
                     report.problems == 1 ? QStringLiteral("field") : QStringLiteral("fields"));
  }
  if (report.problems > std::ssize(report.listed)) {
    text +=
        QStringLiteral("; the first %1 are listed").arg(GroupedNumber(std::ssize(report.listed)));
  }
  if (report.shortBytes > 0) {
    text +=
        QStringLiteral(". The last record is %1 bytes long").arg(GroupedNumber(report.shortBytes));
  }
  if (report.status == CheckStatus::Cancelled) text += QStringLiteral(". Cancelled");
  if (report.status == CheckStatus::Failed) text += QStringLiteral(". ") + report.error;
  return text;
}

}  // namespace qx
