#include "webserver/ServerThread.h"

int RunServerThread() { return 0; }
