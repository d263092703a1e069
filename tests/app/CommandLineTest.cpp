#include "app/CommandLine.h"

#include <gtest/gtest.h>

TEST(CommandLineTest, InstallModeOnlyWhenTheLineEndsWithTheSwitch) {
  EXPECT_TRUE(IsInstallModeCommandLine("\"/a/update/varnok\"-update"));
  EXPECT_TRUE(IsInstallModeCommandLine("/a/update/varnok -update"));
  EXPECT_TRUE(IsInstallModeCommandLine("/a/-update/varnok -update"));
  EXPECT_FALSE(IsInstallModeCommandLine("/a/varnok -update x"));
  EXPECT_FALSE(IsInstallModeCommandLine("/a/varnok -updatex"));
  EXPECT_FALSE(IsInstallModeCommandLine("update"));
}
