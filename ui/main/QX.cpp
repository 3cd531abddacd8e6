// The main window: controls, page display, status boxes, scroll bar and the
// file and window commands.
#include "ui/main/QX.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QStatusBar>
#include <QToolBar>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

#include "core/CharacterSet.h"
#include "core/ClipFile.h"
#include "core/FileMemory.h"
#include "core/NativeName.h"
#include "core/RecordLayout.h"
#include "core/ScrollMath.h"
#include "fields/FieldRows.h"
#include "input/Utility.h"
#include "print/PrintUtilities.h"
#include "ui/main/ClickableLabel.h"
#include "ui/main/FieldPanel.h"
#include "ui/main/Library.h"
#include "ui/main/PagePane.h"
#include "ui/main/RecordPane.h"

// The pictures live in the static UI library, which the linker would drop
// without a reference.
static void InitResources() {
  Q_INIT_RESOURCE(quellox);
}

namespace qx {

namespace {

// The twip tops of the window are measured from the top of the client area,
// toolbar included; Qt places the controls below the toolbar.
constexpr int kToolbarTwips = 480;
// The page, from the left edge to the right of the scroll bar.
constexpr int kPageWidthTwips = 9375;
constexpr int kClientHeightTwips = 5715 + 240 - kToolbarTwips;
constexpr int kLabelHeight = 240;
constexpr int kBoxHeight = 285;
// The twip arrangement is drawn for the default window font; other sizes
// scale every measure of it.
constexpr int kDesignCharWidth = QX::kDefaultFontPoints * 20;
const QString kViewGroup = QStringLiteral("View");
const QString kFontPointsKey = QStringLiteral("FontPoints");

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& caption) {
  auto* l = new QLabel(caption, parent);
  l->setObjectName(name);
  return l;
}

ClickableLabel* MakeBox(QWidget* parent, const QString& name) {
  auto* b = new ClickableLabel(parent);
  b->setObjectName(name);
  b->setFrameShape(QFrame::Panel);
  b->setFrameShadow(QFrame::Sunken);
  b->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return b;
}

// A caption left of its box: it ends at the box and grows to the left when
// the platform's font needs more room than the twip width allows.
void FitCaption(QLabel* l) {
  l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  const int need = l->sizeHint().width();
  const QRect g = l->geometry();
  if (need > g.width()) l->setGeometry(g.right() + 1 - need, g.y(), need, g.height());
}

// The largest count a box shows, in the widest digit of the font.
QString WidestCount(const QFontMetrics& fm) {
  QChar widest(u'0');
  for (char16_t d = u'1'; d <= u'9'; ++d) {
    if (fm.horizontalAdvance(QChar(d)) > fm.horizontalAdvance(widest)) widest = QChar(d);
  }
  QString text = FormatCount(std::numeric_limits<std::int64_t>::max());
  for (QChar& ch : text) {
    if (ch.isDigit()) ch = widest;
  }
  return text;
}

QLabel* MakeDisplayBox(QWidget* parent, const QString& name) {
  auto* b = new QLabel(parent);
  b->setObjectName(name);
  b->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return b;
}

}  // namespace

QX::QX(EditorState& state, Platform& platform, QWidget* parent)
    : QMainWindow(parent), s_(state), p_(platform), io_(state, platform, *this) {
  InitResources();
  setObjectName(QStringLiteral("QX"));
  setWindowTitle(kProductTitle);
  setWindowIcon(QIcon(QStringLiteral(":/icons/quellox.png")));
  setAcceptDrops(true);
  {
    bool ok = false;
    const int saved = p_.ReadSetting(kViewGroup, kFontPointsKey, QString()).toInt(&ok);
    if (ok) fontPoints_ = std::clamp(saved, kMinFontPoints, kMaxFontPoints);
  }
  ApplyFont();
  hexFore_ = QColor(Qt::black);
  asciiFore_ = QColor(Qt::black);

  BuildMenus();
  BuildToolbar();
  // The line keeps its height, with or without a message, and a long
  // message never widens the window: the window's size stays its grid's.
  MessageLine = new QLabel(this);
  MessageLine->setObjectName(QStringLiteral("MessageLine"));
  MessageLine->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  statusBar()->setSizeGripEnabled(false);
  statusBar()->addWidget(MessageLine, 1);
  BuildControls();
  // A size remembered from a larger screen steps down to fit this one; the
  // setting stays for that screen.
  while (fontPoints_ > kMinFontPoints && !FitsScreen()) {
    --fontPoints_;
    ApplyFont();
    BuildControls();
  }
  CenterForm(this);

  qApp->installEventFilter(this);
  io_.LoadSettings();
  LoadPrintSettings(s_, p_);
  UndoRedoChanged();
  ReadOnlyChanged();
  DisplayState();
  LoadDisplay();
  FileBar->setFocus();
}

