#pragma once
#include <ace/SOCK_Stream.h>
#include <ace/Time_Value.h>

#include <sys/uio.h>

#include <chrono>
#include <cstddef>
#include <string>

class ACE_Message_Block;
class IO_Completion;
class Open_Connections;

// The socket side of one connection. Every operation reports its outcome by calling
// back into the handler before it returns; the object closes the socket when destroyed.
//
// Time limits are kept by waiting for readiness with poll(), never by socket options:
// a CGI program inherits the socket, and must not inherit our time-outs with it.
class Socket_IO {
 public:
  // Failure codes of file transfers, as the handler maps them to statuses.
  static constexpr int kNotReadable = 1;
  static constexpr int kOpenFailed = 2;
  static constexpr int kStatFailed = 4;
  static constexpr int kCreateFailed = 5;  // also: an upload this I/O refuses
  static constexpr int kWriteFailed = 6;
  static constexpr int kTransferFailed = -1;

  // `timeout`: the time the whole request head may take, and the longest wait without
  // progress while sending or receiving. `open`, when given, is told of the socket for
  // as long as it is open, so a stopping server can cut it.
  explicit Socket_IO(const ACE_Time_Value& timeout, Open_Connections* open = nullptr);
  virtual ~Socket_IO();
  Socket_IO(const Socket_IO&) = delete;
  Socket_IO& operator=(const Socket_IO&) = delete;

  // A file up to this size goes out in one system call with its header.
  static constexpr size_t kPieceSize = 64 * 1024;

  void set_handler(IO_Completion* handler) { handler_ = handler; }
  ACE_HANDLE socket_handle() const { return stream_.get_handle(); }
  // Takes the connection; its request head must be complete within the time-out.
  void set_socket_handle(ACE_HANDLE handle);

  // Receives up to `n` bytes after the block's data. A client that has not completed
  // its request head in time is given up on like a failed receive, however it trickles.
  void read(ACE_Message_Block& block, size_t n);
  // Sends the header, the regular file at `path` and the trailer. The file goes out in
  // pieces of a bounded buffer, so a file of any size costs the same memory; it is
  // opened without waiting (a pipe under that name would block on open).
  void send_file(const char* path, const char* header, size_t headerLength, const char* trailer,
                 size_t trailerLength);
  // The same for a file already opened for reading, which this takes and closes.
  void send_open_file(int fd, const char* header, size_t headerLength, const char* trailer, size_t trailerLength);
  // Answers for a file that could not be opened, `error` being the open's errno.
  void refuse_unopened_file(int error);
  virtual void receive_file(const char* path, const char* initial, size_t initialLength, size_t total) = 0;
  // Receives the next `length` bytes of the request into `fd`, in pieces: 0 when all
  // arrived and were written, else kTransferFailed or kWriteFailed.
  int receive_into(int fd, size_t length);
  void send_reply(const char* bytes, size_t length);
  // Sends an error answer; the close then lingers (see linger_before_close).
  void send_error_reply(const char* bytes, size_t length);

  // At close, shut the sending side first and read what the client still sends for a
  // moment: closing with unread data resets the connection, and the reset can destroy
  // an answer the client has not read yet.
  void linger_before_close() { linger_ = true; }

  // Without waiting, a receive that finds no data, and a file larger than one piece,
  // are reported by on_would_wait; what the socket cannot take at once is kept and sent
  // by send_unsent. Waiting is allowed again from allow_waiting on.
  void forbid_waiting() { may_wait_ = false; }
  void allow_waiting() { may_wait_ = true; }
  bool may_wait() const { return may_wait_; }
  // Whether closing the connection still needs waiting: bytes kept back, or a
  // lingering close.
  bool close_needs_waiting() const { return !unsent_.empty() || linger_; }
  // Sends what was kept back, waiting as needed; a client that stops reading is given up.
  void send_unsent();

  std::chrono::steady_clock::time_point head_deadline() const { return head_deadline_; }
  size_t bytes_sent() const { return bytes_sent_; }
  size_t bytes_received() const { return bytes_received_; }

 protected:
  // Sends everything; false when the client stopped taking data for the time-out.
  // `more`: further bytes follow at once, so a short piece waits to go out with them.
  bool send_bytes(const void* bytes, size_t length, bool more = false);
  // The same for several pieces, in one system call where the socket takes them all.
  bool send_pieces(iovec* pieces, int count, bool more = false);
  // Receives exactly `length` bytes; false on end, error or a silent client.
  bool receive_bytes(void* bytes, size_t length);
  IO_Completion& handler() { return *handler_; }

 private:
  using Clock = std::chrono::steady_clock;

  // True when the socket is ready for `events` (or in error) before `deadline`.
  bool wait_until(short events, Clock::time_point deadline) const;
  Clock::time_point idle_deadline() const { return Clock::now() + timeout_; }
  void drain_before_close();
  // The file's bytes, up to `size` of them; false when the file ended early or the
  // client stopped taking them.
  bool send_contents(int fd, size_t size);
  // Header, a file of at most one piece and trailer in one send.
  bool send_small_file(int fd, size_t size, const char* header, size_t headerLength, const char* trailer,
                       size_t trailerLength);

  IO_Completion* handler_ = nullptr;
  ACE_SOCK_Stream stream_;
  std::chrono::milliseconds timeout_;
  Open_Connections* open_;
  Clock::time_point head_deadline_{};
  size_t bytes_sent_ = 0;
  size_t bytes_received_ = 0;
  bool linger_ = false;
  bool may_wait_ = true;
  std::string unsent_;
};
