#pragma once
#include <ace/Task.h>

#include <functional>

class Open_Connections;

// A fixed number of threads serving accepted connections, fed through a bounded queue.
// While every thread is busy and the queue is full, the accept loop waits in submit(),
// so further clients wait in the listen backlog instead of being refused.
class Connection_Pool : public ACE_Task<ACE_MT_SYNCH> {
 public:
  // Serves one accepted connection to its end; the callee owns and closes the socket.
  using Serve = std::function<void(ACE_HANDLE)>;
  // Asked while submit() waits for room: true gives the connection up.
  using GiveUp = std::function<bool()>;

  Connection_Pool(ACE_Thread_Manager& threads, Open_Connections& open, Serve serve);
  ~Connection_Pool() override;

  // Starts `threads` threads with room for `queued` connections waiting; -1 on failure.
  int start(int threads, int queued);
  // Hands a connection to the pool. False when it was closed instead (no room could
  // be had before `give_up` said so, or the pool is stopping).
  bool submit(ACE_HANDLE handle, const GiveUp& give_up);
  // Cuts the connections being served, closes the waiting ones unanswered and joins
  // the threads. Called once the accept loop has ended.
  void stop();

  int svc() override;

 private:
  static ACE_HANDLE take_handle(ACE_Message_Block* message);
  void close_waiting();

  Open_Connections& open_;
  Serve serve_;
  bool started_ = false;
};