QX::~QX() {
  qApp->removeEventFilter(this);
}

void QX::ApplyFont() {
  QFont windowFont = QApplication::font();
  windowFont.setPointSize(fontPoints_);
  setFont(windowFont);
  CharWidth = fontPoints_ * 20;
  RowHeight = CharWidth + 30;
}

int QX::Scaled(int designTwips) const {
  return static_cast<int>(
      std::lround(static_cast<double>(designTwips) * fontPoints_ / kDefaultFontPoints));
}

void QX::Place(QWidget* w, int left, int top, int width, int height) {
  const QWidget* parent = w->parentWidget();
  const int topInClient = parent == centralWidget() ? top - kToolbarTwips : top;
  w->setGeometry(TwipsToPixels(this, Scaled(left)), TwipsToPixels(this, Scaled(topInClient), true),
                 TwipsToPixels(this, Scaled(width)), TwipsToPixels(this, Scaled(height), true));
}

bool QX::FitsScreen() const {
  const QSize space = p_.ScreenSpace();
  if (space.isEmpty()) return true;
  const QSize needed = sizeHint() + (frameGeometry().size() - geometry().size());
  return needed.width() <= space.width() && needed.height() <= space.height();
}

void QX::SetFontPoints(int points) {
  points = std::clamp(points, kMinFontPoints, kMaxFontPoints);
  if (points == fontPoints_) return;
  const int was = fontPoints_;
  fontPoints_ = points;
  ApplyFont();
  // The controls are made anew to the new measures and take up the state.
  BuildControls();
  const bool refused = points > was && !FitsScreen();
  if (refused) {
    fontPoints_ = was;
    ApplyFont();
    BuildControls();
  } else {
    p_.WriteSetting(kViewGroup, kFontPointsKey, QString::number(points));
  }
  ReadOnlyChanged();
  DisplayState();
  LoadDisplay();
  if (s_.FileOpen()) SyncScrollBar();
  FocusFileBar();
  // Only once the window shows its state again.
  if (refused) {
    p_.Beep();
    p_.ShowMessage(
        QStringLiteral("The window would not fit on the screen at %1 points").arg(points));
  }
}

void QX::ShowMessage(const QString& text) {
  message_ = text;
  ElideMessage();
}

void QX::ElideMessage() {
  const QString shown = MessageLine->fontMetrics().elidedText(message_, Qt::ElideMiddle,
                                                              MessageLine->contentsRect().width());
  MessageLine->setText(shown);
  MessageLine->setToolTip(shown == message_ ? QString() : message_);
}

void QX::mnuConfigZoomIn_Click() {
  SetFontPoints(fontPoints_ + 1);
}

void QX::mnuConfigZoomOut_Click() {
  SetFontPoints(fontPoints_ - 1);
}

void QX::mnuConfigActualSize_Click() {
  SetFontPoints(kDefaultFontPoints);
}

