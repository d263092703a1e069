#include "webserver/HTTP_Handler.h"

#include <ace/Log_Msg.h>
#include <ace/Message_Block.h>

#include <algorithm>
#include <cstdio>
#include <exception>

#include "webserver/Connection_Factory.h"
#include "webserver/Server_Context.h"
#include "webserver/Socket_IO.h"

namespace {

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

void HTTP_Handler::start(ACE_HANDLE handle, ACE_Message_Block* block) {
  ACE_DEBUG((LM_DEBUG, "(%t) New connection\n"));
  // The socket buffers were sized on the listening socket, which every accepted
  // socket inherits them from.
  handle_ = handle;
  io_.set_socket_handle(handle);
  block_ = block->duplicate();
}

void HTTP_Handler::take_connection(ACE_HANDLE handle, ACE_Message_Block* block) {
  start(handle, block);
  guarded([this] { serve(); });
  // Every path ends in finish(); the handler and its I/O go here, after the last
  // callback has returned, and nothing of this object is touched afterwards.
  factory_.destroy_handler(this, &io_);
}

bool HTTP_Handler::take_connection_without_waiting(ACE_HANDLE handle, ACE_Message_Block* block,
                                                   const platform::ConnectionAddresses& addresses) {
  io_.forbid_waiting();
  addresses_ = &addresses;
  start(handle, block);
  const bool done = continue_without_waiting();
  // Admitting is the first step, so whatever follows needs no addresses.
  if (!done) addresses_ = nullptr;
  return done;
}

bool HTTP_Handler::continue_without_waiting() {
  would_wait_ = false;
  guarded([this] { serve(); });
  if (would_wait_ || io_.close_needs_waiting()) return false;
  factory_.destroy_handler(this, &io_);
  return true;
}

void HTTP_Handler::abandon() { factory_.destroy_handler(this, &io_); }

void HTTP_Handler::serve_rest() {
  io_.allow_waiting();
  would_wait_ = false;
  guarded([this] {
    io_.send_unsent();
    serve();
  });
  factory_.destroy_handler(this, &io_);
}

template <typename Part>
void HTTP_Handler::guarded(Part part) {
  // A failure inside one connection (memory, an exception of a library) ends that
  // connection only: the server and the program go on.
  try {
    part();
    return;
  } catch (const std::exception& failure) {
    ACE_ERROR((LM_ERROR, "(%t) connection ended: %s\n", failure.what()));
  } catch (...) {
    ACE_ERROR((LM_ERROR, "(%t) connection ended by an unknown failure\n"));
  }
  step_ = Step::Done;
  would_wait_ = false;
}

void HTTP_Handler::serve() {
  // The receive-parse cycle runs as a loop rather than as nested callbacks, so a peer
  // that sends one byte at a time cannot deepen the stack.
  while (step_ != Step::Done && !would_wait_) {
    const Step step = step_;
    run_step(step);
    if (would_wait_) step_ = step;
  }
}

void HTTP_Handler::run_step(Step step) {
  switch (step) {
    case Step::Admit:
      step_ = admission_.admit_connection(handle_, addresses_) ? Step::Parse : Step::Done;
      break;
    case Step::Parse:
      parse();
      break;
    case Step::Read:
      io_.read(*block_, kBufferSize - block_->length());
      break;
    case Step::Answer:
      answer();
      break;
    case Step::RejectTooLong:
      reject_too_long();
      break;
    case Step::Done:
      break;
  }
}

void HTTP_Handler::finish() { step_ = Step::Done; }

// The data is parsed as a step of its own, so a parse that needs waiting is done again
// without receiving again.
void HTTP_Handler::on_read(ACE_Message_Block&) { step_ = Step::Parse; }

void HTTP_Handler::parse() {
  // Mapping a user directory asks the password database, which may be slow to answer.
  if (!io_.may_wait() && !request_.request_line_seen() && HTTP_Request::names_account(*block_))
    return on_would_wait();
  if (request_.parse(*block_))
    step_ = Step::Answer;
  else if (block_->length() >= kBufferSize || io_.bytes_received() >= kHeadLimit)
    step_ = Step::RejectTooLong;
  else
    step_ = Step::Read;
}

void HTTP_Handler::answer() {
  if (!io_.may_wait() && !response_.answers_without_waiting()) return on_would_wait();
  step_ = Step::Done;
  if (admission_.admit_request(request_, response_)) response_.respond();
}

void HTTP_Handler::on_would_wait() { would_wait_ = true; }

void HTTP_Handler::reject_too_long() {
  step_ = Step::Done;
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
