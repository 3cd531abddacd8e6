// The words of a copybook's text: its format found, sequence numbers,
// comments and debugging lines dropped, continued lines joined, and the
// separators told from the periods and commas of a picture.
#pragma once

#include <QByteArray>
#include <QString>
#include <string>
#include <vector>

namespace qx {

struct CobolToken {
  std::string text;      // upper case but for literals; "." ends an entry
  int line = 0;          // of its first character, from 1
  int file = 0;          // which of a copybook and its members
  bool literal = false;  // quoted, or X'..': as written
};

struct CobolText {
  std::vector<CobolToken> tokens;
  bool freeFormat = false;
  int errorLine = 0;  // with error: where the text is wrong
  QString error;
};

CobolText TokenizeCobol(const QByteArray& text, int file);

}  // namespace qx
