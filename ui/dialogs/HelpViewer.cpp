#include "ui/dialogs/HelpViewer.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>
#include <algorithm>
#include "help/HelpContexts.h"
#include "ui/main/Library.h"

namespace qx {

namespace {

constexpr int kContextRole = Qt::UserRole;

// Topics 100, 200 ... head a menu; the topics of that hundred sit below them.
bool IsMenuTopic(int context) {
  return context >= 100 && context % 100 == 0;
}

}  // namespace

HelpViewer::HelpViewer(QWidget* mainWindow, QStringList candidates)
    : QWidget(mainWindow, Qt::Window), candidates_(std::move(candidates)) {
  setObjectName(QStringLiteral("HelpViewer"));
  setWindowTitle(QStringLiteral("Quellox Help"));
  // F1 here tells how to use the help.
  setProperty("HelpContext", help::kHelpMenu);

  TopicTree = new QTreeWidget;
  TopicTree->setObjectName(QStringLiteral("TopicTree"));
  TopicTree->setHeaderHidden(true);
  connect(TopicTree, &QTreeWidget::itemActivated, this,
          [this](QTreeWidgetItem* item) { ShowTopic(item->data(0, kContextRole).toInt()); });
  connect(TopicTree, &QTreeWidget::itemClicked, this,
          [this](QTreeWidgetItem* item) { ShowTopic(item->data(0, kContextRole).toInt()); });

  KeywordEntry = new QLineEdit;
  KeywordEntry->setObjectName(QStringLiteral("KeywordEntry"));
  KeywordEntry->setPlaceholderText(QStringLiteral("Part of a keyword"));
  KeywordList = new QListWidget;
  KeywordList->setObjectName(QStringLiteral("KeywordList"));
  FoundList = new QListWidget;
  FoundList->setObjectName(QStringLiteral("FoundList"));
  connect(KeywordEntry, &QLineEdit::textChanged, this, &HelpViewer::FillIndex);
  // Enter in the field takes the keyword the list has selected.
  connect(KeywordEntry, &QLineEdit::returnPressed, this,
          [this] { KeywordChosen(KeywordList->currentItem()); });
  connect(KeywordList, &QListWidget::itemActivated, this, &HelpViewer::KeywordChosen);
  connect(KeywordList, &QListWidget::itemClicked, this, &HelpViewer::KeywordChosen);
  const auto showFound = [this](QListWidgetItem* item) {
    ShowTopic(item->data(kContextRole).toInt());
  };
  connect(FoundList, &QListWidget::itemActivated, this, showFound);
  connect(FoundList, &QListWidget::itemClicked, this, showFound);

  auto* index = new QWidget;
  auto* indexLayout = new QVBoxLayout(index);
  auto* typeLabel = new QLabel(QStringLiteral("&Type part of a keyword:"));
  typeLabel->setBuddy(KeywordEntry);
  indexLayout->addWidget(typeLabel);
  indexLayout->addWidget(KeywordEntry);
  indexLayout->addWidget(KeywordList, 2);
  auto* foundLabel = new QLabel(QStringLiteral("T&opics with this keyword:"));
  foundLabel->setBuddy(FoundList);
  indexLayout->addWidget(foundLabel);
  indexLayout->addWidget(FoundList, 1);

  Tabs = new QTabWidget;
  Tabs->setObjectName(QStringLiteral("Tabs"));
  Tabs->addTab(TopicTree, QStringLiteral("&Contents"));
  Tabs->addTab(index, QStringLiteral("&Index"));
  // Whatever shows the index, typing goes to the keyword at once.
  connect(Tabs, &QTabWidget::currentChanged, this, [this](int tab) {
    if (tab == 1) KeywordEntry->setFocus();
  });

  Page = new QTextBrowser;
  Page->setObjectName(QStringLiteral("Page"));
  Page->setOpenLinks(false);
  connect(Page, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
    if (url.scheme() == QStringLiteral("topic")) ShowTopic(url.path().toInt());
  });

  BackButton = new QPushButton(QStringLiteral("&Back"));
  BackButton->setObjectName(QStringLiteral("BackButton"));
  BackButton->setShortcut(QKeySequence::Back);
  ForwardButton = new QPushButton(QStringLiteral("&Forward"));
  ForwardButton->setObjectName(QStringLiteral("ForwardButton"));
  ForwardButton->setShortcut(QKeySequence::Forward);
  connect(BackButton, &QPushButton::clicked, this, [this] { Step(-1); });
  connect(ForwardButton, &QPushButton::clicked, this, [this] { Step(1); });
  auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(close, &QShortcut::activated, this, &QWidget::close);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(BackButton);
  buttons->addWidget(ForwardButton);
  buttons->addStretch(1);
  auto* right = new QWidget;
  auto* rightLayout = new QVBoxLayout(right);
  rightLayout->setContentsMargins(0, 0, 0, 0);
  rightLayout->addLayout(buttons);
  rightLayout->addWidget(Page, 1);

  Split = new QSplitter;
  Split->addWidget(Tabs);
  Split->addWidget(right);
  Split->setStretchFactor(1, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Split);

  const int em = fontMetrics().horizontalAdvance(QLatin1Char('M'));
  Split->setSizes({em * 22, em * 56});
  // Not larger than the screen, which a small laptop's may be.
  const QRect area = screen() != nullptr ? screen()->availableGeometry() : QRect();
  QSize size(em * 80, fontMetrics().height() * 42);
  if (area.isValid()) size = size.boundedTo(area.size() * 9 / 10);
  resize(size);
  CenterForm(this);
  UpdateButtons();
}

