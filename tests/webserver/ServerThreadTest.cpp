#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "app/AppState.h"
#include "platform/SharedMemoryToken.h"
#include "support/ChildProcess.h"
#include "support/RawHttp.h"
#include "webclient/ShutdownWakeUp.h"
#include "webserver/ServerThread.h"

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

}  // namespace
