#include <fcntl.h>
#include <gtest/gtest.h>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <thread>

#include "LiveServer.h"
#include "support/LoopbackClient.h"
#include "support/TempDir.h"

namespace {

using namespace std::chrono_literals;

const std::string kGetA = "GET /a.htm HTTP/1.0\r\n\r\n";
const std::string kProbe = "GET /isserver_varnok.ido HTTP/1.0\r\n\r\n";

// Shortens the server's patience with clients for the servers made while it exists.
class ShortTimeout {
 public:
  explicit ShortTimeout(const char* ms) { setenv("VARNOK_RECV_TIMEOUT_MS", ms, 1); }
  ~ShortTimeout() { unsetenv("VARNOK_RECV_TIMEOUT_MS"); }
};

// Bytes whose every stretch differs from its neighbours, so a splice shows.
std::string Pattern(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>('a' + (i + i / 26) % 26);
  return bytes;
}

// Where `received` stops matching `expected` (its size when it is a prefix of it).
size_t FirstDifference(const std::string& received, const std::string& expected) {
  size_t i = 0;
  while (i < received.size() && i < expected.size() && received[i] == expected[i]) ++i;
  return i;
}

TEST(SlowClientTest, ClientsDribblingTheirHeadsDelayNobody) {
  LiveServer server;
  WriteFileOrDie(server.root() + "a.htm", "A");
  std::vector<std::unique_ptr<LoopbackClient>> dribblers;
  for (int i = 0; i < 3; ++i) {
    dribblers.push_back(std::make_unique<LoopbackClient>(server.port()));
    ASSERT_TRUE(dribblers.back()->Send("GET /a.htm HTTP/1.0\r\n"));
  }
  for (int line = 0; line < 3; ++line) {
    for (auto& dribbler : dribblers) ASSERT_TRUE(dribbler->Send("X-Line: " + std::to_string(line) + "\r\n"));
    // Every dribbler's head is still open here.
    EXPECT_EQ(server.Exchange(kGetA), kFileOk + "A") << "line " << line;
    std::this_thread::sleep_for(200ms);
  }
  for (auto& dribbler : dribblers) {
    ASSERT_TRUE(dribbler->Send("\r\n"));
    EXPECT_EQ(dribbler->ReadAll(), kFileOk + "A");
  }
}

TEST(SlowClientTest, AHeadThatNeverEndsIsDroppedHoweverSteadilyItArrives) {
  ShortTimeout patience("400");
  LiveServer server;
  LoopbackClient dribbler(server.port());
  ASSERT_TRUE(dribbler.Send("GET /a.htm HTTP/1.0\r\n"));
  // A line every 100 ms, for ten times the server's patience: each line is progress,
  // but the head as a whole never completes.
  bool dropped = false;
  std::string received;
  for (int line = 0; line < 40 && !dropped; ++line) {
    dribbler.Send("X-Line: " + std::to_string(line) + "\r\n");
    dropped = dribbler.ClosedWithin(100ms, &received);
  }
  EXPECT_TRUE(dropped);
  EXPECT_EQ(received, "");
}

TEST(SlowClientTest, AReaderThatStopsIsDroppedWithoutAnErrorPageInsideTheFile) {
  ShortTimeout patience("300");
  LiveServer server;
  const std::string file = Pattern(4 << 20);
  WriteFileOrDie(server.root() + "big.htm", file);
  WriteFileOrDie(server.root() + "a.htm", "A");
  const std::string whole = kFileOk + file;

  // Clients that stop reading, then come back after one to four times the server's
  // patience: whenever they return, they find the file's bytes and nothing else.
  for (int pause = 300; pause <= 1050; pause += 250) {
    LoopbackClient reader(server.port(), AF_INET, 4096);
    ASSERT_TRUE(reader.Send("GET /big.htm HTTP/1.0\r\n\r\n"));
    ASSERT_TRUE(reader.Readable(10s));
    std::this_thread::sleep_for(std::chrono::milliseconds(pause));
    const std::string received = reader.ReadAll(20s);
    const size_t same = FirstDifference(received, whole);
    EXPECT_EQ(same, received.size()) << "after " << pause << " ms: " << received.substr(same, 300);
  }

  // One that never comes back does not hold the others up, and is dropped.
  LoopbackClient gone(server.port(), AF_INET, 4096);
  ASSERT_TRUE(gone.Send("GET /big.htm HTTP/1.0\r\n\r\n"));
  ASSERT_TRUE(gone.Readable(10s));
  EXPECT_EQ(server.Exchange(kGetA), kFileOk + "A");
  std::this_thread::sleep_for(1500ms);
  const std::string late = gone.ReadAll(20s);
  EXPECT_LT(late.size(), whole.size());
  EXPECT_EQ(FirstDifference(late, whole), late.size());
}

TEST(SlowClientTest, AClientStillSendingAnOverlongLineReadsItsAnswerAndAnOrderlyEnd) {
  LiveServer server;
  const std::string overlong = "GET /a.htm HTTP/1.0\r\nUser-Agent: " + std::string(9000, 'x');
  const std::string answer = ErrorAnswer("HTTP/1.0", 400, "Bad Request", "request too long");
  // One client stops after the long line; the other has not noticed the answer and
  // goes on sending. Neither may see its connection reset.
  LoopbackClient stopping(server.port());
  ASSERT_TRUE(stopping.Send(overlong));
  EXPECT_EQ(stopping.ReadAll(), answer);
  EXPECT_FALSE(stopping.reset());

  LoopbackClient sending(server.port());
  ASSERT_TRUE(sending.Send(overlong));
  ASSERT_TRUE(sending.Readable(10s));
  for (int i = 0; i < 16; ++i) {
    EXPECT_TRUE(sending.Send(std::string(1024, 'y'))) << i;
    std::this_thread::sleep_for(5ms);
  }
  EXPECT_EQ(sending.ReadAll(), answer);
  EXPECT_FALSE(sending.reset());
}

TEST(SlowClientTest, AHeadOfManyShortLinesIsCappedInAll) {
  LiveServer server;
  WriteFileOrDie(server.root() + "a.htm", "A");
  LoopbackClient client(server.port());
  ASSERT_TRUE(client.Send("GET /a.htm HTTP/1.0\r\n"));
  const std::string line = "User-Agent: " + std::string(100, 'u') + "\r\n";
  for (int sent = 0; sent < 200 * 1024 && !client.Readable(0ms); sent += static_cast<int>(line.size()))
    client.Send(line);
  EXPECT_EQ(client.ReadAll(), ErrorAnswer("HTTP/1.0", 400, "Bad Request", "request too long"));
}

TEST(SlowClientTest, ClientsStillSendingTheirHeadsHoldNoThread) {
  // One accepting thread, one thread that may wait and room for two queued connections:
  // six clients whose heads are still arriving would hold all of them and more if each
  // held a thread while it waited.
  LiveServer server({"-n", "1", "-i", "SYNCH", "-t", "POOL", "-b", "2", "-c", "NO_CACHE"});
  WriteFileOrDie(server.root() + "a.htm", "A");
  std::vector<std::unique_ptr<LoopbackClient>> clients;
  for (int i = 0; i < 6; ++i) {
    clients.push_back(std::make_unique<LoopbackClient>(server.port()));
    ASSERT_TRUE(clients.back()->Send("GET /a.htm HTTP/1.0\r\n"));
  }
  // A command needs the thread that may wait, a plain file the accepting one: both are
  // answered at once among them.
  LoopbackClient command(server.port());
  ASSERT_TRUE(command.Send(kProbe));
  EXPECT_TRUE(command.Readable(5s));
  EXPECT_NE(command.ReadAll().find("<html></html>"), std::string::npos);
  EXPECT_EQ(server.Exchange(kGetA), kFileOk + "A");
  // The heads end in the reverse order, and none was lost meanwhile.
  for (auto client = clients.rbegin(); client != clients.rend(); ++client) ASSERT_TRUE((*client)->Send("\r\n"));
  for (size_t i = 0; i < clients.size(); ++i) EXPECT_EQ(clients[i]->ReadAll(), kFileOk + "A") << i;
}

// Brings the loopback interface of a fresh network namespace up without IPv6; false
// when this process may not make one.
bool EnterNamespaceWithoutIpv6() {
  if (unshare(CLONE_NEWNET) != 0) return false;
  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  ifreq request{};
  std::strcpy(request.ifr_name, "lo");
  bool up = ioctl(fd, SIOCGIFFLAGS, &request) == 0;
  request.ifr_flags |= IFF_UP;
  up = up && ioctl(fd, SIOCSIFFLAGS, &request) == 0;
  close(fd);
  WriteFileOrDie("/proc/sys/net/ipv6/conf/lo/disable_ipv6", "1");
  return up && !Ipv6LoopbackAvailable();
}

TEST(SlowClientTest, AMachineWithoutIpv6IsServedOn127001Alone) {
  // The namespace is entered by a child process, which reports by its exit status.
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (!EnterNamespaceWithoutIpv6()) _exit(77);
    LiveServer server;
    WriteFileOrDie(server.root() + "a.htm", "A");
    _exit(server.Exchange(kGetA) == kFileOk + "A" && server.Stop() == 0 ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "no network namespace to be had here";
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(SlowClientTest, AnswersOnTheIpv6LoopbackAddressToo) {
  if (!Ipv6LoopbackAvailable()) GTEST_SKIP() << "no IPv6 loopback on this machine";
  LiveServer server;
  WriteFileOrDie(server.root() + "a.htm", "A");
  LoopbackClient client(server.port(), AF_INET6);
  ASSERT_TRUE(client.connected());
  ASSERT_TRUE(client.Send(kGetA));
  EXPECT_EQ(client.ReadAll(), kFileOk + "A");
}

TEST(SlowClientTest, ACgiProgramWaitsForItsClientLongerThanTheServerWould) {
  ShortTimeout patience("300");
  LiveServer server;
  std::filesystem::create_directories(server.root() + "cgi-bin");
  // The program takes four times longer over its answer than the server would wait for
  // a client.
  WriteFileOrDie(server.root() + "cgi-bin/echo",
                 "#!/bin/sh\nsleep 1.2\nprintf 'Content-type: text/plain\\r\\n\\r\\n'\nread line\n"
                 "echo \"got $line\"\n");
  std::filesystem::permissions(server.root() + "cgi-bin/echo", std::filesystem::perms::owner_all);
  LoopbackClient client(server.port());
  ASSERT_TRUE(client.Send("POST /cgi-bin/echo HTTP/1.0\r\nContent-length: 6\r\n\r\nhello\n"));
  EXPECT_EQ(client.ReadAll(), "HTTP/1.0 200 OK\r\nContent-type: text/plain\r\n\r\ngot hello\n");
}

}  // namespace
