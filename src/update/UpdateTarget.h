#pragma once
#include <functional>
#include <optional>
#include <string>

// Where a downloaded program is stored: "update/varnok" below the state directory,
// or, when that file cannot be written or replaced (the installer may still be running
// from it), a fresh "i<number>update/" directory or an "i<number>varnok" file name.
// The numbers come from the update thread's random generator, as in the earlier
// releases, so installers of those releases find the same names.
class UpdateTarget {
 public:
  static constexpr int kMaxFallbacks = 100;

  UpdateTarget(std::string stateDirectory, std::function<int()> random, int maxFallbacks = kMaxFallbacks);

  // The path of the file to write; empty when no fall-back worked either.
  std::optional<std::string> Choose() const;

 private:
  std::optional<std::string> ChooseDirectory() const;
  std::optional<std::string> ChooseFile(const std::string& directory) const;
  std::string FallbackName(const std::string& base, const std::string& name) const;

  std::string stateDirectory_;
  std::function<int()> random_;
  int maxFallbacks_;
};
