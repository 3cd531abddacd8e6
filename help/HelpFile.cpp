#include "help/HelpFile.h"

#include "QxBuild.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <algorithm>
#include <map>

namespace qx {

namespace {

constexpr int kMaxContext = 999999;
constexpr qint64 kMaxHelpBytes = 16 * 1024 * 1024;

struct Segment {
  QString text;
  int target = 0;  // 0: plain text
};

// A context number written in the file: 1 to kMaxContext digits only, so
// that no overflow or sign can slip through.
int ContextNumber(QStringView digits) {
  if (digits.isEmpty() || digits.size() > 6) return 0;
  for (QChar c : digits) {
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) return 0;
  }
  const int n = digits.toInt();
  return n >= 1 && n <= kMaxContext ? n : 0;
}

// Splits text into plain runs and links; false with error for a link that is
// not closed or does not start with a context number.
bool SplitLinks(const QString& text, std::vector<Segment>& out, QString& error) {
  qsizetype at = 0;
  while (at < text.size()) {
    const qsizetype open = text.indexOf(QStringLiteral("[["), at);
    if (open < 0) {
      out.push_back({text.mid(at), 0});
      break;
    }
    if (open > at) out.push_back({text.mid(at, open - at), 0});
    const qsizetype close = text.indexOf(QStringLiteral("]]"), open + 2);
    if (close < 0) {
      error = QStringLiteral("a link is not closed with ]]");
      return false;
    }
    const QString inner = text.mid(open + 2, close - open - 2);
    const qsizetype bar = inner.indexOf(QLatin1Char('|'));
    const int target = ContextNumber(QStringView(inner).left(bar < 0 ? inner.size() : bar));
    if (target == 0) {
      error = QStringLiteral("the link [[%1]] does not start with a context number").arg(inner);
      return false;
    }
    out.push_back({bar < 0 ? QString() : inner.mid(bar + 1).trimmed(), target});
    at = close + 2;
  }
  return true;
}

QString LinkText(const HelpFile& help, const Segment& s) {
  if (!s.text.isEmpty()) return s.text;
  const HelpTopic* t = help.Find(s.target);
  return t != nullptr ? t->title : QString::number(s.target);
}

// The text with its links shown as their text; html escapes it and makes
// the links anchors.
QString Render(const HelpFile& help, const QString& text, bool html) {
  std::vector<Segment> segments;
  QString ignored;
  if (!SplitLinks(text, segments, ignored)) return html ? text.toHtmlEscaped() : text;
  QString out;
  for (const Segment& s : segments) {
    const QString shown = s.target == 0 ? s.text : LinkText(help, s);
    if (!html) {
      out += shown;
    } else if (s.target == 0) {
      out += shown.toHtmlEscaped();
    } else {
      out += QStringLiteral("<a href=\"topic:%1\">%2</a>").arg(s.target).arg(shown.toHtmlEscaped());
    }
  }
  return out;
}

class Parser {
 public:
  explicit Parser(HelpFile& out) : out_(out) {}

  bool Line(int number, const QString& line) {
    line_ = number;
    if (line.startsWith(QLatin1Char('#'))) return true;
    if (line.startsWith(QLatin1Char('@'))) return Directive(line);
    if (line.trimmed().isEmpty()) {
      open_ = false;
      return true;
    }
    if (topic_ == nullptr) return Fail(QStringLiteral("text before the first @topic"));
    std::vector<Segment> segments;
    QString linkError;
    if (!SplitLinks(line, segments, linkError)) return Fail(linkError);
    for (const Segment& s : segments) {
      if (s.target != 0) links_.push_back({number, s.target});
    }
    Body(line);
    return true;
  }

  bool Finish() {
    if (out_.topics.empty()) {
      line_ = 0;
      error_ = QStringLiteral("the file holds no topics");
      return false;
    }
    for (const auto& [number, target] : links_) {
      if (out_.Find(target) == nullptr) {
        line_ = number;
        return Fail(QStringLiteral("the link to context %1 has no topic to go to").arg(target));
      }
    }
    return true;
  }

  QString Error() const {
    return line_ > 0 ? QStringLiteral("line %1: %2").arg(line_).arg(error_) : error_;
  }

 private:
  bool Fail(const QString& why) {
    error_ = why;
    return false;
  }

