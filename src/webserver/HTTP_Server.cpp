#include "webserver/HTTP_Server.h"

#include <ace/Get_Opt.h>
#include <ace/Log_Msg.h>
#include <ace/Message_Block.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <thread>

#include "app/AppState.h"
#include "app/Config.h"
#include "pages/CommandDispatcher.h"
#include "platform/SharedMemoryToken.h"
#include "platform/SocketOwner.h"
#include "webserver/Arriving_Heads.h"
#include "webserver/Filecache_Connection_Factory.h"
#include "webserver/HTTP_Handler.h"
#include "webserver/Plain_Connection_Factory.h"
#include "webserver/Port_Report.h"
#include "webserver/Server_Log.h"

namespace {

constexpr int kStrategyPool = 0;
constexpr int kStrategyPerRequest = 1;
constexpr int kStrategySynch = 0;
constexpr int kStrategyAsynch = 2;
constexpr int kDefaultPort = 5432;
constexpr int kDefaultThreads = 5;

ACE_Time_Value ReceiveTimeout() {
  auto ms = config::MillisecondsFromEnvironment("VARNOK_RECV_TIMEOUT_MS", std::chrono::milliseconds(15000));
  if (ms.count() <= 0) ms = std::chrono::milliseconds(15000);
  ACE_Time_Value timeout;
  timeout.msec(static_cast<long>(ms.count()));
  return timeout;
}

// The pause after a failed accept.
constexpr std::chrono::milliseconds kAcceptPause{100};

}  // namespace

HTTP_Server::HTTP_Server(AppState& state, Stop_Signal* stop) : context_(state), stop_(stop ? *stop : own_stop_) {
  Server_Log::configure();
  context_.settings = HTTP_Settings::FromEnvironment(state.ModuleDirectory());
  context_.receive_timeout = ReceiveTimeout();
}

HTTP_Server::~HTTP_Server() {
  acceptor_.close();
  context_.cgi_children.reap();
}

void HTTP_Server::init(int argc, char** argv) {
  port_ = threads_ = backlog_ = throttle_ = 0;
  caching_ = 1;
  int thread_strategy = kStrategyPool;
  int io_strategy = kStrategySynch;
  const char* program = argc > 0 ? argv[0] : "HTTP_Server";

  // Permuting order skips unknown options and stray words; with POSIXLY_CORRECT set
  // ACE_Get_Opt keeps strict order and stops at the first non-option word.
  ACE_Get_Opt options(argc, argv, "p:n:t:i:b:c:", 1, 0, ACE_Get_Opt::PERMUTE_ARGS);
  for (int c; (c = options()) != EOF;) {
    const char* arg = options.opt_arg();
    switch (c) {
      case 'p': port_ = std::atoi(arg); break;
      case 'n': threads_ = std::atoi(arg); break;
      case 'b': backlog_ = std::atoi(arg); break;
      case 't':
        if (std::strcmp(arg, "POOL") == 0) {
          thread_strategy = kStrategyPool;
        } else if (std::strcmp(arg, "PER_REQUEST") == 0) {
          thread_strategy = kStrategyPerRequest;
          throttle_ = 0;
        } else if (std::strcmp(arg, "THROTTLE") == 0) {
          thread_strategy = kStrategyPerRequest;
          throttle_ = 1;
        }
        break;
      case 'i':
        if (std::strcmp(arg, "SYNCH") == 0) io_strategy = kStrategySynch;
        else if (std::strcmp(arg, "ASYNCH") == 0) io_strategy = kStrategyAsynch;
        break;
      case 'c': caching_ = std::strcmp(arg, "NO_CACHE") == 0 ? 0 : 1; break;
      default: break;
    }
  }
  if (port_ <= 0) port_ = kDefaultPort;
  if (threads_ <= 0) threads_ = kDefaultThreads;
  if (backlog_ <= 0) backlog_ = threads_;
  strategy_ = io_strategy | thread_strategy;
  ACE_DEBUG((LM_DEBUG, "in HTTP_Server::init, %s port = %d, number of threads = %d\n", program, port_, threads_));
}

std::unique_ptr<Connection_Factory> HTTP_Server::make_factory() {
  // ASYNCH with POOL has no factory of its own; its connections are served
  // synchronously on the pool like every other.
  if (caching_) return std::unique_ptr<Connection_Factory>(new (std::nothrow) Filecache_Connection_Factory(context_));
  return std::unique_ptr<Connection_Factory>(new (std::nothrow) Plain_Connection_Factory(context_));
}

int HTTP_Server::run_server(int argc, char** argv) {
  init(argc, argv);
  if (any_free_port_) port_ = 0;
  std::unique_ptr<Connection_Factory> factory = make_factory();
  if (!factory) {
    errno = ENOMEM;
    return -1;
  }
  factory_name_ = factory->name();
  return serve_connections(*factory);
}

int HTTP_Server::accepting_threads() const {
  const int cores = static_cast<int>(std::thread::hardware_concurrency());
  return std::max(1, std::min(cores > 0 ? cores : 1, threads_));
}

