#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <regex>

#include "support/ChildProcess.h"
#include "support/OtherAccount.h"
#include "support/ProgramPort.h"
#include "support/RawHttp.h"
#include "support/TempDir.h"

namespace {

using namespace std::chrono_literals;

struct Result {
  int status = -1;
  std::string output;
};

Result RunTool(const std::vector<std::string>& argv, const std::map<std::string, std::string>& environment = {}) {
  ChildProcess tool(argv, environment, "/");
  Result result;
  result.status = tool.WaitForExit(120s).value_or(-1);
  result.output = tool.Output();
  return result;
}

// Width and height from a PNG's header; 0 for anything that is not a PNG.
std::pair<int, int> PngSize(const std::string& bytes) {
  if (bytes.size() < 24 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 || bytes.compare(12, 4, "IHDR") != 0)
    return {0, 0};
  auto word = [&](size_t at) {
    return (uint8_t(bytes[at]) << 24) | (uint8_t(bytes[at + 1]) << 16) | (uint8_t(bytes[at + 2]) << 8) |
           uint8_t(bytes[at + 3]);
  };
  return {int(word(16)), int(word(20))};
}

// A person's account with nothing set up yet: its own home and desktop directories.
std::map<std::string, std::string> FreshAccount(const TempDir& home) {
  return {{"HOME", home.path()},
          {"XDG_CONFIG_HOME", home / ".config"},
          {"XDG_DATA_HOME", home / ".local/share"},
          {"XDG_DATA_DIRS", "/usr/share"},
          {"XDG_CURRENT_DESKTOP", "X-Generic"},
          {"DE", "generic"}};
}

TEST(InstallTest, InstallsTheProgramItsDesktopEntryAndIconsAndRegistersAsTheWebBrowser) {
  TempDir prefix, home;
  const Result install = RunTool({"/usr/bin/cmake", "--install", VARNOK_BUILD_DIR, "--prefix", prefix.path()});
  ASSERT_EQ(install.status, 0) << install.output;

  struct stat st;
  ASSERT_EQ(stat((prefix / "lib/varnok/varnok").c_str(), &st), 0);
  EXPECT_TRUE(st.st_mode & S_IXUSR);
  EXPECT_TRUE(std::filesystem::exists(prefix / "lib/varnok/guanggao.htm"));
  EXPECT_EQ(std::filesystem::read_symlink(prefix / "bin/varnok"), "../lib/varnok/varnok");
  EXPECT_NE(ReadFileOrEmpty(prefix / "share/metainfo/com.varnok.browser.metainfo.xml").find("varnok.desktop"),
            std::string::npos);

  const std::string entry = ReadFileOrEmpty(prefix / "share/applications/varnok.desktop");
  EXPECT_NE(entry.find("\nExec=" + prefix.path() + "bin/varnok %U\n"), std::string::npos) << entry;
  EXPECT_NE(entry.find("\nMimeType=text/html;application/xhtml+xml;x-scheme-handler/http;x-scheme-handler/https;\n"),
            std::string::npos)
      << entry;
  EXPECT_NE(entry.find("\nIcon=varnok\n"), std::string::npos) << entry;
  EXPECT_EQ(entry.find('@'), std::string::npos) << "a placeholder left unfilled:\n" << entry;

  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const std::string dir = std::to_string(size) + "x" + std::to_string(size);
    EXPECT_EQ(PngSize(ReadFileOrEmpty(prefix / ("share/icons/hicolor/" + dir + "/apps/varnok.png"))),
              std::make_pair(size, size))
        << dir;
  }

  // Registration in an account of its own: web pages and http/https links go to varnok.
  const auto account = FreshAccount(home);
  const Result registered =
      RunTool({"/bin/bash", std::string(VARNOK_SOURCE_DIR) + "/scripts/register-browser.sh", prefix.path()}, account);
  ASSERT_EQ(registered.status, 0) << registered.output;
  std::map<std::string, std::string> query = account;
  query["XDG_DATA_DIRS"] = prefix / "share:/usr/share";
  for (const char* type : {"text/html", "application/xhtml+xml", "x-scheme-handler/http", "x-scheme-handler/https"}) {
    const Result handler = RunTool({"/usr/bin/xdg-mime", "query", "default", type}, query);
    EXPECT_EQ(handler.output, "varnok.desktop\n") << type;
  }
  EXPECT_EQ(RunTool({"/usr/bin/xdg-settings", "get", "default-web-browser"}, query).output, "varnok.desktop\n");
  // Only the account's own settings changed.
  EXPECT_NE(ReadFileOrEmpty(home / ".config/mimeapps.list").find("x-scheme-handler/https=varnok.desktop"),
            std::string::npos);
}

