#include "app/InstanceHandoff.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>

#include "app/WindowSystem.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"

namespace {

using namespace std::chrono_literals;
using Addresses = std::vector<std::string>;

// A window system that shows pages and records what it is asked to open.
class RecordingWindows : public WindowSystem {
 public:
  explicit RecordingWindows(bool showsPages) : showsPages_(showsPages) {}
  bool CreateMainWindow() override { return true; }
  int RunMessageLoop() override { return 0; }
  void Post(MainWindowNotice) override {}
  bool AskOkCancel(const std::string&, const std::string&) override { return false; }
  void ShowMessage(const std::string&, const std::string&) override {}
  void ShowInstallingWindow() override {}
  void HideInstallingWindow() override {}
  bool ShowsPages() const override { return showsPages_; }
  void OpenAddresses(const Addresses& addresses) override {
    std::lock_guard<std::mutex> hold(lock_);
    opened_.push_back(addresses);
  }
  std::vector<Addresses> Opened() {
    std::lock_guard<std::mutex> hold(lock_);
    return opened_;
  }

 private:
  bool showsPages_;
  std::mutex lock_;
  std::vector<Addresses> opened_;
};

// A site and a runtime directory of the test's own.
class InstanceHandoffTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
    setenv("VARNOK_SITE_URL", UniqueSiteUrl().c_str(), 1);
  }
  void TearDown() override {
    unsetenv("XDG_RUNTIME_DIR");
    unsetenv("VARNOK_SITE_URL");
  }
  TempDir runtime;
};

TEST_F(InstanceHandoffTest, ManyAddressesArriveInOrderAndScriptAddressesNever) {
  RecordingWindows windows(true);
  InstanceHandoff running;
  std::string error;
  ASSERT_TRUE(running.Listen(windows, &error)) << error;
  Addresses many;
  for (int i = 0; i < 40; ++i) many.push_back("http://example.org/" + std::to_string(i));
  EXPECT_EQ(InstanceHandoff::HandOver(many), InstanceHandoff::Outcome::kOpened);
  Addresses arrived;
  for (const Addresses& part : windows.Opened()) arrived.insert(arrived.end(), part.begin(), part.end());
  EXPECT_EQ(arrived, many);

  // Whoever sends them, script addresses are left out; no address still brings the window up.
  EXPECT_EQ(InstanceHandoff::HandOver({"javascript:alert(1)", "example.org"}), InstanceHandoff::Outcome::kOpened);
  EXPECT_EQ(InstanceHandoff::HandOver({}), InstanceHandoff::Outcome::kOpened);
  const auto opened = windows.Opened();
  ASSERT_GE(opened.size(), 2u);
  EXPECT_EQ(opened[opened.size() - 2], Addresses{"example.org"});
  EXPECT_EQ(opened.back(), Addresses{});
  running.Stop();
  EXPECT_EQ(InstanceHandoff::HandOver({"http://late/"}), InstanceHandoff::Outcome::kUnreachable);
}

TEST_F(InstanceHandoffTest, AWindowlessProgramSaysSoAndAnotherSiteIsAnotherProgram) {
  RecordingWindows windows(false);
  InstanceHandoff running;
  std::string error;
  ASSERT_TRUE(running.Listen(windows, &error)) << error;
  EXPECT_EQ(InstanceHandoff::HandOver({"http://a/"}), InstanceHandoff::Outcome::kNoWindow);
  EXPECT_TRUE(windows.Opened().empty());
  setenv("VARNOK_SITE_URL", UniqueSiteUrl().c_str(), 1);
  EXPECT_EQ(InstanceHandoff::HandOver({"http://a/"}), InstanceHandoff::Outcome::kUnreachable);
}

TEST_F(InstanceHandoffTest, AnAbstractSocketStandsInForADirectoryOfAnotherAccountAndIsNeverLeftToOne) {
  // Another account made the runtime directory first.
  std::filesystem::create_directory(runtime / "varnok");
  ASSERT_EQ(chown((runtime / "varnok").c_str(), 65534, 65534), 0);
  RecordingWindows windows(true);
  std::string error, reason;
  {
    InstanceHandoff running;
    ASSERT_TRUE(running.Listen(windows, &error)) << error;
    EXPECT_EQ(InstanceHandoff::HandOver({"http://a/"}), InstanceHandoff::Outcome::kOpened);
    EXPECT_EQ(windows.Opened(), std::vector<Addresses>{{"http://a/"}});
  }
  // Another account holds the abstract name: the running program cannot listen and says
  // why, and a later launch learns that it cannot reach it.
  const std::string name = InstanceHandoff::SocketPath();
  ASSERT_EQ(name[0], '@');
  ChildProcess squatter({"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "/usr/bin/python3",
                         "-c",
                         "import socket,sys,time\n"
                         "s=socket.socket(socket.AF_UNIX)\n"
                         "s.bind('\\0'+sys.argv[1]); s.listen()\n"
                         "print('holding', flush=True); time.sleep(60)\n",
                         name.substr(1)});
  ASSERT_TRUE(WaitUntil([&] { return squatter.Output().find("holding") != std::string::npos; }, 30s))
      << squatter.Output();
  InstanceHandoff running;
  EXPECT_FALSE(running.Listen(windows, &error));
  EXPECT_NE(error.find("already listens"), std::string::npos) << error;
  EXPECT_EQ(InstanceHandoff::HandOver({"http://b/"}, &reason), InstanceHandoff::Outcome::kUnreachable);
  EXPECT_NE(reason.find("another account"), std::string::npos) << reason;
  EXPECT_EQ(windows.Opened().size(), 1u);
}

}  // namespace
