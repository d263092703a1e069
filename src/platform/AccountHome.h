#pragma once
#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace platform {

// The home directory of an account by its name, from the password database (which may
// be a network directory); nothing for an unknown account.
std::optional<std::string> PasswordDatabaseHome(const std::string& account);
// Our own account's home directory from the password database.
std::optional<std::string> OwnHome();

// `lookUp`(account) with a deadline: the password database can be a network service
// that stops answering, and a request must not wait on it. A look-up that takes longer
// is given up (it ends on a thread of its own); while kMaxHanging of them hang, further
// ones fail at once rather than pile up threads.
class DeadlinedLookup {
 public:
  static constexpr int kMaxHanging = 4;
  using LookUp = std::function<std::optional<std::string>(const std::string&)>;

  static std::optional<std::string> Run(const LookUp& lookUp, const std::string& account,
                                        std::chrono::milliseconds deadline);
};

}  // namespace platform
