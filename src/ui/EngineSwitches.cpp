#include "ui/EngineSwitches.h"

#include <algorithm>

namespace engine_switches {

namespace {
const char kMarker[] = "--webEngineArgs";
}  // namespace

const std::vector<std::string>& Ours() {
  static const std::vector<std::string> switches = {
      // The engine starts two fork servers with the program: the one every page's
      // renderer comes from, and an unsandboxed one kept for helpers that set up a
      // sandbox of their own as they start. This engine runs its network service
      // inside the program and starts its audio helper directly, so the second serves
      // nothing, yet it is a whole process of the engine's library (8 MiB of its own,
      // 50 MiB resident) whose start competes with the first page on every launch.
      // Without it, a helper that would have come from it is started directly and
      // takes up the same sandbox as it starts; the renderers' fork server, their
      // sandbox and the GPU's are as before.
      "--no-unsandboxed-zygote",
  };
  return switches;
}

CommandLine::CommandLine(int argc, char** argv) {
  words_.assign(argv, argv + argc);
  // The engine takes only the arguments after this marker as its own.
  if (std::find(words_.begin(), words_.end(), kMarker) == words_.end()) words_.push_back(kMarker);
  for (const std::string& word : Ours()) words_.push_back(word);
  for (std::string& word : words_) pointers_.push_back(word.data());
  pointers_.push_back(nullptr);
  argc_ = static_cast<int>(words_.size());
}

}  // namespace engine_switches
