#include "update/UpdateCheck.h"

#include "update/UpdateChecker.h"

bool CheckForUpdate() { return UpdateChecker(UpdateChecker::Options::ForThisProgram()).Run(); }
