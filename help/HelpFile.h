// The help file: topics with context numbers, titles, index keywords and a
// body of paragraphs, headings, bullet items and verbatim lines, with links
// between topics. Read from the program's own plain-text format.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

namespace qx {

inline const QString kHelpFileName = QStringLiteral("Qxhelp.hlp");

struct HelpBlock {
  enum class Kind { Paragraph, Heading, Bullet, Verbatim };
  Kind kind;
  QString text;  // may hold links written [[N]] or [[N|text]]
};

struct HelpTopic {
  int context = 0;
  QString title;
  QStringList keywords;
  std::vector<HelpBlock> blocks;
};

struct HelpFile {
  std::vector<HelpTopic> topics;  // in file order

  const HelpTopic* Find(int context) const;
  // The title, body and keywords as one plain text, links shown as their text.
  QString PlainText(const HelpTopic& topic) const;
};

// False, with error naming the line, when the text is not a sound help file:
// a help window must show a reason, never half a file.
bool ParseHelp(const QByteArray& bytes, HelpFile& out, QString& error);

// Where the help file may be, relative to the program's directory: beside it
// (the build tree) and in the installed data directory.
QStringList HelpFileCandidates(const QString& programDir);

// Reads the first candidate that exists. False with a message saying which
// file was looked for and where, or why it could not be read.
bool LoadHelpFile(const QStringList& candidates, HelpFile& out, QString& path, QString& error);

struct KeywordMatch {
  QString keyword;
  std::vector<int> contexts;  // every topic with that keyword, in file order
};

// The keywords that contain part, ignoring case: those that begin with it
// first, each group sorted ignoring case; one entry per keyword however many
// topics list it. An empty part gives all.
std::vector<KeywordMatch> MatchKeywords(const HelpFile& help, const QString& part);

// The topic as an HTML page; links become "topic:N" anchors.
QString TopicHtml(const HelpFile& help, const HelpTopic& topic);

}  // namespace qx
