#pragma once
#include <ace/SOCK_Acceptor.h>
#include <ace/Thread_Manager.h>

#include <memory>
#include <string>

#include "webserver/Server_Context.h"

class AppState;
class Connection_Factory;

// The embedded HTTP server: parses its argument vector, listens on the loopback
// address and serves one connection at a time on the calling thread until the
// application's quit flag is seen after an accept.
class HTTP_Server {
 public:
  static constexpr int kPortUnavailable = -887;
  static constexpr size_t kBlockSize = 8193;

  explicit HTTP_Server(AppState& state);
  ~HTTP_Server();

  // Option parsing ("p:n:t:i:b:c:"), then the defaults.
  void init(int argc, char** argv);
  // -887 when the listening socket cannot be opened, 0 when the quit flag ended the
  // loop, -1 when accepting or allocating failed.
  int run_server(int argc, char** argv);
  int serve_connections(Connection_Factory& factory);

  int port() const { return port_; }
  int threads() const { return threads_; }
  int strategy() const { return strategy_; }
  int backlog() const { return backlog_; }
  int throttle() const { return throttle_; }
  int caching() const { return caching_; }
  // The factory the last run_server used ("" before any).
  const std::string& factory_name() const { return factory_name_; }
  const Server_Context& context() const { return context_; }

 private:
  std::unique_ptr<Connection_Factory> make_factory();
  void reap_cgi_children();
  void throttle_wait();

  int port_ = 0;
  int threads_ = 0;
  int strategy_ = 0;
  int backlog_ = 0;
  int throttle_ = 0;
  char caching_ = 1;
  ACE_Thread_Manager thread_manager_;
  ACE_SOCK_Acceptor acceptor_;
  Server_Context context_;
  std::string factory_name_;
};
