#include "DesktopTest.h"
#include "support/ChildProcess.h"

using namespace std::chrono_literals;

namespace {

// Asks for permission to show notifications twice, one request after the other, and
// reports each answer to the site.
const char kAskingPage[] = R"(<html><head><title>asks</title></head><body>asking
<script>
async function ask(tag) {
  const answer = await Notification.requestPermission();
  await fetch('/result?' + tag + '=' + answer);
}
ask('first').then(() => ask('second'));
</script></body></html>)";

class PagePermissionsTest : public DesktopTest {
 protected:
  VirtualDesktop::WindowId WaitForPrompt() const { return WaitForProgramWindow("网站请求权限"); }
  std::string Answers() const {
    std::string answers;
    for (const auto& request : site.RequestsFor("/result")) answers += request.query + ";";
    return answers;
  }
};

TEST_F(PagePermissionsTest, APromptAnsweredNoLeavesTheSiteDeniedForTheRunAndOtherSitesAreAskedAfresh) {
  site.Page("/asks", kAskingPage);
  Start(site.Url("/home"));
  ASSERT_TRUE(program.TypeAddress(site.Url("/asks")));
  const auto prompt = WaitForPrompt();
  ASSERT_NE(prompt, 0u) << program.Output();
  KeepScreenshot("permission-prompt");
  ASSERT_TRUE(desktop.Activate(prompt));
  // Enter takes the prompt's default, which keeps the site out.
  desktop.Key("Return");
  ASSERT_TRUE(site.WaitForRequests("/result", 2)) << program.Output();
  // The second request of the same site is answered from memory, without a prompt.
  EXPECT_EQ(Answers(), "first=denied;second=denied;");
  EXPECT_TRUE(desktop.FindWindows(program.pid(), "网站请求权限").empty());

  // Another site (another origin, the same server) is asked on its own; Alt+A allows it.
  const std::string otherOrigin = "http://localhost:" + std::to_string(site.port()) + "/asks";
  ASSERT_TRUE(program.TypeAddress(otherOrigin));
  const auto second = WaitForPrompt();
  ASSERT_NE(second, 0u) << program.Output();
  ASSERT_TRUE(desktop.Activate(second));
  desktop.Key("alt+a");
  ASSERT_TRUE(site.WaitForRequests("/result", 4)) << program.Output();
  EXPECT_EQ(Answers(), "first=denied;second=denied;first=granted;second=granted;");

  // Back on the first site the answer still holds.
  ASSERT_TRUE(program.TypeAddress(site.Url("/asks")));
  ASSERT_TRUE(site.WaitForRequests("/result", 6)) << program.Output();
  EXPECT_EQ(Answers(), "first=denied;second=denied;first=granted;second=granted;first=denied;second=denied;");
  EXPECT_TRUE(desktop.FindWindows(program.pid(), "网站请求权限").empty());
}

}  // namespace
