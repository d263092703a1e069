#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <chrono>
#include <iostream>
#include <memory>
#include <set>

#include "support/ChildProcess.h"
#include "support/LoopbackClient.h"
#include "support/ProgramPort.h"
#include "support/RawHttp.h"
#include "support/TempDir.h"

namespace {

using namespace std::chrono_literals;

const std::string kProbe = "GET /isserver_varnok.ido HTTP/1.0\r\n\r\n";

// `varnok --headless` in a directory of its own, under a name the single-instance
// check of other tests' programs does not count.
class Program {
 public:
  explicit Program(std::map<std::string, std::string> env = {}) {
    reported_.AddTo(env);
    env["VARNOK_SITE_URL"] = UniqueSiteUrl();
    env.emplace("VARNOK_UPDATE_FIRST_MS", "3600000");
    process_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{InstallProgramCopy(dir_.path(), "varnok-io"), "--headless"}, env, dir_.path());
  }
  int port() const { return reported_.Wait(); }
  const TempDir& dir() const { return dir_; }
  ChildProcess& process() { return *process_; }
  bool Serves() const {
    return TryHttpExchange(port(), kProbe, 5s).value_or("").find("<html></html>") != std::string::npos;
  }
  bool ComesUp() const { return port() > 0 && Serves(); }

 private:
  TempDir dir_;
  ProgramPort reported_;
  std::unique_ptr<ChildProcess> process_;
};

// The number the program's next descriptor gets: the lowest one not in use. A limit
// at that number leaves no room for another.
rlim_t LowestFreeDescriptor(pid_t pid) {
  std::set<long> used;
  if (DIR* dir = opendir(("/proc/" + std::to_string(pid) + "/fd").c_str())) {
    while (const dirent* entry = readdir(dir))
      if (entry->d_name[0] != '.') used.insert(std::atol(entry->d_name));
    closedir(dir);
  }
  long lowest = 0;
  while (used.count(lowest)) ++lowest;
  return static_cast<rlim_t>(lowest);
}

TEST(ServerPressureTest, SigtermEndsTheProgramAndSavesTheStateWhateverClientsDo) {
  // With a key, the update check starts at once and sits in its opening pause when the
  // signal comes.
  Program program({{"VARNOK_UPDATE_FIRST_MS", "0"},
                   {"VARNOK_UPDATE_PUBLIC_KEY", "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA="}});
  ASSERT_TRUE(program.ComesUp()) << program.process().Output();
  WriteFileOrDie(program.dir() / "big.htm", std::string(4 << 20, 'b'));
  // A hand-added section disappears once the program has rewritten its file.
  const std::string ini = program.dir() / "varnok.ini";
  WriteFileOrDie(ini, ReadFileOrEmpty(ini) + "[mine]\r\nx=1\r\n");

  // Clients that trickle their heads, one that stopped reading a big file, one that
  // never sent anything, and more than the server has threads for.
  // The big file is under way before the signal comes.
  std::vector<std::unique_ptr<LoopbackClient>> clients;
  clients.push_back(std::make_unique<LoopbackClient>(program.port(), AF_INET, 4096));
  ASSERT_TRUE(clients.front()->Send("GET /big.htm HTTP/1.0\r\n\r\n"));
  ASSERT_TRUE(clients.front()->Readable(10s));
  for (int i = 1; i < 30; ++i) {
    clients.push_back(std::make_unique<LoopbackClient>(program.port(), AF_INET, 4096));
    ASSERT_TRUE(clients.back()->connected());
    if (i > 1) {
      ASSERT_TRUE(clients.back()->Send("GET /big.htm HTTP/1.0\r\nX-Line: 1\r\n"));
    }
  }

  const auto signalled = std::chrono::steady_clock::now();
  program.process().Signal(SIGTERM);
  const std::optional<int> status = program.process().WaitForExit(10s);
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - signalled);
  RecordProperty("shutdown_ms", static_cast<int>(took.count()));
  std::cout << "shutdown with 30 clients connected took " << took.count() << " ms\n";
  EXPECT_EQ(status, 0) << program.process().Output();
  EXPECT_EQ(ReadFileOrEmpty(ini).find("[mine]"), std::string::npos);
  EXPECT_NE(ReadFileOrEmpty(ini).find("[soucangjia]"), std::string::npos);
}

TEST(ServerPressureTest, KeepsServingAfterRunningOutOfDescriptors) {
  Program program({{"VARNOK_VERBOSE", "1"}, {"VARNOK_RECV_TIMEOUT_MS", "60000"}});
  ASSERT_TRUE(program.ComesUp()) << program.process().Output();
  const pid_t pid = program.process().pid();

  // No room for another descriptor: the next accept finds none. (With a few to spare,
  // the peer-account query could be the one to run out, and accept might never fail.)
  // A descriptor the program closes meanwhile (the last probe's connection) makes room
  // again, so the limit follows until an accept has failed.
  rlimit limit{};
  ASSERT_EQ(prlimit(pid, RLIMIT_NOFILE, nullptr, &limit), 0);
  std::vector<std::unique_ptr<LoopbackClient>> holders;
  ASSERT_TRUE(WaitUntil(
      [&] {
        const rlimit tight{LowestFreeDescriptor(pid), limit.rlim_max};
        prlimit(pid, RLIMIT_NOFILE, &tight, nullptr);
        holders.push_back(std::make_unique<LoopbackClient>(program.port()));
        holders.back()->Send("GET /a.htm HTTP/1.0\r\n");
        return program.process().Output().find("Too many open files") != std::string::npos;
      },
      30s))
      << program.process().Output();

  // Once descriptors are to be had again, the listener still works.
  ASSERT_EQ(prlimit(pid, RLIMIT_NOFILE, &limit, nullptr), 0);
  holders.clear();
  EXPECT_TRUE(WaitUntil([&] { return program.Serves(); }, 10s)) << program.process().Output();
  program.process().Signal(SIGTERM);
  EXPECT_EQ(program.process().WaitForExit(10s), 0);
}

}  // namespace
