#include "update/InstallMode.h"

InstallOutcome RunInstallMode(WindowSystem&) { return InstallOutcome::kNotFromUpdateDirectory; }
