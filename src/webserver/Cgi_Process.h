#pragma once
#include <ace/Process.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>

// A CGI program's process. The program blocks its shutdown signals in every thread
// (only the main loop takes them), and a blocked mask survives exec; the child starts
// with none blocked so the program it runs can be stopped normally.
//
// The child also closes every descriptor but its connection: other threads open files
// and sockets while it is forked (a page being rewritten, another client's
// connection), and a program holding one of them could write to the page or keep that
// client waiting for the end of its answer.
class Cgi_Process : public ACE_Process {
 public:
  explicit Cgi_Process(const ACE_Process_Options& options)
      : keep_{options.get_stdin(), options.get_stdout(), options.get_stderr()} {}

 protected:
  void child(pid_t) override {
    sigset_t none;
    sigemptyset(&none);
    pthread_sigmask(SIG_SETMASK, &none, nullptr);
    std::sort(keep_, keep_ + 3);
    unsigned first = 3;
    for (int handle : keep_) {
      if (handle < static_cast<int>(first)) continue;
      if (handle > static_cast<int>(first)) ::close_range(first, static_cast<unsigned>(handle) - 1, 0);
      first = static_cast<unsigned>(handle) + 1;
    }
    ::close_range(first, ~0U, 0);
  }

 private:
  int keep_[3];
};
