#include <gtest/gtest.h>
#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "core/SysCalls.h"
#include "tests/Fakes.h"

int main(int argc, char** argv) {
  // As the program does at start: the file-size-limit cases rely on it.
  qx::FailWritesPastSizeLimit();
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // A fresh temporary directory for the run, which must end empty, and a
  // settings store and runtime directory of its own: tests never touch the
  // user's settings, nor put a clip file among the session's files.
  const QByteArray outer = qEnvironmentVariableIsEmpty("TMPDIR") ? "/tmp" : qgetenv("TMPDIR");
  QByteArray run = outer + "/quellox_run-XXXXXX";
  if (!::mkdtemp(run.data())) {
    std::perror("quellox_tests: no temporary directory");
    return 1;
  }
  const QByteArray temp = run + "/tmp", runtime = run + "/runtime";
  ::mkdir(temp.constData(), 0700);
  ::mkdir(runtime.constData(), 0700);
  qputenv("TMPDIR", temp);
  qputenv("XDG_RUNTIME_DIR", runtime);
  qputenv("XDG_CONFIG_HOME", run + "/config");
  int failed = 0;
  {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    failed = RUN_ALL_TESTS();
  }
  const std::vector<QByteArray> left = qx::test::NamesIn(temp);
  for (const QByteArray& name : left)
    std::fprintf(stderr, "Left in TMPDIR: %s\n", name.constData());
  if (!left.empty()) failed = 1;
  qx::test::RemoveTree(run);
  return failed;
}
