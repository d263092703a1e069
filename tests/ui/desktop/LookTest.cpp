#include <algorithm>
#include <filesystem>
#include <sstream>

#include "DesktopTest.h"
#include "support/RawHttp.h"

namespace {

using namespace std::chrono_literals;

const char* const kIconButtons[] = {"back", "forward", "refresh", "go", "home",
                                    "favorites", "addFavorite", "save", "tile", "closePage"};

// True when the UTF-8 `text` holds a character of the CJK block.
bool HasChinese(const std::string& text) {
  for (size_t i = 0; i + 2 < text.size(); ++i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead >= 0xE4 && lead <= 0xE9) return true;
  }
  return false;
}

bool IsGrey(const Rgb& c) {
  return std::abs(c.red - c.green) < 16 && std::abs(c.green - c.blue) < 16 && std::abs(c.red - c.blue) < 16;
}

// The toolkit's own logo, which a page window without an icon shows, is this green.
bool IsToolkitGreen(const Rgb& c) { return c.green > 160 && c.red < 120 && c.blue < 120; }

class LookTest : public DesktopTest {
 protected:
  // The picture inside a button, as a string of its pixels.
  std::string ButtonPicture(const ScreenImage& screen, const ScreenRect& button) const {
    std::string pixels;
    for (int y = button.y + 3; y < button.bottom() - 3; ++y)
      for (int x = button.x + 3; x < button.right() - 3; ++x) {
        const Rgb c = screen.Pixel(x, y);
        pixels += {static_cast<char>(c.red), static_cast<char>(c.green), static_cast<char>(c.blue)};
      }
    return pixels;
  }
};

TEST_F(LookTest, EveryBarButtonHasAColouredIconOfItsOwnAndEveryWindowOurIcon) {
  Start(site.Url("/home"));
  // Back and forward are greyed where there is nowhere to go: in the middle of the
  // page's history both have somewhere.
  for (const char* path : {"/a", "/b"}) {
    ASSERT_TRUE(program.TypeAddress(site.Url(path)));
    ASSERT_TRUE(WaitForPage(0, site.Url(path)));
  }
  desktop.Key("alt+Left");
  ASSERT_TRUE(program.WaitForWidgets([](const WidgetMap& map) {
    return !map.Find("back")->Has("disabled") && !map.Find("forward")->Has("disabled");
  }));
  desktop.MoveMouse({desktop.screen().width / 2, desktop.screen().height - 5});
  ASSERT_TRUE(program.WaitUntilSettled());
  const auto screen = desktop.Screenshot();
  ASSERT_TRUE(screen);
  KeepScreenshot("icons");
  std::vector<std::string> pictures;
  for (const char* name : kIconButtons) {
    const auto button = program.Control(name);
    ASSERT_TRUE(button) << name;
    // Drawn in colour, not the toolkit's grey stock pictures.
    EXPECT_GT(screen->Count(*button, [](const Rgb& c) { return !IsGrey(c); }), 20) << name;
    pictures.push_back(ButtonPicture(*screen, *button));
  }
  for (size_t i = 0; i < pictures.size(); ++i)
    for (size_t j = i + 1; j < pictures.size(); ++j)
      EXPECT_NE(pictures[i], pictures[j]) << kIconButtons[i] << " looks like " << kIconButtons[j];

  // The main window hands the window manager an icon; the page window's title bar shows
  // ours, not the toolkit's logo.
  EXPECT_NE(desktop.Run({"xprop", "-id", std::to_string(program.mainWindow()), "_NET_WM_ICON"}).find("Icon ("),
            std::string::npos);
  const auto titleBar = program.Widgets().PageTitleBar(0);
  ASSERT_TRUE(titleBar);
  const ScreenRect iconCorner{titleBar->x, titleBar->y, titleBar->height, titleBar->height};
  EXPECT_EQ(screen->Count(iconCorner, IsToolkitGreen), 0);
  EXPECT_GT(screen->Count(iconCorner, [](const Rgb& c) { return c.blue > 120 && c.red < 90; }), 5);
}

