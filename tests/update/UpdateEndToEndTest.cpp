// The built program updating itself: the headless shell downloading and verifying a
// new program, refusing forged, older and (without a key) all updates, install mode
// replacing the program, and an accepted update going all the way from the question
// through shutdown to the new program running. Releases are signed with the scripts a
// vendor uses.
#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sys/socket.h>

#include <atomic>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "support/ChildProcess.h"
#include "support/RawHttp.h"
#include "support/TempDir.h"
#include "update/LocalSite.h"
#include "update/ReleaseScripts.h"

namespace {

using namespace std::chrono_literals;
using Environment = std::map<std::string, std::string>;

std::string BuiltProgram() { return ReadFileOrEmpty(std::getenv("VARNOK_BINARY")); }

// A quiet program: its own token and port, no update check during the test, no update
// key whatever the build holds, and a display setting for builds whose plain start
// opens windows.
Environment QuietEnvironment() {
  return {{"VARNOK_SITE_URL", UniqueSiteUrl()},
          {"VARNOK_PORT", "0"},
          {"VARNOK_UPDATE_FIRST_MS", "3600000"},
          {"VARNOK_UPDATE_PUBLIC_KEY", ""},
          {"QT_QPA_PLATFORM", "offscreen"},
          {"QTWEBENGINE_DISABLE_SANDBOX", "1"}};
}

// A program that checks for updates at once on `site`, trusting `publicKey`.
Environment CheckingEnvironment(const LocalSite& site, const std::string& publicKey) {
  Environment env = QuietEnvironment();
  env["VARNOK_SITE_URL"] = site.Url();
  env["VARNOK_UPDATE_FIRST_MS"] = "0";
  env["VARNOK_UPDATE_PAUSE_MS"] = "0";
  env["VARNOK_UPDATE_PUBLIC_KEY"] = publicKey;
  return env;
}

// A release process: its key made by make-update-key.sh, its descriptions carrying the
// lines sign-update.sh prints.
class Vendor {
 public:
  Vendor() : publicKey_(MakeUpdateKey(files_ / "vendor.pem")) {}

  const std::string& publicKey() const { return publicKey_; }

  std::string Description(const std::string& version, const std::string& program) const {
    WriteFileOrDie(files_ / "release", program);
    return "<update><flag>varnok update xml flag</flag>\n<software>\n" +
           SignUpdate(files_ / "vendor.pem", files_ / "release", version) + "</software></update>\n";
  }

