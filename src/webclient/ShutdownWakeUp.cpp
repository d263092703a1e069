#include "webclient/ShutdownWakeUp.h"

#include <algorithm>
#include <cstdio>

#include "webclient/Connection.h"
#include "webclient/UrlParser.h"

void SendShutdownWakeUp(const std::string& exitUrl) {
  UrlParser url(exitUrl);
  Connection connection;
  // A failure is reported by connect and write themselves; shutdown goes on regardless.
  // A server whose listen queue is full answers no connection attempt; shutdown does
  // not wait for the retries (the server has its stop signal as well).
  const ACE_Time_Value patience(0, 500 * 1000);
  connection.connect(url.host(), 0, 0, &patience);
  char request[UrlParser::kWorkBuffer + 32];
  int length = std::snprintf(request, sizeof request, "GET /%s HTTP/1.0\r\n\r\n", url.path() ? url.path() : "");
  if (length < 0) return;
  connection.write(request, std::min(static_cast<size_t>(length), sizeof request - 1));
  connection.close();
}
