#pragma once
#include <chrono>

#include "platform/SocketOwner.h"
#include "webserver/HTTP_Request.h"
#include "webserver/HTTP_Response.h"
#include "webserver/IO_Completion.h"
#include "webserver/Socket_IO.h"

class ACE_Message_Block;
class Admission;
class Connection_Factory;
struct Server_Context;

// Serves one accepted connection: receives the request head, lets the request parse it
// after every receive, has the response answer it, turns file-transfer outcomes into
// status lines, and finally hands itself back to its factory, which closes the socket.
// Handlers of different connections run on different threads at once; each touches
// only its own connection and the shared context.
//
// A connection can also be served in two parts: first on a thread that must never wait
// (for a client, a program, the disk's slow paths or the password database), as far
// as that goes, then on a thread that may wait, from the step that needed waiting.
class HTTP_Handler : public IO_Completion {
 public:
  static constexpr size_t kBufferSize = 8192;  // data bytes; the block has one more
  // The most a whole request head may take, however short its lines.
  static constexpr size_t kHeadLimit = 64 * 1024;

  HTTP_Handler(Connection_Factory& factory, Socket_IO& io, Server_Context& context);
  ~HTTP_Handler() override;

  // Serves the connection to its end. The handler is destroyed before this returns.
  void take_connection(ACE_HANDLE handle, ACE_Message_Block* block);
  // Serves the connection as far as it goes without waiting. True: it was served to its
  // end and the handler is destroyed. False: serve_rest() must follow, on a thread that
  // may wait.
  bool take_connection_without_waiting(ACE_HANDLE handle, ACE_Message_Block* block,
                                       const platform::ConnectionAddresses& addresses);
  // Goes on as far as it goes without waiting, after more of the request head arrived
  // (or its deadline passed); true and false as take_connection_without_waiting.
  bool continue_without_waiting();
  // Whether what the connection waits for is more of its request head, which the
  // accepting thread can wait for itself.
  bool waits_for_request_head() const { return would_wait_ && step_ == Step::Read && !io_.close_needs_waiting(); }
  ACE_HANDLE handle() const { return handle_; }
  std::chrono::steady_clock::time_point head_deadline() const { return io_.head_deadline(); }
  // Serves what take_connection_without_waiting left, to the end; destroys the handler.
  void serve_rest();
  // Closes the connection unanswered (a stopping server); destroys the handler.
  void abandon();
  // Marks the connection done; take_connection releases the handler once the callback
  // chain that called this has returned.
  void finish();
  void reject_too_long();

  void on_read(ACE_Message_Block& block) override;
  void on_read_failed() override;
  void on_file_sent() override;
  void on_send_file_failed(int code) override;
  void on_file_received() override;
  void on_receive_file_failed(int code) override;
  void on_reply_sent() override;
  void on_error_reply_sent() override;
  void on_would_wait() override;

 private:
  // What comes next on the connection. A step that needs waiting where none is allowed
  // is left as it was and done again on a thread that may wait.
  enum class Step { Admit, Parse, Read, Answer, RejectTooLong, Done };

  void start(ACE_HANDLE handle, ACE_Message_Block* block);
  // Runs the steps until the connection is done or a step needs waiting.
  void serve();
  void run_step(Step step);
  void parse();
  void answer();
  // Runs `part` so that a failure inside it ends this connection only.
  template <typename Part>
  void guarded(Part part);
  static int status_of_code(int code);
  const char* uri_or_dash() const;

  Connection_Factory& factory_;
  ACE_Message_Block* block_ = nullptr;
  ACE_HANDLE handle_ = ACE_INVALID_HANDLE;
  HTTP_Request request_;
  HTTP_Response response_;
  Socket_IO& io_;
  const Admission& admission_;
  const platform::ConnectionAddresses* addresses_ = nullptr;  // only while admitting
  Step step_ = Step::Admit;
  bool would_wait_ = false;
};