void QX::BuildControls() {
  // A rebuild replaces the controls of the last size.
  if (QWidget* old = centralWidget()) {
    old->setObjectName(QString());
    old->setFocusProxy(nullptr);
  }
  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("Client"));
  setCentralWidget(client);

  // Widths that depend on the window's font, in twips: every number box
  // holds the largest 64-bit count with its separators, and the columns of
  // the status area move apart to make room for the boxes and captions.
  const QFontMetrics fm(font());
  const auto twips = [this](int pixels) {
    return static_cast<int>(
        std::ceil(pixels * 1440.0 / logicalDpiX() * kDefaultFontPoints / fontPoints_));
  };
  const auto captionTwips = [&](const char* caption) {
    return twips(fm.horizontalAdvance(QString::fromLatin1(caption)) + 4);
  };
  int numberBox = 0;
  {
    const std::unique_ptr<ClickableLabel> probe(MakeBox(nullptr, QString()));
    probe->setFont(font());
    probe->setText(WidestCount(fm));
    numberBox = std::max(1200, twips(probe->sizeHint().width() + 4));
  }
  const int frameWidth = 840 + numberBox + 120;
  const int leftEnd = std::max(240 + 2472, 300 + numberBox);
  const int col1 = std::max(2940, leftEnd + 240);
  const int col2 =
      col1 + std::max(frameWidth + 165, numberBox + 180 + captionTwips("Record Length:"));
  const int col3Boxes = col2 + frameWidth + 300 +
                        std::max(captionTwips("File Length:"), captionTwips("Cursor Location:"));
  const int recordsCaption = captionTwips("Records");
  // The character set's box beside File Length holds the longest set name.
  int charSetBox = 0;
  {
    const std::unique_ptr<ClickableLabel> probe(MakeBox(nullptr, QString()));
    probe->setFont(font());
    for (const CharacterSet& set : CharacterSets()) {
      probe->setText(set.Name());
      charSetBox = std::max(charSetBox, twips(probe->sizeHint().width() + 4));
    }
  }
  const int clientWidth = std::max(
      kPageWidthTwips, col3Boxes + numberBox + 60 + std::max(recordsCaption, charSetBox) + 240);
  // The page sits in the middle of a window that the status area widened.
  const int page = (clientWidth - kPageWidthTwips) / 2;
  client->setMinimumSize(TwipsToPixels(this, Scaled(clientWidth)),
                         TwipsToPixels(this, Scaled(kClientHeightTwips), true));

  Label5 = MakeLabel(client, QStringLiteral("Label5"), QStringLiteral("Zapping:"));
  Place(Label5, 240, 600, 780, kLabelHeight);
  ReadOnlyWarning =
      MakeLabel(client, QStringLiteral("ReadOnlyWarning"), QStringLiteral("READ ONLY"));
  {
    QPalette pal = ReadOnlyWarning->palette();
    pal.setColor(QPalette::WindowText, Qt::red);
    ReadOnlyWarning->setPalette(pal);
  }
  Place(ReadOnlyWarning, 1020, 600, 1200, kLabelHeight);
  FilenameBox = MakeLabel(client, QStringLiteral("FilenameBox"), QString());
  // The path takes all the room left of the frames before it is elided.
  Place(FilenameBox, 240, 840, col1 - 120 - 240, kLabelHeight);

  // Each caption of the top row ends just left of its box.
  Label13 = MakeLabel(client, QStringLiteral("Label13"), QStringLiteral("Working Base:"));
  Place(Label13, col1, 600, 780, kLabelHeight);
  FitCaption(Label13);
  WorkingBaseBox = MakeBox(client, QStringLiteral("WorkingBaseBox"));
  Place(WorkingBaseBox, col1 + 840, 540, numberBox, kBoxHeight);
  Label6 = MakeLabel(client, QStringLiteral("Label6"), QStringLiteral("Record Length:"));
  Place(Label6, col2, 600, 780, kLabelHeight);
  FitCaption(Label6);
  RecordLengthBox = MakeBox(client, QStringLiteral("RecordLengthBox"));
  Place(RecordLengthBox, col2 + 840, 540, numberBox, kBoxHeight);
  RecordCountBox = MakeDisplayBox(client, QStringLiteral("RecordCountBox"));
  Place(RecordCountBox, col3Boxes, 540, numberBox, kBoxHeight);
  Label8 = MakeLabel(client, QStringLiteral("Label8"), QStringLiteral("Records"));
  Place(Label8, col3Boxes + numberBox + 60, 600, recordsCaption, kLabelHeight);

  Frame1 = new QGroupBox(QStringLiteral("Record Number"), client);
  Frame1->setObjectName(QStringLiteral("Frame1"));
  Place(Frame1, col1, 840, frameWidth, 975);
  Label14 = MakeLabel(Frame1, QStringLiteral("Label14"), QStringLiteral("Actual"));
  Place(Label14, 120, 300, 700, kLabelHeight);
  RecordNumberBoxActual = MakeDisplayBox(Frame1, QStringLiteral("RecordNumberBoxActual"));
  Place(RecordNumberBoxActual, 840, 270, numberBox, kBoxHeight);
  Label15 = MakeLabel(Frame1, QStringLiteral("Label15"), QStringLiteral("Request"));
  Place(Label15, 120, 630, 700, kLabelHeight);
  RecordNumberBoxRequest = MakeBox(Frame1, QStringLiteral("RecordNumberBoxRequest"));
  Place(RecordNumberBoxRequest, 840, 600, numberBox, kBoxHeight);

  Frame2 = new QGroupBox(QStringLiteral("Record Offset"), client);
  Frame2->setObjectName(QStringLiteral("Frame2"));
  Place(Frame2, col2, 840, frameWidth, 975);
  Label17 = MakeLabel(Frame2, QStringLiteral("Label17"), QStringLiteral("Actual"));
  Place(Label17, 120, 300, 700, kLabelHeight);
  FieldOffsetBoxActual = MakeDisplayBox(Frame2, QStringLiteral("FieldOffsetBoxActual"));
  Place(FieldOffsetBoxActual, 840, 270, numberBox, kBoxHeight);
  Label18 = MakeLabel(Frame2, QStringLiteral("Label18"), QStringLiteral("Request"));
  Place(Label18, 120, 630, 700, kLabelHeight);
  FieldOffsetBoxRequest = MakeBox(Frame2, QStringLiteral("FieldOffsetBoxRequest"));
  Place(FieldOffsetBoxRequest, 840, 600, numberBox, kBoxHeight);

  Label9 = MakeLabel(client, QStringLiteral("Label9"), QStringLiteral("File Length:"));
  Place(Label9, col3Boxes - 840, 1200, 780, kLabelHeight);
  FitCaption(Label9);
  FileLengthBox = MakeDisplayBox(client, QStringLiteral("FileLengthBox"));
  Place(FileLengthBox, col3Boxes, 1140, numberBox, kBoxHeight);
  CharSetBox = MakeBox(client, QStringLiteral("CharSetBox"));
  CharSetBox->setAlignment(Qt::AlignCenter);
  CharSetBox->setToolTip(QStringLiteral("Character Set"));
  Place(CharSetBox, col3Boxes + numberBox + 60, 1140, charSetBox, kBoxHeight);
  Label19 = MakeLabel(client, QStringLiteral("Label19"), QStringLiteral("Cursor Location:"));
  Place(Label19, col3Boxes - 840, 1560, 780, kLabelHeight);
  FitCaption(Label19);
  FileOffsetBox = MakeBox(client, QStringLiteral("FileOffsetBox"));
  Place(FileOffsetBox, col3Boxes, 1500, numberBox, kBoxHeight);
  Label1 = MakeLabel(client, QStringLiteral("Label1"), QStringLiteral("Buffer Bottom"));
  Place(Label1, 300, 1200, 1200, kLabelHeight);
  BufferTopBox = MakeDisplayBox(client, QStringLiteral("BufferTopBox"));
  BufferTopBox->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  Place(BufferTopBox, 300, 1440, numberBox, kBoxHeight);

  QFont glyphs = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  glyphs.setPointSize(font().pointSize());
  const char* digits = "0123456789ABCDEF";
  for (int i = 0; i < 16; ++i) {
    const QString digit(QLatin1Char(digits[i]));
    RBar[i + 16] = MakeLabel(client, QStringLiteral("RBar(%1)").arg(i + 16), digit);
    RBar[i + 16]->setFont(glyphs);
    Place(RBar[i + 16], page + 240 + 100 + 2 * kDesignCharWidth * i, 1980, 2 * kDesignCharWidth,
          kLabelHeight);
    RBar[i] = MakeLabel(client, QStringLiteral("RBar(%1)").arg(i), digit);
    RBar[i]->setFont(glyphs);
    Place(RBar[i], page + 6000 + 100 + kDesignCharWidth * i, 1980, kDesignCharWidth, kLabelHeight);
  }

  HexBox = new PagePane(2, client);
  HexBox->setObjectName(QStringLiteral("HexBox"));
  HexBox->SetMetrics(CharWidth, RowHeight, glyphs);
  Place(HexBox, page + 240, 2280, 5415, 3435);
  AsciiBox = new PagePane(1, client);
  AsciiBox->setObjectName(QStringLiteral("AsciiBox"));
  AsciiBox->SetMetrics(CharWidth, RowHeight, glyphs);
  Place(AsciiBox, page + 6000, 2280, 2775, 3435);
  connect(HexBox, &PagePane::MouseDown, this,
          [this](double x, double y) { HexBox_MouseDown(x, y); });
  connect(AsciiBox, &PagePane::MouseDown, this,
          [this](double x, double y) { AsciiBox_MouseDown(x, y); });

  // The row rulers share the panes' row geometry, so each digit stands
  // exactly beside the row it names.
  Text1 = new PagePane(1, client);
  Text1->setObjectName(QStringLiteral("Text1"));
  {
    QPalette pal = Text1->palette();
    pal.setColor(QPalette::Window, QColor(192, 192, 192));
    Text1->setPalette(pal);
  }
  Text1->SetMetrics(CharWidth, RowHeight, glyphs);
  for (int i = 0; i < 16; ++i)
    Text1->PrintCell(i, 0, QString(QLatin1Char(digits[i])), QColor(Qt::black));
  Place(Text1, page + 5760, 2280, 255, 3435);

  FileBar = new QScrollBar(Qt::Vertical, client);
  FileBar->setObjectName(QStringLiteral("FileBar"));
  FileBar->setRange(1, kScrollMax);
  FileBar->setSingleStep(1);
  FileBar->setPageStep(16);
  FileBar->setValue(1);
  FileBar->setFocusPolicy(Qt::StrongFocus);
  Place(FileBar, page + 8880, 2280, 255, 3435);
  connect(FileBar, &QScrollBar::valueChanged, this, [this] { FileBar_Change(); });
  connect(FileBar, &QScrollBar::actionTriggered, this, &QX::FileBar_Action);

  RecordBox = new RecordPane(client);
  RecordBox->setObjectName(QStringLiteral("RecordBox"));
  RecordBox->SetGlyphFont(glyphs);
  RecordBar = new QScrollBar(Qt::Vertical, client);
  RecordBar->setObjectName(QStringLiteral("RecordBar"));
  RecordBar->setRange(1, kScrollMax);
  RecordBar->setFocusPolicy(Qt::StrongFocus);
  ColumnBar = new QScrollBar(Qt::Horizontal, client);
  ColumnBar->setObjectName(QStringLiteral("ColumnBar"));
  ColumnBar->setFocusPolicy(Qt::NoFocus);
  connect(RecordBox, &RecordPane::CellClicked, this, &QX::RecordBox_Click);
  connect(RecordBar, &QScrollBar::actionTriggered, this, &QX::RecordBar_Action);
  connect(RecordBar, &QScrollBar::sliderMoved, this, [this](int value) {
    if (s_.FileOpen()) ScrollRecordsTo(TopRecordForBar(value, s_.RecordCount));
  });
  connect(ColumnBar, &QScrollBar::valueChanged, this, [this](int value) {
    s_.Current.FirstColumn = value;
    PaintRecords();
  });

  connect(WorkingBaseBox, &ClickableLabel::Click, this, &QX::WorkingBaseBox_Click);
  connect(RecordLengthBox, &ClickableLabel::Click, this, &QX::RecordLengthBox_Click);
  connect(RecordNumberBoxRequest, &ClickableLabel::Click, this, &QX::RecordNumberBoxRequest_Click);
  connect(FieldOffsetBoxRequest, &ClickableLabel::Click, this, &QX::FieldOffsetBoxRequest_Click);
  connect(FileOffsetBox, &ClickableLabel::Click, this, &QX::FileOffsetBox_Click);
  connect(CharSetBox, &ClickableLabel::Click, this, [this] {
    if (!CommandRefused()) CharSetBox_Click();
  });

  setFocusProxy(FileBar);
  client->setFocusProxy(FileBar);

  // The window fits itself to the layout, smaller as well as larger.
  client->show();  // made after the window was shown, it would stay hidden
  layout()->activate();
  resize(sizeHint());
  PlaceRecordView();
  ShowView();
  // Rebuilt at another size, the record view gets its room again.
  if (recordsShown_) FitWindowToView(true);
}

