#pragma once
#include <string>

// Where this account keeps the program's state: varnok.ini, the generated pages and
// downloaded updates. A program directory the account can write (a copy of its own)
// keeps them beside the executable. A shared installation (a package, or any program
// directory below /usr, which programs never write at run time) keeps them in the
// account's data directory, $XDG_DATA_HOME/varnok/ (by default ~/.local/share/varnok/),
// made 0700; such a program is replaced by the package manager, so it never updates
// itself. This is the only place that decides it.
class StateDirectory {
 public:
  // The decision for a program in `programDirectory` (ends in "/"); makes the data
  // directory when that is chosen.
  static StateDirectory For(const std::string& programDirectory);

  // The account's data directory of the program, $XDG_DATA_HOME/varnok/ (by default
  // ~/.local/share/varnok/), whether or not the state lives there; ends in "/".
  static std::string AccountDataDirectory();

  // Ends in "/".
  const std::string& path() const { return path_; }
  // True when the state lives beside the executable; only then does the program update
  // itself.
  bool besideProgram() const { return besideProgram_; }

 private:
  StateDirectory(std::string path, bool besideProgram) : path_(std::move(path)), besideProgram_(besideProgram) {}

  std::string path_;
  bool besideProgram_;
};
