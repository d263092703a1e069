#include "platform/AccountHome.h"

#include <pwd.h>
#include <unistd.h>

#include <atomic>
#include <future>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>

namespace platform {
namespace {

std::optional<std::string> HomeOf(const std::string* account) {
  passwd entry{};
  passwd* found = nullptr;
  std::vector<char> buffer(16384);
  const int rc = account ? ::getpwnam_r(account->c_str(), &entry, buffer.data(), buffer.size(), &found)
                         : ::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found);
  if (rc != 0 || !found || !found->pw_dir || !*found->pw_dir) return std::nullopt;
  return std::string(found->pw_dir);
}

std::atomic<int> hanging{0};

}  // namespace

std::optional<std::string> PasswordDatabaseHome(const std::string& account) { return HomeOf(&account); }

std::optional<std::string> OwnHome() { return HomeOf(nullptr); }

std::optional<std::string> DeadlinedLookup::Run(const LookUp& lookUp, const std::string& account,
                                                std::chrono::milliseconds deadline) {
  // Counted from the start of each look-up, so one that answers in time counts only
  // for as long as it runs.
  if (hanging.fetch_add(1) >= kMaxHanging) {
    --hanging;
    return std::nullopt;
  }
  auto answer = std::make_shared<std::promise<std::optional<std::string>>>();
  std::future<std::optional<std::string>> arrived = answer->get_future();
  try {
    std::thread([lookUp, account, answer] {
      std::optional<std::string> home;
      try {
        home = lookUp(account);
      } catch (...) {
      }
      answer->set_value(std::move(home));
      --hanging;
    }).detach();
  } catch (const std::system_error&) {
    --hanging;
    return std::nullopt;
  }
  if (arrived.wait_for(deadline) != std::future_status::ready) return std::nullopt;
  return arrived.get();
}

}  // namespace platform
