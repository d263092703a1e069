#include <filesystem>
#include <random>

#include "DesktopTest.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"

using namespace std::chrono_literals;

namespace {

std::string RandomBytes(size_t size, unsigned seed) {
  std::mt19937 generator(seed);
  std::string bytes(size, '\0');
  for (char& byte : bytes) byte = static_cast<char>(generator() & 0xFF);
  return bytes;
}

// The person's home, with the download directory the save dialog starts in.
class DownloadsTest : public DesktopTest {
 protected:
  void SetUp() override {
    DesktopTest::SetUp();
    std::filesystem::create_directories(home / "Downloads");
    program.environment()["HOME"] = home.path();
    program.environment()["XDG_CONFIG_HOME"] = "";
    program.environment()["XDG_DOWNLOAD_DIR"] = "";
  }

  std::string Downloads() const { return home / "Downloads/"; }

  // Asks for `path` of the test site through the address box and waits for the save
  // dialog; its window, which has the keyboard focus.
  VirtualDesktop::WindowId RequestDownload(const std::string& path) {
    EXPECT_TRUE(program.Activate());
    EXPECT_TRUE(program.TypeAddress(site.Url(path)));
    const VirtualDesktop::WindowId dialog = WaitForProgramWindow("保存文件");
    if (dialog) desktop.Activate(dialog);
    return dialog;
  }

  std::optional<WidgetMap::Entry> Download(int index) const {
    return program.Widgets().Find("download." + std::to_string(index));
  }
  bool WaitForDownloadState(int index, const std::string& state, std::chrono::milliseconds timeout = 120s) const {
    return program.WaitForWidgets(
        [&](const WidgetMap& map) {
          const auto row = map.Find("download." + std::to_string(index));
          return row && row->Has(state);
        },
        timeout);
  }
  bool WaitForStatus(const std::string& text) const {
    return program.WaitForWidgets([&](const WidgetMap& map) {
      const auto status = map.Find("status");
      return status && status->Text().find(text) != std::string::npos;
    });
  }

  TempDir home;
};

TEST_F(DownloadsTest, AnAttachmentIsSavedWhereTheDialogSaysWithItsExactBytes) {
  const std::string bytes = RandomBytes(300 * 1024 + 7, 1);
  site.Download("/report.bin", bytes, "report.bin");
  Start(site.Url("/home"));
  ASSERT_NE(RequestDownload("/report.bin"), 0u) << program.Output();
  // The dialog offers the file's own name in the download directory: Enter takes it.
  desktop.Key("Return");
  ASSERT_TRUE(WaitForDownloadState(0, "finished")) << program.Output();
  EXPECT_EQ(ReadFileOrEmpty(Downloads() + "report.bin"), bytes);
  EXPECT_EQ(Download(0)->Text(), Downloads() + "report.bin");
  EXPECT_TRUE(WaitForStatus("下载完成：" + Downloads() + "report.bin"));
  // The page stays where it was; nothing else was written beside the file.
  EXPECT_EQ(program.Widgets().PageCount(), 1);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Downloads()), {}), 1);
}

TEST_F(DownloadsTest, ASlowDownloadShowsItsProgressAndEndsUnderTheChosenName) {
  const std::string bytes = RandomBytes(1536 * 1024, 2);
  site.Download("/slow.bin", bytes, "slow.bin", 24 * 1024, 150ms);
  Start(site.Url("/home"));
  ASSERT_NE(RequestDownload("/slow.bin"), 0u) << program.Output();
  // Another name, typed into the dialog.
  desktop.Key("ctrl+a");
  desktop.Type(Downloads() + "renamed.bin");
  desktop.Key("Return");
  ASSERT_TRUE(program.WaitForWidgets([](const WidgetMap& map) {
    const auto bar = map.Find("download.0.progress");
    const auto row = map.Find("download.0");
    return bar && row && row->Has("running") && bar->Has("visible") && std::stoi(bar->Value("value")) >= 10 &&
           std::stoi(bar->Value("value")) < 100;
  })) << program.Output();
  const auto running = Download(0);
  EXPECT_EQ(running->Value("total"), std::to_string(bytes.size()));
  EXPECT_GT(std::stoll(running->Value("received")), 0);
  EXPECT_FALSE(program.Widgets().Find("download.0.cancel")->Has("disabled"));
  EXPECT_TRUE(program.Widgets().Find("download.0.open")->Has("disabled"));
  KeepScreenshot("downloads-window-slow-download");

  ASSERT_TRUE(WaitForDownloadState(0, "finished")) << program.Output();
  EXPECT_EQ(ReadFileOrEmpty(Downloads() + "renamed.bin"), bytes);
  EXPECT_EQ(program.Widgets().Find("download.0.progress")->Value("value"), "100");
  EXPECT_FALSE(program.Widgets().Find("download.0.open")->Has("disabled"));
  EXPECT_TRUE(program.Widgets().Find("download.0.cancel")->Has("disabled"));
  EXPECT_FALSE(std::filesystem::exists(Downloads() + "slow.bin"));
}

