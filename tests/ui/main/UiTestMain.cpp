#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "support/ScratchDirectories.h"
#include "ui/ChineseInterface.h"

// One application object for every window test; Qt's offscreen platform stands in for
// a display, and the web engine runs without its sandbox (tests run as root).
int main(int argc, char** argv) {
  ScratchDirectories scratch;
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
  ::testing::InitGoogleTest(&argc, argv);
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  // As the program does: the engine takes its language from the default locale.
  chinese_interface::SelectLocale();
  QApplication application(argc, argv);
  return RUN_ALL_TESTS();
}
