#include "webserver/Plain_Socket_IO.h"

#include "webserver/IO_Completion.h"

void Plain_Socket_IO::receive_file(const char*, const char*, size_t, size_t) {
  handler().on_receive_file_failed(kCreateFailed);
}
