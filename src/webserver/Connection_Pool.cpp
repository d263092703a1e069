#include "webserver/Connection_Pool.h"

#include <ace/OS_NS_sys_time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "webserver/Open_Connections.h"

namespace {

// How often a submit() waiting for room asks whether to give up.
const ACE_Time_Value kRoomCheck(0, 200 * 1000);

}  // namespace

Connection_Pool::Connection_Pool(ACE_Thread_Manager& threads, Open_Connections& open, Serve serve)
    : ACE_Task<ACE_MT_SYNCH>(&threads), open_(open), serve_(std::move(serve)) {}

Connection_Pool::~Connection_Pool() { stop(); }

int Connection_Pool::start(int threads, int queued) {
  // The queue counts bytes; each waiting connection is one handle's worth. Writers are
  // woken as soon as one connection has been taken.
  const size_t room = static_cast<size_t>(queued > 0 ? queued : 1) * sizeof(ACE_HANDLE);
  msg_queue()->high_water_mark(room);
  msg_queue()->low_water_mark(room);
  if (activate(THR_NEW_LWP | THR_JOINABLE, threads > 0 ? threads : 1) == -1) return -1;
  started_ = true;
  return 0;
}

bool Connection_Pool::submit(ACE_HANDLE handle, const GiveUp& give_up) {
  ACE_Message_Block* message = new (std::nothrow) ACE_Message_Block(sizeof handle);
  if (!message || !message->base()) {
    delete message;
    ::close(handle);
    return false;
  }
  message->copy(reinterpret_cast<const char*>(&handle), sizeof handle);
  for (;;) {
    ACE_Time_Value until = ACE_OS::gettimeofday() + kRoomCheck;
    if (putq(message, &until) != -1) return true;
    if (errno != EWOULDBLOCK || give_up()) break;
  }
  message->release();
  ::close(handle);
  return false;
}

ACE_HANDLE Connection_Pool::take_handle(ACE_Message_Block* message) {
  ACE_HANDLE handle;
  std::memcpy(&handle, message->rd_ptr(), sizeof handle);
  message->release();
  return handle;
}

int Connection_Pool::svc() {
  for (ACE_Message_Block* message; getq(message) != -1;) serve_(take_handle(message));
  return 0;
}

void Connection_Pool::close_waiting() {
  for (;;) {
    ACE_Message_Block* message = nullptr;
    ACE_Time_Value now = ACE_OS::gettimeofday();
    if (getq(message, &now) == -1) break;
    ::close(take_handle(message));
  }
}

void Connection_Pool::stop() {
  if (!started_) return;
  started_ = false;
  // Cut first: a thread that takes a waiting connection from here on finds the registry
  // cut and drops it at once.
  open_.cut_all();
  close_waiting();
  msg_queue()->deactivate();
  wait();
}