TEST(InstallTest, RegistrationBeforeInstallingSaysWhatIsMissing) {
  TempDir prefix, home;
  const Result registered = RunTool(
      {"/bin/bash", std::string(VARNOK_SOURCE_DIR) + "/scripts/register-browser.sh", prefix.path()}, FreshAccount(home));
  EXPECT_NE(registered.status, 0);
  EXPECT_NE(registered.output.find("cmake --install"), std::string::npos) << registered.output;
  EXPECT_FALSE(std::filesystem::exists(home / ".config/mimeapps.list"));
}

// `path` of our server as the other account asks for it (the server answers only its own account).
std::string FetchAsOtherAccount(int port, const std::string& path) {
  return RunAsOtherAccount([&] { return RawHttpExchange(port, "GET " + path + " HTTP/1.0\r\nHost: localhost\r\n\r\n"); })
      .value_or("");
}

// The package's files as the install rules lay them out under /usr, in a tree only root
// can write, and the program started there by another account, as a person starts an
// installed program.
TEST(InstallTest, AnInstalledProgramKeepsEachAccountsStateInItsDataDirectoryAndServesItsPages) {
  if (!CanActAsOtherAccount()) GTEST_SKIP() << "needs root: installs as root and runs the program as another account";
  TempDir root, home;
  ASSERT_EQ(chmod(root.path().c_str(), 0755), 0);
  const Result install = RunTool({"/usr/bin/cmake", "--install", VARNOK_BUILD_DIR, "--prefix", "/usr"},
                                 {{"DESTDIR", root.path()}});
  ASSERT_EQ(install.status, 0) << install.output;
  ASSERT_EQ(chown(home.path().c_str(), kOtherAccount, kOtherAccount), 0);
  const std::string account = std::to_string(kOtherAccount);
  const ProgramPort reported(home.path());
  std::map<std::string, std::string> environment{{"HOME", home.path()},
                                                 {"XDG_DATA_HOME", ""},
                                                 {"XDG_RUNTIME_DIR", home.path()},
                                                 {"VARNOK_SITE_URL", UniqueSiteUrl()},
                                                 {"VARNOK_UPDATE_FIRST_MS", "0"}};
  reported.AddTo(environment);
  ChildProcess program({"/usr/bin/setpriv", "--reuid=" + account, "--regid=" + account, "--clear-groups",
                        root / "usr/bin/varnok", "--headless", "--verbose"},
                       environment, home.path());
  const int port = reported.Wait();

  // The state: in the account's own, private data directory; nothing beside the program.
  const std::string data = home / ".local/share/varnok/";
  ASSERT_TRUE(WaitUntil([&] { return ReadFileOrEmpty(data + "menu.htm").find("</HTML>") != std::string::npos; }, 30s))
      << program.Output();
  struct stat st;
  ASSERT_EQ(stat(data.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, kOtherAccount);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  using Entries = std::filesystem::directory_iterator;
  EXPECT_EQ(std::distance(Entries(root / "usr/lib/varnok"), Entries()), 2);  // the program and guanggao.htm
  EXPECT_TRUE(WaitUntil([&] { return program.Output().find("self-update is off") != std::string::npos; }, 30s))
      << program.Output();

  // Its local pages: the generated ones from the data directory, the advertisement from the program's.
  for (const std::string page : {"scj.htm", "menu.htm", "sysmsg.htm"}) {
    const std::string answer = FetchAsOtherAccount(port, "/" + page);
    EXPECT_EQ(answer.rfind("HTTP/1.0 200", 0), 0u) << page << "\n" << answer;
    EXPECT_EQ(answer.substr(answer.find("\r\n\r\n") + 4), ReadFileOrEmpty(data + page)) << page;
  }
  EXPECT_NE(FetchAsOtherAccount(port, "/guanggao.htm").find(ReadFileOrEmpty(root / "usr/lib/varnok/guanggao.htm")),
            std::string::npos);

  // A command from the favorites page changes the state there, and the exit keeps it.
  const std::string favorites = ReadFileOrEmpty(data + "scj.htm");
  std::smatch link;
  ASSERT_TRUE(std::regex_search(
      favorites, link, std::regex("href=\"http://localhost:[0-9]+(/delscjitem_browser\\.ido\\?[^\"]*)\"")))
      << favorites;
  EXPECT_EQ(FetchAsOtherAccount(port, link[1].str()).rfind("HTTP/1.0 303", 0), 0u);
  program.Signal(SIGTERM);
  EXPECT_EQ(program.WaitForExit(20s), 0) << program.Output();
  EXPECT_NE(ReadFileOrEmpty(data + "varnok.ini").find("[soucangjia]\r\n\r\n"), std::string::npos);
}

}  // namespace
