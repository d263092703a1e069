#include "webserver/Connection_Factory.h"

#include <cerrno>
#include <new>

#include "webserver/Filecache_Connection_Factory.h"
#include "webserver/Filecache_Socket_IO.h"
#include "webserver/HTTP_Handler.h"
#include "webserver/Plain_Connection_Factory.h"
#include "webserver/Plain_Socket_IO.h"
#include "webserver/Server_Context.h"

HTTP_Handler* Connection_Factory::create_handler() {
  Socket_IO* io = make_io();
  HTTP_Handler* handler = io ? new (std::nothrow) HTTP_Handler(*this, *io, context_) : nullptr;
  if (!handler) {
    delete io;
    errno = ENOMEM;
    return nullptr;
  }
  io->set_handler(handler);
  return handler;
}

void Connection_Factory::destroy_handler(HTTP_Handler* handler, Socket_IO* io) {
  delete io;
  delete handler;
}

Socket_IO* Plain_Connection_Factory::make_io() {
  return new (std::nothrow) Plain_Socket_IO(context().receive_timeout, &context().connections);
}

Socket_IO* Filecache_Connection_Factory::make_io() {
  return new (std::nothrow) Filecache_Socket_IO(context().receive_timeout, &context().connections);
}