// ---- Page display ----

void QX::DrawHexCell(int row, int col) {
  const int i = 16 * row + col;
  if (i < 0 || i >= kPageSize) return;
  if (s_.Current.BufferTop + i > s_.WorkingLength - 1) return;
  const auto byte = s_.PageBuffer[static_cast<std::size_t>(i)];
  HexBox->PrintCell(row, col, QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper(),
                    hexFore_);
}

void QX::DrawAsciiCell(int row, int col) {
  const int i = 16 * row + col;
  if (i < 0 || i >= kPageSize) return;
  if (s_.Current.BufferTop + i > s_.WorkingLength - 1) return;
  const auto byte = s_.PageBuffer[static_cast<std::size_t>(i)];
  AsciiBox->PrintCell(row, col, QString(CharacterSetOf(s_.Current.CharSet).Shown(byte)),
                      asciiFore_);
}

void QX::LoadDisplay() {
  ShowView();
  if (s_.FileOpen() && s_.Current.RecordView) {
    LoadRecords();
    return;
  }
  HexBox->Clear();
  AsciiBox->Clear();
  if (!s_.FileOpen()) {
    BufferTopBox->setText(QString());
    return;
  }
  const std::int64_t n = std::min<std::int64_t>(s_.WorkingLength - s_.Current.BufferTop, kPageSize);
  hexFore_ = QColor(Qt::black);
  asciiFore_ = QColor(Qt::black);
  for (int i = 0; i < n; ++i) {
    DrawHexCell(i / 16, i % 16);
    DrawAsciiCell(i / 16, i % 16);
  }
  BufferTopBox->setText(FormatCount(s_.Current.BufferTop));
  ShowCursor();
  ShowUnsaved();
}