 private:
  TempDir files_;
  std::string publicKey_;
};

// Whether the running process `pid` has loaded the download library, or the one that
// checks digests and signatures: the program loads them for its first fetch, not before.
bool LoadedDownloadLibraries(pid_t pid) {
  const std::string maps = ReadFileOrEmpty("/proc/" + std::to_string(pid) + "/maps");
  return maps.find("/libcurl.so") != std::string::npos || maps.find("/libcrypto.so") != std::string::npos;
}

size_t Occurrences(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// An older program in place: the built one with a few bytes appended, still runnable.
std::string InstallOlderProgram(const std::string& directory) {
  std::filesystem::create_directories(directory);
  const std::string path = directory + "varnok";
  WriteFileOrDie(path, BuiltProgram() + "older release");
  chmod(path.c_str(), 0755);
  return path;
}

std::vector<pid_t> ProcessesRunning(const std::string& path) {
  const std::string wanted = std::filesystem::canonical(path).string();
  std::vector<pid_t> pids;
  DIR* proc = opendir("/proc");
  while (dirent* entry = proc ? readdir(proc) : nullptr) {
    char exe[PATH_MAX];
    ssize_t n = readlink(("/proc/" + std::string(entry->d_name) + "/exe").c_str(), exe, sizeof exe - 1);
    if (n > 0 && std::string(exe, static_cast<size_t>(n)) == wanted) pids.push_back(std::atoi(entry->d_name));
  }
  if (proc) closedir(proc);
  return pids;
}

// Ends the program an installer started (it is not our child: it runs in its own session).
void StopStartedProgram(const std::string& path) {
  for (pid_t pid : ProcessesRunning(path)) kill(pid, SIGTERM);
  if (!WaitUntil([&] { return ProcessesRunning(path).empty(); }, 15s))
    for (pid_t pid : ProcessesRunning(path)) kill(pid, SIGKILL);
}

bool StartedNormally(const std::string& directory) {
  return ReadFileOrEmpty(directory + "sysmsg.htm").find("</HTML>") != std::string::npos;
}

unsigned Mode(const std::string& path) {
  struct stat st {};
  stat(path.c_str(), &st);
  return st.st_mode & 0777;
}

// A product site publishing the built program, and a program directory for it.
class UpdateEndToEndTest : public ::testing::Test {
 protected:
  void Publish(const std::string& description) {
    site.Put("software/varnok", program);
    site.Put("software/update.xml", description);
  }

  TempDir dir;
  LocalSite site;
  Vendor vendor;
  const std::string program = BuiltProgram();
};

TEST_F(UpdateEndToEndTest, HeadlessProgramDownloadsAndVerifiesTheNewProgram) {
  Publish(vendor.Description("1.0.0.2", program));
  Environment env = CheckingEnvironment(site, vendor.publicKey());
  // Only a successful check (verified, question answered Cancel) brings the next one soon.
  env["VARNOK_UPDATE_NEXT_MS"] = "2000";
  env["VARNOK_UPDATE_RETRY_MS"] = "3600000";
  ChildProcess varnok({InstallOlderProgram(dir.path()), "--headless"}, env, dir.path());
  // Once the program is being fetched the site offers nothing new, so the next check
  // (which comes soon only after a verified download) downloads nothing: a download
  // under way at the end would be stopped, and leave no file.
  ASSERT_TRUE(WaitUntil([&] { return site.Requests("software/varnok") >= 1; }, 60s)) << varnok.Output();
  site.Put("software/update.xml", vendor.Description("1.0.0.1", program));

  EXPECT_TRUE(WaitUntil([&] { return site.Requests("software/update.xml") >= 2; }, 60s)) << varnok.Output();
  EXPECT_TRUE(LoadedDownloadLibraries(varnok.pid()));
  varnok.Signal(SIGTERM);
  EXPECT_EQ(varnok.WaitForExit(30s), 0) << varnok.Output();
  EXPECT_EQ(ReadFileOrEmpty(dir / "update/varnok"), program);
  EXPECT_EQ(Mode(dir / "update/varnok"), 0755u);
  // Cancel: nothing was installed.
  EXPECT_EQ(ReadFileOrEmpty(dir / "varnok"), program + "older release");
}

TEST_F(UpdateEndToEndTest, ForgedOrOlderReleasesAreNeverInstalled) {
  Vendor attacker;
  Publish(attacker.Description("1.0.0.2", program));
  Environment env = CheckingEnvironment(site, vendor.publicKey());
  env["VARNOK_UPDATE_RETRY_MS"] = "100";
  env["VARNOK_UPDATE_AUTO_ACCEPT"] = "1";
  const std::string target = InstallOlderProgram(dir.path());
  ChildProcess varnok({target, "--headless", "--verbose"}, env, dir.path());

  // Checks run one after the other: a second description request means the first
  // check, download included, has ended.
  ASSERT_TRUE(WaitUntil([&] { return site.Requests("software/update.xml") >= 2; }, 60s)) << varnok.Output();
  EXPECT_TRUE(varnok.Running()) << "a forged update was accepted\n" << varnok.Output();
  EXPECT_NE(varnok.Output().find("signature does not verify"), std::string::npos) << varnok.Output();

  // The vendor's own signature of an older release is no way back either. A check that
  // begins after the description is changed sees the change; once two have begun, every
  // check that saw the forged one has ended, its download included.
  site.Put("software/update.xml", vendor.Description("1.0.0.0", program));
  const int checks = site.Requests("software/update.xml");
  ASSERT_TRUE(WaitUntil([&] { return site.Requests("software/update.xml") >= checks + 2; }, 60s)) << varnok.Output();
  const int downloads = site.Requests("software/varnok");
  ASSERT_TRUE(WaitUntil([&] { return site.Requests("software/update.xml") >= checks + 4; }, 60s)) << varnok.Output();
  EXPECT_EQ(site.Requests("software/varnok"), downloads);
  EXPECT_TRUE(varnok.Running()) << varnok.Output();
  EXPECT_NE(varnok.Output().find("not newer"), std::string::npos) << varnok.Output();

  varnok.Signal(SIGTERM);
  EXPECT_EQ(varnok.WaitForExit(30s), 0) << varnok.Output();
  EXPECT_EQ(ReadFileOrEmpty(target), program + "older release");
  // The forged release was downloaded and stays, never installed.
  EXPECT_EQ(ReadFileOrEmpty(dir / "update/varnok"), program);
}

TEST_F(UpdateEndToEndTest, ProgramWithoutAKeyOffersNothingAndSaysSoOnce) {
  Publish(vendor.Description("1.0.0.2", program));
  Environment env = CheckingEnvironment(site, "");
  env["VARNOK_UPDATE_RETRY_MS"] = "50";
  env["VARNOK_UPDATE_AUTO_ACCEPT"] = "1";
  const std::string target = InstallOlderProgram(dir.path());
  ChildProcess varnok({target, "--headless", "--verbose"}, env, dir.path());

  const std::string said = "no usable update key";
  ASSERT_TRUE(WaitUntil([&] { return varnok.Output().find(said) != std::string::npos; }, 60s)) << varnok.Output();
  std::this_thread::sleep_for(1s);  // room for many more checks
  EXPECT_TRUE(varnok.Running()) << varnok.Output();
  EXPECT_FALSE(LoadedDownloadLibraries(varnok.pid()));
  varnok.Signal(SIGTERM);
  EXPECT_EQ(varnok.WaitForExit(30s), 0) << varnok.Output();
  EXPECT_EQ(Occurrences(varnok.Output(), said), 1u) << varnok.Output();
  EXPECT_EQ(site.Requests("software/update.xml"), 0);
  EXPECT_FALSE(std::filesystem::exists(dir / "update"));
  EXPECT_EQ(ReadFileOrEmpty(target), program + "older release");
}

// A man in the middle of the path to the update site: a well-formed description, then a
// program that never ends, coming as fast as it is taken or one byte at a time.
class EndlessProgramSite {
 public:
  EndlessProgramSite(std::string description, size_t piece, std::chrono::milliseconds pause)
      : description_(std::move(description)), piece_(piece, 'x'), pause_(pause) {
    listener_ = ListenOnLoopback(&port_);
    thread_ = std::thread([this] { Serve(); });
  }
  ~EndlessProgramSite() {
    stopping_ = true;
    shutdown(listener_, SHUT_RDWR);
    thread_.join();
    close(listener_);
  }
  std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }
  long long sent() const { return sent_; }       // bytes of the program so far
  bool abandoned() const { return abandoned_; }  // the program stopped taking them

 private:
  void Serve() {
    for (int client; (client = accept(listener_, nullptr, nullptr)) >= 0; close(client)) {
      char head[4096];
      const ssize_t got = recv(client, head, sizeof head, 0);
      if (got <= 0) continue;
      if (std::string(head, static_cast<size_t>(got)).find("update.xml") != std::string::npos) {
        const std::string answer = "HTTP/1.0 200 OK\r\n\r\n" + description_;
        send(client, answer.data(), answer.size(), MSG_NOSIGNAL);
        continue;
      }
      send(client, "HTTP/1.0 200 OK\r\n\r\n", 19, MSG_NOSIGNAL);
      while (!stopping_) {
        const ssize_t n = send(client, piece_.data(), piece_.size(), MSG_NOSIGNAL);
        if (n <= 0) break;
        sent_ += n;
        std::this_thread::sleep_for(pause_);
      }
      abandoned_ = !stopping_;
    }
  }

  std::string description_, piece_;
  std::chrono::milliseconds pause_;
  int listener_ = -1, port_ = 0;
  std::atomic<bool> stopping_{false}, abandoned_{false};
  std::atomic<long long> sent_{0};
  std::thread thread_;
};

// The most memory the process has held, in KiB.
long PeakMemoryKiB(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  return -1;
}

class EndlessUpdateTest : public ::testing::Test {
 protected:
  // The headless program checking `site` at once, once, with a varnok.ini to rewrite.
  std::unique_ptr<ChildProcess> Start(const EndlessProgramSite& site) {
    Environment env = QuietEnvironment();
    env["VARNOK_SITE_URL"] = site.Url();
    env["VARNOK_UPDATE_FIRST_MS"] = env["VARNOK_UPDATE_PAUSE_MS"] = "0";
    env["VARNOK_UPDATE_PUBLIC_KEY"] = vendor.publicKey();
    WriteFileOrDie(dir / "varnok.ini", "[homeurl]\r\nurl1=http://home.example/\r\n");
    return std::make_unique<ChildProcess>(std::vector<std::string>{InstallOlderProgram(dir.path()), "--headless"},
                                          env, dir.path());
  }
  std::string Offer() const { return vendor.Description("1.0.0.2", "the real release"); }

