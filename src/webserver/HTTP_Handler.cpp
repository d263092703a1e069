#include "webserver/HTTP_Handler.h"

#include <ace/Log_Msg.h>
#include <ace/Message_Block.h>
#include <ace/OS_NS_sys_socket.h>

#include <algorithm>
#include <cstdio>
#include <exception>

#include "webserver/Connection_Factory.h"
#include "webserver/Server_Context.h"
#include "webserver/Socket_IO.h"

namespace {

constexpr int kSocketBufferSize = 65536;

void SetBufferSize(ACE_HANDLE handle, int option, const char* label) {
  int size = kSocketBufferSize;
  if (ACE_OS::setsockopt(handle, SOL_SOCKET, option, reinterpret_cast<const char*>(&size), sizeof size) == -1)
    ACE_ERROR((LM_ERROR, "%p\n", label));
}

// The length of what snprintf really left in a buffer of `size` bytes (a long version
// text from the client is cut at the buffer's end).
size_t ReplyLength(int formatted, size_t size) {
  if (formatted < 0) return 0;
  return std::min(static_cast<size_t>(formatted), size - 1);
}

}  // namespace

HTTP_Handler::HTTP_Handler(Connection_Factory& factory, Socket_IO& io, Server_Context& context)
    : factory_(factory),
      request_(context.settings),
      response_(io, request_, *this, context),
      io_(io),
      admission_(context.admission) {}

HTTP_Handler::~HTTP_Handler() {
  if (block_) block_->release();
}

void HTTP_Handler::take_connection(ACE_HANDLE handle, ACE_Message_Block* block) {
  ACE_DEBUG((LM_DEBUG, "(%t) New connection\n"));
  SetBufferSize(handle, SO_RCVBUF, "SO_RCVBUF");
  SetBufferSize(handle, SO_SNDBUF, "SO_SNDBUF");
  handle_ = handle;
  io_.set_socket_handle(handle);
  block_ = block->duplicate();

  // A failure inside one connection (memory, an exception of a library) ends that
  // connection only: the server and the program go on.
  try {
    serve();
  } catch (const std::exception& failure) {
    ACE_ERROR((LM_ERROR, "(%t) connection ended: %s\n", failure.what()));
  } catch (...) {
    ACE_ERROR((LM_ERROR, "(%t) connection ended by an unknown failure\n"));
  }
  // Every path ends in finish(); the handler and its I/O go here, after the last
  // callback has returned, and nothing of this object is touched afterwards.
  factory_.destroy_handler(this, &io_);
}

void HTTP_Handler::serve() {
  // The receive-parse cycle runs as a loop rather than as nested callbacks, so a peer
  // that sends one byte at a time cannot deepen the stack.
  if (admission_.admit_connection(handle_)) on_read(*block_);
  while (next_ == Next::Read) {
    next_ = Next::Nothing;
    io_.read(*block_, kBufferSize - block_->length());
  }
}

void HTTP_Handler::finish() { next_ = Next::Done; }

void HTTP_Handler::on_read(ACE_Message_Block& block) {
  if (request_.parse(block)) {
    if (admission_.admit_request(request_, response_)) response_.respond();
  } else if (block.length() >= kBufferSize || io_.bytes_received() >= kHeadLimit) {
    reject_too_long();
  } else {
    next_ = Next::Read;
  }
}

void HTTP_Handler::reject_too_long() {
  ACE_DEBUG((LM_DEBUG, " (%t) request too long\n"));
  response_.send_error_page(400, "request too long");
}

void HTTP_Handler::on_read_failed() {
  ACE_DEBUG((LM_DEBUG, " (%t) error in reading request\n"));
  finish();
}

const char* HTTP_Handler::uri_or_dash() const { return request_.uri() ? request_.uri() : "-"; }

void HTTP_Handler::on_file_sent() {
  ACE_DEBUG((LM_DEBUG, " (%t) %s transmitted successfully\n", uri_or_dash()));
  finish();
}

int HTTP_Handler::status_of_code(int code) {
  switch (code) {
    case 1:
    case 2:
    case 6:
      return 404;
    case 3:
    case 4:
    case 5:
      return 403;
    default:
      return 500;
  }
}

void HTTP_Handler::on_send_file_failed(int code) {
  ACE_DEBUG((LM_DEBUG, " (%t) %s error in transmitting file\n", uri_or_dash()));
  // Once part of the answer is out, an error page would land inside it as if it were
  // the file's content: the client learns of the failure by the early close instead.
  if (io_.bytes_sent() > 0) return finish();
  response_.send_error_page(status_of_code(code), "error in transmitting file");
}

void HTTP_Handler::on_file_received() {
  ACE_DEBUG((LM_DEBUG, " (%t) %s received successfully\n", uri_or_dash()));
  char line[512];
  int length = std::snprintf(line, sizeof line, "%s %d %s\r\n", request_.version() ? request_.version() : "HTTP/0.9",
                             200, "Successful");
  io_.send_reply(line, ReplyLength(length, sizeof line));
}

void HTTP_Handler::on_receive_file_failed(int code) {
  ACE_DEBUG((LM_DEBUG, " (%t) %s error in receiving file\n", uri_or_dash()));
  // The client may still be sending the upload it was refused.
  io_.linger_before_close();
  char line[512];
  int length = std::snprintf(line, sizeof line, "%s %d %s", request_.version() ? request_.version() : "HTTP/0.9",
                             status_of_code(code), "Failed");
  io_.send_reply(line, ReplyLength(length, sizeof line));
}

void HTTP_Handler::on_reply_sent() { finish(); }

void HTTP_Handler::on_error_reply_sent() { finish(); }
