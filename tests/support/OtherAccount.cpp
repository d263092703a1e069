#include "support/OtherAccount.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

bool CanActAsOtherAccount() { return geteuid() == 0; }

std::optional<std::string> RunAsOtherAccount(const std::function<std::string()>& work) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return std::nullopt;
  const pid_t child = fork();
  if (child < 0) return std::nullopt;
  if (child == 0) {
    close(pipeEnds[0]);
    if (setgroups(0, nullptr) != 0 || setresgid(kOtherAccount, kOtherAccount, kOtherAccount) != 0 ||
        setresuid(kOtherAccount, kOtherAccount, kOtherAccount) != 0 || geteuid() != kOtherAccount)
      _exit(3);
    const std::string result = work();
    size_t done = 0;
    while (done < result.size()) {
      ssize_t n = write(pipeEnds[1], result.data() + done, result.size() - done);
      if (n <= 0) _exit(4);
      done += static_cast<size_t>(n);
    }
    _exit(0);
  }
  close(pipeEnds[1]);
  std::string result;
  char buffer[4096];
  for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof buffer)) > 0;) result.append(buffer, static_cast<size_t>(n));
  close(pipeEnds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  return result;
}
