#pragma once
#include <string>
#include <vector>

// The switches varnok gives the web engine on top of the person's own command line,
// and the command line the application object is built from.
namespace engine_switches {

// Each entry is a whole switch ("--name").
const std::vector<std::string>& Ours();

// The program's arguments followed by our switches, as the application object takes
// them: `argc` and the returned pointers stay valid for as long as the returned
// object lives, and the array ends with a null pointer. When the person gives the
// engine switches of their own in QTWEBENGINE_CHROMIUM_FLAGS, which the engine then
// reads instead of the command line, ours are added there too.
class CommandLine {
 public:
  CommandLine(int argc, char** argv);
  int& argc() { return argc_; }
  char** argv() { return pointers_.data(); }

 private:
  std::vector<std::string> words_;
  std::vector<char*> pointers_;
  int argc_ = 0;
};

}  // namespace engine_switches
