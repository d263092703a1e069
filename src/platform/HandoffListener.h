#pragma once
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace platform {

// The running program's end of the hand-off: a Unix-domain socket (mode 0600, in a
// private directory, or an abstract one) on a thread of its own. Each connection from a process of this
// account delivers one HandoffMessage; the handler's answer goes back to the sender.
// A connection from another account is closed before anything is read; a message that
// is too big, malformed or too slow in coming gets no answer and reaches no handler.
class HandoffListener {
 public:
  // Called on the listener's thread with the items of one message; returns the answer.
  using Handler = std::function<std::string(const std::vector<std::string>& items)>;

  HandoffListener() = default;
  ~HandoffListener();
  HandoffListener(const HandoffListener&) = delete;
  HandoffListener& operator=(const HandoffListener&) = delete;

  // Listens at `socketPath`. A socket file left there by a program that has ended is
  // replaced; one that still answers is left alone and Start fails.
  bool Start(const std::string& socketPath, Handler handler, std::string* error);
  // Stops the thread and removes the socket file. Safe to call more than once.
  void Stop();
  bool listening() const { return listener_ >= 0; }

 private:
  void Loop();
  void Serve(int connection);

  std::string path_;
  Handler handler_;
  int listener_ = -1;
  int wake_[2] = {-1, -1};
  std::thread thread_;
};

}  // namespace platform
