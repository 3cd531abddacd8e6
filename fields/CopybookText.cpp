#include "fields/CopybookText.h"

#include <algorithm>
#include <cctype>
#include <climits>

namespace qx {

// Named rather than anonymous: the unity build puts several files in one unit.
namespace cobol_text {

bool Blank(char c) {
  return c == ' ' || c == '\n';
}

// Tabs to the next stop of every 8 columns, other control bytes to spaces.
std::string Columns(const char* from, const char* to) {
  std::string out;
  for (const char* p = from; p != to; ++p) {
    if (*p == '\t') {
      do out += ' ';
      while (out.size() % 8 != 0);
    } else {
      const auto c = static_cast<unsigned char>(*p);
      out += c < 0x20 || c == 0x7F ? ' ' : *p;
    }
  }
  return out;
}

// A level number (one or two digits) begins in columns 1-6; six digits
// there are a sequence number.
bool LevelInSequenceArea(const std::string& l) {
  if (l.size() > 6 && (l[6] == '*' || l[6] == '/')) return false;
  const std::size_t i = l.find_first_not_of(' ');
  if (i == std::string::npos || i >= 6 || !std::isdigit(static_cast<unsigned char>(l[i])))
    return false;
  std::size_t j = i;
  while (j < l.size() && std::isdigit(static_cast<unsigned char>(l[j]))) ++j;
  return j - i <= 2 && (j == l.size() || l[j] == ' ' || l[j] == '.');
}

// Joins the text lines into one stream, marking where each line's text
// begins in it.
class Stream {
 public:
  std::string out;
  std::vector<std::pair<std::size_t, int>> marks;  // stream offset, line
  char quote = 0;                                  // of the literal left open
  int quoteLine = 0;

  int LineAt(std::size_t at) const {
    const auto m = std::upper_bound(marks.begin(), marks.end(), std::make_pair(at, INT_MAX));
    return m == marks.begin() ? 0 : std::prev(m)->second;
  }
  void NewLine() {
    if (!out.empty()) out += '\n';
  }
  void TrimEnd() {
    while (!out.empty() && out.back() == ' ') out.pop_back();
    while (!marks.empty() && marks.back().first >= out.size()) marks.pop_back();
  }
  void Scan(const std::string& text, std::size_t from, int line) {
    marks.emplace_back(out.size(), line);
    for (std::size_t i = from; i < text.size(); ++i) {
      const char c = text[i];
      if (quote != 0) {
        if (c == quote) quote = 0;
      } else if (c == '"' || c == '\'') {
        quote = c;
        quoteLine = line;
      } else if (c == '*' && i + 1 < text.size() && text[i + 1] == '>') {
        break;
      }
      out += c;
    }
  }
};

bool SeparatorAt(const std::string& s, std::size_t i) {
  const char c = s[i];
  return (c == '.' || c == ',' || c == ';') && (i + 1 == s.size() || Blank(s[i + 1]));
}

std::vector<CobolToken> Words(const Stream& s, int file) {
  std::vector<CobolToken> tokens;
  const std::string& t = s.out;
  std::size_t i = 0;
  while (i < t.size()) {
    if (Blank(t[i])) {
      ++i;
    } else if (SeparatorAt(t, i)) {
      if (t[i] == '.') tokens.push_back({".", s.LineAt(i), file, false});
      ++i;
    } else {
      CobolToken token{{}, s.LineAt(i), file, false};
      while (i < t.size() && !Blank(t[i]) && !SeparatorAt(t, i)) {
        const char c = t[i++];
        if (c != '"' && c != '\'') {
          token.text +=
              token.literal ? c : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
          continue;
        }
        // The stream has closed every literal on its line.
        token.literal = true;
        token.text += c;
        while (i < t.size() && t[i] != c) token.text += t[i++];
        if (i < t.size()) token.text += t[i++];
      }
      tokens.push_back(std::move(token));
    }
  }
  return tokens;
}

}  // namespace cobol_text

CobolText TokenizeCobol(const QByteArray& text, int file) {
  using namespace cobol_text;
  std::vector<std::pair<qsizetype, qsizetype>> lines;  // each line's bytes but \r\n
  const char* data = text.constData();
  for (qsizetype from = 0; from <= text.size();) {
    qsizetype end = from;
    while (end < text.size() && data[end] != '\n') ++end;
    lines.emplace_back(from, end > from && data[end - 1] == '\r' ? end - 1 : end);
    from = end + 1;
  }
  CobolText result;
  for (const auto& [from, to] : lines)
    if (LevelInSequenceArea(Columns(data + from, data + to))) result.freeFormat = true;

  const auto fail = [&result](int line, const char* reason) {
    result.errorLine = line;
    result.error = QString::fromLatin1(reason);
    return result;
  };
  Stream s;
  for (std::size_t n = 0; n < lines.size(); ++n) {
    const int line = static_cast<int>(n) + 1;
    std::string l = Columns(data + lines[n].first, data + lines[n].second);
    char indicator = ' ';
    if (!result.freeFormat) {
      indicator = l.size() > 6 ? l[6] : ' ';
      l = l.size() > 7 ? l.substr(7, 65) : std::string();
    }
    if (indicator == '*' || indicator == '/' || indicator == 'D' || indicator == 'd') continue;
    if (indicator != ' ' && indicator != '-')
      return fail(line, "column 7 holds no comment, debugging or continuation mark");
    const std::size_t first = l.find_first_not_of(' ');
    if (first == std::string::npos) continue;
    if (indicator == ' ') {
      if (s.quote != 0) return fail(s.quoteLine, "a literal is not closed");
      s.NewLine();
      s.Scan(l, 0, line);
    } else if (s.out.empty()) {
      return fail(line, "a continuation line continues nothing");
    } else if (s.quote != 0) {
      if (l[first] != s.quote) return fail(line, "a continued literal must go on after a quote");
      s.Scan(l, first + 1, line);
    } else {
      s.TrimEnd();
      s.Scan(l, first, line);
    }
    // A literal left open runs to column 72; other trailing blanks go.
    if (s.quote != 0 && !result.freeFormat)
      s.out.append(65 - l.size(), ' ');
    else
      s.TrimEnd();
  }
  if (s.quote != 0) return fail(s.quoteLine, "a literal is not closed");
  result.tokens = Words(s, file);
  return result;
}

}  // namespace qx
