#include <signal.h>

#include <algorithm>
#include <cstdlib>

#include "DesktopTest.h"
#include "support/RawHttp.h"

// The windowed program's life on a desktop: started, refused beside a running one,
// closed by a signal, and its local pages' command links reaching its own server.
namespace {

using namespace std::chrono_literals;

class ProgramLifeTest : public DesktopTest {};

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

// Local pages whose script follows a command link or submits the home form, so the
// request comes from a page view through our own server.
TEST_F(ProgramLifeTest, CommandLinksOnLocalPagesReachOurServer) {
  struct Command {
    std::string name, page, iniMustContain, iniMustLack, pageTheReplyWrites;
  };
  for (int which = 0; which < 3; ++which) {
    VarnokOnDesktop instance(desktop);
    const std::string base = "http://localhost:" + std::to_string(instance.port()) + "/";
    const Command commands[] = {
        {"delete favorite",
         "<a id=d href=\"" + base + "delscjitem_browser.ido?id=0\">x</a><script>document.getElementById('d').click()</script>",
         "[soucangjia]", "[soucangjia]\r\nurl1=", "scj.htm"},
        {"set home",
         "<form action=\"" + base + "sethome_browser.ido?\" method=get name=form><input name=homeurl value=\"http://new.home/\">"
         "<input type=submit name=Submit value=s></form><script>document.forms[0].Submit.click()</script>",
         "[homeurl]\r\nurl1=http://new.home/\r\n", "", "menu.htm"},
        {"clear history", "<script>location.href='" + base + "clearhis_browser.ido/'</script>", "[history]\r\n[", "",
         "menu.htm"},
    };
    const Command& command = commands[which];
    instance.WriteFile("cmd.htm", "<html><head><title>cmd</title></head><body>" + command.page + "</body></html>");
    instance.WriteIni("file://" + instance.dir() / "cmd.htm", {"http://kept.example/"}, {"http://seen.example/"});
    ASSERT_TRUE(instance.Start()) << instance.Output();
    // The server's reply rewrites a generated page once the command has been applied.
    ASSERT_TRUE(WaitUntil([&] { return !ReadFileOrEmpty(instance.dir() / command.pageTheReplyWrites).empty(); }, 60s))
        << command.name << "\n" << instance.Output();
    instance.Signal(SIGTERM);
    ASSERT_EQ(instance.WaitForExit(60s), 0) << instance.Output();
    const std::string ini = instance.Ini();
    EXPECT_NE(ini.find(command.iniMustContain), std::string::npos) << command.name << "\n" << ini;
    if (!command.iniMustLack.empty()) EXPECT_EQ(ini.find(command.iniMustLack), std::string::npos) << command.name;
  }
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

}  // namespace
