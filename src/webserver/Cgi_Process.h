#pragma once
#include <ace/Process.h>
#include <signal.h>

// A CGI program's process. The program blocks its shutdown signals in every thread
// (only the main loop takes them), and a blocked mask survives exec; the child starts
// with none blocked so the program it runs can be stopped normally.
class Cgi_Process : public ACE_Process {
 protected:
  void child(pid_t) override {
    sigset_t none;
    sigemptyset(&none);
    pthread_sigmask(SIG_SETMASK, &none, nullptr);
  }
};