  TempDir dir;
  Vendor vendor;
};

TEST_F(EndlessUpdateTest, AnEndlessProgramIsCutAtTheCapAndLeavesNothing) {
  EndlessProgramSite site(Offer(), 1 << 20, 0ms);
  auto varnok = Start(site);
  ASSERT_TRUE(WaitUntil([&] { return site.abandoned(); }, 120s)) << site.sent() << "\n" << varnok->Output();
  const long peak = PeakMemoryKiB(varnok->pid());
  std::cout << "program bytes taken: " << site.sent() << ", peak memory: " << peak << " KiB\n";
  // What the sockets still held when the program hung up comes on top of the cap.
  EXPECT_LE(site.sent(), (256ll << 20) + (16 << 20));
  EXPECT_GT(site.sent(), 200ll << 20);
  EXPECT_LT(peak, 128 * 1024) << "the download went through memory";
  EXPECT_TRUE(WaitUntil([&] { return !std::filesystem::exists(dir / "update/varnok"); }, 30s));
  varnok->Signal(SIGTERM);
  EXPECT_EQ(varnok->WaitForExit(30s), 0) << varnok->Output();
}

TEST_F(EndlessUpdateTest, ATricklingProgramDoesNotHoldTheExitAndTheStateIsSaved) {
  EndlessProgramSite site(Offer(), 1, 50ms);
  auto varnok = Start(site);
  ASSERT_TRUE(WaitUntil([&] { return site.sent() >= 5; }, 60s)) << varnok->Output();
  const auto asked = std::chrono::steady_clock::now();
  varnok->Signal(SIGTERM);
  // Once the program is closing, a transfer ends within a second and shutdown waits for
  // the update thread at most two: about three seconds in all, far below this bound.
  ASSERT_EQ(varnok->WaitForExit(20s), 0) << varnok->Output();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - asked).count();
  std::cout << "SIGTERM to exit during a trickling download: " << seconds << " s\n";
  EXPECT_TRUE(WaitUntil([&] { return site.abandoned(); }, 10s));
  EXPECT_NE(ReadFileOrEmpty(dir / "varnok.ini").find("[soucangjia]"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir / "update/varnok"));
}