void QX::ShowUnsaved() {
  if (s_.FileOpen() && s_.Current.RecordView) {
    PaintRecords();  // the records mark their own edits
    setWindowModified(s_.Dirty);
    return;
  }
  for (int i = 0; i < kPageSize; ++i) {
    const bool edited = s_.Dirty && s_.PageEdited[static_cast<std::size_t>(i)];
    HexBox->MarkCell(i / 16, i % 16, edited);
    AsciiBox->MarkCell(i / 16, i % 16, edited);
  }
  setWindowModified(s_.Dirty);
}

void QX::ShowFileName() {
  const FileState& c = s_.Current;
  const bool hasFile = !c.FileName.isEmpty();
  QString title = kProductTitle;
  if (hasFile) {
    // "[*]" shows as "*" while the page has unsaved edits; a literal "[*]"
    // in the name is written twice.
    QString name = DisplayName(QFileInfo(c.FileName).fileName());
    name.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    title = name + QStringLiteral("[*]") +
            (s_.ReadOnly ? QStringLiteral(" [read only]") : QString()) + QStringLiteral(" - ") +
            kProductTitle;
  }
  setWindowTitle(title);
  const QString shown = DisplayName(c.FileName);
  FilenameBox->setText(FilenameBox->fontMetrics().elidedText(shown, Qt::ElideMiddle,
                                                             FilenameBox->contentsRect().width()));
  FilenameBox->setToolTip(shown);
  // Nothing of the page looks live without a file.
  const bool page = !(s_.FileOpen() && c.RecordView);
  Label1->setVisible(hasFile && page);
  BufferTopBox->setVisible(hasFile && page);
  FileBar->setEnabled(hasFile);
}