int HTTP_Server::serve_connections(Connection_Factory& factory) {
  // Loopback only: the server hands out local files, runs CGI programs and changes
  // the application state on request.
  if (acceptor_.open(port_, backlog_) == -1) {
    ACE_ERROR((LM_ERROR, "%p\n", "HTTP_Acceptor::open"));
    return kPortUnavailable;
  }
  context_.port = acceptor_.port();
  // Local URLs, the side pages and the shutdown wake-up must reach the port really used.
  context_.state.SetPort(std::to_string(context_.port));
  context_.state.WriteCommandPages();
  context_.connections.reopen();
  // Serving threads reach the dispatcher through its singleton, whose first-use check
  // is not safe against several threads at once: it exists before they start.
  TheCommandDispatcher::Instance();

  platform::SharedMemoryToken token(config::SiteUrl());
  serving_factory_ = &factory;
  pool_ = std::make_unique<Handoff_Pool>(static_cast<size_t>(threads_), static_cast<size_t>(backlog_));
  // Every thread's wait is made here, so the server holds all its descriptors from the
  // start rather than as its threads come up.
  const int accepting = accepting_threads();
  waiters_.clear();
  for (int i = 0; i < accepting; ++i)
    waiters_.push_back(std::make_unique<HTTP_Acceptor::Waiter>(acceptor_, stop_.handle()));
  next_waiter_.store(0);
  int result = 0;
  if (thread_manager_.spawn_n(static_cast<size_t>(accepting), &HTTP_Server::accepting_thread, this,
                              THR_NEW_LWP | THR_JOINABLE) == -1) {
    ACE_ERROR((LM_ERROR, "%p\n", "ACE_Thread_Manager::spawn_n"));
    stop_.request();
    result = -1;
  }
  Port_Report::publish(context_.port);
  stop_.wait();
  // Whatever the clients do, the connections still open end now, and with them the
  // threads serving them.
  context_.connections.cut_all();
  thread_manager_.wait();
  pool_->finish();
  pool_.reset();
  waiters_.clear();
  acceptor_.close();
  return result;
}

ACE_THR_FUNC_RETURN HTTP_Server::accepting_thread(void* server) {
  static_cast<HTTP_Server*>(server)->serve_until_stopped();
  return 0;
}

void HTTP_Server::serve_until_stopped() {
  platform::OpenPeerOwnerQueries();
  HTTP_Acceptor::Waiter& waiter = *waiters_[next_waiter_++];
  Arriving_Heads heads(waiter);
  while (!stopping()) {
    HTTP_Acceptor::Accepted accepted;
    void* readable = nullptr;
    const int got = waiter.wait(&accepted, &readable, heads.milliseconds_to_deadline());
    if (got == HTTP_Acceptor::Waiter::kAccepted && !take_accepted(accepted, heads)) break;
    if (got == HTTP_Acceptor::Waiter::kReadable)
      if (HTTP_Handler* handler = heads.take(readable)) go_on(handler, handler->continue_without_waiting(), heads);
    if (got < 0) pause_after_failed_accept();
    // A client past its deadline is given up on by going on with it: its receive fails.
    for (HTTP_Handler* handler : heads.take_expired()) go_on(handler, handler->continue_without_waiting(), heads);
  }
  // The first thread to notice tells the others and the server thread waiting for it.
  stop_.request();
}

bool HTTP_Server::stopping() const { return stop_.requested() || context_.state.QuitFlag(); }

void HTTP_Server::pause_after_failed_accept() {
  // Out of descriptors or buffers: the listener stays, and the next try comes once
  // serving threads had a moment to give descriptors back. A run of the same failure
  // is logged once.
  const int error = errno;
  if (accept_failure_.exchange(error) != error) ACE_ERROR((LM_ERROR, "%p\n", "HTTP_Acceptor::accept"));
  stop_.sleep_for(kAcceptPause);
}

bool HTTP_Server::take_accepted(const HTTP_Acceptor::Accepted& accepted, Arriving_Heads& heads) {
  if (accept_failure_.load(std::memory_order_relaxed) != 0) accept_failure_.store(0);
  // The shutdown wake-up, or anything that arrived with it, is neither read nor answered.
  if (stopping()) {
    ::close(accepted.handle);
    return false;
  }
  if (throttle_) throttle_wait();
  serve_accepted(accepted, heads);
  return true;
}

void HTTP_Server::serve_accepted(const HTTP_Acceptor::Accepted& accepted, Arriving_Heads& heads) {
  ACE_Message_Block* block = new (std::nothrow) ACE_Message_Block(kBlockSize);
  HTTP_Handler* handler = block && block->base() ? serving_factory_->create_handler() : nullptr;
  // Without memory for this connection it is closed unanswered; the server goes on.
  const bool done = !handler || handler->take_connection_without_waiting(accepted.handle, block, accepted.addresses);
  if (!handler) ::close(accepted.handle);
  // The handler holds its own reference, which another thread may release from now on.
  if (block) block->release();
  go_on(handler, done, heads);
}

void HTTP_Server::go_on(HTTP_Handler* handler, bool done, Arriving_Heads& heads) {
  if (!done && !(handler->waits_for_request_head() && heads.add(handler)) && !pool_->hand_over(handler))
    handler->serve_rest();
  context_.cgi_children.reap();
}

void HTTP_Server::throttle_wait() {
  ACE_Time_Value pause(0, 10);
  while (static_cast<int>(thread_manager_.count_threads()) > threads_) thread_manager_.wait(&pause);
}
