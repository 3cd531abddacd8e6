// The main window: controls, page display, status boxes, scroll bar and the
// file and window commands.
#include "ui/main/QX.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFontDatabase>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QToolBar>
#include <algorithm>
#include <cmath>

#include "core/ScrollMath.h"
#include "input/Utility.h"
#include "ui/main/ClickableLabel.h"
#include "ui/main/Library.h"
#include "ui/main/PagePane.h"

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
constexpr int kClientWidthTwips = 9375;
constexpr int kClientHeightTwips = 5715 + 240 - kToolbarTwips;
constexpr int kLabelHeight = 240;
constexpr int kBoxHeight = 285;
// The twip arrangement is drawn for a window font of this size.
constexpr int kWindowFontPoints = 8;

const QColor kBlack(0, 0, 0);

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
  QFont windowFont = QApplication::font();
  windowFont.setPointSize(kWindowFontPoints);
  setFont(windowFont);
  CharWidth = windowFont.pointSize() * 20;
  RowHeight = CharWidth + 30;
  hexFore_ = kBlack;
  asciiFore_ = kBlack;

  BuildMenus();
  BuildToolbar();
  BuildControls();
  CenterForm(this);

  qApp->installEventFilter(this);
  io_.LoadSettings();
  UndoRedoChanged();
  ReadOnlyChanged();
  DisplayState();
  LoadDisplay();
  FileBar->setFocus();
}

QX::~QX() {
  qApp->removeEventFilter(this);
}

void QX::Place(QWidget* w, int left, int top, int width, int height) {
  const QWidget* parent = w->parentWidget();
  const int topInClient = parent == centralWidget() ? top - kToolbarTwips : top;
  w->setGeometry(TwipsToPixels(this, left), TwipsToPixels(this, topInClient, true),
                 TwipsToPixels(this, width), TwipsToPixels(this, height, true));
}

