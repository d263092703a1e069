#include "app/InstanceHandoff.h"

#include <gtest/gtest.h>

#include <cstdlib>
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
  ASSERT_TRUE(running.Listen(windows));
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
  ASSERT_TRUE(running.Listen(windows));
  EXPECT_EQ(InstanceHandoff::HandOver({"http://a/"}), InstanceHandoff::Outcome::kNoWindow);
  EXPECT_TRUE(windows.Opened().empty());
  setenv("VARNOK_SITE_URL", UniqueSiteUrl().c_str(), 1);
  EXPECT_EQ(InstanceHandoff::HandOver({"http://a/"}), InstanceHandoff::Outcome::kUnreachable);
}

}  // namespace
