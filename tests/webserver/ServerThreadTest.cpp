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
#include "support/RawHttp.h"
#include "webclient/ShutdownWakeUp.h"
#include "webserver/ServerThread.h"
#include "webserver/Stop_Signal.h"

namespace {

using namespace std::chrono_literals;

TEST(ServerThreadTest, MovesOffABusyPortPublishesTheTokenAndStopsOnTheWakeUp) {
  int busy = 0;
  int blocker = ListenOnLoopback(&busy);
  const std::string site = UniqueSiteUrl();
  setenv("VARNOK_SITE_URL", site.c_str(), 1);
  setenv("VARNOK_PORT", std::to_string(busy).c_str(), 1);
  AppState& state = TheAppState::Instance();
  ASSERT_EQ(state.Port(), std::to_string(busy));

  std::thread server([] { RunServerThread(); });
  ASSERT_TRUE(WaitUntil([&] { return state.Port() != std::to_string(busy); }, 10s));
  const int moved = std::stoi(state.Port());
  EXPECT_GE(moved, 10102);
  EXPECT_LE(moved, 20101);
  ASSERT_TRUE(WaitUntil([&] { return PortAcceptsConnections(moved); }, 10s));
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

// A socket listening on [::1] at a port free on 127.0.0.1 too; -1 when there is none.
int ListenOnIpv6LoopbackOnly(int* port) {
  for (int attempt = 0; attempt < 20; ++attempt) {
    const int candidate = FindFreePort();
    int fd = socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in6 address{};
    address.sin6_family = AF_INET6;
    address.sin6_port = htons(static_cast<uint16_t>(candidate));
    address.sin6_addr = in6addr_loopback;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && listen(fd, 4) == 0) {
      *port = candidate;
      return fd;
    }
    close(fd);
  }
  return -1;
}

TEST(ServerThreadTest, APortTakenOnlyOnIpv6LoopbackIsNotUsed) {
  if (!Ipv6LoopbackAvailable()) GTEST_SKIP() << "no IPv6 loopback on this machine";
  int taken = 0;
  const int squatter = ListenOnIpv6LoopbackOnly(&taken);
  ASSERT_GE(squatter, 0);
  setenv("VARNOK_SITE_URL", UniqueSiteUrl().c_str(), 1);
  setenv("VARNOK_PORT", std::to_string(taken).c_str(), 1);
  AppState& state = TheAppState::Instance();

  Stop_Signal stop;
  std::thread server([&] { RunServerThread(&stop); });
  ASSERT_TRUE(WaitUntil([&] { return state.Port() != std::to_string(taken); }, 10s));
  const int moved = std::stoi(state.Port());
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

}  // namespace
