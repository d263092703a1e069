#include <sys/stat.h>

#include <filesystem>

#include "DesktopTest.h"
#include "support/ChildProcess.h"
#include "support/OtherAccount.h"
#include "support/TempDir.h"

using namespace std::chrono_literals;

namespace {

// The hand-off socket of the program started by `program`: in the runtime directory the
// harness gives it, named after its site.
std::string HandoffSocket(const VarnokOnDesktop& program) {
  for (const auto& entry : std::filesystem::directory_iterator(program.scratch() / "varnok"))
    if (entry.path().extension() == ".sock") return entry.path().string();
  return std::string();
}

class LaunchAddressesTest : public DesktopTest {};

TEST_F(LaunchAddressesTest, AddressesOnTheCommandLineOpenInPageWindowsOfTheirOwnAfterTheHomePage) {
  program.arguments() = {site.Url("/first"), site.Url("/second")};
  Start(site.Url("/home"));
  ASSERT_TRUE(site.WaitForRequests("/first")) << program.Output();
  ASSERT_TRUE(site.WaitForRequests("/second")) << program.Output();
  // Home first, then the addresses in their order, the last one current.
  EXPECT_TRUE(program.WaitForWidgets([&](const WidgetMap& map) {
    return map.PageCount() == 3 && map.PageShows(0, site.Url("/home")) && map.PageShows(1, site.Url("/first")) &&
           map.PageShows(2, site.Url("/second"));
  })) << program.Output();
  EXPECT_EQ(program.Widgets().CurrentPage(), 2);
  // Each address joins the history as a typed one does.
  const std::string ini = CloseAndReadIni();
  EXPECT_NE(ini.find(site.Url("/first")), std::string::npos) << ini;
  EXPECT_NE(ini.find(site.Url("/second")), std::string::npos) << ini;
}

TEST_F(LaunchAddressesTest, ALaterLaunchHandsItsAddressesToTheRunningProgramAndEnds) {
  Start(site.Url("/home"));
  const std::string socket = HandoffSocket(program);
  ASSERT_FALSE(socket.empty());
  struct stat st;
  ASSERT_EQ(stat(socket.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  // A file named relative to where the later launch starts, a web address, and a
  // script address that must never run.
  TempDir elsewhere;
  WriteFileOrDie(elsewhere / "note.html", "<html><head><title>note</title></head><body>note</body></html>");
  site.Page("/probe", "<html><body>probe</body></html>");
  auto later = program.LaunchAgain({site.Url("/handed"), "javascript:fetch('" + site.Url("/probe") + "')",
                                    "JavaScript:fetch('" + site.Url("/probe") + "')", "note.html"},
                                   elsewhere.path());
  EXPECT_EQ(later->WaitForExit(60s), 0) << later->Output();
  EXPECT_NE(later->Output().find("javascript:"), std::string::npos) << "a refused address is said";
  ASSERT_TRUE(site.WaitForRequests("/handed")) << program.Output();
  // They open in their order: once the file, the last, has loaded, the script addresses
  // before it would have had their turn.
  const std::string note = "file://" + elsewhere.path() + "note.html";
  ASSERT_TRUE(program.WaitForWidgets([&](const WidgetMap& map) { return map.PageShows(map.PageCount() - 1, note); }))
      << program.Output();
  EXPECT_EQ(program.Widgets().PageCount(), 3);
  EXPECT_EQ(site.Count("/probe"), 0);

  // A launch without addresses brings the minimized window back to the front.
  desktop.Run({"xdotool", "windowminimize", std::to_string(program.mainWindow())});
  ASSERT_TRUE(WaitUntil([&] { return desktop.ActiveWindow() != program.mainWindow(); }, 30s));
  auto bare = program.LaunchAgain({});
  EXPECT_EQ(bare->WaitForExit(60s), 0) << bare->Output();
  EXPECT_TRUE(WaitUntil([&] { return desktop.ActiveWindow() == program.mainWindow(); }, 30s));
  EXPECT_EQ(program.Widgets().PageCount(), 3);
  const std::string ini = CloseAndReadIni();
  EXPECT_NE(ini.find(note), std::string::npos) << ini;
  EXPECT_EQ(site.Count("/probe"), 0);
}

TEST_F(LaunchAddressesTest, AnotherAccountCannotReachTheHandoff) {
  if (!CanActAsOtherAccount()) GTEST_SKIP() << "needs root to start a process of another account (setpriv)";
  Start(site.Url("/home"));
  const std::string socket = HandoffSocket(program);
  ASSERT_FALSE(socket.empty());
  // A process of another account tries to connect and hand over an address.
  ChildProcess intruder({"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "/usr/bin/python3",
                         "-c",
                         "import socket,sys\n"
                         "s=socket.socket(socket.AF_UNIX)\n"
                         "try:\n"
                         "  s.connect(sys.argv[1])\n"
                         "except OSError as e:\n"
                         "  print('refused', e.errno); sys.exit(0)\n"
                         "s.sendall(b'varnok-open\\0'+sys.argv[2].encode()+b'\\0'); s.shutdown(socket.SHUT_WR)\n"
                         "print('connected', s.recv(100))\n",
                         socket, site.Url("/intruder")});
  ASSERT_EQ(intruder.WaitForExit(30s), 0) << intruder.Output();
  EXPECT_NE(intruder.Output().find("refused"), std::string::npos) << intruder.Output();
  // A launch of our own account still gets through, and is the only one that did.
  auto own = program.LaunchAgain({site.Url("/own")});
  EXPECT_EQ(own->WaitForExit(60s), 0) << own->Output();
  EXPECT_TRUE(WaitForPage(1, site.Url("/own"))) << program.Output();
  EXPECT_EQ(site.Count("/intruder"), 0);
  EXPECT_EQ(program.Widgets().PageCount(), 2);
}

}  // namespace
