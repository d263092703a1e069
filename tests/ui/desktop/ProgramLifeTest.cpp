#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include "DesktopTest.h"
#include "support/RawHttp.h"

// The windowed program's life on a desktop: started, refused beside a running one,
// closed by a signal, started without a display.
namespace {

using namespace std::chrono_literals;

class ProgramLifeTest : public DesktopTest {};

// The command lines of every process below `root`, however deep.
std::vector<std::string> DescendantCommandLines(pid_t root) {
  std::map<pid_t, std::vector<pid_t>> children;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream stat(entry.path() / "stat");
    std::string line;
    if (!std::getline(stat, line) || line.rfind(')') == std::string::npos) continue;
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string state;
    pid_t parent = 0;
    if (fields >> state >> parent) children[parent].push_back(std::stoi(name));
  }
  std::vector<std::string> lines;
  std::vector<pid_t> todo = children[root];
  while (!todo.empty()) {
    const pid_t pid = todo.back();
    todo.pop_back();
    std::ifstream file("/proc/" + std::to_string(pid) + "/cmdline");
    std::string line((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::replace(line.begin(), line.end(), '\0', ' ');
    lines.push_back(line);
    todo.insert(todo.end(), children[pid].begin(), children[pid].end());
  }
  return lines;
}

TEST_F(ProgramLifeTest, ClosedBySignalItSavesTheSession) {
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
    VarnokOnDesktop instance(desktop);
    instance.WriteIni(site.Url("/home-" + std::to_string(sig)));
    ASSERT_TRUE(instance.Start()) << instance.Output();
    ASSERT_TRUE(site.WaitForRequests("/home-" + std::to_string(sig)));
    instance.Signal(sig);
    EXPECT_EQ(instance.WaitForExit(60s), 0) << instance.Output();
    const std::string ini = instance.Ini();
    const std::string home = site.Url("/home-" + std::to_string(sig));
    EXPECT_NE(ini.find("[history]\r\nurl1=" + home + "\r\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("[homeurl]\r\nurl1=" + home + "\r\n"), std::string::npos) << ini;
  }
}

TEST_F(ProgramLifeTest, StartedByRootItTurnsTheEnginesSandboxOffItself) {
  if (geteuid() != 0) GTEST_SKIP() << "only root's run turns the sandbox off; this account keeps it";
  // The engine refuses to show pages as root with its sandbox on.
  program.environment()["QTWEBENGINE_DISABLE_SANDBOX"] = "";
  Start(site.Url("/shown"));
  EXPECT_TRUE(WaitForPage(0, site.Url("/shown"))) << program.Output();
}

// The engine's renderers come from its one fork server; the unsandboxed second one, which
// nothing of this engine uses, is never started (a whole engine process on every launch),
// also when the person gives the engine switches of their own, which the engine then reads
// instead of the program's.
TEST_F(ProgramLifeTest, TheEngineKeepsOnlyTheForkServerItsPagesComeFrom) {
  for (const std::string ownSwitches : {"", "--renderer-process-limit=3"}) {
    VarnokOnDesktop instance(desktop);
    // Empty: not in the environment at all.
    instance.environment()["QTWEBENGINE_CHROMIUM_FLAGS"] = ownSwitches;
    const std::string page = "/page" + std::to_string(ownSwitches.size());
    instance.WriteIni(site.Url(page));
    ASSERT_TRUE(instance.Start()) << instance.Output();
    ASSERT_TRUE(site.WaitForRequests(page)) << instance.Output();
    const std::vector<std::string> helpers = DescendantCommandLines(instance.pid());
    const auto count = [&](const std::string& part) {
      return std::count_if(helpers.begin(), helpers.end(),
                           [&](const std::string& line) { return line.find(part) != std::string::npos; });
    };
    EXPECT_GE(count("--type=zygote"), 1) << ownSwitches << ": no fork server, renderers would start the slow way";
    EXPECT_EQ(count("--no-zygote-sandbox"), 0) << ownSwitches << ": the unsandboxed fork server runs";
    instance.Signal(SIGTERM);
    EXPECT_EQ(instance.WaitForExit(60s), 0) << instance.Output();
  }
}

TEST_F(ProgramLifeTest, ASecondInstanceExitsAtOnceWithoutAWindow) {
  Start(site.Url("/first"));
  ASSERT_TRUE(WaitUntil([&] { return PortAcceptsConnections(program.port()); }, 60s))
      << "the embedded server does not serve, so there is no single-instance token";
  VarnokOnDesktop second(desktop);
  second.environment()["VARNOK_SITE_URL"] = program.environment()["VARNOK_SITE_URL"];
  second.WriteIni(site.Url("/second"));
  second.Launch();
  EXPECT_EQ(second.WaitForExit(60s), 0) << second.Output();
  EXPECT_EQ(site.Count("/second"), 0);
  EXPECT_TRUE(desktop.FindWindows(second.pid()).empty());
  EXPECT_TRUE(program.Running());
  EXPECT_EQ(CloseAndReadIni().find("/second"), std::string::npos);
}

// Without any display the program says so in one line and exits, instead of aborting.
TEST(ProgramWithoutDisplayTest, SaysOneLineAndExits) {
  VirtualDesktop::Options none;
  none.windowManager = false;
  VirtualDesktop desktop(none);
  ASSERT_TRUE(desktop.ready()) << desktop.error();
  for (const std::string display : {"", ":59321"}) {
    VarnokOnDesktop program(desktop);
    // No display at all, or one that names no server.
    program.environment()["DISPLAY"] = display;
    program.environment()["QT_QPA_PLATFORM"] = "";
    program.WriteIni("about:blank");
    program.Launch();
    EXPECT_EQ(program.WaitForExit(60s), 2) << display;
    const std::string output = program.Output();
    EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
    EXPECT_NE(output.find("--headless"), std::string::npos) << output;
  }
}

// A display that goes away (its X server ended or crashed) ends the program at once: one
// that lingered would keep its instance token, and every later start would hand over to it.
TEST(ProgramWithoutDisplayTest, ADisplayThatGoesAwayEndsTheProgramAtOnce) {
  auto desktop = std::make_unique<VirtualDesktop>();
  ASSERT_TRUE(desktop->ready()) << desktop->error();
  VarnokOnDesktop program(*desktop);
  program.WriteIni("about:blank");
  ASSERT_TRUE(program.Start()) << program.Output();
  desktop.reset();
  EXPECT_EQ(program.WaitForExit(60s), 1) << program.Output();
}

}  // namespace
