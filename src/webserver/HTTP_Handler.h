#pragma once
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
class HTTP_Handler : public IO_Completion {
 public:
  static constexpr size_t kBufferSize = 8192;  // data bytes; the block has one more
  // The most a whole request head may take, however short its lines.
  static constexpr size_t kHeadLimit = 64 * 1024;

  HTTP_Handler(Connection_Factory& factory, Socket_IO& io, Server_Context& context);
  ~HTTP_Handler() override;

  // Serves the connection to its end. The handler is destroyed before this returns.
  void take_connection(ACE_HANDLE handle, ACE_Message_Block* block);
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

 private:
  enum class Next { Nothing, Read, Done };

  // Receives, parses and answers until the connection is done.
  void serve();
  static int status_of_code(int code);
  const char* uri_or_dash() const;

  Connection_Factory& factory_;
  ACE_Message_Block* block_ = nullptr;
  ACE_HANDLE handle_ = ACE_INVALID_HANDLE;
  HTTP_Request request_;
  HTTP_Response response_;
  Socket_IO& io_;
  const Admission& admission_;
  Next next_ = Next::Nothing;
};