  bool Directive(const QString& line) {
    open_ = false;
    const qsizetype space = line.indexOf(QLatin1Char(' '));
    const QString name = space < 0 ? line : line.left(space);
    const QString rest = space < 0 ? QString() : line.mid(space + 1).trimmed();
    if (name == QStringLiteral("@topic")) return Topic(rest);
    if (topic_ == nullptr) return Fail(name + QStringLiteral(" before the first @topic"));
    if (name == QStringLiteral("@keywords")) {
      for (const QString& k : rest.split(QLatin1Char(';'))) {
        const QString keyword = k.simplified();
        if (!keyword.isEmpty() && !topic_->keywords.contains(keyword)) {
          topic_->keywords.push_back(keyword);
        }
      }
      return true;
    }
    if (name == QStringLiteral("@heading")) {
      if (rest.isEmpty()) return Fail(QStringLiteral("@heading without text"));
      topic_->blocks.push_back({HelpBlock::Kind::Heading, rest});
      return true;
    }
    return Fail(QStringLiteral("unknown directive %1").arg(name));
  }

  bool Topic(const QString& rest) {
    const qsizetype space = rest.indexOf(QLatin1Char(' '));
    const int context = ContextNumber(QStringView(rest).left(space < 0 ? rest.size() : space));
    if (context == 0) {
      return Fail(QStringLiteral("@topic needs a context number from 1 to %1").arg(kMaxContext));
    }
    const QString title = space < 0 ? QString() : rest.mid(space + 1).trimmed();
    if (title.isEmpty()) return Fail(QStringLiteral("topic %1 has no title").arg(context));
    const auto [it, added] = firstLine_.emplace(context, line_);
    if (!added) {
      return Fail(QStringLiteral("context number %1 is used twice (first at line %2)")
                      .arg(context)
                      .arg(it->second));
    }
    out_.topics.push_back({context, title, {}, {}});
    topic_ = &out_.topics.back();
    return true;
  }

  void Body(const QString& line) {
    using Kind = HelpBlock::Kind;
    auto& blocks = topic_->blocks;
    if (line.startsWith(QStringLiteral("> ")) || line == QStringLiteral(">")) {
      const QString verbatim = line.mid(2);
      if (open_ && blocks.back().kind == Kind::Verbatim) {
        blocks.back().text += QLatin1Char('\n') + verbatim;
      } else {
        blocks.push_back({Kind::Verbatim, verbatim});
      }
    } else if (line.startsWith(QStringLiteral("- "))) {
      blocks.push_back({Kind::Bullet, line.mid(2).trimmed()});
    } else if (open_ &&
               (blocks.back().kind == Kind::Paragraph ||
                (blocks.back().kind == Kind::Bullet && line.startsWith(QStringLiteral("  "))))) {
      blocks.back().text += QLatin1Char(' ') + line.trimmed();
    } else {
      blocks.push_back({Kind::Paragraph, line.trimmed()});
    }
    open_ = true;
  }

  HelpFile& out_;
  HelpTopic* topic_ = nullptr;  // stable: topics are only appended before it is next used
  bool open_ = false;           // the last block takes the next line
  int line_ = 0;
  QString error_;
  std::map<int, int> firstLine_;
  std::vector<std::pair<int, int>> links_;  // line, target
};

}  // namespace

const HelpTopic* HelpFile::Find(int context) const {
  const auto it = std::find_if(topics.begin(), topics.end(),
                               [context](const HelpTopic& t) { return t.context == context; });
  return it == topics.end() ? nullptr : &*it;
}

QString HelpFile::PlainText(const HelpTopic& topic) const {
  QString text = topic.title;
  for (const HelpBlock& b : topic.blocks) text += QLatin1Char('\n') + Render(*this, b.text, false);
  return text + QLatin1Char('\n') + topic.keywords.join(QStringLiteral("; "));
}

bool ParseHelp(const QByteArray& bytes, HelpFile& out, QString& error) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8(bytes);
  if (utf8.hasError()) {
    error = QStringLiteral("the file is not UTF-8 text");
    return false;
  }
  if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
  HelpFile help;
  Parser parser(help);
  const QStringList lines = text.split(QLatin1Char('\n'));
  for (qsizetype i = 0; i < lines.size(); ++i) {
    QString line = lines[i];
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    if (!parser.Line(static_cast<int>(i + 1), line)) {
      error = parser.Error();
      return false;
    }
  }
  if (!parser.Finish()) {
    error = parser.Error();
    return false;
  }
  out = std::move(help);
  return true;
}

