#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <regex>

#include "support/ChildProcess.h"
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
  ASSERT_EQ(stat((prefix / "varnok/varnok").c_str(), &st), 0);
  EXPECT_TRUE(st.st_mode & S_IXUSR);
  EXPECT_TRUE(std::filesystem::exists(prefix / "varnok/guanggao.htm"));

  const std::string entry = ReadFileOrEmpty(prefix / "share/applications/varnok.desktop");
  EXPECT_NE(entry.find("\nExec=" + prefix.path() + "varnok/varnok %U\n"), std::string::npos) << entry;
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

}  // namespace