void QX::DisplayState() {
  const FileState& c = s_.Current;
  ShowFileName();
  ShowUnsaved();
  WorkingBaseBox->setText(FormatCount(c.WorkingBase));
  RecordLengthBox->setText(FormatCount(c.RecordLength));
  RecordCountBox->setText(FormatCount(s_.RecordCount));
  FileLengthBox->setText(FormatCount(s_.WorkingLength));
  const CharacterSet& set = CharacterSetOf(c.CharSet);
  CharSetBox->setText(set.Name());
  for (std::size_t i = 0; i < mnuConfigCharSet_.size(); ++i)
    mnuConfigCharSet_[i]->setChecked(&CharacterSets()[i] == &set);
  RecordNumberBoxActual->setText(FormatCount(s_.RecordNumber));
  RecordNumberBoxRequest->setText(FormatCount(c.RequestedRecord));
  FieldOffsetBoxActual->setText(FormatCount(s_.FieldOffset));
  FieldOffsetBoxRequest->setText(FormatCount(c.RequestedOffset));
  FileOffsetBox->setText(FormatCount(c.CursorOffset));
  if (fieldPanel_ && fieldPanel_->isVisible()) fieldPanel_->ShowRows(RowsAtCursor(s_, layouts_));
}

void QX::UpdateWindows() {
  // The layouts follow the open files.
  layouts_.Sync(io_);
  UpdateLayoutMenu();
  for (int i = 0; i < kMaxOpenFiles; ++i) {
    QAction* item = mnuWindowWindows_[static_cast<std::size_t>(i)];
    const QString& name = s_.OpenFiles[static_cast<std::size_t>(i)].FileName;
    if (!name.isEmpty()) {
      QString shown = name;
      shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
      item->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(shown));
      item->setVisible(true);
    } else {
      item->setText(QString());
      item->setVisible(i == 0);
    }
  }
}

void QX::UpdateRecentFiles() {
  for (int i = 0; i < kRecentFileCount; ++i) {
    QAction* item = mnuFileFiles_[static_cast<std::size_t>(i)];
    const QString& name = s_.RecentFiles[static_cast<std::size_t>(i)];
    if (name.isEmpty()) {
      item->setVisible(false);
      continue;
    }
    QString shown = name;
    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    item->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(shown));
    item->setVisible(true);
  }
}

void QX::ReadOnlyChanged() {
  ReadOnlyWarning->setVisible(s_.ReadOnly);
  ShowFileName();
}

