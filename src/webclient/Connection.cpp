#include "webclient/Connection.h"

#include <ace/INET_Addr.h>
#include <ace/Log_Msg.h>
#include <ace/SOCK_Connector.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <cstdio>
#include <string>

Connection::~Connection() { close(); }

int Connection::connect(const char* host, int tcpNoDelay, int receiveBuffer, const ACE_Time_Value* timeout) {
  if (!host) return 1;
  std::string target = host;
  if (target.find(':') == std::string::npos) target += ":80";

  // IPv4: the server listens on the loopback address 127.0.0.1, and "localhost" must
  // not be resolved to ::1 instead.
  ACE_INET_Addr address;
  ACE_SOCK_Connector connector;
  if (address.set(target.c_str(), AF_INET) == -1 || connector.connect(stream_, address, timeout) == -1) {
    std::perror("ACE_SOCK_Connector::connect");
    return 1;
  }
  if (tcpNoDelay) {
    if (const protoent* tcp = getprotobyname("tcp")) {
      int one = 1;
      if (stream_.set_option(tcp->p_proto, TCP_NODELAY, &one, sizeof one) == -1) {
        std::perror("tcp_nodelay");
        return 1;
      }
    }
  }
  if (receiveBuffer) {
    if (stream_.set_option(SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer) == -1) {
      std::perror("socket_queue_size");
      return 1;
    }
  }
  return 0;
}

int Connection::write(const char* buffer, size_t length) {
  if (stream_.send_n(buffer, length, MSG_NOSIGNAL) != static_cast<ssize_t>(length)) {
    ACE_ERROR((LM_ERROR, "Write failed for %s", buffer));
    return 1;
  }
  return 0;
}

int Connection::close() {
  if (stream_.get_handle() != ACE_INVALID_HANDLE) {
    stream_.close_reader();
    stream_.close_writer();
    stream_.close();
  }
  return 0;
}