void QX::BuildControls() {
  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("Client"));
  setCentralWidget(client);
  client->setMinimumSize(TwipsToPixels(this, kClientWidthTwips),
                         TwipsToPixels(this, kClientHeightTwips, true));

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
  Place(FilenameBox, 240, 840, 2472, kLabelHeight);

  Label13 = MakeLabel(client, QStringLiteral("Label13"), QStringLiteral("Working Base:"));
  Place(Label13, 2940, 600, 1020, kLabelHeight);
  FitCaption(Label13);
  WorkingBaseBox = MakeBox(client, QStringLiteral("WorkingBaseBox"));
  Place(WorkingBaseBox, 4020, 540, 1000, kBoxHeight);
  Label6 = MakeLabel(client, QStringLiteral("Label6"), QStringLiteral("Record Length:"));
  Place(Label6, 5400, 600, 1080, kLabelHeight);
  FitCaption(Label6);
  RecordLengthBox = MakeBox(client, QStringLiteral("RecordLengthBox"));
  Place(RecordLengthBox, 6540, 540, 900, kBoxHeight);
  RecordCountBox = MakeDisplayBox(client, QStringLiteral("RecordCountBox"));
  Place(RecordCountBox, 7800, 540, 780, kBoxHeight);
  Label8 = MakeLabel(client, QStringLiteral("Label8"), QStringLiteral("Records"));
  Place(Label8, 8640, 600, 735, kLabelHeight);

  Frame1 = new QGroupBox(QStringLiteral("Record Number"), client);
  Frame1->setObjectName(QStringLiteral("Frame1"));
  Place(Frame1, 2940, 840, 1815, 975);
  Label14 = MakeLabel(Frame1, QStringLiteral("Label14"), QStringLiteral("Actual"));
  Place(Label14, 120, 300, 700, kLabelHeight);
  RecordNumberBoxActual = MakeDisplayBox(Frame1, QStringLiteral("RecordNumberBoxActual"));
  Place(RecordNumberBoxActual, 840, 270, 855, kBoxHeight);
  Label15 = MakeLabel(Frame1, QStringLiteral("Label15"), QStringLiteral("Request"));
  Place(Label15, 120, 630, 700, kLabelHeight);
  RecordNumberBoxRequest = MakeBox(Frame1, QStringLiteral("RecordNumberBoxRequest"));
  Place(RecordNumberBoxRequest, 840, 600, 855, kBoxHeight);

  Frame2 = new QGroupBox(QStringLiteral("Record Offset"), client);
  Frame2->setObjectName(QStringLiteral("Frame2"));
  Place(Frame2, 4920, 840, 1815, 975);
  Label17 = MakeLabel(Frame2, QStringLiteral("Label17"), QStringLiteral("Actual"));
  Place(Label17, 120, 300, 700, kLabelHeight);
  FieldOffsetBoxActual = MakeDisplayBox(Frame2, QStringLiteral("FieldOffsetBoxActual"));
  Place(FieldOffsetBoxActual, 840, 270, 855, kBoxHeight);
  Label18 = MakeLabel(Frame2, QStringLiteral("Label18"), QStringLiteral("Request"));
  Place(Label18, 120, 630, 700, kLabelHeight);
  FieldOffsetBoxRequest = MakeBox(Frame2, QStringLiteral("FieldOffsetBoxRequest"));
  Place(FieldOffsetBoxRequest, 840, 600, 855, kBoxHeight);

  Label9 = MakeLabel(client, QStringLiteral("Label9"), QStringLiteral("File Length:"));
  Place(Label9, 7200, 1200, 780, kLabelHeight);
  FitCaption(Label9);
  FileLengthBox = MakeDisplayBox(client, QStringLiteral("FileLengthBox"));
  Place(FileLengthBox, 8040, 1140, 1095, kBoxHeight);
  Label19 = MakeLabel(client, QStringLiteral("Label19"), QStringLiteral("Cursor Location:"));
  Place(Label19, 6840, 1560, 1140, kLabelHeight);
  FitCaption(Label19);
  FileOffsetBox = MakeBox(client, QStringLiteral("FileOffsetBox"));
  Place(FileOffsetBox, 8040, 1500, 1095, kBoxHeight);
  Label1 = MakeLabel(client, QStringLiteral("Label1"), QStringLiteral("Buffer Bottom"));
  Place(Label1, 300, 1200, 1200, kLabelHeight);
  BufferTopBox = MakeDisplayBox(client, QStringLiteral("BufferTopBox"));
  BufferTopBox->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  Place(BufferTopBox, 300, 1440, 1200, kBoxHeight);

  QFont glyphs = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  glyphs.setPointSize(font().pointSize());
  const char* digits = "0123456789ABCDEF";
  for (int i = 0; i < 16; ++i) {
    const QString digit(QLatin1Char(digits[i]));
    RBar[i + 16] = MakeLabel(client, QStringLiteral("RBar(%1)").arg(i + 16), digit);
    RBar[i + 16]->setFont(glyphs);
    Place(RBar[i + 16], 240 + 100 + 2 * CharWidth * i, 1980, 2 * CharWidth, kLabelHeight);
    RBar[i] = MakeLabel(client, QStringLiteral("RBar(%1)").arg(i), digit);
    RBar[i]->setFont(glyphs);
    Place(RBar[i], 6000 + 100 + CharWidth * i, 1980, CharWidth, kLabelHeight);
  }

  HexBox = new PagePane(2, client);
  HexBox->setObjectName(QStringLiteral("HexBox"));
  HexBox->SetMetrics(CharWidth, RowHeight, glyphs);
  Place(HexBox, 240, 2280, 5415, 3435);
  AsciiBox = new PagePane(1, client);
  AsciiBox->setObjectName(QStringLiteral("AsciiBox"));
  AsciiBox->SetMetrics(CharWidth, RowHeight, glyphs);
  Place(AsciiBox, 6000, 2280, 2775, 3435);
  connect(HexBox, &PagePane::MouseDown, this,
          [this](double x, double y) { HexBox_MouseDown(x, y); });
  connect(AsciiBox, &PagePane::MouseDown, this,
          [this](double x, double y) { AsciiBox_MouseDown(x, y); });

  Text1 = new QPlainTextEdit(client);
  Text1->setObjectName(QStringLiteral("Text1"));
  Text1->setReadOnly(true);
  Text1->setFocusPolicy(Qt::NoFocus);
  Text1->setFrameShape(QFrame::NoFrame);
  Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Text1->setTextInteractionFlags(Qt::NoTextInteraction);
  Text1->viewport()->setCursor(Qt::ArrowCursor);
  {
    // One ruler line per page row: the line spacing nearest the row height.
    QFont rulerFont = glyphs;
    const double rowPixels = RowHeight * logicalDpiY() / 1440.0;
    double best = 1e9;
    for (int pixels = 6; pixels <= 40; ++pixels) {
      QFont f = glyphs;
      f.setPixelSize(pixels);
      const double miss = std::abs(QFontMetrics(f).lineSpacing() - rowPixels);
      if (miss < best) {
        best = miss;
        rulerFont = f;
      }
    }
    Text1->setFont(rulerFont);
  }
  Text1->document()->setDocumentMargin(0);
  {
    QPalette pal = Text1->palette();
    pal.setColor(QPalette::Base, QColor(192, 192, 192));
    Text1->setPalette(pal);
  }
  QStringList rows;
  for (int i = 0; i < 16; ++i) rows << QString(QLatin1Char(digits[i]));
  Text1->setPlainText(rows.join(QLatin1Char('\n')));
  Place(Text1, 5760, 2400, 255, 3195);

  FileBar = new QScrollBar(Qt::Vertical, client);
  FileBar->setObjectName(QStringLiteral("FileBar"));
  FileBar->setRange(1, kScrollMax);
  FileBar->setSingleStep(1);
  FileBar->setPageStep(16);
  FileBar->setValue(1);
  FileBar->setFocusPolicy(Qt::StrongFocus);
  Place(FileBar, 8880, 2280, 255, 3435);
  connect(FileBar, &QScrollBar::valueChanged, this, [this] { FileBar_Change(); });

  connect(WorkingBaseBox, &ClickableLabel::Click, this, &QX::WorkingBaseBox_Click);
  connect(RecordLengthBox, &ClickableLabel::Click, this, &QX::RecordLengthBox_Click);
  connect(RecordNumberBoxRequest, &ClickableLabel::Click, this, &QX::RecordNumberBoxRequest_Click);
  connect(FieldOffsetBoxRequest, &ClickableLabel::Click, this, &QX::FieldOffsetBoxRequest_Click);
  connect(FileOffsetBox, &ClickableLabel::Click, this, &QX::FileOffsetBox_Click);

  setFocusProxy(FileBar);
  client->setFocusProxy(FileBar);

  resize(sizeHint());
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
  const QChar glyph = byte >= 32 && byte <= 126 ? QChar(byte) : QLatin1Char('.');
  AsciiBox->PrintCell(row, col, QString(glyph), asciiFore_);
}

