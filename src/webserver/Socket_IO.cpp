#include "webserver/Socket_IO.h"

#include <ace/Message_Block.h>
#include <ace/OS_NS_sys_socket.h>
#include <sys/socket.h>

#include <cerrno>

#include "webserver/IO_Completion.h"

Socket_IO::~Socket_IO() { stream_.close(); }

void Socket_IO::set_socket_handle(ACE_HANDLE handle) {
  stream_.set_handle(handle);
  // The kernel enforces the time-out on every receive and send: cheaper than waiting
  // for readiness before each call, and a silent peer ends the call with an error.
  timeval limit = timeout_;
  stream_.set_option(SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  stream_.set_option(SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
}

void Socket_IO::read(ACE_Message_Block& block, size_t n) {
  ssize_t got;
  do {
    got = ACE_OS::recv(stream_.get_handle(), block.wr_ptr(), n, 0);
  } while (got < 0 && errno == EINTR);
  if (got > 0) {
    block.wr_ptr(static_cast<size_t>(got));
    handler_->on_read(block);
  } else {
    handler_->on_read_failed();
  }
}

bool Socket_IO::send_bytes(const void* bytes, size_t length) {
  const char* next = static_cast<const char*>(bytes);
  while (length > 0) {
    ssize_t sent = ACE_OS::send(stream_.get_handle(), next, length, MSG_NOSIGNAL);
    if (sent <= 0) {
      if (sent < 0 && errno == EINTR) continue;
      return false;
    }
    next += sent;
    length -= static_cast<size_t>(sent);
  }
  return true;
}

bool Socket_IO::receive_bytes(void* bytes, size_t length) {
  char* next = static_cast<char*>(bytes);
  while (length > 0) {
    ssize_t got = ACE_OS::recv(stream_.get_handle(), next, length, 0);
    if (got <= 0) {
      if (got < 0 && errno == EINTR) continue;
      return false;
    }
    next += got;
    length -= static_cast<size_t>(got);
  }
  return true;
}

void Socket_IO::send_reply(const char* bytes, size_t length) {
  send_bytes(bytes, length);
  handler_->on_reply_sent();
}

void Socket_IO::send_error_reply(const char* bytes, size_t length) {
  send_bytes(bytes, length);
  handler_->on_error_reply_sent();
}
