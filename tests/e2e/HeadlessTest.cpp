#include <gtest/gtest.h>
#include <signal.h>

#include "support/ChildProcess.h"
#include "support/TempDir.h"

namespace {

using namespace std::chrono_literals;

// 系统：系统启动完毕，准备为您工作！
const std::string kStartupLine =
    "\xcf\xb5\xcd\xb3\xa3\xba\xcf\xb5\xcd\xb3\xc6\xf4\xb6\xaf\xcd\xea\xb1\xcf\xa3\xac\xd7\xbc\xb1\xb8\xce\xaa\xc4\xfa"
    "\xb9\xa4\xd7\xf7\xa3\xa1<br>";

std::map<std::string, std::string> Environment() {
  return {{"VARNOK_SITE_URL", UniqueSiteUrl()}, {"VARNOK_PORT", "0"}, {"VARNOK_UPDATE_FIRST_MS", "3600000"}};
}

TEST(HeadlessTest, StartsWritesItsFilesBesideTheExecutableAndStopsOnSignals) {
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
    TempDir dir;
    TempDir elsewhere;
    const std::string exe = InstallProgramCopy(dir.path());
    ChildProcess program({exe, "--headless"}, Environment(), elsewhere.path());
    ASSERT_TRUE(WaitUntil([&] { return ReadFileOrEmpty(dir / "sysmsg.htm").find("</HTML>") != std::string::npos; }, 20s))
        << program.Output();
    const std::string page = ReadFileOrEmpty(dir / "sysmsg.htm");
    EXPECT_NE(page.find("<BODY>" + kStartupLine + "</BODY>"), std::string::npos);
    EXPECT_NE(ReadFileOrEmpty(dir / "varnok.ini").find("[soucangjia]"), std::string::npos);

    // The exit rewrites the file: a hand-added section disappears.
    WriteFileOrDie(dir / "varnok.ini", ReadFileOrEmpty(dir / "varnok.ini") + "[mine]\r\nx=1\r\n");
    program.Signal(sig);
    EXPECT_EQ(program.WaitForExit(10s), 0) << program.Output();
    EXPECT_EQ(ReadFileOrEmpty(dir / "varnok.ini").find("[mine]"), std::string::npos);
    EXPECT_TRUE(ReadFileOrEmpty(elsewhere / "varnok.ini").empty());
  }
}

}  // namespace
