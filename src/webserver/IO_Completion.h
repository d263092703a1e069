#pragma once

class ACE_Message_Block;

// What a connection's I/O reports back: every outcome of a receive, a file transfer or
// a reply ends in exactly one of these calls. An I/O object that may not wait reports
// an operation it cannot finish without waiting by on_would_wait, having done nothing
// the client could see: the operation is to be tried again where waiting is allowed.
class IO_Completion {
 public:
  virtual ~IO_Completion() = default;
  virtual void on_read(ACE_Message_Block& block) = 0;
  virtual void on_read_failed() = 0;
  virtual void on_file_sent() = 0;
  virtual void on_send_file_failed(int code) = 0;
  virtual void on_file_received() = 0;
  virtual void on_receive_file_failed(int code) = 0;
  virtual void on_reply_sent() = 0;
  virtual void on_error_reply_sent() = 0;
  virtual void on_would_wait() = 0;
};
