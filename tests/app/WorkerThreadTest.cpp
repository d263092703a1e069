#include "app/WorkerThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>

#include "app/UpdateWorker.h"
#include "support/ChildProcess.h"

namespace {

using namespace std::chrono_literals;

// Records what its message loop handles.
class RecordingWorker : public WorkerThread {
 public:
  ~RecordingWorker() override { EndThread(); }
  int handle(const WorkerMessage& message, int synchronous) override {
    if (synchronous) return 40 + message.numbers[0];
    handled.fetch_add(1);
    return 0;
  }
  std::atomic<int> handled{0};
};

WorkerMessage MessageWith(uint8_t number) {
  WorkerMessage m;
  m.numbers[0] = number;
  return m;
}

TEST(WorkerThreadTest, MessageRecordTextIsAlwaysTerminated) {
  WorkerMessage m;
  std::memset(m.text.data(), 'x', m.text.size());
  WorkerMessage copy = m;
  EXPECT_EQ(copy.text.back(), '\0');
  EXPECT_EQ(std::strlen(copy.text.data()), 39u);
}

TEST(WorkerThreadTest, PostedMessagesAreHandledInOrderBeforeStopEndsTheLoop) {
  RecordingWorker worker;
  EXPECT_EQ(worker.post(MessageWith(2), 1), 42);  // synchronous: on this thread, its result
  for (int i = 0; i < 50; ++i) EXPECT_EQ(worker.post(MessageWith(1), 0), 0);
  EXPECT_EQ(worker.handled.load(), 0);  // queued until the thread runs
  worker.start();
  worker.start();  // harmless
  ASSERT_TRUE(WaitUntil([&] { return worker.handled.load() == 50; }, 10s));
  worker.stop();
  EXPECT_FALSE(worker.started());
  worker.stop();  // a second stop does not wait
}

TEST(WorkerThreadTest, PopReportsAnEmptyQueue) {
  RecordingWorker worker;
  WorkerMessage m;
  EXPECT_EQ(worker.pop(m), 1);
  worker.post(MessageWith(7), 0);
  EXPECT_EQ(worker.pop(m), 0);
  EXPECT_EQ(m.numbers[0], 7);
}

TEST(WorkerThreadTest, NeverStartedWorkerIsDestroyedWithoutWaiting) {
  auto worker = std::make_unique<RecordingWorker>();
  worker->stop();
  worker.reset();
  SUCCEED();
}

TEST(UpdateWorkerTest, ChecksFollowTheScheduleAndStopEndsTheWait) {
  std::atomic<int> checks{0};
  std::atomic<bool> succeed{false};
  UpdateSchedule schedule{10ms, 10ms, std::chrono::hours(24)};
  UpdateWorker worker([&] { ++checks; return succeed.load(); }, schedule, [] { return false; });
  worker.start();
  ASSERT_TRUE(WaitUntil([&] { return checks.load() >= 3; }, 10s));  // failures retry after the short interval
  succeed = true;
  ASSERT_TRUE(WaitUntil([&] { return checks.load() >= 4; }, 10s));
  // Now the worker waits a day; stop must end that wait at once, not after 180 s.
  auto before = std::chrono::steady_clock::now();
  worker.stop();
  EXPECT_FALSE(worker.started());
  EXPECT_LT(std::chrono::steady_clock::now() - before, 60s);
  EXPECT_LE(checks.load(), 5);
}

TEST(UpdateWorkerTest, QuitFlagEndsTheLoopWithoutACheck) {
  std::atomic<int> checks{0};
  UpdateWorker worker([&] { ++checks; return false; }, UpdateSchedule{5ms, 5ms, 5ms}, [] { return true; });
  worker.start();
  ASSERT_TRUE(WaitUntil([&] { return !worker.started(); }, 10s));
  EXPECT_EQ(checks.load(), 0);
}

TEST(UpdateWorkerTest, StopDuringACheckWaitsForTheCheckToFinish) {
  std::atomic<bool> inCheck{false}, release{false}, finished{false};
  UpdateWorker worker(
      [&] {
        inCheck = true;
        while (!release) std::this_thread::sleep_for(1ms);
        finished = true;
        return false;
      },
      UpdateSchedule{1ms, std::chrono::hours(1), std::chrono::hours(1)}, [] { return false; });
  worker.start();
  ASSERT_TRUE(WaitUntil([&] { return inCheck.load(); }, 10s));
  std::thread releaser([&] {
    std::this_thread::sleep_for(50ms);
    release = true;
  });
  worker.stop();
  EXPECT_TRUE(finished.load());
  releaser.join();
}

}  // namespace
