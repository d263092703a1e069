#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>
#include <thread>

#include "WindowedProgram.h"
#include "support/RawHttp.h"

// The built program with its windows, started from a temporary program directory on
// Qt's offscreen platform.
namespace {

using namespace std::chrono_literals;

// Unsets a variable for the life of the object.
class Unset {
 public:
  explicit Unset(const char* name) : name_(name) {
    if (const char* value = std::getenv(name)) saved_ = value, had_ = true;
    unsetenv(name);
  }
  ~Unset() {
    if (had_) setenv(name_, saved_.c_str(), 1);
  }

 private:
  const char* name_;
  std::string saved_;
  bool had_ = false;
};

TEST(WindowedProgramTest, OpensTheHomePageAndSavesTheSessionWhenClosedBySignal) {
  for (int sig : {SIGTERM, SIGINT}) {
    PageListener pages;
    Program program(pages.Url("/home"));
    auto child = program.Start();
    ASSERT_TRUE(WaitUntil([&] { return pages.Requested("/home"); }, 60s)) << child->Output();
    EXPECT_TRUE(child->Running());
    child->Signal(sig);
    EXPECT_EQ(child->WaitForExit(30s), 0) << child->Output();
    const std::string ini = program.Ini();
    EXPECT_NE(ini.find("[history]\r\nurl1=" + pages.Url("/home") + "\r\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("[homeurl]\r\nurl1=" + pages.Url("/home") + "\r\n"), std::string::npos) << ini;
  }
}

TEST(WindowedProgramTest, WithoutADisplayItSaysOneLineAndExitsWithoutAborting) {
  Unset platform("QT_QPA_PLATFORM"), display("DISPLAY"), wayland("WAYLAND_DISPLAY");
  Program program("about:blank");
  program.environment.erase("QT_QPA_PLATFORM");
  {
    ChildProcess child({program.exe}, program.environment, program.dir.path());
    EXPECT_EQ(child.WaitForExit(30s), 2);
    const std::string output = child.Output();
    EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
    EXPECT_NE(output.find("--headless"), std::string::npos) << output;
  }
  // A display that names no server: the platform cannot connect.
  program.environment["DISPLAY"] = ":59321";
  ChildProcess child({program.exe}, program.environment, program.dir.path());
  EXPECT_EQ(child.WaitForExit(30s), 2);
  const std::string output = child.Output();
  EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
  EXPECT_NE(output.find("--headless"), std::string::npos) << output;
}

TEST(WindowedProgramTest, ASecondWindowedInstanceExitsAtOnceAndSilently) {
  PageListener pages;
  Program first(pages.Url("/home"));
  auto running = first.Start();
  if (!WaitUntil([&] { return PortAcceptsConnections(first.port); }, 30s))
    GTEST_SKIP() << "the embedded server does not serve yet, so there is no single-instance token";
  Program second(pages.Url("/second"), first.environment["VARNOK_SITE_URL"]);
  auto refused = second.Start();
  EXPECT_EQ(refused->WaitForExit(30s), 0);
  EXPECT_FALSE(pages.Requested("/second"));
  EXPECT_TRUE(running->Running());
  running->Signal(SIGTERM);
  EXPECT_EQ(running->WaitForExit(30s), 0);
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

struct ClickedCommand {
  std::string name, ini, page;  // what the program starts with; the program directory's page it opens
  std::function<bool(const Program&)> done;  // the command's effect shows in the pages on disk
  std::string iniMustContain, iniMustLack;
};

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The links and the form of the generated pages, clicked in a page view: the page opened
// from its file, and the page the server shows after a command (which carries the links
// of the next one).
TEST(WindowedProgramTest, CommandLinksOnLocalPagesReachOurServer) {
  const std::string base = "[homeurl]\r\nurl1=file://";
  const ClickedCommand commands[] = {
      {"delete favorite", "", ClickingPage("scj.htm", kClickDelete),
       [](const Program& p) { return Has(p.Page("scj.htm"), "</BODY>") && !Has(p.Page("scj.htm"), "delscjitem"); },
       "[soucangjia]", "[soucangjia]\r\nurl1="},
      {"set home", "", ClickingPage("menu.htm", kSubmitHome),
       [](const Program& p) { return Has(p.Page("menu.htm"), "value=\"http://new.home/\""); },
       "[homeurl]\r\nurl1=http://new.home/\r\n", ""},
      {"clear history", "", ClickingPage("menu.htm", kClickClear),
       [](const Program& p) { return Has(p.Page("menu.htm"), "</BODY>") && !Has(p.Page("menu.htm"), "delhis"); },
       "[history]\r\n[", ""},
      {"delete two favorites from the served page",
       "[soucangjia]\r\nurl1=http://a/\r\nurl2=http://b/\r\nurl3=http://c/\r\n", "served",
       [](const Program& p) {
         const std::string page = p.Page("scj.htm");
         return Has(page, "http://c/") && !Has(page, "http://a/") && !Has(page, "http://b/");
       },
       "[soucangjia]\r\nurl1=http://c/\r\n\r\n", ""},
  };
  for (const ClickedCommand& command : commands) {
    Program program("");
    std::string page = command.page;
    if (page == "served") {
      // The server's own page at http://localhost:PORT/, reached from a file page once
      // the server answers.
      WriteFileOrDie(program.dir / "served.htm", ClickingPage("/scj.htm", kClickDelete, 2));
      page = "<html><body><script>function go() { fetch('" + program.LocalUrl("/isserver_varnok.ido") +
             "', {mode: 'no-cors'}).then(function() { location.href = '" + program.LocalUrl("/served.htm") +
             "'; }).catch(function() { setTimeout(go, 300); }); } go();</script></body></html>";
    }
    WriteFileOrDie(program.dir / "cmd.htm", page);
    WriteFileOrDie(program.dir / "varnok.ini", base + program.dir / "cmd.htm" + "\r\n" + command.ini);
    auto child = program.Start();
    ASSERT_TRUE(WaitUntil([&] { return command.done(program); }, 60s)) << command.name << "\n" << child->Output();
    child->Signal(SIGTERM);
    ASSERT_EQ(child->WaitForExit(30s), 0) << child->Output();
    const std::string ini = program.Ini();
    EXPECT_NE(ini.find(command.iniMustContain), std::string::npos) << command.name << "\n" << ini;
    if (!command.iniMustLack.empty()) EXPECT_EQ(ini.find(command.iniMustLack), std::string::npos) << command.name;
  }
}

}  // namespace
