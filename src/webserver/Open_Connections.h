#pragma once
#include <ace/config-lite.h>

#include <mutex>
#include <set>

// The sockets of the connections being served, so that a stopping server can cut them
// all: shutting a socket down ends every wait on it at once, whatever the client does.
// Once cut, the registry refuses new sockets, and a connection that arrives late is cut
// as it registers.
class Open_Connections {
 public:
  // False (and the socket is shut down) when the registry has been cut.
  bool add(ACE_HANDLE handle);
  // Called before the socket is closed, so a cut never reaches a reused descriptor.
  void remove(ACE_HANDLE handle);
  // Shuts down every registered socket in both directions and refuses later ones.
  void cut_all();
  // Accepts sockets again (a server that starts anew).
  void reopen();

 private:
  std::mutex lock_;
  std::set<ACE_HANDLE> handles_;
  bool cut_ = false;
};
