#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <functional>

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

TEST_F(ProgramLifeTest, StartedByRootItTurnsTheEnginesSandboxOffItself) {
  if (geteuid() != 0) GTEST_SKIP() << "only root's run turns the sandbox off; this account keeps it";
  // The engine refuses to show pages as root with its sandbox on.
  program.environment()["QTWEBENGINE_DISABLE_SANDBOX"] = "";
  Start(site.Url("/shown"));
  EXPECT_TRUE(WaitForPage(0, site.Url("/shown"))) << program.Output();
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

// A page of the program directory that opens one of the generated pages in a frame and,
// once it has loaded, lets `act` click in it (a link, the form) `times` times: each
// click is a command whose answer loads the next page into the frame. A frame whose
// page is not there yet is opened again.
std::string ClickingPage(const std::string& frame, const std::string& act, int times = 1) {
  return "<html><body><script>var done = 0; var act = " + act +
         ";\nfunction open() {\n"
         "  var f = document.createElement('iframe');\n"
         "  f.onload = function() {\n"
         "    var d = null; try { d = f.contentDocument; } catch (e) {}\n"
         "    if (done >= " + std::to_string(times) + ") return;\n"
         "    if (d && d.body && act(d)) { done++; return; }\n"
         "    f.remove(); setTimeout(open, 300);\n"
         "  };\n"
         "  f.src = '" + frame + "'; document.body.appendChild(f);\n"
         "}\nopen();</script></body></html>";
}

const char kClickDelete[] =
    "function(d) { var a = d.querySelector('a[href*=\"delscjitem_browser.ido\"]'); if (a) a.click(); return !!a; }";
const char kClickClear[] =
    "function(d) { var a = d.querySelector('a[href*=\"clearhis_browser.ido\"]'); if (a) a.click(); return !!a; }";
const char kSubmitHome[] =
    "function(d) { var f = d.forms[0]; if (!f) return false; f.homeurl.value = 'http://new.home/'; "
    "f.Submit.click(); return true; }";

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The links and the form of the generated pages (which carry the run's key), followed by
// a page's script: the page opened from its file, and the page the server shows after a
// command (which carries the links of the next one).
TEST_F(ProgramLifeTest, CommandLinksOnLocalPagesReachOurServer) {
  struct Command {
    std::string name, ini, page;  // what the program starts with; the program directory's page opened in it
    std::function<bool(const std::string& dir)> done;  // the command's effect shows in the pages on disk
    std::string iniMustContain, iniMustLack;
  };
  auto page = [](const std::string& dir, const char* name) { return ReadFileOrEmpty(dir + name); };
  const Command commands[] = {
      {"delete favorite", "", ClickingPage("scj.htm", kClickDelete),
       [&](const std::string& d) { return Has(page(d, "scj.htm"), "</BODY>") && !Has(page(d, "scj.htm"), "delscjitem"); },
       "[soucangjia]", "[soucangjia]\r\nurl1="},
      {"set home", "", ClickingPage("menu.htm", kSubmitHome),
       [&](const std::string& d) { return Has(page(d, "menu.htm"), "value=\"http://new.home/\""); },
       "[homeurl]\r\nurl1=http://new.home/\r\n", ""},
      {"clear history", "", ClickingPage("menu.htm", kClickClear),
       [&](const std::string& d) { return Has(page(d, "menu.htm"), "</BODY>") && !Has(page(d, "menu.htm"), "delhis"); },
       "[history]\r\n[", ""},
      {"delete two favorites from the served page",
       "[soucangjia]\r\nurl1=http://a/\r\nurl2=http://b/\r\nurl3=http://c/\r\n", "served",
       [&](const std::string& d) {
         const std::string scj = page(d, "scj.htm");
         return Has(scj, "http://c/") && !Has(scj, "http://a/") && !Has(scj, "http://b/");
       },
       "[soucangjia]\r\nurl1=http://c/\r\n\r\n", ""},
  };
  for (const Command& command : commands) {
    VarnokOnDesktop instance(desktop);
    instance.WriteFile("varnok.ini", "[homeurl]\r\nurl1=" + site.Url("/idle") + "\r\n" + command.ini);
    ASSERT_TRUE(instance.Start()) << instance.Output();
    std::string first = command.page;
    if (first == "served") {
      // The server's own page at http://localhost:PORT/, reached from a file page once
      // the server answers.
      const std::string local = "http://localhost:" + std::to_string(instance.port());
      instance.WriteFile("served.htm", ClickingPage("/scj.htm", kClickDelete, 2));
      first = "<html><body><script>function go() { fetch('" + local +
              "/isserver_varnok.ido', {mode: 'no-cors'}).then(function() { location.href = '" + local +
              "/served.htm'; }).catch(function() { setTimeout(go, 300); }); } go();</script></body></html>";
    }
    instance.WriteFile("cmd.htm", first);
    ASSERT_TRUE(instance.TypeAddress("file://" + instance.dir() / "cmd.htm"));
    ASSERT_TRUE(WaitUntil([&] { return command.done(instance.dir().path()); }, 60s))
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