TEST_F(LookTest, HoveringAButtonShowsItsOwnTooltipBesideIt) {
  Start(site.Url("/home"));
  const std::pair<const char*, const char*> tips[] = {
      {"home", "主页"}, {"addFavorite", "添加到收藏夹"}, {"tile", "平铺页面窗口"},
      {"other", "其他功能：设置主页，查看和清除浏览历史"}};
  for (const auto& [name, text] : tips) {
    // Away first, until the last tooltip has gone, so every hover starts one afresh.
    desktop.MoveMouse({desktop.screen().width / 2, desktop.screen().height - 5});
    ASSERT_TRUE(program.WaitForWidgets([](const WidgetMap& map) { return !map.Find("tooltip"); })) << name;
    ASSERT_TRUE(program.Hover(name));
    std::optional<WidgetMap::Entry> tip;
    EXPECT_TRUE(program.WaitForWidgets([&](const WidgetMap& map) {
      tip = map.Find("tooltip");
      return tip && tip->Has("visible") && tip->Text() == text;
    })) << name << (tip ? " shows " + tip->Text() : " shows no tooltip");
    // Next to the pointer, which rests on the button.
    const ScreenPoint pointer = program.Control(name)->center();
    const auto near = [&](const ScreenRect& r) {
      return ScreenRect{r.x - 40, r.y - 40, r.width + 80, r.height + 80}.contains(pointer);
    };
    EXPECT_TRUE(tip && near(tip->rect)) << name << " at " << (tip ? tip->rect.ToString() : "nowhere");
    KeepScreenshot(std::string("tooltip-") + name);
  }
}

TEST_F(LookTest, TheSaveDialogSpeaksChineseAndSavesIntoTheDownloadDirectory) {
  site.Page("/saved", "<html><head><title>kept</title></head><body>keep me</body></html>");
  Start(site.Url("/saved"));
  ASSERT_TRUE(program.Click("save"));
  std::vector<VirtualDesktop::WindowId> dialogs;
  ASSERT_TRUE(WaitUntil(
      [&] {
        dialogs = desktop.FindWindows(program.pid(), "");
        dialogs.erase(std::remove(dialogs.begin(), dialogs.end(), program.mainWindow()), dialogs.end());
        return !dialogs.empty();
      },
      60s));
  EXPECT_EQ(desktop.WindowName(dialogs.front()), "另存为");
  KeepScreenshot("save-dialog");
  // The suggested name, in the suggested place.
  desktop.Key("Return");
  const std::string saved = program.home() + "Downloads/kept.htm";
  EXPECT_TRUE(WaitUntil([&] { return ReadFileOrEmpty(saved).find("keep me") != std::string::npos; }, 60s));
  EXPECT_FALSE(std::filesystem::exists(program.dir() / "kept.htm"));
}

TEST_F(LookTest, TheEnginesErrorPageAndContextMenuAreChinese) {
  // Nothing listens there: the engine shows its own error page.
  const ClosedPort closed;
  Start("http://127.0.0.1:" + std::to_string(closed.port()) + "/nothing-here");
  ASSERT_TRUE(WaitForPageIdle(0));
  KeepScreenshot("error-page");
  // Its words as a person copies them: all of the page selected and copied.
  ClickIntoPage(0);
  ASSERT_TRUE(WaitUntil(
      [&] {
        desktop.Key("ctrl+a");
        desktop.Key("ctrl+c");
        return desktop.ClipboardText().find("无法访问此网站") != std::string::npos;
      },
      60s))
      << desktop.ClipboardText();

  const auto view = program.Widgets().PageView(0);
  ASSERT_TRUE(view);
  desktop.Click({view->rect.x + view->rect.width - 200, view->rect.bottom() - 150}, 3);
  std::optional<WidgetMap::Entry> menu;
  ASSERT_TRUE(program.WaitForWidgets([&](const WidgetMap& map) { return (menu = map.Find("menu")).has_value(); }));
  KeepScreenshot("context-menu");
  EXPECT_NE(menu->Text().find("重新加载"), std::string::npos) << menu->Text();
  std::istringstream items(menu->Text());
  for (std::string item; std::getline(items, item);) EXPECT_TRUE(HasChinese(item)) << item;
  desktop.Key("Escape");
}

}  // namespace
