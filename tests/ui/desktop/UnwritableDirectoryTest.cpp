#include <sys/stat.h>
#include <unistd.h>

#include "DesktopTest.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"

using namespace std::chrono_literals;

namespace {

constexpr uid_t kNobody = 65534;

// The program started by a person of another account than its installer's (root), who
// may read and run it but not write beside it, or whose state file is closed to them.
class UnwritableDirectoryTest : public DesktopTest {
 protected:
  void SetUp() override {
    DesktopTest::SetUp();
    ASSERT_EQ(chmod(program.dir().path().c_str(), 0755), 0);
    ASSERT_EQ(chown(program.scratch().path().c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(chown(home.path().c_str(), kNobody, kNobody), 0);
    program.environment()["HOME"] = home.path();
    program.commandPrefix() = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
  }

  // Waits for the box titled `title` over the window, keeps a picture of it as `picture`
  // and closes it with Enter.
  void DismissBox(const std::string& title, const std::string& picture) {
    const VirtualDesktop::WindowId box = WaitForProgramWindow(title);
    ASSERT_NE(box, 0u) << program.Output();
    KeepScreenshot(picture);
    ASSERT_TRUE(desktop.Activate(box));
    desktop.Key("Return");
    ASSERT_TRUE(WaitUntil([&] { return desktop.FindWindows(program.pid(), title).empty(); }, 30s));
    ASSERT_TRUE(program.Activate());
  }
  bool Said(const std::string& line) {
    return WaitUntil([&] { return program.Output().find(line) != std::string::npos; }, 60s);
  }

  TempDir home;
};

TEST_F(UnwritableDirectoryTest, IsSaidAtStartAndTheProgramKeepsBrowsingWithoutClaimingToSave) {
  program.WriteIni(site.Url("/home"), {site.Url("/kept")});
  const std::string iniBefore = program.Ini();
  ASSERT_TRUE(program.Start()) << program.Output();
  ASSERT_TRUE(site.WaitForRequests("/home")) << program.Output();

  // One line on standard error naming the directory, and a message box in the window.
  EXPECT_TRUE(Said("varnok: the program directory " + program.dir().path() + " cannot be written")) << program.Output();
  ASSERT_NO_FATAL_FAILURE(DismissBox("程序目录不可写", "unwritable-program-directory"));

  // Browsing goes on; a local page that cannot be written is said in the status.
  ASSERT_TRUE(program.TypeAddress(site.Url("/later")));
  EXPECT_TRUE(site.WaitForRequests("/later")) << program.Output();
  ASSERT_TRUE(program.Click("favorites"));
  EXPECT_TRUE(program.WaitForWidgets([](const WidgetMap& map) {
    const auto status = map.Find("status");
    return status && status->Text().find("scj.htm") != std::string::npos;
  })) << program.Output();

  // At the end the loss is said too, and the old file is untouched.
  EXPECT_EQ(program.Close(), 0) << program.Output();
  EXPECT_NE(program.Output().find("varnok.ini could not be written"), std::string::npos) << program.Output();
  EXPECT_EQ(program.Ini(), iniBefore);
}

TEST_F(UnwritableDirectoryTest, AStateFileThatCannotBeReadIsSaidAndLeftAsItWas) {
  // The directory is the person's, but not the file in it.
  program.environment()["VARNOK_PORTAL_URL"] = site.Url("/portal/");
  program.WriteIni(site.Url("/home"), {site.Url("/kept")});
  const std::string ini = program.dir() / "varnok.ini";
  const std::string before = program.Ini();
  for (const std::string& path : {program.dir().path(), ini}) ASSERT_EQ(chown(path.c_str(), kNobody, kNobody), 0);
  ASSERT_EQ(chmod(ini.c_str(), 0), 0);
  ASSERT_TRUE(program.Start()) << program.Output();
  ASSERT_TRUE(site.WaitForRequests("/portal/")) << program.Output();

  EXPECT_TRUE(Said(ini + " cannot be read")) << program.Output();
  ASSERT_NO_FATAL_FAILURE(DismissBox("无法读取收藏夹和浏览历史", "unreadable-state-file"));

  // A change of this run is not written over the file, neither now nor at the end.
  ASSERT_TRUE(program.Click("addFavorite"));
  EXPECT_EQ(program.Close(), 0) << program.Output();
  EXPECT_EQ(program.Ini(), before);
  struct stat status {};
  ASSERT_EQ(stat(ini.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0u);
}

}  // namespace
