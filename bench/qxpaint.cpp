// Frames of the record view on a 100 GiB sparse file: each frame scrolls a
// screen of records from the middle of the file (the window reads them and
// lays them out) and paints the view into an image. Prints the time per
// frame for 80-byte and 32767-byte records, the longer ones scrolled
// sideways to the middle too. Runs on the offscreen platform by default.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QScrollBar>
#include <QTemporaryDir>
#include <cstdio>

#include "app/QtPlatform.h"
#include "core/Declare.h"
#include "core/Navigation.h"
#include "ui/main/QX.h"
#include "ui/main/RecordPane.h"

namespace {

constexpr std::int64_t kFileSize = std::int64_t{100} << 30;
constexpr int kFrames = 400;

// Milliseconds per frame, scrolling by screens down from the middle record.
double FramesOf(qx::QX& w, qx::EditorState& s, int recordLength, QImage& image) {
  if (!qx::SetRecordLength(w.Io(), recordLength)) return -1;
  w.SetRecordView(true);
  if (!qx::RequestRecordNumber(w.Io(), s.RecordCount / 2)) return -1;
  w.ColumnBar->setValue(w.ColumnBar->maximum() / 2);
  QElapsedTimer timer;
  timer.start();
  for (int frame = 0; frame < kFrames; ++frame) {
    w.RecordBar->triggerAction(frame % 2 == 0 ? QAbstractSlider::SliderPageStepAdd
                                              : QAbstractSlider::SliderSingleStepAdd);
    w.RecordBox->render(&image);
  }
  return static_cast<double>(timer.nsecsElapsed()) / 1e6 / kFrames;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir dir;
  if (!dir.isValid()) return 1;
  // The window keeps its settings; not the user's.
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath(QStringLiteral("config"))));
  QApplication app(argc, argv);
  const QString path = dir.filePath(QStringLiteral("disk.img"));
  {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || !f.resize(kFileSize)) {
      std::fprintf(stderr, "qxpaint: cannot make a sparse file of 100 GiB in %s\n",
                   qPrintable(dir.path()));
      return 1;
    }
  }
  qx::EditorState s;
  qx::QtPlatform platform;
  qx::QX w(s, platform);
  platform.SetMainWindow(&w);
  w.resize(argc > 2 ? std::atoi(argv[1]) : 1280, argc > 2 ? std::atoi(argv[2]) : 1000);
  w.show();
  w.Io().OpenFile(path);
  QImage image(w.RecordBox->size(), QImage::Format_ARGB32_Premultiplied);
  std::printf("record view, %dx%d pixels, %d frames on a 100 GiB sparse file\n",
              w.RecordBox->width(), w.RecordBox->height(), kFrames);
  std::printf("| record length | rows x columns | ms per frame |\n|---:|---:|---:|\n");
  for (const int length : {80, 32767}) {
    const double ms = FramesOf(w, s, length, image);
    std::printf("| %d | %d x %d | %.2f |\n", length, s.RecordRows,
                w.RecordBox->Shown().Screen.Columns, ms);
  }
  w.Io().CloseFile();
  return 0;
}
