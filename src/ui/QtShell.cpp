#include "ui/QtShell.h"

#include <unistd.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "app/CommandLine.h"
#include "app/VarnokApp.h"
#include "ui/ChineseInterface.h"
#include "ui/EngineSwitches.h"
#include "ui/ProgramPictures.h"
#include "ui/QtWindowSystem.h"

namespace {

const char kNoDisplay[] =
    "varnok: no display can be opened; start it with --headless to run without windows\n";

QtMessageHandler previousHandler = nullptr;

// Qt ends the process with abort() when its platform plugin cannot reach the display.
// While the application object is being built, such a fatal message becomes our one
// line and a plain non-zero exit instead.
void ExitOnFatalDuringStartup(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type == QtFatalMsg) {
    std::fputs(kNoDisplay, stderr);
    _exit(2);
  }
  // Other messages (the plugin's own explanations) stay quiet unless asked for.
  if (std::getenv("VARNOK_VERBOSE") && previousHandler) previousHandler(type, context, message);
}

}  // namespace

int RunQtShell(int argc, char** argv, bool install, std::vector<std::string> addresses) {
  if (!DisplayAvailable()) {
    std::fputs(kNoDisplay, stderr);
    return 2;
  }
  // The web engine's sandbox refuses to run as root.
  if (geteuid() == 0) setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);

  chinese_interface::SelectLocale();
  // The page views and the hidden side pages share one OpenGL context family.
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  previousHandler = qInstallMessageHandler(ExitOnFatalDuringStartup);
  // The engine reads its switches from the application's arguments.
  engine_switches::CommandLine commandLine(argc, argv);
  QApplication application(commandLine.argc(), commandLine.argv());
  qInstallMessageHandler(previousHandler);
  chinese_interface::InstallTranslations(application);
  QApplication::setWindowIcon(ProgramPictures::ProgramIcon());

  QtWindowSystem windows;
  VarnokApp app(windows, install, std::move(addresses));
  return app.Run();
}
