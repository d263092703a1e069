#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "DesktopTest.h"
#include "support/ChildProcess.h"
#include "support/OtherAccount.h"
#include "support/TempDir.h"

using namespace std::chrono_literals;

namespace {

// The program installed by root and started by a person of another account, who may
// read and run it but not write beside it (the state then lives in the person's data
// directory), or whose state file is closed to them.
class UnwritableDirectoryTest : public DesktopTest {
 protected:
  void SetUp() override {
    if (!CanActAsOtherAccount()) GTEST_SKIP() << "needs root: runs the program as another account";
    DesktopTest::SetUp();
    ASSERT_EQ(chmod(program.dir().path().c_str(), 0755), 0);
    ASSERT_EQ(chmod(home.path().c_str(), 0755), 0);
    ASSERT_EQ(chown(program.scratch().path().c_str(), kOtherAccount, kOtherAccount), 0);
    program.environment()["HOME"] = home.path();
    program.environment()["XDG_DATA_HOME"] = "";
    program.commandPrefix() = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
  }
  // varnok.ini in the data directory, owned by `owner`, as an earlier run left it.
  void WriteDataIni(uid_t owner, const std::string& homePage) {
    program.WriteIni(homePage, {site.Url("/kept")});
    std::filesystem::create_directories(data);
    std::filesystem::rename(program.dir() / "varnok.ini", data + "varnok.ini");
    for (const std::string& path : {home / ".local", home / ".local/share", data, data + "varnok.ini"})
      ASSERT_EQ(chown(path.c_str(), owner, owner), 0) << path;
  }
  std::string DataIni() const { return ReadFileOrEmpty(data + "varnok.ini"); }

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
  const std::string data = home / ".local/share/varnok/";
};

TEST_F(UnwritableDirectoryTest, TheStateAndTheLocalPagesLiveInThePersonsDataDirectory) {
  ASSERT_EQ(chown(home.path().c_str(), kOtherAccount, kOtherAccount), 0);
  WriteDataIni(kOtherAccount, site.Url("/home"));
  ASSERT_TRUE(program.Start()) << program.Output();
  ASSERT_TRUE(program.Activate());
  ASSERT_TRUE(WaitForPageIdle(0)) << program.Output();

  ASSERT_TRUE(program.Click("addFavorite"));
  const int page = program.Widgets().PageCount();
  ASSERT_TRUE(program.Click("favorites"));
  ASSERT_TRUE(WaitForPage(page, "file://" + data + "scj.htm")) << program.Output();
  // The page's own links still command our server: the older favorite goes.
  std::vector<ScreenRect> links;
  ASSERT_TRUE(WaitUntil([&] { return (links = PageLinks(page)).size() == 4; }, 30s));
  KeepScreenshot("favorites-page-in-the-data-directory");
  desktop.Click(links[3].center());
  ASSERT_TRUE(WaitForPageAddressContaining(page, "localhost:" + std::to_string(program.port()) + "/scj.htm"));

  EXPECT_EQ(program.Close(), 0) << program.Output();
  EXPECT_NE(DataIni().find("[soucangjia]\r\nurl1=" + site.Url("/home") + "\r\n\r\n"), std::string::npos) << DataIni();
  EXPECT_FALSE(std::filesystem::exists(program.dir() / "varnok.ini"));
  EXPECT_EQ(program.Output().find("cannot be written"), std::string::npos) << program.Output();
}

TEST_F(UnwritableDirectoryTest, ADataDirectoryThatCannotBeWrittenIsSaidAndBrowsingGoesOn) {
  WriteDataIni(0, site.Url("/home"));
  const std::string iniBefore = DataIni();
  ASSERT_TRUE(program.Start()) << program.Output();
  ASSERT_TRUE(site.WaitForRequests("/home")) << program.Output();

  // One line on standard error naming the directory, and a message box in the window.
  EXPECT_TRUE(Said("varnok: the state directory " + data + " cannot be written")) << program.Output();
  ASSERT_NO_FATAL_FAILURE(DismissBox("数据目录不可写", "unwritable-data-directory"));

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
  EXPECT_EQ(DataIni(), iniBefore);
}

TEST_F(UnwritableDirectoryTest, AStateFileThatCannotBeReadIsSaidAndLeftAsItWas) {
  // The directory is the person's, but not the file in it.
  program.environment()["VARNOK_PORTAL_URL"] = site.Url("/portal/");
  program.WriteIni(site.Url("/home"), {site.Url("/kept")});
  const std::string ini = program.dir() / "varnok.ini";
  const std::string before = program.Ini();
  for (const std::string& path : {program.dir().path(), ini}) ASSERT_EQ(chown(path.c_str(), kOtherAccount, kOtherAccount), 0);
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