void QX::FocusFileBar() {
  // Without a window manager nobody makes the window active again after a
  // dialog, and its shortcuts (Ctrl+Z) would stay dead.
  if (isVisible() && !isActiveWindow() && !QApplication::activeModalWidget()) activateWindow();
  if (s_.FileOpen() && s_.Current.RecordView) {
    RecordBar->setFocus();
  } else {
    FileBar->setFocus();
  }
}

// ---- Scroll bar ----

void QX::SyncScrollBar() {
  // The record view's bars follow the records as they are painted.
  if (s_.FileOpen() && s_.Current.RecordView) return;
  syncScrollBar_ = true;
  FileBar_Change();
}

void QX::ResetScrollBar() {
  const QSignalBlocker quiet(FileBar);
  FileBar->setValue(1);
  LastBarValue = 1;
  ignoreNextBarChange_ = false;
}

namespace {

// Rows of 16 bytes that an arrow or trough step of the bar moves the page; 0
// for the other actions.
int StepRows(int action) {
  switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
      return 1;
    case QAbstractSlider::SliderSingleStepSub:
      return -1;
    case QAbstractSlider::SliderPageStepAdd:
      return 16;
    case QAbstractSlider::SliderPageStepSub:
      return -16;
    default:
      return 0;
  }
}

}  // namespace

// A step of the bar (arrows, trough, Page Up/Down, wheel) moves the page by
// its own amount. In a file longer than the bar's range a step near either
// end leaves the value where it was, so the value cannot carry the step; the
// bar's own move is dropped and the bar follows the page instead. Top and
// Bottom likewise go to the ends even when the value is already there.
void QX::FileBar_Action(int action) {
  const int rows = StepRows(action);
  const bool toEnd =
      action == QAbstractSlider::SliderToMinimum || action == QAbstractSlider::SliderToMaximum;
  if (rows == 0 && !toEnd) return;  // a drag: its new value places the page
  FileBar->setSliderPosition(FileBar->value());
  if (!s_.FileOpen()) {
    FocusFileBar();
    return;
  }
  FileState& c = s_.Current;
  const int end =
      action == QAbstractSlider::SliderToMinimum ? FileBar->minimum() : FileBar->maximum();
  const std::int64_t top = rows != 0 ? TopForStep(c.BufferTop, rows, s_.WorkingLength)
                                     : TopForThumb(end, s_.ScrollScale, s_.WorkingLength);
  // A step against an end moves nothing and asks nothing.
  if (top == c.BufferTop && (rows != 0 || FileBar->value() == end)) return;
  io_.CheckDirty();
  c.BufferTop = top;
  if (rows != 0) {
    io_.ShowPage();
    return;
  }
  // Like a thumb dragged to the end: the bar stays at the end.
  io_.ReadPage();
  LoadDisplay();
  {
    const QSignalBlocker quiet(FileBar);
    FileBar->setValue(end);
  }
  LastBarValue = end;
}

void QX::FileBar_Change() {
  if (!s_.FileOpen()) {
    syncScrollBar_ = false;
    FocusFileBar();
    return;
  }
  if (ignoreNextBarChange_) {
    ignoreNextBarChange_ = false;
    return;
  }
  io_.CheckDirty();
  FileState& c = s_.Current;
  if (!syncScrollBar_) {
    const int value = FileBar->value();
    const int delta = value - LastBarValue;
    LastBarValue = value;
    if (IsStepDelta(delta)) {
      c.BufferTop = TopForStep(c.BufferTop, delta, s_.WorkingLength);
      io_.ReadPage();
      LoadDisplay();
      syncScrollBar_ = true;
      FileBar_Change();
    } else {
      c.BufferTop = TopForThumb(value, s_.ScrollScale, s_.WorkingLength);
      io_.ReadPage();
      LoadDisplay();
    }
    return;
  }
  syncScrollBar_ = false;
  ignoreNextBarChange_ = true;
  FileBar->setValue(BarValueForTop(c.BufferTop, s_.WorkingLength));
  // Qt raises the change at once, or not at all when the value stays: the
  // flag must not outlive this call and swallow the user's next move.
  ignoreNextBarChange_ = false;
  LastBarValue = FileBar->value();
}

// ---- File and window commands ----

void QX::mnuFileOpen_Click() {
  if (!io_.TooManyFiles()) {
    const QString path = p_.OpenFileName(QStringLiteral("Open File"));
    io_.OpenFile(path);
    DisplayState();
  }
  FocusFileBar();
}

