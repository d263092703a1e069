#include "update/UpdateCheck.h"

bool CheckForUpdate() { return false; }