void QX::LoadDisplay() {
  HexBox->Clear();
  AsciiBox->Clear();
  if (!s_.FileOpen()) {
    BufferTopBox->setText(QString());
    return;
  }
  const std::int64_t n = std::min<std::int64_t>(s_.WorkingLength - s_.Current.BufferTop, kPageSize);
  hexFore_ = kBlack;
  asciiFore_ = kBlack;
  for (int i = 0; i < n; ++i) {
    DrawHexCell(i / 16, i % 16);
    DrawAsciiCell(i / 16, i % 16);
  }
  BufferTopBox->setText(FormatCount(s_.Current.BufferTop));
  ShowCursor();
}

void QX::DisplayState() {
  const FileState& c = s_.Current;
  FilenameBox->setText(c.FileName);
  FilenameBox->setToolTip(c.FileName);
  WorkingBaseBox->setText(FormatCount(c.WorkingBase));
  RecordLengthBox->setText(FormatCount(c.RecordLength));
  RecordCountBox->setText(FormatCount(s_.RecordCount));
  FileLengthBox->setText(FormatCount(s_.WorkingLength));
  RecordNumberBoxActual->setText(FormatCount(s_.RecordNumber));
  RecordNumberBoxRequest->setText(FormatCount(c.RequestedRecord));
  FieldOffsetBoxActual->setText(FormatCount(s_.FieldOffset));
  FieldOffsetBoxRequest->setText(FormatCount(c.RequestedOffset));
  FileOffsetBox->setText(FormatCount(c.CursorOffset));
}

void QX::UpdateWindows() {
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
}

void QX::FocusFileBar() {
  FileBar->setFocus();
}

// ---- Scroll bar ----

void QX::SyncScrollBar() {
  syncScrollBar_ = true;
  FileBar_Change();
}

void QX::ResetScrollBar() {
  const QSignalBlocker quiet(FileBar);
  FileBar->setValue(1);
  LastBarValue = 1;
  ignoreNextBarChange_ = false;
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

void QX::mnuEditUndo_Click() {
  if (!s_.FileOpen() || !s_.UndoEnabled) {
    p_.MessageBox(QStringLiteral("Can't Undo"));
    return;
  }
  io_.UndoChange();
  FocusFileBar();
}

void QX::mnuEditRedo_Click() {
  if (!s_.FileOpen() || !s_.RedoEnabled) {
    p_.MessageBox(QStringLiteral("Can't Redo"));
    return;
  }
  io_.RedoChange();
  FocusFileBar();
}

void QX::closeEvent(QCloseEvent* e) {
  if (!closing_) {
    closing_ = true;
    io_.CheckDirty();
    if (!s_.ClipFile.isEmpty()) QFile::remove(s_.ClipFile);
  }
  e->accept();
}

void QX::resizeEvent(QResizeEvent* e) {
  QMainWindow::resizeEvent(e);
  if (HexBox != nullptr) LoadDisplay();
}

void QX::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  FocusFileBar();
}

}  // namespace qx
