// varnok.ini as the machine treats it: changes that reach it within a moment, a kill
// that loses nothing, long addresses kept whole, stale delete links that change
// nothing, files only the account reads, and one writer per program directory.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <regex>

#include "support/ChildProcess.h"
#include "support/ProgramPort.h"
#include "support/RawHttp.h"
#include "support/TempDir.h"

namespace {

using namespace std::chrono_literals;

// The headless program copied into a directory of its own.
class StateFileTest : public ::testing::Test {
 protected:
  StateFileTest() {
    InstallProgramCopy(dir.path());
    environment = {{"VARNOK_SITE_URL", UniqueSiteUrl()}, {"VARNOK_UPDATE_FIRST_MS", "3600000"},
                   {"XDG_RUNTIME_DIR", runtime.path()}};
    reported.AddTo(environment);
  }
  std::unique_ptr<ChildProcess> Launch(std::map<std::string, std::string> extra = {}) const {
    extra.insert(environment.begin(), environment.end());
    return std::make_unique<ChildProcess>(std::vector<std::string>{dir / "varnok", "--headless"}, extra, dir.path());
  }
  // Started, and serving its pages (which carry the run's key).
  std::unique_ptr<ChildProcess> Start() const {
    std::filesystem::remove(dir / "menu.htm");  // an earlier run's
    reported.Forget();
    auto program = Launch();
    EXPECT_TRUE(WaitUntil([&] { return !Key().empty(); }, 30s)) << program->Output();
    return program;
  }
  std::string Key() const {
    std::smatch found;
    const std::string page = ReadFileOrEmpty(dir / "menu.htm");
    return std::regex_search(page, found, std::regex("key=([0-9a-f]{32})")) ? found[1].str() : "";
  }
  std::string Ini() const { return ReadFileOrEmpty(dir / "varnok.ini"); }
  void Command(const std::string& target) const {
    RawHttpExchange(reported.Wait(), "GET /" + target + " HTTP/1.0\r\n\r\n");
  }

  TempDir dir, runtime;
  ProgramPort reported;
  std::map<std::string, std::string> environment;
};

// Counts the times varnok.ini is put in place in a directory (each save renames a
// finished file onto it).
class IniWrites {
 public:
  explicit IniWrites(const std::string& directory) : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    inotify_add_watch(fd_, directory.c_str(), IN_MOVED_TO);
  }
  ~IniWrites() { close(fd_); }
  int Count() {
    alignas(inotify_event) char buffer[65536];
    for (ssize_t got; (got = read(fd_, buffer, sizeof buffer)) > 0;)
      for (ssize_t at = 0; at < got;) {
        const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
        if (event->len > 0 && std::string(event->name) == "varnok.ini") ++count_;
        at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      }
    return count_;
  }

 private:
  int fd_;
  int count_ = 0;
};

unsigned Mode(const std::string& path) {
  struct stat status {};
  stat(path.c_str(), &status);
  return status.st_mode & 0777;
}

TEST_F(StateFileTest, ChangesReachTheFileAtOnceInFewWritesAndAKillLosesNothing) {
  WriteFileOrDie(dir / "varnok.ini", "[soucangjia]\r\nurl1=http://a/\r\nurl2=http://b/\r\nurl3=http://c/\r\n");
  auto program = Start();
  const std::string key = Key();

  // A double click on a delete link: the second click comes from a page older than the
  // list, and leaves http://c/ (now in the clicked place) where it is.
  std::smatch link;
  const std::string page = ReadFileOrEmpty(dir / "scj.htm");
  ASSERT_TRUE(std::regex_search(page, link, std::regex("/(delscjitem_browser\\.ido\\?id=1&[^\"]+)\"")));
  Command(link[1]);
  Command(link[1]);

  // A burst of commands, the last of them a 300-byte home address whose byte 258 lies
  // inside a Chinese character.
  IniWrites writes(dir.path());
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 1000; ++i)
    Command("sethome_browser.ido?homeurl=http://home/" + std::to_string(i) + "&key=" + key);
  std::string longHome = "http://long/" + std::string(245, 'a');
  std::string escaped = longHome;
  for (int i = 0; i < 21; ++i) longHome += "\xc4\xe3", escaped += "%C4%E3";
  longHome += "z", escaped += "z";
  ASSERT_EQ(longHome.size(), 300u);
  Command("sethome_browser.ido?homeurl=" + escaped + "&key=" + key);
  ASSERT_TRUE(WaitUntil([&] { return Ini().find("url1=" + longHome + "\r\n") != std::string::npos; }, 10s)) << Ini();
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  const int written = writes.Count();
  std::printf("1001 commands in %lld ms wrote varnok.ini %d times\n", static_cast<long long>(elapsed.count()), written);
  EXPECT_GE(written, 1);
  EXPECT_LT(written, 100);

  for (const char* name : {"varnok.ini", "scj.htm", "menu.htm", "sysmsg.htm"})
    EXPECT_EQ(Mode(dir / name), 0600u) << name;

  program->Signal(SIGKILL);
  program->WaitForExit(30s);
  program = Start();
  EXPECT_NE(ReadFileOrEmpty(dir / "menu.htm").find("value=\"" + longHome + "\""), std::string::npos);
  program->Signal(SIGTERM);
  EXPECT_EQ(program->WaitForExit(30s), 0) << program->Output();
  EXPECT_NE(Ini().find("[homeurl]\r\nurl1=" + longHome + "\r\n"), std::string::npos) << Ini();
  EXPECT_NE(Ini().find("[soucangjia]\r\nurl1=http://a/\r\nurl2=http://c/\r\n\r\n"), std::string::npos) << Ini();
}

TEST_F(StateFileTest, OneProgramAndOneWriterPerDirectory) {
  // Any program that writes the file drops a section it does not know.
  WriteFileOrDie(dir / "varnok.ini", "[homeurl]\r\nurl1=http://home/\r\n[left]\r\nby=hand\r\n");
  const auto untouched = [&] { return Ini().find("[left]") != std::string::npos; };

  // Two launches at once, each for a site of its own, so that nothing but the directory
  // they share can tell them of each other: one keeps running, the other ends.
  const std::map<std::string, std::string> ownSite{{"VARNOK_SITE_URL", UniqueSiteUrl()}};
  auto first = Launch();
  auto second = Launch(ownSite);
  ASSERT_TRUE(WaitUntil([&] { return !first->Running() || !second->Running(); }, 30s));
  auto& ended = first->Running() ? second : first;
  auto& kept = first->Running() ? first : second;
  EXPECT_EQ(ended->WaitForExit(30s), 0) << ended->Output();
  EXPECT_NE(ended->Output().find("keeps its state in " + dir.path()), std::string::npos) << ended->Output();
  EXPECT_TRUE(untouched());

  // The executable replaced, as a reinstall does: a launch of the new one (for the
  // running program's site) is no second program either.
  TempDir spare;
  std::filesystem::rename(InstallProgramCopy(spare.path()), dir / "varnok");
  auto later = Launch(kept == first ? std::map<std::string, std::string>{} : ownSite);
  EXPECT_EQ(later->WaitForExit(30s), 0) << later->Output();
  EXPECT_TRUE(kept->Running());
  EXPECT_TRUE(untouched());

  kept->Signal(SIGTERM);
  EXPECT_EQ(kept->WaitForExit(30s), 0) << kept->Output();
  EXPECT_FALSE(untouched());
  EXPECT_NE(Ini().find("url1=http://home/"), std::string::npos) << Ini();
}

}  // namespace
