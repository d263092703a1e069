#include "webserver/Socket_IO.h"

#include <ace/Message_Block.h>
#include <sys/socket.h>

#include "webserver/IO_Completion.h"

Socket_IO::~Socket_IO() { stream_.close(); }

void Socket_IO::read(ACE_Message_Block& block, size_t n) {
  ssize_t got = stream_.recv(block.wr_ptr(), n, &timeout_);
  if (got > 0) {
    block.wr_ptr(static_cast<size_t>(got));
    handler_->on_read(block);
  } else {
    handler_->on_read_failed();
  }
}

bool Socket_IO::send_bytes(const void* bytes, size_t length) {
  if (length == 0) return true;
  size_t sent = 0;
  stream_.send_n(bytes, length, MSG_NOSIGNAL, &timeout_, &sent);
  return sent == length;
}

bool Socket_IO::receive_bytes(void* bytes, size_t length) {
  if (length == 0) return true;
  size_t got = 0;
  stream_.recv_n(bytes, length, 0, &timeout_, &got);
  return got == length;
}

void Socket_IO::send_reply(const char* bytes, size_t length) {
  send_bytes(bytes, length);
  handler_->on_reply_sent();
}

void Socket_IO::send_error_reply(const char* bytes, size_t length) {
  send_bytes(bytes, length);
  handler_->on_error_reply_sent();
}
