#pragma once
#include <cstddef>
#include <string>

namespace platform {

// The named 4096-byte shared memory section that tells a second instance that a
// running one is serving. Its content at offset 0 is the owner's site URL and a zero
// byte; the owner's process id is kept as decimal text at kPidOffset, so a section that
// a killed process left behind can be recognised and taken over. POSIX names allow no
// "/" after the first character, so the section name is derived from the URL and our
// account's uid (see SectionName). A section of that name made by another account is
// neither read nor written: another account can never stand in for, nor hold, ours.
class SharedMemoryToken {
 public:
  static constexpr size_t kSize = 4096;
  static constexpr size_t kPidOffset = 3072;

  // Creates (or opens) the section read-write and writes `url` at its start.
  // IsOpen() tells whether it worked; failures have no further effect.
  explicit SharedMemoryToken(const std::string& url);
  // Unmaps the view and, when this object made the section, removes the name, so a
  // later instance finds no token.
  ~SharedMemoryToken();
  SharedMemoryToken(const SharedMemoryToken&) = delete;
  SharedMemoryToken& operator=(const SharedMemoryToken&) = delete;

  bool IsOpen() const { return view_ != nullptr; }

  // Reads the first 260 bytes of the section named after `url`, read-only; an
  // empty string when there is no such section.
  static std::string ReadHead(const std::string& url);

  // True when the section named after `url` holds the URL and its owner still runs.
  static bool IsHeld(const std::string& url);

  static std::string SectionName(const std::string& url);

 private:
  std::string name_;
  void* view_ = nullptr;
  bool owner_ = false;
};

}  // namespace platform
