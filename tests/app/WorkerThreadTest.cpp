#include "app/WorkerThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <thread>

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

TEST(WorkerThreadTest, NeverStartedWorkerIsDestroyedWithoutWaitingOutTheStopTimeOut) {
  auto worker = std::make_unique<RecordingWorker>();
  worker->post(MessageWith(1), 0);
  worker->stop();
  std::atomic<bool> gone{false};
  std::thread destroyer([&] {
    worker.reset();
    gone = true;
  });
  // Its thread has nothing to finish: the destructor lets it go at once, where a started
  // one could keep it for minutes.
  EXPECT_TRUE(WaitUntil([&] { return gone.load(); }, 60s));
  destroyer.join();
}

TEST(UpdateWorkerTest, ChecksFollowTheScheduleAndStopEndsTheWait) {
  std::atomic<int> checks{0};
  UpdateSchedule schedule{10ms, 10ms, std::chrono::hours(24)};
  // Two failed checks, each retried after the short interval, then one that succeeds.
  UpdateWorker worker([&] { return ++checks == 3; }, schedule, [] { return false; });
  worker.start();
  ASSERT_TRUE(WaitUntil([&] { return checks.load() >= 3; }, 10s));
  // Now the worker waits a day; stop ends that wait: the thread itself has left its loop
  // when stop returns, rather than being given up after the stop's time-out.
  worker.stop();
  EXPECT_FALSE(worker.started());
  EXPECT_EQ(checks.load(), 3);
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
