#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "app/AppState.h"
#include "platform/SharedMemoryToken.h"
#include "support/ChildProcess.h"
#include "support/LoopbackClient.h"
#include "support/ProgramPort.h"
#include "support/RawHttp.h"
#include "support/TempDir.h"
#include "webclient/ShutdownWakeUp.h"
#include "webserver/ServerThread.h"
#include "webserver/Stop_Signal.h"

namespace {

using namespace std::chrono_literals;

// The server thread's body on a state of its own, configured for `port`.
class ServerThreadTest : public ::testing::Test {
 protected:
  AppState& StateFor(int port) {
    setenv("VARNOK_SITE_URL", site.c_str(), 1);
    state = std::make_unique<AppState>(dir / "varnok");
    state->SetPort(std::to_string(port));
    return *state;
  }
  // Waits until the server has published the port it took instead of `configured`.
  int MovedFrom(int configured) {
    return WaitUntil([&] { return state->Port() != std::to_string(configured); }, 10s) ? std::stoi(state->Port()) : 0;
  }

  TempDir dir;
  const std::string site = UniqueSiteUrl();
  std::unique_ptr<AppState> state;
};

TEST_F(ServerThreadTest, MovesOffABusyPortPublishesTheTokenAndStopsOnTheWakeUp) {
  int busy = 0;
  const int blocker = ListenOnLoopback(&busy);
  AppState& state = StateFor(busy);

  std::thread server([&] { RunServerThread(state); });
  const int moved = MovedFrom(busy);
  EXPECT_GE(moved, 10102);
  EXPECT_LE(moved, 20101);
  EXPECT_NE(RawHttpExchange(moved, "GET /isserver_varnok.ido HTTP/1.0\r\n\r\n").find("<html></html>"),
            std::string::npos);
  EXPECT_EQ(platform::SharedMemoryToken::ReadHead(site), site);
  EXPECT_NE(state.LocalBaseUrl().find(":" + std::to_string(moved) + "/"), std::string::npos);

  state.SetQuitFlag(true);
  SendShutdownWakeUp(state.ExitUrl());
  server.join();
  EXPECT_FALSE(PortAcceptsConnections(moved));
  EXPECT_EQ(platform::SharedMemoryToken::ReadHead(site), "");
  close(blocker);
}

TEST_F(ServerThreadTest, APortTakenOnlyOnIpv6LoopbackIsNotUsed) {
  if (!Ipv6LoopbackAvailable()) GTEST_SKIP() << "no IPv6 loopback on this machine";
  const int squatter = socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in6 address{};
  address.sin6_family = AF_INET6;
  address.sin6_addr = in6addr_loopback;
  socklen_t size = sizeof address;
  ASSERT_EQ(bind(squatter, reinterpret_cast<sockaddr*>(&address), size), 0);
  ASSERT_EQ(listen(squatter, 4), 0);
  ASSERT_EQ(getsockname(squatter, reinterpret_cast<sockaddr*>(&address), &size), 0);
  const int taken = ntohs(address.sin6_port);
  AppState& state = StateFor(taken);

  Stop_Signal stop;
  std::thread server([&] { RunServerThread(state, &stop); });
  const int moved = MovedFrom(taken);
  EXPECT_GE(moved, 10102);
  EXPECT_LE(moved, 20101);
  // Both addresses listen before the port is published, and answer there.
  for (int family : {AF_INET, AF_INET6}) {
    LoopbackClient probe(moved, family);
    ASSERT_TRUE(probe.Send("GET /isserver_varnok.ido HTTP/1.0\r\n\r\n"));
    EXPECT_NE(probe.ReadAll().find("<html></html>"), std::string::npos) << family;
  }
  // Stopped by its signal alone: no quit flag, no wake-up request.
  stop.request();
  server.join();
  EXPECT_FALSE(PortAcceptsConnections(moved));
  close(squatter);
}

TEST_F(ServerThreadTest, PortZeroTakesAnyFreePortAndNamesItInTheStateAndThePortFile) {
  ProgramPort reported;
  for (const auto& [name, value] : reported.Environment()) setenv(name.c_str(), value.c_str(), 1);
  AppState& state = StateFor(0);
  Stop_Signal stop;
  std::thread server([&] { RunServerThread(state, &stop); });
  const int port = reported.Wait();
  ASSERT_GT(port, 0);
  EXPECT_EQ(state.Port(), std::to_string(port));
  EXPECT_NE(RawHttpExchange(port, "GET /isserver_varnok.ido HTTP/1.0\r\n\r\n").find("<html></html>"),
            std::string::npos);
  stop.request();
  server.join();
}

}  // namespace
