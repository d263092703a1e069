#pragma once
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// Writes the state soon after it changes, on a thread of its own, so that a program
// killed or crashed loses at most the last moment. The first change after a quiet spell
// is written at once; changes that come within `spacing` of a write are gathered into
// the next one, so a burst of a thousand changes costs a few writes, not a thousand.
class StateSaver {
 public:
  StateSaver(std::function<void()> save, std::chrono::milliseconds spacing);
  // Waits for a write in progress; a change not yet written is left to the owner's
  // final save.
  ~StateSaver();
  StateSaver(const StateSaver&) = delete;
  StateSaver& operator=(const StateSaver&) = delete;

  // Safe from any thread; never waits for a write.
  void Changed();

 private:
  void Run();

  const std::function<void()> save_;
  const std::chrono::milliseconds spacing_;
  std::mutex lock_;
  std::condition_variable wake_;
  bool changed_ = false;
  bool stopping_ = false;
  std::thread thread_;  // last: it starts once everything it uses is there
};
