#include <gtest/gtest.h>
#include <QApplication>

#include "core/SysCalls.h"

int main(int argc, char** argv) {
  // As the program does at start: the file-size-limit cases rely on it.
  qx::FailWritesPastSizeLimit();
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Tests never touch the user's own settings.
  qputenv("XDG_CONFIG_HOME", QByteArray("/tmp/quellox-test-config-") +
                                 QByteArray::number(QCoreApplication::applicationPid()));
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
