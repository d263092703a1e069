#pragma once

class WindowSystem;

enum class InstallOutcome {
  kNotFromUpdateDirectory,  // start normally
  kFinished,                // copied (or gave up); start-up ends here
};

// Install mode, entered when the last argument is "-update": from an update directory
// beside the program it replaces, the program copies itself over that one and starts it.
InstallOutcome RunInstallMode(WindowSystem& windows);
