#include "DesktopTest.h"
#include "support/ChildProcess.h"

using namespace std::chrono_literals;

namespace {

// A "video" that goes full screen when clicked, and tells the site of each press and
// when it enters and leaves full screen.
const char kVideoPage[] = R"(<html><head><title>video</title>
<style>html,body{margin:0;height:100%} #video{width:100%;height:100%;background:#036}</style></head>
<body><div id="video"></div>
<script>
document.addEventListener('fullscreenchange',
    () => fetch('/fullscreen?' + (document.fullscreenElement ? 'on' : 'off')));
document.addEventListener('mousedown', () => fetch('/pressed'));
document.addEventListener('click', () => document.getElementById('video').requestFullscreen()
    .catch(error => fetch('/refused?' + error.name)));
</script></body></html>)";

class FullScreenTest : public DesktopTest {};

TEST_F(FullScreenTest, AVideoGoesFullScreenOnItsOwnRequestAndEscBringsItBack) {
  site.Page("/video", kVideoPage);
  Start(site.Url("/video"));
  ASSERT_TRUE(WaitForPage(0, site.Url("/video"))) << program.Output();
  const auto view = program.Control("page.0.view");
  ASSERT_TRUE(view);
  // A page whose first picture is still on its way drops a click; a person clicks again.
  for (int attempt = 0; attempt < 10 && site.Count("/pressed") == 0; ++attempt) {
    desktop.Click(view->center());
    site.WaitForRequests("/pressed", 1, 3s);
  }
  const bool entered = site.WaitForRequests("/fullscreen");
  ASSERT_TRUE(entered) << program.Output() << "refused: " << site.Count("/refused") << ", clicks seen: " << site.Count("/pressed");
  EXPECT_EQ(site.RequestsFor("/fullscreen").back().query, "on");
  // The page covers the whole screen, and for a few seconds a notice names the site that
  // took it and the way out.
  EXPECT_TRUE(program.WaitForWidgets([&](const WidgetMap& map) {
    const auto page = map.PageView(0), notice = map.Find("fullScreenNotice");
    return page && page->rect == desktop.screen() && notice && notice->Has("visible");
  })) << program.Output();
  KeepScreenshot("full-screen-video");
  const auto notice = program.Widgets().Find("fullScreenNotice");
  ASSERT_TRUE(notice);
  EXPECT_EQ(notice->Text(), "127.0.0.1:" + std::to_string(site.port()) + " 已全屏显示\u3000按 Esc 退出全屏");
  EXPECT_TRUE(program.WaitForWidgets([](const WidgetMap& map) { return !map.Find("fullScreenNotice"); }));

  desktop.Key("Escape");
  ASSERT_TRUE(site.WaitForRequests("/fullscreen", 2)) << program.Output();
  EXPECT_EQ(site.RequestsFor("/fullscreen").back().query, "off");
  // Back inside its page window.
  const bool back = program.WaitForWidgets([&](const WidgetMap& map) {
    const auto window = map.Page(0), page = map.PageView(0);
    return window && page && page->rect != desktop.screen() && window->rect.contains(page->rect);
  });
  KeepScreenshot("full-screen-left");
  EXPECT_TRUE(back) << program.Output();
  EXPECT_NE(CloseAndReadIni().find("[soucangjia]"), std::string::npos);
}

}  // namespace