QStringList HelpFileCandidates(const QString& programDir) {
  return {QDir::cleanPath(programDir + QLatin1Char('/') + kHelpFileName),
          QDir::cleanPath(programDir + QStringLiteral("/" QX_DATA_FROM_BIN "/") + kHelpFileName)};
}

bool LoadHelpFile(const QStringList& candidates, HelpFile& out, QString& path, QString& error) {
  for (const QString& candidate : candidates) {
    const QFileInfo info(candidate);
    if (!info.exists()) continue;
    path = candidate;
    // A pipe or device under that name would block the read or never end.
    if (!info.isFile()) {
      error = QStringLiteral("The help file %1 is not a regular file.").arg(candidate);
      return false;
    }
    if (info.size() > kMaxHelpBytes) {
      error = QStringLiteral("The help file %1 is too large to be a help file.").arg(candidate);
      return false;
    }
    QFile file(candidate);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly)) bytes = file.read(kMaxHelpBytes + 1);
    if (file.error() != QFileDevice::NoError) {
      error = QStringLiteral("The help file %1 could not be read: %2.")
                  .arg(candidate, file.errorString());
      return false;
    }
    QString why;
    if (!ParseHelp(bytes, out, why)) {
      error = QStringLiteral("The help file %1 is damaged: %2.").arg(candidate, why);
      return false;
    }
    return true;
  }
  path.clear();
  error = QStringLiteral("The help file \"%1\" was not found. Quellox looked for it here:\n%2")
              .arg(kHelpFileName, candidates.join(QLatin1Char('\n')));
  return false;
}

std::vector<KeywordMatch> MatchKeywords(const HelpFile& help, const QString& part) {
  std::vector<KeywordMatch> matches;
  std::map<QString, std::size_t> index;  // folded keyword -> matches
  const QString wanted = part.simplified();
  for (const HelpTopic& t : help.topics) {
    for (const QString& k : t.keywords) {
      if (!k.contains(wanted, Qt::CaseInsensitive)) continue;
      const auto [it, added] = index.emplace(k.toCaseFolded(), matches.size());
      if (added) matches.push_back({k, {}});
      auto& contexts = matches[it->second].contexts;
      if (std::find(contexts.begin(), contexts.end(), t.context) == contexts.end()) {
        contexts.push_back(t.context);
      }
    }
  }
  // Keywords that begin with what was typed come first: "mar" puts "mark"
  // before "bookmark".
  std::stable_sort(matches.begin(), matches.end(),
                   [&wanted](const KeywordMatch& a, const KeywordMatch& b) {
                     const bool aStarts = a.keyword.startsWith(wanted, Qt::CaseInsensitive);
                     const bool bStarts = b.keyword.startsWith(wanted, Qt::CaseInsensitive);
                     if (aStarts != bStarts) return aStarts;
                     return a.keyword.compare(b.keyword, Qt::CaseInsensitive) < 0;
                   });
  return matches;
}

QString TopicHtml(const HelpFile& help, const HelpTopic& topic) {
  using Kind = HelpBlock::Kind;
  QString html = QStringLiteral("<h2>%1</h2>\n").arg(topic.title.toHtmlEscaped());
  bool inList = false;
  for (const HelpBlock& b : topic.blocks) {
    if (inList && b.kind != Kind::Bullet) {
      html += QStringLiteral("</ul>\n");
      inList = false;
    }
    switch (b.kind) {
      case Kind::Paragraph:
        html += QStringLiteral("<p>%1</p>\n").arg(Render(help, b.text, true));
        break;
      case Kind::Heading:
        html += QStringLiteral("<h3>%1</h3>\n").arg(Render(help, b.text, true));
        break;
      case Kind::Bullet:
        if (!inList) html += QStringLiteral("<ul>\n");
        inList = true;
        html += QStringLiteral("<li>%1</li>\n").arg(Render(help, b.text, true));
        break;
      case Kind::Verbatim:
        html += QStringLiteral("<pre>%1</pre>\n").arg(Render(help, b.text, true));
        break;
    }
  }
  if (inList) html += QStringLiteral("</ul>\n");
  return html;
}

}  // namespace qx
