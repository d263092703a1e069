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

// A field to type into; the first key pressed in it makes the page ask for notifications
// and the location at once, and report both answers.
const char kAskWhileTypingPage[] = R"(<html><head><title>types</title></head><body>
<input id=field>
<script>
document.getElementById('field').addEventListener('keydown', function ask() {
  this.removeEventListener('keydown', ask);
  Notification.requestPermission().then(answer => fetch('/result?notifications=' + answer));
  navigator.geolocation.getCurrentPosition(() => {}, () => {});
  // Queries still under way when the answer comes would each report it: only the first does.
  let reported = false;
  const poll = setInterval(() => navigator.permissions.query({name: 'geolocation'}).then(status => {
    if (status.state == 'prompt' || reported) return;
    reported = true;
    clearInterval(poll);
    fetch('/result?location=' + status.state);
  }), 100);
});
</script></body></html>)";

// The engine's numbers for the features asked about here.
enum QWebEnginePageFeature { kNotifications = 0, kGeolocation = 1 };

class PagePermissionsTest : public DesktopTest {
 protected:
  VirtualDesktop::WindowId WaitForPrompt() const { return WaitForProgramWindow("网站请求权限"); }
  std::string Answers() const {
    std::string answers;
    for (const auto& request : site.RequestsFor("/result")) answers += request.query + ";";
    return answers;
  }
  // The allow button of the prompt about `feature` once it can be pressed.
  std::optional<WidgetMap::Entry> WaitForAllow(QWebEnginePageFeature feature) const {
    std::optional<WidgetMap::Entry> allow;
    program.WaitForWidgets([&](const WidgetMap& map) {
      const auto prompt = map.Find("prompt");
      allow = map.Find("prompt.allow");
      return prompt && prompt->Value("feature") == std::to_string(feature) && allow && allow->Has("visible") &&
             !allow->Has("disabled");
    });
    return allow;
  }
};

TEST_F(PagePermissionsTest, APromptAnsweredNoLeavesTheSiteDeniedForTheRunAndOtherSitesAreAskedAfresh) {
  site.Page("/asks", kAskingPage);
  Start(site.Url("/home"));
  ASSERT_TRUE(program.TypeAddress(site.Url("/asks")));
  const auto prompt = WaitForPrompt();
  ASSERT_NE(prompt, 0u) << program.Output();
  ASSERT_TRUE(desktop.Activate(prompt));
  // Enter takes the prompt's default, which keeps the site out.
  desktop.Key("Return");
  ASSERT_TRUE(site.WaitForRequests("/result", 2)) << program.Output();
  // The second request of the same site is answered from memory, without a prompt.
  EXPECT_EQ(Answers(), "first=denied;second=denied;");
  EXPECT_TRUE(desktop.FindWindows(program.pid(), "网站请求权限").empty());

  // Another site (another origin, the same server) is asked on its own. Its long name
  // shows shortened from the left, so the part that names the site stays in sight;
  // Alt+A allows it once the allow button can be pressed.
  const std::string host = "login.account.secure.example-bank.com." + std::string(60, 'a') + ".attacker.localhost";
  const std::string tail = ".attacker.localhost:" + std::to_string(site.port());
  ASSERT_TRUE(program.TypeAddress("http://" + host + ":" + std::to_string(site.port()) + "/asks"));
  const auto second = WaitForPrompt();
  ASSERT_NE(second, 0u) << program.Output();
  std::optional<WidgetMap::Entry> shown;
  ASSERT_TRUE(program.WaitForWidgets([&](const WidgetMap& map) { return (shown = map.Find("prompt")).has_value(); }));
  EXPECT_EQ(shown->Text().rfind("\xe2\x80\xa6", 0), 0u) << shown->Text();  // begins with an ellipsis
  EXPECT_EQ(shown->Text().substr(shown->Text().size() - tail.size()), tail) << shown->Text();
  KeepScreenshot("permission-prompt");
  ASSERT_TRUE(desktop.Activate(second));
  ASSERT_TRUE(WaitForAllow(kNotifications));
  desktop.Key("alt+a");
  ASSERT_TRUE(site.WaitForRequests("/result", 4)) << program.Output();
  EXPECT_EQ(Answers(), "first=denied;second=denied;first=granted;second=granted;");

  // Back on the first site the answer still holds.
  ASSERT_TRUE(program.TypeAddress(site.Url("/asks")));
  ASSERT_TRUE(site.WaitForRequests("/result", 6)) << program.Output();
  EXPECT_EQ(Answers(), "first=denied;second=denied;first=granted;second=granted;first=denied;second=denied;");
  EXPECT_TRUE(desktop.FindWindows(program.pid(), "网站请求权限").empty());
}

TEST_F(PagePermissionsTest, LettersTypedWhileAPromptOpensAllowNothingAndPromptsComeOneAtATime) {
  site.Page("/types", kAskWhileTypingPage);
  Start(site.Url("/types"));
  // The field is the first thing Tab reaches in the page.
  desktop.Key("ctrl+l");
  desktop.Key("Tab");
  ASSERT_TRUE(WaitForFocusedField(0));
  // The person goes on typing: the prompt comes up under their fingers and takes the keys.
  desktop.Type("aaaaaaaaaaaa");
  ASSERT_NE(WaitForPrompt(), 0u) << program.Output();
  desktop.Type("aaaaaaa");
  ASSERT_TRUE(WaitForAllow(kNotifications));
  desktop.Type("aaaa");
  // Still asking, and only one question in sight although two are pending.
  EXPECT_TRUE(program.Widgets().Find("prompt")) << Answers();
  EXPECT_EQ(desktop.FindWindows(program.pid(), "网站请求权限").size(), 1u);
  EXPECT_EQ(site.Count("/result"), 0) << Answers();

  // Esc refuses the first; the second comes up, and a click on allow allows it.
  desktop.Key("Escape");
  ASSERT_TRUE(site.WaitForRequests("/result", 1)) << program.Output();
  const auto allow = WaitForAllow(kGeolocation);
  ASSERT_TRUE(allow);
  desktop.Click(allow->rect.center());
  ASSERT_TRUE(site.WaitForRequests("/result", 2)) << program.Output();
  EXPECT_EQ(Answers(), "notifications=denied;location=granted;");
}

}  // namespace