class InstallModeTest : public ::testing::TestWithParam<const char*> {};

TEST_P(InstallModeTest, CopiesItselfOverTheProgramAboveAndStartsIt) {
  TempDir root;
  const std::string programDir = root / "a/b/";
  const std::string installer = programDir + GetParam();
  InstallOlderProgram(programDir);
  std::filesystem::create_directories(std::filesystem::path(installer).parent_path());
  std::filesystem::copy_file(std::getenv("VARNOK_BINARY"), installer);

  ChildProcess install({installer, "-update"}, QuietEnvironment(), root.path());
  EXPECT_EQ(install.WaitForExit(60s), 0) << install.Output();
  EXPECT_EQ(ReadFileOrEmpty(programDir + "varnok"), BuiltProgram());
  EXPECT_EQ(Mode(programDir + "varnok"), 0755u);
  // The installer keeps its own state file beside itself.
  EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(installer).parent_path() / "varnok.ini"));
  EXPECT_TRUE(WaitUntil([&] { return StartedNormally(programDir); }, 60s)) << install.Output();
  StopStartedProgram(programDir + "varnok");
}

INSTANTIATE_TEST_SUITE_P(Locations, InstallModeTest,
                         ::testing::Values("update/varnok", "i41update/varnok", "update/i41varnok"));

