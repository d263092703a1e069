#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "platform/ExecutablePath.h"
#include "platform/FileUtil.h"
#include "platform/GbkCodec.h"
#include "platform/ProcessLauncher.h"
#include "platform/ProcessScan.h"
#include "platform/SharedMemoryToken.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"

namespace {

using Parts = std::vector<std::string>;

TEST(ProcessLauncherTest, SplitsAQuotedPathAndTheRest) {
  EXPECT_EQ(platform::SplitCommandLine("\"/a b/varnok\"-update"), (Parts{"/a b/varnok", "-update"}));
  EXPECT_EQ(platform::SplitCommandLine("\"/a/varnok\" -update  x"), (Parts{"/a/varnok", "-update", "x"}));
  EXPECT_EQ(platform::SplitCommandLine("/a/varnok"), Parts{"/a/varnok"});
  EXPECT_EQ(platform::SplitCommandLine("\"/unterminated"), Parts{"/unterminated"});
  EXPECT_TRUE(platform::SplitCommandLine("  ").empty());
}

TEST(ProcessLauncherTest, LaunchedProgramRunsOnItsOwn) {
  TempDir dir;
  const std::string marker = dir / "launched";
  WriteFileOrDie(dir / "script.sh", "#!/bin/sh\necho \"$1\" > " + marker + "\n");
  chmod((dir / "script.sh").c_str(), 0755);
  ASSERT_TRUE(platform::LaunchDetached("\"" + dir / "script.sh" + "\"-update"));
  ASSERT_TRUE(WaitUntil([&] { return ReadFileOrEmpty(marker) == "-update\n"; }, std::chrono::seconds(10)));
  EXPECT_FALSE(platform::LaunchDetached(""));
}

TEST(ProcessScanTest, CountsByExactExecutableName) {
  const std::string self = platform::ExecutablePath();
  const std::string name = self.substr(self.rfind('/') + 1);
  EXPECT_GE(platform::CountProcessesNamed(name, 10), 1);
  EXPECT_EQ(platform::CountProcessesNamed(name.substr(0, name.size() - 1), 10), 0);
  EXPECT_FALSE(platform::AnyOtherProcessRuns(self + "-nonexistent"));
  ChildProcess sleeper({"/bin/sleep", "30"});
  ASSERT_TRUE(WaitUntil([] { return platform::AnyOtherProcessRuns("/usr/bin/sleep"); }, std::chrono::seconds(5)));
}

TEST(SharedMemoryTokenTest, PublishedWhileAliveAndGoneAfterwards) {
  const std::string url = UniqueSiteUrl();
  EXPECT_EQ(platform::SharedMemoryToken::ReadHead(url), "");
  {
    platform::SharedMemoryToken token(url);
    ASSERT_TRUE(token.IsOpen());
    EXPECT_EQ(platform::SharedMemoryToken::ReadHead(url), url);
  }
  EXPECT_EQ(platform::SharedMemoryToken::ReadHead(url), "");
}

TEST(SharedMemoryTokenTest, ASecondHolderLeavingDoesNotTakeTheFirstOnesToken) {
  const std::string url = UniqueSiteUrl();
  platform::SharedMemoryToken first(url);
  { platform::SharedMemoryToken second(url); }
  EXPECT_EQ(platform::SharedMemoryToken::ReadHead(url), url);
  EXPECT_TRUE(platform::SharedMemoryToken::IsHeld(url));
}

TEST(SharedMemoryTokenTest, ATokenLeftByAKilledProcessIsNotHeldAndIsTakenOver) {
  const std::string url = UniqueSiteUrl();
  pid_t child = fork();
  if (child == 0) {
    new platform::SharedMemoryToken(url);  // never destroyed: the process dies holding it
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_EQ(platform::SharedMemoryToken::ReadHead(url), url);
  EXPECT_FALSE(platform::SharedMemoryToken::IsHeld(url));
  {
    platform::SharedMemoryToken next(url);
    EXPECT_TRUE(platform::SharedMemoryToken::IsHeld(url));
  }
  EXPECT_EQ(platform::SharedMemoryToken::ReadHead(url), "");
}

TEST(FileUtilTest, AtomicWriteReplacesAndLeavesNoTemporaryFiles) {
  TempDir dir;
  ASSERT_TRUE(platform::WriteFileAtomically(dir / "f", "one"));
  ASSERT_TRUE(platform::WriteFileAtomically(dir / "f", "two"));
  EXPECT_EQ(ReadFileOrEmpty(dir / "f"), "two");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
  EXPECT_FALSE(platform::WriteFileAtomically(dir / "missing/f", "x"));
}

TEST(GbkCodecTest, RoundTripsChineseAndSurvivesBadBytes) {
  const std::string utf8 = "\xe6\x94\xb6\xe8\x97\x8f\xe5\xa4\xb9";  // 收藏夹
  EXPECT_EQ(platform::Utf8ToGbk(utf8), "\xca\xd5\xb2\xd8\xbc\xd0");
  EXPECT_EQ(platform::GbkToUtf8("\xca\xd5\xb2\xd8\xbc\xd0"), utf8);
  EXPECT_EQ(platform::GbkToUtf8("ab\xff"), "ab?");
}

TEST(GbkCodecTest, ExactConversionsRefuseWhatTheOtherSideCannotHold) {
  EXPECT_EQ(platform::Utf8ToGbkExactly("\xe6\x94\xb6" "a"), std::optional<std::string>("\xca\xd5" "a"));
  // An emoji, a cut UTF-8 sequence: no GBK for them.
  EXPECT_FALSE(platform::Utf8ToGbkExactly("a\xf0\x9f\x98\x80"));
  EXPECT_FALSE(platform::Utf8ToGbkExactly("\xe6\x94"));
  EXPECT_EQ(platform::GbkToUtf8Exactly("\xca\xd5\x81\x40"), std::optional<std::string>("\xe6\x94\xb6\xe4\xb8\x82"));
  // A lone lead byte, a byte GBK never uses.
  EXPECT_FALSE(platform::GbkToUtf8Exactly("\xca"));
  EXPECT_FALSE(platform::GbkToUtf8Exactly("a\xff"));
  EXPECT_EQ(platform::GbkToUtf8Exactly(""), std::optional<std::string>(""));
}

}  // namespace
