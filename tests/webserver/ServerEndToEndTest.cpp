#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "platform/ProcessScan.h"
#include "support/ChildProcess.h"
#include "support/ProgramPort.h"
#include "support/RawHttp.h"
#include "support/TempDir.h"

namespace {

using namespace std::chrono_literals;

const std::string kProbe = "GET /isserver_varnok.ido HTTP/1.0\r\n\r\n";

struct Program {
  std::unique_ptr<ProgramPort> reported = std::make_unique<ProgramPort>();
  std::unique_ptr<ChildProcess> process;
  int port = 0;  // once it came up
};

// Starts `varnok --headless` (installed under `name` in `dir`) for the site `site`.
Program Start(const TempDir& dir, const std::string& name, const std::string& site,
              std::map<std::string, std::string> env = {}, const std::string& cwd = "/") {
  Program program;
  program.reported->AddTo(env);
  env["VARNOK_SITE_URL"] = site;
  env["VARNOK_UPDATE_FIRST_MS"] = "3600000";
  program.process = std::make_unique<ChildProcess>(
      std::vector<std::string>{InstallProgramCopy(dir.path(), name), "--headless"}, env, cwd);
  return program;
}

bool Serves(const Program& program) {
  return RawHttpExchange(program.port, kProbe).find("<html></html>") != std::string::npos;
}

// Waits until the program's server listens and answers; its port is then known.
bool ComesUp(Program& program) {
  program.port = program.reported->Wait();
  return program.port > 0 && Serves(program);
}

int OpenFiles(pid_t pid) {
  int count = 0;
  if (DIR* dir = opendir(("/proc/" + std::to_string(pid) + "/fd").c_str())) {
    while (readdir(dir)) ++count;
    closedir(dir);
  }
  return count;
}

long ResidentKiB(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}

TEST(ServerEndToEndTest, OnlyOneInstanceNamedVarnokRunsPerSite) {
  const std::string site = UniqueSiteUrl();
  TempDir firstDir, secondDir;
  Program first = Start(firstDir, "varnok", site);
  ASSERT_TRUE(ComesUp(first)) << first.process->Output();
  Program second = Start(secondDir, "varnok", site);
  EXPECT_EQ(second.process->WaitForExit(20s), 0);
  EXPECT_EQ(second.process->Output(), "");
  EXPECT_TRUE(Serves(first));

  first.process->Signal(SIGTERM);
  EXPECT_EQ(first.process->WaitForExit(20s), 0);
  Program next = Start(secondDir, "varnok", site);
  EXPECT_TRUE(ComesUp(next)) << next.process->Output();
  next.process->Signal(SIGTERM);
  EXPECT_EQ(next.process->WaitForExit(20s), 0);
}

TEST(ServerEndToEndTest, CopiesUnderOtherNamesRunSideBySide) {
  // Every copy counts the processes named varnok, so this holds only while fewer than
  // two of those run on the machine, which programs outside this test may change.
  if (platform::CountProcessesNamed("varnok", 2) >= 2) GTEST_SKIP() << "two programs named varnok already run";
  const std::string site = UniqueSiteUrl();
  TempDir otherDir, anotherDir;
  Program other = Start(otherDir, "varnok-copy", site);
  Program another = Start(anotherDir, "browser", site);
  EXPECT_TRUE(ComesUp(other)) << other.process->Output();
  EXPECT_TRUE(ComesUp(another)) << another.process->Output();
  for (Program* program : {&other, &another}) {
    program->process->Signal(SIGTERM);
    EXPECT_EQ(program->process->WaitForExit(20s), 0);
  }
}

TEST(ServerEndToEndTest, ServesTheProgramDirectoryWhereverItIsStarted) {
  TempDir programDir, workDir, rootDir;
  WriteFileOrDie(programDir / "side.htm", "program");
  WriteFileOrDie(workDir / "private.htm", "private");
  std::filesystem::create_directories(programDir / "cgi-bin");
  WriteFileOrDie(programDir / "cgi-bin/mask", "#!/bin/sh\nprintf '\\r\\n'\nexec grep SigBlk /proc/self/status\n");
  std::filesystem::permissions(programDir / "cgi-bin/mask", std::filesystem::perms::owner_all);
  Program program = Start(programDir, "varnok", UniqueSiteUrl(), {}, workDir.path());
  ASSERT_TRUE(ComesUp(program)) << program.process->Output();
  EXPECT_NE(RawHttpExchange(program.port, "GET /side.htm\r\n"), "");
  EXPECT_EQ(RawHttpExchange(program.port, "GET /side.htm\r\n"), "program");
  EXPECT_NE(RawHttpExchange(program.port, "GET /private.htm\r\n").find("404"), std::string::npos);
  // A CGI program starts with no signal blocked, although the program blocks its
  // shutdown signals in every thread.
  EXPECT_EQ(RawHttpExchange(program.port, "GET /cgi-bin/mask\r\n"), "\r\nSigBlk:\t0000000000000000\n");

  // One program at a time keeps a directory's state.
  program.process->Signal(SIGTERM);
  ASSERT_EQ(program.process->WaitForExit(20s), 0);
  WriteFileOrDie(rootDir / "side.htm", "override");
  Program overridden = Start(programDir, "other", UniqueSiteUrl(), {{"JAWS_DOCUMENT_ROOT", rootDir.path()}});
  ASSERT_TRUE(ComesUp(overridden)) << overridden.process->Output();
  EXPECT_EQ(RawHttpExchange(overridden.port, "GET /side.htm\r\n"), "override");
}

TEST(ServerEndToEndTest, TenThousandRequestsLeaveFilesAndMemoryFlat) {
  TempDir dir;
  WriteFileOrDie(dir / "page.htm", std::string(2048, 'p'));
  // A sanitizer build keeps freed memory in quarantine; keep that small so that only
  // real growth shows.
  const char* asan = std::getenv("ASAN_OPTIONS");
  Program program = Start(dir, "varnok", UniqueSiteUrl(),
                          {{"ASAN_OPTIONS", std::string(asan ? asan : "") + ":quarantine_size_mb=1"}});
  ASSERT_TRUE(ComesUp(program)) << program.process->Output();
  const char* requests[] = {"GET /page.htm HTTP/1.0\r\n\r\n", "GET /missing.htm HTTP/1.1\r\n\r\n",
                            "GET /nothing.ido HTTP/1.0\r\n\r\n", "HEAD /page.htm HTTP/1.0\r\n\r\n",
                            "GET /isserver_varnok.ido HTTP/1.0\r\n\r\n"};
  auto run = [&](int count) {
    int answered = 0;
    for (int i = 0; i < count; ++i)
      if (!RawHttpExchange(program.port, requests[i % 5]).empty()) ++answered;
    return answered;
  };
  const pid_t pid = program.process->pid();
  run(1000);
  const int files = OpenFiles(pid);
  const long resident = ResidentKiB(pid);
  EXPECT_EQ(run(10000), 8000);  // the ".ido" that names no command gets no answer
  // An error answer's connection is closed a moment after the client has read it.
  EXPECT_TRUE(WaitUntil([&] { return OpenFiles(pid) <= files; }, 10s)) << OpenFiles(pid) << " open, " << files
                                                                        << " before";
  EXPECT_LE(ResidentKiB(pid), resident + 16 * 1024);
  program.process->Signal(SIGTERM);
  EXPECT_EQ(program.process->WaitForExit(20s), 0);
}

TEST(ServerEndToEndTest, ClearsWhatAKilledRunLeftAndOutlivesHostileRequests) {
  TempDir dir;
  const char* leftovers[] = {"varnok.ini.Ab12Cd", "scj.htm.XXXXXX", "menu.htm.q1w2e3", "sysmsg.htm.000000"};
  for (const char* name : leftovers) WriteFileOrDie(dir / name, "[history]\r\nurl1=http://private/\r\n");
  Program program = Start(dir, "varnok", UniqueSiteUrl());
  ASSERT_TRUE(ComesUp(program)) << program.process->Output();
  for (const char* name : leftovers) EXPECT_FALSE(std::filesystem::exists(dir / name)) << name;

  // Requests that once ended the whole program: format directives reaching a format.
  for (const char* target : {"/x.cgi?%25s=1", "/x.cgi?%25n=1", "/x.cgi?%25s%25s%25s%25s%25s%25s%25s%25s=%25n"})
    RawHttpExchange(program.port, std::string("GET ") + target + " HTTP/1.0\r\n\r\n");
  EXPECT_TRUE(Serves(program));
  // The pages it wrote on coming up carry this run's key; a command without it is refused.
  const std::string favorites = ReadFileOrEmpty(dir / "scj.htm");
  const size_t key = favorites.find("&key=");
  ASSERT_NE(key, std::string::npos) << favorites;
  EXPECT_NE(RawHttpExchange(program.port, "GET /delscjitem_browser.ido?id=0 HTTP/1.0\r\n\r\n").find("403 Forbidden"),
            std::string::npos);
  EXPECT_EQ(ReadFileOrEmpty(dir / "scj.htm"), favorites);
  const std::string pair = favorites.substr(key + 1, 36);
  EXPECT_NE(RawHttpExchange(program.port, "GET /delscjitem_browser.ido?id=0&" + pair + " HTTP/1.0\r\n\r\n")
                .find("303 See Other"),
            std::string::npos);
  EXPECT_EQ(ReadFileOrEmpty(dir / "scj.htm").find("delscjitem"), std::string::npos);
  program.process->Signal(SIGTERM);
  EXPECT_EQ(program.process->WaitForExit(20s), 0);
  EXPECT_NE(ReadFileOrEmpty(dir / "varnok.ini").find("[soucangjia]\r\n\r\n"), std::string::npos);
}

}  // namespace
