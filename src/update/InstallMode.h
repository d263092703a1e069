#pragma once

class WindowSystem;

enum class InstallOutcome {
  kNotFromUpdateDirectory,  // start normally
  kFinished,                // copied (or gave up); start-up ends here
};

// Install mode, entered when the command line ends with "-update": from an update
// directory the program copies itself over the program one level up and starts it.
InstallOutcome RunInstallMode(WindowSystem& windows);
