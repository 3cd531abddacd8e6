// The help window: the help file's topics with links, Back and Forward, a
// contents tree and the keyword index with partial matching.
#pragma once

#include <QStringList>
#include <QWidget>
#include <vector>

#include "help/HelpFile.h"

class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QSplitter;
class QTabWidget;
class QTextBrowser;
class QTreeWidget;
class QTreeWidgetItem;

namespace qx {

class HelpViewer : public QWidget {
  Q_OBJECT
 public:
  // candidates: where to look for the help file, first found wins.
  HelpViewer(QWidget* mainWindow, QStringList candidates);

  // Shows the topic of a context number and remembers it for Back.
  void ShowTopic(int context);
  // Shows the keyword index with the keyword field ready for typing.
  void ShowIndex();
  // The topic on show; 0 when none.
  int CurrentContext() const { return history_.empty() ? 0 : history_[at_]; }

  QSplitter* Split = nullptr;
  QTabWidget* Tabs = nullptr;
  QTreeWidget* TopicTree = nullptr;
  QLineEdit* KeywordEntry = nullptr;
  QListWidget* KeywordList = nullptr;
  QListWidget* FoundList = nullptr;
  QTextBrowser* Page = nullptr;
  QPushButton* BackButton = nullptr;
  QPushButton* ForwardButton = nullptr;

 private:
  // Reads the help file the first time, and again after a failure, so that
  // a file installed while the window was open is found.
  bool EnsureLoaded();
  void Display(int context);
  void FillContents();
  void FillIndex(const QString& part);
  void KeywordChosen(QListWidgetItem* item);
  void Step(int by);
  void UpdateButtons();

  QStringList candidates_;
  HelpFile help_;
  bool loaded_ = false;
  QString path_;
  QString error_;
  std::vector<int> history_;
  std::size_t at_ = 0;
};

}  // namespace qx
