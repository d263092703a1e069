#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "DesktopTest.h"

// What the person keeps, whatever becomes of the program: a change survives a kill, and
// a state file the program cannot read is said and left as it was.
namespace {

using namespace std::chrono_literals;

constexpr uid_t kNobody = 65534;

class KeptStateTest : public DesktopTest {};

TEST_F(KeptStateTest, AHomePageSetAMomentBeforeAKillIsKept) {
  Start(site.Url("/old-home"));
  const int page = program.Widgets().PageCount();
  ASSERT_TRUE(program.Click("other"));
  ASSERT_TRUE(WaitForPage(page, "file://" + program.dir() / "menu.htm")) << program.Output();
  // The form's address field is the first thing Tab reaches in the page.
  desktop.Key("ctrl+l");
  desktop.Key("Tab");
  ASSERT_TRUE(WaitForFocusedField(page));
  desktop.Key("ctrl+a");
  desktop.Type(site.Url("/new-home"));
  desktop.Key("Return");
  // On the disk a moment later, with the program still running.
  const std::string saved = "[homeurl]\r\nurl1=" + site.Url("/new-home") + "\r\n";
  ASSERT_TRUE(WaitUntil([&] { return program.Ini().find(saved) != std::string::npos; }, 30s)) << program.Ini();

  program.Signal(SIGKILL);
  ASSERT_TRUE(program.WaitForExit(30s));
  std::filesystem::remove(program.environment()["VARNOK_WIDGET_MAP"]);  // the killed run's
  ASSERT_TRUE(program.Start()) << program.Output();
  EXPECT_TRUE(site.WaitForRequests("/new-home")) << program.Output();
  EXPECT_NE(CloseAndReadIni().find(saved), std::string::npos);
}

TEST_F(KeptStateTest, AStateFileThatCannotBeReadIsSaidAndLeftAsItWas) {
  // The person's own file, which the program running as that person may not read.
  program.environment()["VARNOK_PORTAL_URL"] = site.Url("/portal/");
  program.WriteIni(site.Url("/home"), {site.Url("/kept")});
  const std::string ini = program.dir() / "varnok.ini";
  const std::string before = program.Ini();
  for (const std::string& path : {program.dir().path(), program.scratch().path(), program.home(), ini})
    ASSERT_EQ(chown(path.c_str(), kNobody, kNobody), 0) << path;
  ASSERT_EQ(chmod(program.dir().path().c_str(), 0755), 0);
  ASSERT_EQ(chmod(ini.c_str(), 0), 0);
  program.commandPrefix() = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
  ASSERT_TRUE(program.Start()) << program.Output();
  ASSERT_TRUE(site.WaitForRequests("/portal/")) << program.Output();

  // Said on standard error and in a box over the window.
  ASSERT_TRUE(WaitUntil([&] { return program.Output().find(ini + " cannot be read") != std::string::npos; }, 60s))
      << program.Output();
  const VirtualDesktop::WindowId box = WaitForProgramWindow("无法读取");
  ASSERT_NE(box, 0u) << program.Output();
  KeepScreenshot("unreadable-state-file");
  ASSERT_TRUE(desktop.Activate(box));
  desktop.Key("Return");
  ASSERT_TRUE(WaitUntil([&] { return desktop.FindWindows(program.pid(), "无法读取").empty(); }, 30s));

  // A change of this run is not written over the file, neither now nor at the end.
  ASSERT_TRUE(program.Activate());
  ASSERT_TRUE(program.Click("addFavorite"));
  EXPECT_EQ(program.Close(), 0) << program.Output();
  EXPECT_EQ(program.Ini(), before);
  struct stat status {};
  ASSERT_EQ(stat(ini.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0u);
}

}  // namespace
