#include "webserver/HTTP_Server.h"

#include <ace/Get_Opt.h>
#include <ace/INET_Addr.h>
#include <ace/Log_Msg.h>
#include <ace/Message_Block.h>
#include <ace/SOCK_Stream.h>
#include <fcntl.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>

#include "app/AppState.h"
#include "app/Config.h"
#include "platform/SharedMemoryToken.h"
#include "webserver/Filecache_Connection_Factory.h"
#include "webserver/HTTP_Handler.h"
#include "webserver/Plain_Connection_Factory.h"
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

// CGI programs get the connection as their standard handles only, never the listening
// socket or another connection.
void CloseOnExec(ACE_HANDLE handle) { ::fcntl(handle, F_SETFD, FD_CLOEXEC); }

}  // namespace

HTTP_Server::HTTP_Server(AppState& state) : context_(state) {
  Server_Log::configure();
  context_.settings = HTTP_Settings::FromEnvironment(state.ModuleDirectory());
  context_.receive_timeout = ReceiveTimeout();
}

HTTP_Server::~HTTP_Server() {
  acceptor_.close();
  reap_cgi_children();
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
  // ASYNCH with POOL has no synchronous factory of its own; the server serves one
  // connection at a time on this thread anyway, so it gets the plain one.
  if (caching_) return std::unique_ptr<Connection_Factory>(new (std::nothrow) Filecache_Connection_Factory(context_));
  return std::unique_ptr<Connection_Factory>(new (std::nothrow) Plain_Connection_Factory(context_));
}

int HTTP_Server::run_server(int argc, char** argv) {
  init(argc, argv);
  std::unique_ptr<Connection_Factory> factory = make_factory();
  if (!factory) {
    errno = ENOMEM;
    return -1;
  }
  factory_name_ = factory->name();
  return serve_connections(*factory);
}

int HTTP_Server::serve_connections(Connection_Factory& factory) {
  // Loopback only: the server hands out local files, runs CGI programs and changes
  // the application state on request.
  ACE_INET_Addr address(static_cast<u_short>(port_), static_cast<ACE_UINT32>(INADDR_LOOPBACK));
  if (acceptor_.open(address, 1, PF_INET, backlog_, 0) == -1) {
    ACE_ERROR((LM_ERROR, "%p\n", "HTTP_Acceptor::open"));
    return kPortUnavailable;
  }
  CloseOnExec(acceptor_.get_handle());
  ACE_INET_Addr bound;
  acceptor_.get_local_addr(bound);
  context_.port = bound.get_port_number();
  // Local URLs, the side pages and the shutdown wake-up must reach the port really used.
  context_.state.SetPort(std::to_string(context_.port));
  context_.state.WriteCommandPages();

  auto token = std::make_unique<platform::SharedMemoryToken>(config::SiteUrl());
  for (;;) {
    if (context_.state.QuitFlag()) break;
    ACE_SOCK_Stream stream;
    if (acceptor_.accept(stream, nullptr, nullptr, true) == -1) {
      ACE_ERROR((LM_ERROR, "%p\n", "HTTP_Acceptor::accept"));
      acceptor_.close();
      // The token stays published until the process ends.
      token.release();
      return -1;
    }
    if (context_.state.QuitFlag()) {
      stream.close();
      break;
    }
    CloseOnExec(stream.get_handle());
    ACE_Message_Block* block = new (std::nothrow) ACE_Message_Block(kBlockSize);
    if (!block || !block->base()) {
      stream.close();
      delete block;
      errno = ENOMEM;
      acceptor_.close();
      token.release();
      return -1;
    }
    HTTP_Handler* handler = factory.create_handler();
    if (handler)
      handler->take_connection(stream.get_handle(), block);
    else
      stream.close();
    block->release();
    reap_cgi_children();
    if (throttle_) throttle_wait();
  }
  acceptor_.close();
  return 0;
}

void HTTP_Server::throttle_wait() {
  ACE_Time_Value pause(0, 10);
  while (static_cast<int>(thread_manager_.count_threads()) > threads_) thread_manager_.wait(&pause);
}

void HTTP_Server::reap_cgi_children() {
  auto& children = context_.cgi_children;
  for (auto it = children.begin(); it != children.end();) {
    if (::waitpid(*it, nullptr, WNOHANG) != 0)
      it = children.erase(it);
    else
      ++it;
  }
}