TEST(InstallModeBusyTest, WaitsUntilTheOldProgramHasExited) {
  TempDir root;
  const std::string programDir = root / "a/b/";
  const std::string target = InstallOlderProgram(programDir);
  const std::string installer = InstallProgramCopy(programDir + "update/");
  const Environment env = QuietEnvironment();
  ChildProcess old({target, "--headless"}, env, root.path());
  ASSERT_TRUE(WaitUntil([&] { return StartedNormally(programDir); }, 30s)) << old.Output();

  ChildProcess install({installer, "-update"}, env, root.path());
  std::this_thread::sleep_for(1500ms);  // several attempts, none may replace a running program
  EXPECT_TRUE(install.Running());
  EXPECT_EQ(ReadFileOrEmpty(target), BuiltProgram() + "older release");

  old.Signal(SIGTERM);
  EXPECT_EQ(old.WaitForExit(30s), 0) << old.Output();
  EXPECT_EQ(install.WaitForExit(60s), 0) << install.Output();
  EXPECT_EQ(ReadFileOrEmpty(target), BuiltProgram());
  // The old program had saved its state before the new one was put in place.
  EXPECT_LE(std::filesystem::last_write_time(programDir + "varnok.ini"), std::filesystem::last_write_time(target));
  EXPECT_TRUE(WaitUntil([&] { return !ProcessesRunning(target).empty(); }, 30s));
  StopStartedProgram(target);
}

TEST(InstallModeBusyTest, OnlyTheExactSwitchInAnUpdateDirectoryInstalls) {
  // Outside an update directory, in one whose name only ends in "update", and with an
  // address that ends in "-update" (as another program may hand one over).
  const struct {
    const char* directory;
    const char* last;
  } starts[] = {{"a/b/", "-update"}, {"a/b/myupdate/", "-update"}, {"a/b/update/", "http://x/get-update"}};
  for (const auto& start : starts) {
    TempDir root;
    const std::string above = InstallOlderProgram(root / "a/b/");
    const std::string programDir = root / start.directory;
    const std::string exe = programDir == root / "a/b/" ? above : InstallProgramCopy(programDir);
    ChildProcess varnok({exe, "--headless", start.last}, QuietEnvironment(), root.path());
    EXPECT_TRUE(WaitUntil([&] { return StartedNormally(programDir); }, 30s)) << varnok.Output();
    varnok.Signal(SIGTERM);
    EXPECT_EQ(varnok.WaitForExit(30s), 0) << varnok.Output();
    EXPECT_FALSE(std::filesystem::exists(root / "a/varnok")) << start.directory;
    EXPECT_EQ(ReadFileOrEmpty(above), BuiltProgram() + "older release") << start.directory;
  }
}

using AcceptedUpdateTest = UpdateEndToEndTest;

TEST_F(AcceptedUpdateTest, ProgramClosesAndItsInstallerReplacesIt) {
  Publish(vendor.Description("1.0.0.2", program));
  const std::string programDir = dir / "p/";
  const std::string target = InstallOlderProgram(programDir);
  Environment env = CheckingEnvironment(site, vendor.publicKey());
  env["VARNOK_UPDATE_AUTO_ACCEPT"] = "1";

  ChildProcess varnok({target, "--headless"}, env, dir.path());
  // Once the old program has read the offer, the site stops offering, so the installed
  // program (long after: the installer waits for the old one to exit) does not update again.
  ASSERT_TRUE(WaitUntil([&] { return site.Requests("software/update.xml") >= 1; }, 60s)) << varnok.Output();
  site.Put("software/update.xml", vendor.Description("1.0.0.1", program));
  EXPECT_EQ(varnok.WaitForExit(60s), 0) << varnok.Output();
  EXPECT_TRUE(WaitUntil([&] { return ReadFileOrEmpty(target) == program; }, 60s)) << varnok.Output();
  EXPECT_LE(std::filesystem::last_write_time(programDir + "varnok.ini"), std::filesystem::last_write_time(target));
  EXPECT_TRUE(std::filesystem::exists(programDir + "update/varnok.ini"));
  EXPECT_TRUE(WaitUntil([&] { return !ProcessesRunning(target).empty(); }, 30s)) << varnok.Output();
  StopStartedProgram(target);
  StopStartedProgram(programDir + "update/varnok");
}

}  // namespace
