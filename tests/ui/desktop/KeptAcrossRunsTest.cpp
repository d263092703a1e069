#include <signal.h>

#include <filesystem>

#include "DesktopTest.h"

using namespace std::chrono_literals;

namespace {

// What a person expects to find again when the browser is started anew.
class KeptAcrossRunsTest : public DesktopTest {
 protected:
  void Restart(const std::string& home) {
    program.WriteIni(home);
    ASSERT_TRUE(program.Start()) << program.Output();
    ASSERT_TRUE(program.Activate());
  }
  std::string OpenPagesFile() const { return program.home() + ".local/share/varnok/open-pages"; }
};

TEST_F(KeptAcrossRunsTest, ALoginSurvivesClosingAndStartingAgain) {
  site.Page("/login", "<html><body><script>"
                      "document.cookie = 'sid=abc123; max-age=86400; path=/';"
                      "localStorage.setItem('who', 'ann');"
                      "new Image().src = '/stored';"
                      "</script></body></html>");
  site.Page("/check", "<html><body><script>"
                      "new Image().src = '/seen?who=' + localStorage.getItem('who');"
                      "</script></body></html>");
  Start(site.Url("/login"));
  ASSERT_TRUE(site.WaitForRequests("/stored"));
  CloseAndReadIni();

  Restart(site.Url("/check"));
  ASSERT_TRUE(site.WaitForRequests("/seen")) << program.Output();
  const TestSite::Request seen = site.RequestsFor("/seen").front();
  EXPECT_EQ(seen.query, "who=ann");
  EXPECT_NE(seen.head.find("Cookie: sid=abc123"), std::string::npos) << seen.head;
  // Kept in the account's data directory, with the disk cache in its cache directory.
  EXPECT_TRUE(std::filesystem::is_directory(program.home() + ".local/share/varnok/profile"));
  EXPECT_TRUE(std::filesystem::is_directory(program.home() + ".cache/varnok/profile"));
}

TEST_F(KeptAcrossRunsTest, AfterAKillTheNextStartOffersToReopenThePagesThatWereOpen) {
  Start(site.Url("/first"));
  ASSERT_TRUE(program.Click("address"));
  desktop.Key("ctrl+a");
  desktop.Type(site.Url("/second"));
  ASSERT_TRUE(program.Click("go"));
  ASSERT_TRUE(WaitForPage(1, site.Url("/second")));
  // Within a second of the change the open pages are on disk.
  ASSERT_TRUE(WaitUntil([&] { return ReadFileOrEmpty(OpenPagesFile()).find("/second") != std::string::npos; }, 30s));
  program.Signal(SIGKILL);
  ASSERT_TRUE(program.WaitForExit(30s));

  Restart(site.Url("/home"));
  // The home page comes as always; the offer waits in the status bar.
  ASSERT_TRUE(WaitForPage(0, site.Url("/home")));
  ASSERT_TRUE(program.Control("status.restoreReopen")) << program.Output();
  KeepScreenshot("reopen-offer");
  ASSERT_TRUE(program.Click("status.restoreReopen"));
  ASSERT_TRUE(WaitForPageCount(3));
  EXPECT_TRUE(WaitForPage(1, site.Url("/first")));
  EXPECT_TRUE(WaitForPage(2, site.Url("/second")));
  EXPECT_FALSE(program.Widgets().Find("status.restoreReopen"));
  // A clean end leaves nothing to reopen.
  CloseAndReadIni();
  EXPECT_FALSE(std::filesystem::exists(OpenPagesFile()));
}

}  // namespace
