#include "update/Installer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "support/TempDir.h"

namespace {

using namespace std::chrono_literals;

Installer::Options QuickOptions(int attempts, std::function<bool(const std::string&)> busy) {
  Installer::Options options;
  options.attempts = attempts;
  options.interval = 1ms;
  options.targetBusy = std::move(busy);
  return options;
}

class InstallerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir / "update");
    WriteFileOrDie(source, std::string("new program\0\x7f" "ELF", 16));
    WriteFileOrDie(target, "old program");
  }

  TempDir dir;
  const std::string source = dir / "update/varnok";
  const std::string target = dir / "varnok";
};

TEST_F(InstallerTest, ReplacesTheProgramWithAnExecutableCopyAndLeavesNoTemporaryFile) {
  EXPECT_TRUE(Installer(source, target, QuickOptions(1, [](const std::string&) { return false; })).CopyOver());
  EXPECT_EQ(ReadFileOrEmpty(target), ReadFileOrEmpty(source));
  struct stat st {};
  ASSERT_EQ(stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0755u);
  int entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) entries += entry.is_regular_file();
  EXPECT_EQ(entries, 1);
}

TEST_F(InstallerTest, WaitsWhileAnotherProcessRunsTheProgram) {
  int checks = 0;
  auto busyThreeTimes = [&](const std::string& path) {
    EXPECT_EQ(path, target);
    return ++checks <= 3;
  };
  EXPECT_TRUE(Installer(source, target, QuickOptions(90, busyThreeTimes)).CopyOver());
  EXPECT_EQ(checks, 4);
  EXPECT_EQ(ReadFileOrEmpty(target), ReadFileOrEmpty(source));
}

TEST_F(InstallerTest, GivesUpAfterItsAttemptsAndLeavesTheOldProgram) {
  int checks = 0;
  EXPECT_FALSE(Installer(source, target, QuickOptions(5, [&](const std::string&) { return ++checks, true; })).CopyOver());
  EXPECT_EQ(checks, 5);
  EXPECT_EQ(ReadFileOrEmpty(target), "old program");

  // A target that cannot be written at all: its directory is a file.
  const std::string unwritable = dir / "varnok/varnok";
  EXPECT_FALSE(Installer(source, unwritable, QuickOptions(3, [](const std::string&) { return false; })).CopyOver());
  EXPECT_EQ(ReadFileOrEmpty(source).size(), 16u);
}

}  // namespace
