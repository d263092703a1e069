#include "update/Installer.h"

#include <gtest/gtest.h>

#include "support/TempDir.h"

namespace {

using namespace std::chrono_literals;

// Counts the busy checks; the target is busy for the first `busyChecks` of them.
Installer::Options Options(int attempts, int busyChecks, int* checks) {
  Installer::Options options;
  options.attempts = attempts;
  options.interval = 1ms;
  options.targetBusy = [=](const std::string&) { return ++*checks <= busyChecks; };
  return options;
}

TEST(InstallerTest, TriesAgainWhileTheProgramRunsAndGivesUpAfterItsAttempts) {
  TempDir dir;
  WriteFileOrDie(dir / "new", std::string("new\0program", 11));
  WriteFileOrDie(dir / "varnok", "old program");
  int checks = 0;
  EXPECT_FALSE(Installer(dir / "new", dir / "varnok", Options(5, 1000, &checks)).CopyOver());
  EXPECT_EQ(checks, 5);
  EXPECT_EQ(ReadFileOrEmpty(dir / "varnok"), "old program");

  checks = 0;
  EXPECT_TRUE(Installer(dir / "new", dir / "varnok", Options(90, 3, &checks)).CopyOver());
  EXPECT_EQ(checks, 4);
  EXPECT_EQ(ReadFileOrEmpty(dir / "varnok"), std::string("new\0program", 11));

  // A target that cannot be written at all (its directory is a file) fails every attempt.
  EXPECT_FALSE(Installer(dir / "new", dir / "varnok/varnok", Options(3, 0, &checks)).CopyOver());
}

}  // namespace
