#include <sys/stat.h>
#include <unistd.h>

#include "DesktopTest.h"
#include "support/ChildProcess.h"
#include "support/OtherAccount.h"
#include "support/TempDir.h"

using namespace std::chrono_literals;

namespace {

// The program installed by root and started by a person of another account, who may
// read and run it but not write beside it. An account that is not root cannot act as
// another, and plays the person itself, in a program directory it has made read-only.
class UnwritableDirectoryTest : public DesktopTest {
 protected:
  void SetUp() override {
    DesktopTest::SetUp();
    if (!CanActAsOtherAccount()) return;
    ASSERT_EQ(chmod(program.dir().path().c_str(), 0755), 0);
    ASSERT_EQ(chown(program.scratch().path().c_str(), kOtherAccount, kOtherAccount), 0);
    ASSERT_EQ(chown(home.path().c_str(), kOtherAccount, kOtherAccount), 0);
    program.environment()["HOME"] = home.path();
    program.commandPrefix() = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
  }
  void LockProgramDirectory() {
    if (!CanActAsOtherAccount()) ASSERT_EQ(chmod(program.dir().path().c_str(), 0555), 0);
  }

  TempDir home;
};

TEST_F(UnwritableDirectoryTest, IsSaidAtStartAndTheProgramKeepsBrowsingWithoutClaimingToSave) {
  program.WriteIni(site.Url("/home"), {site.Url("/kept")});
  const std::string iniBefore = program.Ini();
  LockProgramDirectory();
  ASSERT_TRUE(program.Start()) << program.Output();
  ASSERT_TRUE(site.WaitForRequests("/home")) << program.Output();

  // One line on standard error naming the directory, and a message box in the window.
  ASSERT_TRUE(WaitUntil([&] { return program.Output().find("cannot be written") != std::string::npos; }, 60s));
  EXPECT_NE(program.Output().find("varnok: the program directory " + program.dir().path() + " cannot be written"),
            std::string::npos)
      << program.Output();
  const VirtualDesktop::WindowId box = WaitForProgramWindow("程序目录不可写");
  ASSERT_NE(box, 0u) << program.Output();
  KeepScreenshot("unwritable-program-directory");
  ASSERT_TRUE(desktop.Activate(box));
  desktop.Key("Return");
  ASSERT_TRUE(WaitUntil([&] { return desktop.FindWindows(program.pid(), "程序目录不可写").empty(); }, 30s));

  // Browsing goes on; a local page that cannot be written is said in the status.
  ASSERT_TRUE(program.Activate());
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

}  // namespace
