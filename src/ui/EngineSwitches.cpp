#include "ui/EngineSwitches.h"

#include <algorithm>
#include <cstdlib>

namespace engine_switches {

namespace {

const char kMarker[] = "--webEngineArgs";
const char kFlagsVariable[] = "QTWEBENGINE_CHROMIUM_FLAGS";

// The person's own switches in the environment (even none, when the variable is set
// but empty) take the place of every switch on the command line, ours among them: ours
// join theirs there.
void AddToFlagsVariable() {
  const char* value = std::getenv(kFlagsVariable);
  if (!value) return;
  std::string flags = value;
  for (const std::string& word : Ours())
    if (flags.find(word) == std::string::npos) flags += (flags.empty() ? "" : " ") + word;
  setenv(kFlagsVariable, flags.c_str(), 1);
}

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
  AddToFlagsVariable();
  words_.assign(argv, argv + argc);
  // The engine takes only the arguments after this marker as its own.
  if (std::find(words_.begin(), words_.end(), kMarker) == words_.end()) words_.push_back(kMarker);
  for (const std::string& word : Ours()) words_.push_back(word);
  for (std::string& word : words_) pointers_.push_back(word.data());
  pointers_.push_back(nullptr);
  argc_ = static_cast<int>(words_.size());
}

}  // namespace engine_switches
