#include "webclient/ShutdownWakeUp.h"

void SendShutdownWakeUp(const std::string&) {}
