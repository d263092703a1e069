#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>
#include <thread>

#include "support/ChildProcess.h"
#include "support/RawHttp.h"
#include "support/TempDir.h"

// The built program with its windows, started from a temporary program directory on
// Qt's offscreen platform.
namespace {

using namespace std::chrono_literals;

// Serves one small page to every request on 127.0.0.1 and remembers the request lines,
// so a test can see what the program's page views asked for.
class PageListener {
 public:
  PageListener() {
    fd_ = ListenOnLoopback(&port_);
    thread_ = std::thread([this] { Serve(); });
  }
  ~PageListener() {
    shutdown(fd_, SHUT_RDWR);
    close(fd_);
    thread_.join();
  }
  std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
  bool Requested(const std::string& path) {
    std::lock_guard<std::mutex> hold(lock_);
    return requests_.find("GET " + path + " ") != std::string::npos;
  }

 private:
  void Serve() {
    for (;;) {
      int client = accept(fd_, nullptr, nullptr);
      if (client < 0) return;
      char buffer[4096];
      ssize_t got = recv(client, buffer, sizeof buffer, 0);
      if (got > 0) {
        std::lock_guard<std::mutex> hold(lock_);
        requests_.append(buffer, static_cast<size_t>(got));
      }
      const std::string answer =
          "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<html><head><title>Served</title></head><body>ok</body></html>";
      send(client, answer.data(), answer.size(), MSG_NOSIGNAL);
      close(client);
    }
  }

  int fd_ = -1;
  int port_ = 0;
  std::mutex lock_;
  std::string requests_;
  std::thread thread_;
};

struct Program {
  explicit Program(const std::string& homeUrl, const std::string& siteUrl = UniqueSiteUrl())
      : port(FindFreePort()),
        environment{{"VARNOK_SITE_URL", siteUrl},
                    {"VARNOK_PORT", std::to_string(port)},
                    {"VARNOK_UPDATE_FIRST_MS", "3600000"},
                    {"QT_QPA_PLATFORM", "offscreen"},
                    {"QTWEBENGINE_DISABLE_SANDBOX", "1"}} {
    WriteFileOrDie(dir / "varnok.ini", "[homeurl]\r\nurl1=" + homeUrl + "\r\n");
    exe = InstallProgramCopy(dir.path());
  }
  std::unique_ptr<ChildProcess> Start() { return std::make_unique<ChildProcess>(std::vector<std::string>{exe}, environment, dir.path()); }
  std::string Ini() const { return ReadFileOrEmpty(dir / "varnok.ini"); }

  TempDir dir;
  int port;
  std::map<std::string, std::string> environment;
  std::string exe;
};

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

// Home pages whose script follows one of the generated pages' links or submits its
// form, so the request comes from the page view through our own server.
std::string ScriptPage(const std::string& script) {
  return "<html><head><title>cmd</title></head><body><script>" + script + "</script></body></html>";
}

struct ServedCommand {
  std::string name, page, iniMustContain, iniMustLack;
  std::string pageTheReplyWrites;
};

TEST(WindowedProgramTest, CommandLinksOnLocalPagesReachOurServer) {
  const int port = FindFreePort();
  const std::string base = "http://localhost:" + std::to_string(port) + "/";
  const ServedCommand commands[] = {
      {"delete favorite",
       "<a id=d href=\"" + base + "delscjitem_browser.ido?id=0\">x</a><script>document.getElementById('d').click()</script>",
       "[soucangjia]", "[soucangjia]\r\nurl1=", "scj.htm"},
      {"set home",
       "<form action=\"" + base + "sethome_browser.ido?\" method=get name=form><input name=homeurl value=\"http://new.home/\">"
       "<input type=submit name=Submit value=s></form><script>document.forms[0].Submit.click()</script>",
       "[homeurl]\r\nurl1=http://new.home/\r\n", "", "menu.htm"},
      {"clear history", ScriptPage("location.href='" + base + "clearhis_browser.ido/'"), "[history]\r\n[", "", "menu.htm"},
  };
  for (const ServedCommand& command : commands) {
    Program program("");
    program.environment["VARNOK_PORT"] = std::to_string(port);
    WriteFileOrDie(program.dir / "cmd.htm", command.page);
    WriteFileOrDie(program.dir / "varnok.ini", "[homeurl]\r\nurl1=file://" + program.dir / "cmd.htm" + "\r\n");
    auto child = program.Start();
    if (!WaitUntil([&] { return PortAcceptsConnections(port); }, 30s))
      GTEST_SKIP() << "the embedded server does not serve yet; " << command.name << " cannot reach it";
    // The server's reply rewrites a generated page once the command has been applied.
    ASSERT_TRUE(WaitUntil([&] { return !ReadFileOrEmpty(program.dir / command.pageTheReplyWrites).empty(); }, 60s))
        << command.name << "\n" << child->Output();
    child->Signal(SIGTERM);
    ASSERT_EQ(child->WaitForExit(30s), 0) << child->Output();
    const std::string ini = program.Ini();
    EXPECT_NE(ini.find(command.iniMustContain), std::string::npos) << command.name << "\n" << ini;
    if (!command.iniMustLack.empty()) EXPECT_EQ(ini.find(command.iniMustLack), std::string::npos) << command.name;
  }
}

}  // namespace
