#pragma once
#include <ace/SOCK_Stream.h>
#include <ace/Time_Value.h>

#include <cstddef>

class ACE_Message_Block;
class IO_Completion;

// The socket side of one connection. Every operation reports its outcome by calling
// back into the handler before it returns; the object closes the socket when destroyed.
class Socket_IO {
 public:
  explicit Socket_IO(const ACE_Time_Value& timeout) : timeout_(timeout) {}
  virtual ~Socket_IO();
  Socket_IO(const Socket_IO&) = delete;
  Socket_IO& operator=(const Socket_IO&) = delete;

  void set_handler(IO_Completion* handler) { handler_ = handler; }
  ACE_HANDLE socket_handle() const { return stream_.get_handle(); }
  void set_socket_handle(ACE_HANDLE handle);

  // Receives up to `n` bytes after the block's data. A silent peer is given up on after
  // the time-out, like a failed receive, so it cannot hold the server.
  void read(ACE_Message_Block& block, size_t n);
  virtual void send_file(const char* path, const char* header, size_t headerLength, const char* trailer,
                         size_t trailerLength) = 0;
  virtual void receive_file(const char* path, const char* initial, size_t initialLength, size_t total) = 0;
  void send_reply(const char* bytes, size_t length);
  void send_error_reply(const char* bytes, size_t length);

 protected:
  // Sends everything (a peer that stops reading is given up on after the time-out).
  bool send_bytes(const void* bytes, size_t length);
  bool receive_bytes(void* bytes, size_t length);
  IO_Completion& handler() { return *handler_; }

 private:
  IO_Completion* handler_ = nullptr;
  ACE_SOCK_Stream stream_;
  ACE_Time_Value timeout_;
};
