#pragma once

struct Server_Context;
class HTTP_Handler;
class Socket_IO;

// Makes the handler of each accepted connection together with the I/O object of the
// factory's kind, and takes both back when the connection is done.
class Connection_Factory {
 public:
  explicit Connection_Factory(Server_Context& context) : context_(context) {}
  virtual ~Connection_Factory() = default;

  // Null (errno ENOMEM) when either object cannot be allocated.
  HTTP_Handler* create_handler();
  // Deletes the I/O object first, which closes the socket, then the handler.
  void destroy_handler(HTTP_Handler* handler, Socket_IO* io);

  virtual const char* name() const = 0;

 protected:
  virtual Socket_IO* make_io() = 0;
  Server_Context& context() { return context_; }

 private:
  Server_Context& context_;
};