TEST_F(DownloadsTest, NothingIsDroppedSilently) {
  site.Download("/unwanted.bin", RandomBytes(4096, 3), "unwanted.bin");
  site.Download("/stopped.bin", RandomBytes(2048 * 1024, 4), "stopped.bin", 16 * 1024, 200ms);
  Start(site.Url("/home"));

  // The dialog cancelled: nothing saved, and the status says so.
  ASSERT_NE(RequestDownload("/unwanted.bin"), 0u) << program.Output();
  desktop.Key("Escape");
  EXPECT_TRUE(WaitForStatus("没有保存 unwanted.bin")) << program.Output();
  EXPECT_FALSE(program.Widgets().Find("download.0"));

  // A download cancelled in the downloads window: told there and in the status.
  ASSERT_NE(RequestDownload("/stopped.bin"), 0u) << program.Output();
  desktop.Key("Return");
  ASSERT_TRUE(WaitForDownloadState(0, "running")) << program.Output();
  const auto windows = desktop.FindWindows(program.pid(), "^下载$");
  ASSERT_EQ(windows.size(), 1u);
  ASSERT_TRUE(desktop.Activate(windows.front()));
  ASSERT_TRUE(program.WaitUntilPlaced("downloads", windows.front()));
  ASSERT_TRUE(program.Click("download.0.cancel"));
  EXPECT_TRUE(WaitForDownloadState(0, "cancelled")) << program.Output();
  EXPECT_TRUE(WaitForStatus("下载已取消：stopped.bin"));
  std::error_code error;
  EXPECT_FALSE(std::filesystem::exists(Downloads() + "unwanted.bin", error));
  EXPECT_FALSE(std::filesystem::exists(Downloads() + "stopped.bin", error));
}

TEST_F(DownloadsTest, ANameMadeToDeceiveIsOfferedAndSavedCleanAndShort) {
  // Hidden behind a dot, a right-to-left override that makes ".exe" read as ".txt", and
  // more than a file system takes.
  const std::string rightToLeft = "\xe2\x80\xae";
  site.Download("/invoice", "MZ", ".invoice" + rightToLeft + "txt" + std::string(290, 'x') + ".exe");
  Start(site.Url("/home"));
  ASSERT_NE(RequestDownload("/invoice"), 0u) << program.Output();
  desktop.Key("Return");
  ASSERT_TRUE(WaitForDownloadState(0, "finished")) << program.Output();
  // As long as it may be while the engine still adds ".crdownload" to it.
  const std::string name = "invoicetxt" + std::string(230, 'x') + ".exe";
  EXPECT_EQ(Download(0)->Text(), Downloads() + name);
  EXPECT_EQ(ReadFileOrEmpty(Downloads() + name), "MZ");
}

TEST_F(DownloadsTest, ClosingWithADownloadRunningAsksFirst) {
  site.Download("/long.bin", RandomBytes(4096 * 1024, 5), "long.bin", 8 * 1024, 200ms);
  Start(site.Url("/home"));
  ASSERT_NE(RequestDownload("/long.bin"), 0u) << program.Output();
  desktop.Key("Return");
  ASSERT_TRUE(WaitForDownloadState(0, "running")) << program.Output();
  for (const char* answer : {"Return", "alt+q"}) {  // keep downloading (the default), then quit
    ASSERT_TRUE(program.Activate());
    desktop.Key("alt+F4");
    ASSERT_NE(WaitForProgramWindow("^下载尚未完成$"), 0u) << answer;
    KeepScreenshot("downloads-running-at-exit");
    desktop.Key(answer);
    if (std::string(answer) == "Return") {
      const auto received = std::stoll(Download(0)->Value("received"));
      EXPECT_TRUE(program.WaitForWidgets([&](const WidgetMap& map) {
        const auto row = map.Find("download.0");
        return row && row->Has("running") && std::stoll(row->Value("received")) > received;
      }));
    }
  }
  EXPECT_EQ(program.WaitForExit(60s), 0) << program.Output();
}

}  // namespace
