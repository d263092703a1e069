#include "app/StateSaver.h"

#include <utility>

StateSaver::StateSaver(std::function<void()> save, std::chrono::milliseconds spacing)
    : save_(std::move(save)), spacing_(spacing), thread_([this] { Run(); }) {}

StateSaver::~StateSaver() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    stopping_ = true;
  }
  wake_.notify_one();
  thread_.join();
}

void StateSaver::Changed() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    changed_ = true;
  }
  wake_.notify_one();
}

void StateSaver::Run() {
  auto notBefore = std::chrono::steady_clock::now();
  std::unique_lock<std::mutex> hold(lock_);
  for (;;) {
    wake_.wait(hold, [this] { return changed_ || stopping_; });
    if (wake_.wait_until(hold, notBefore, [this] { return stopping_; })) return;
    changed_ = false;
    hold.unlock();
    save_();
    hold.lock();
    notBefore = std::chrono::steady_clock::now() + spacing_;
  }
}