bool HelpViewer::EnsureLoaded() {
  if (loaded_) return true;
  HelpFile help;
  if (!LoadHelpFile(candidates_, help, path_, error_)) {
    Page->setPlainText(error_);
    return false;
  }
  help_ = std::move(help);
  loaded_ = true;
  FillContents();
  FillIndex(KeywordEntry->text());
  return true;
}

void HelpViewer::ShowTopic(int context) {
  if (!EnsureLoaded()) return;
  if (history_.empty() || history_[at_] != context) {
    if (!history_.empty()) history_.resize(at_ + 1);
    history_.push_back(context);
    at_ = history_.size() - 1;
  }
  Display(context);
}

void HelpViewer::ShowIndex() {
  Tabs->setCurrentIndex(1);
  if (EnsureLoaded() && history_.empty()) ShowTopic(help_.topics.front().context);
  KeywordEntry->setFocus();
  KeywordEntry->selectAll();
}

void HelpViewer::Display(int context) {
  const HelpTopic* topic = help_.Find(context);
  if (topic == nullptr) {
    Page->setPlainText(QStringLiteral("There is no topic with the context number %1 in %2.")
                           .arg(context)
                           .arg(path_));
  } else {
    Page->setHtml(TopicHtml(help_, *topic));
  }
  // The contents tree follows the page, so that the user sees where it is.
  for (QTreeWidgetItemIterator it(TopicTree); *it != nullptr; ++it) {
    if ((*it)->data(0, kContextRole).toInt() == context) {
      QSignalBlocker quiet(TopicTree);
      TopicTree->setCurrentItem(*it);
      break;
    }
  }
  UpdateButtons();
}

void HelpViewer::FillContents() {
  TopicTree->clear();
  QTreeWidgetItem* menu = nullptr;
  for (const HelpTopic& t : help_.topics) {
    const bool under = menu != nullptr && !IsMenuTopic(t.context) &&
                       t.context / 100 == menu->data(0, kContextRole).toInt() / 100;
    auto* item = under ? new QTreeWidgetItem(menu) : new QTreeWidgetItem(TopicTree);
    item->setText(0, t.title);
    item->setToolTip(0, t.title);
    item->setData(0, kContextRole, t.context);
    if (IsMenuTopic(t.context)) menu = item;
  }
  TopicTree->expandAll();
  // The contents pane widens to its longest title, up to half the window;
  // a title cut off still shows whole in its tooltip.
  const QFontMetrics fm(TopicTree->font());
  int widest = 0;
  for (QTreeWidgetItemIterator it(TopicTree); *it != nullptr; ++it) {
    const int depth = (*it)->parent() != nullptr ? 2 : 1;
    widest =
        std::max(widest, depth * TopicTree->indentation() + fm.horizontalAdvance((*it)->text(0)));
  }
  const int scrollBar = TopicTree->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  const int needed =
      widest + scrollBar + 4 * TopicTree->frameWidth() + fm.horizontalAdvance(QLatin1Char('M'));
  const QList<int> sizes = Split->sizes();
  if (sizes.value(0) < needed) {
    // The window grows by what the contents lack, as far as the screen allows.
    int grow = needed - sizes.value(0);
    if (screen() != nullptr)
      grow = std::min(grow, screen()->availableGeometry().width() * 9 / 10 - width());
    grow = std::max(grow, 0);
    resize(width() + grow, height());
    const int total = sizes.value(0) + sizes.value(1) + grow;
    const int left = std::min(needed, total / 2);
    Split->setSizes({left, total - left});
  }
}

void HelpViewer::FillIndex(const QString& part) {
  KeywordList->clear();
  FoundList->clear();
  for (const KeywordMatch& m : MatchKeywords(help_, part)) {
    auto* item = new QListWidgetItem(m.keyword, KeywordList);
    QVariantList contexts;
    for (int c : m.contexts) contexts.push_back(c);
    item->setData(kContextRole, contexts);
  }
  if (KeywordList->count() > 0) KeywordList->setCurrentRow(0);
}

void HelpViewer::KeywordChosen(QListWidgetItem* item) {
  if (item == nullptr) return;
  FoundList->clear();
  const QVariantList contexts = item->data(kContextRole).toList();
  for (const QVariant& c : contexts) {
    const HelpTopic* t = help_.Find(c.toInt());
    auto* found = new QListWidgetItem(t != nullptr ? t->title : c.toString(), FoundList);
    found->setData(kContextRole, c.toInt());
  }
  if (FoundList->count() > 0) FoundList->setCurrentRow(0);
  // One topic: show it at once; several: the user picks from the list.
  if (contexts.size() == 1) ShowTopic(contexts.front().toInt());
}

void HelpViewer::Step(int by) {
  if (history_.empty()) return;
  if ((by < 0 && at_ == 0) || (by > 0 && at_ + 1 >= history_.size())) return;
  at_ = by < 0 ? at_ - 1 : at_ + 1;
  Display(history_[at_]);
}

void HelpViewer::UpdateButtons() {
  BackButton->setEnabled(!history_.empty() && at_ > 0);
  ForwardButton->setEnabled(at_ + 1 < history_.size());
}

}  // namespace qx
