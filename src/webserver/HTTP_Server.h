#pragma once
#include <ace/Thread_Manager.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "webserver/HTTP_Acceptor.h"
#include "webserver/Handoff_Pool.h"
#include "webserver/Server_Context.h"
#include "webserver/Stop_Signal.h"

class AppState;
class Arriving_Heads;
class Connection_Factory;
class HTTP_Handler;

// The embedded HTTP server: parses its argument vector and listens on the loopback
// addresses. One thread per processor core (at most the vector's thread count) accepts
// connections and serves each as far as it goes without waiting, which for a plain
// file is to its end; a request head still arriving is waited for by that thread among
// its other connections (Arriving_Heads), and whatever else needs waiting goes on to a
// pool of up to the thread count (Handoff_Pool), so no client holds up an accepting
// thread. It runs until the
// application's quit flag is seen after an accept or its stop signal is given; stopping
// cuts the connections still open.
class HTTP_Server {
 public:
  static constexpr int kPortUnavailable = -887;
  static constexpr size_t kBlockSize = 8193;

  // `stop`, when given, is the signal that ends the server from another thread; it
  // must outlive the server. Without one, only the quit flag and a wake-up end it.
  explicit HTTP_Server(AppState& state, Stop_Signal* stop = nullptr);
  ~HTTP_Server();

  // Option parsing ("p:n:t:i:b:c:"), then the defaults.
  void init(int argc, char** argv);
  // From now on the server listens wherever the system has a free port, whatever port
  // its vector names (a configured port of 0: programs run side by side in tests). The
  // port taken is published like any other.
  void listen_on_any_free_port() { any_free_port_ = true; }
  // -887 when the listening sockets cannot be opened, 0 when the server was stopped,
  // -1 when its factory or its threads cannot be had.
  int run_server(int argc, char** argv);
  int serve_connections(Connection_Factory& factory);

  int port() const { return port_; }
  int threads() const { return threads_; }
  // The threads that accept: one per core, at most `threads`.
  int accepting_threads() const;
  int strategy() const { return strategy_; }
  int backlog() const { return backlog_; }
  int throttle() const { return throttle_; }
  int caching() const { return caching_; }
  // The factory the last run_server used ("" before any).
  const std::string& factory_name() const { return factory_name_; }
  const Server_Context& context() const { return context_; }

 private:
  std::unique_ptr<Connection_Factory> make_factory();
  bool stopping() const;
  // The body of each accepting thread: accept, serve, until the server stops.
  static ACE_THR_FUNC_RETURN accepting_thread(void* server);
  void serve_until_stopped();
  // Serves a new connection; false (the connection closed) once the server is stopping.
  bool take_accepted(const HTTP_Acceptor::Accepted& accepted, Arriving_Heads& heads);
  // Serves what it can of an accepted connection at once, and hands the rest over.
  void serve_accepted(const HTTP_Acceptor::Accepted& accepted, Arriving_Heads& heads);
  // What a connection not `done` waits for: its request head on this thread, the rest
  // on the pool.
  void go_on(HTTP_Handler* handler, bool done, Arriving_Heads& heads);
  void pause_after_failed_accept();
  void throttle_wait();

  int port_ = 0;
  bool any_free_port_ = false;
  int threads_ = 0;
  int strategy_ = 0;
  int backlog_ = 0;
  int throttle_ = 0;
  char caching_ = 1;
  ACE_Thread_Manager thread_manager_;
  HTTP_Acceptor acceptor_;
  Server_Context context_;
  Stop_Signal own_stop_;
  Stop_Signal& stop_;
  Connection_Factory* serving_factory_ = nullptr;
  std::vector<std::unique_ptr<HTTP_Acceptor::Waiter>> waiters_;  // one per accepting thread
  std::unique_ptr<Handoff_Pool> pool_;
  std::atomic<size_t> next_waiter_{0};
  std::atomic<int> accept_failure_{0};  // errno of the last failed accept, 0 after a success
  std::string factory_name_;
};
