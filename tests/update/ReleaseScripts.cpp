#include "update/ReleaseScripts.h"

#include <sys/wait.h>

#include <cstdio>
#include <stdexcept>

namespace {

// Single quotes keep every byte of an argument as it is, except a single quote itself.
std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += (c == '\'') ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string Trimmed(std::string text) {
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

}  // namespace

std::string SourceDirectory() { return VARNOK_SOURCE_DIR; }

ScriptRun RunReleaseScript(const std::string& script, const std::vector<std::string>& arguments) {
  std::string command = "bash " + ShellQuoted(SourceDirectory() + "/scripts/" + script);
  for (const std::string& argument : arguments) command += " " + ShellQuoted(argument);
  ScriptRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.output.append(buffer, n);
  const int raw = pclose(pipe);
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return run;
}

std::string MakeUpdateKey(const std::string& privateKeyPath) {
  ScriptRun run = RunReleaseScript("make-update-key.sh", {privateKeyPath});
  if (run.status != 0) throw std::runtime_error("make-update-key.sh failed");
  return Trimmed(run.output);
}

std::string SignUpdate(const std::string& privateKeyPath, const std::string& file, const std::string& version) {
  ScriptRun run = RunReleaseScript("sign-update.sh", {privateKeyPath, file, version});
  if (run.status != 0) throw std::runtime_error("sign-update.sh failed");
  return run.output;
}