void QX::mnuFileClose_Click() {
  io_.CloseFile();
  FocusFileBar();
}

void QX::mnuFileSaveSector_Click() {
  if (GuardsPass(Guard::Writable)) io_.SavePage();
  FocusFileBar();
}

void QX::mnuFileFiles_Click(int index) {
  io_.OpenRecentFile(index);
  FocusFileBar();
}

void QX::mnuFileExit_Click() {
  close();
}

void QX::mnuWindowWindows_Click(int index) {
  io_.SwitchToWindow(index);
  FocusFileBar();
}

void QX::SetCharacterSet(const QString& name) {
  const CharacterSet* set = FindCharacterSet(name);
  if (set != nullptr && !s_.Current.FileName.isEmpty() && s_.Current.CharSet != set->Name()) {
    s_.Current.CharSet = set->Name();
    s_.OpenFiles[0].CharSet = set->Name();
    RememberGeometry(p_, s_.Current);  // kept at once, for the next open of this file
  }
  // Unsaved edits stay on the page; only their characters are drawn anew.
  DisplayState();
  LoadDisplay();
}

void QX::mnuConfigCharSet_Click(int index) {
  const std::vector<CharacterSet>& sets = CharacterSets();
  if (index >= 0 && static_cast<std::size_t>(index) < sets.size()) {
    SetCharacterSet(sets[static_cast<std::size_t>(index)].Name());
  }
  FocusFileBar();
}

void QX::CharSetBox_Click() {
  if (s_.Current.FileName.isEmpty()) return;  // the set belongs to a file
  QMenu* sets = MenuItem(QStringLiteral("mnuConfigCharSet"))->menu();
  sets->popup(CharSetBox->mapToGlobal(QPoint(0, CharSetBox->height())));
}

void QX::mnuEditUndo_Click() {
  // A file emptied past its working base (by Undo, say) can still go back.
  if (s_.Current.FileName.isEmpty() || !s_.UndoEnabled) {
    p_.MessageBox(QStringLiteral("Can't Undo"));
    FocusFileBar();
    return;
  }
  io_.UndoChange();
  FocusFileBar();
}

void QX::mnuEditRedo_Click() {
  if (s_.Current.FileName.isEmpty() || !s_.RedoEnabled) {
    p_.MessageBox(QStringLiteral("Can't Redo"));
    FocusFileBar();
    return;
  }
  io_.RedoChange();
  FocusFileBar();
}

void QX::closeEvent(QCloseEvent* e) {
  // The window stays until the operation has stopped; Yes stops it.
  if (s_.OperationRunning) {
    if (p_.MessageBox(kCancelOperationQuestion, Buttons::YesNo) == Answer::Yes) {
      s_.OperationRunning = false;
    }
    e->ignore();
    return;
  }
  if (!closing_) {
    closing_ = true;
    io_.CheckDirty();
    DeleteClipFile(s_);
  }
  e->accept();
}

void QX::resizeEvent(QResizeEvent* e) {
  QMainWindow::resizeEvent(e);
  PlaceRecordView();
  if (HexBox != nullptr) LoadDisplay();
}

namespace {

// A drop is a copy (or a link), never a move: a file manager told "moved"
// may delete the file. False when the source offers neither.
bool AcceptAsCopy(QDropEvent* e) {
  const Qt::DropActions offered = e->possibleActions();
  const Qt::DropAction action = offered.testFlag(Qt::CopyAction)   ? Qt::CopyAction
                                : offered.testFlag(Qt::LinkAction) ? Qt::LinkAction
                                                                   : Qt::IgnoreAction;
  if (action == Qt::IgnoreAction) return false;
  e->setDropAction(action);
  e->accept();
  return true;
}

}  // namespace

void QX::dragEnterEvent(QDragEnterEvent* e) {
  const QList<QUrl> urls = e->mimeData()->urls();
  if (std::any_of(urls.begin(), urls.end(), [](const QUrl& u) { return u.isLocalFile(); }))
    (void)AcceptAsCopy(e);
}

// Dropped files open one after another as Open File opens them.
void QX::dropEvent(QDropEvent* e) {
  if (!AcceptAsCopy(e)) return;
  for (const QUrl& u : e->mimeData()->urls()) {
    if (!u.isLocalFile()) continue;
    if (io_.TooManyFiles()) break;
    io_.OpenFile(LocalPathOf(u));
    DisplayState();
  }
  FocusFileBar();
}

void QX::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  FocusFileBar();
}

}  // namespace qx
