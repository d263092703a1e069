#pragma once

class ACE_Message_Block;

// What a connection's I/O reports back: every outcome of a receive, a file transfer or
// a reply ends in exactly one of these calls.
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
};
