#include "platform/MainThreadCalls.h"

#include <chrono>
#include <exception>

struct MainThreadCalls::Pending {
  const std::function<void()>* fn;
  std::function<void()> posted;  // owned here when no caller waits
  bool done = false;
  std::exception_ptr error;
  std::condition_variable finished;
};

MainThreadCalls::MainThreadCalls() : mainThread_(std::this_thread::get_id()) {}

MainThreadCalls::~MainThreadCalls() {
  // Only posted calls can be left: a waiting caller would still be blocked in Call.
  for (Pending* pending : queue_) delete pending;
}

void MainThreadCalls::SetWakeHook(std::function<void()> hook) {
  std::lock_guard<std::mutex> lock(mutex_);
  wake_ = std::move(hook);
}

void MainThreadCalls::Call(const std::function<void()>& fn) {
  if (OnMainThread()) {
    fn();
    return;
  }
  Pending pending;
  pending.fn = &fn;
  std::function<void()> wake;
  std::unique_lock<std::mutex> lock(mutex_);
  queue_.push_back(&pending);
  wake = wake_;
  arrived_.notify_all();
  lock.unlock();
  if (wake) wake();
  lock.lock();
  pending.finished.wait(lock, [&] { return pending.done; });
  if (pending.error) std::rethrow_exception(pending.error);
}

void MainThreadCalls::Post(std::function<void()> fn) {
  auto* pending = new Pending;
  pending->posted = std::move(fn);
  pending->fn = &pending->posted;
  std::function<void()> wake;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(pending);
    wake = wake_;
    arrived_.notify_all();
  }
  if (wake) wake();
}

int MainThreadCalls::RunPending() {
  int count = 0;
  std::unique_lock<std::mutex> lock(mutex_);
  while (!queue_.empty()) {
    Pending* pending = queue_.front();
    queue_.pop_front();
    if (pending->posted) {
      lock.unlock();
      try {
        pending->posted();
      } catch (...) {
        // Nobody waits to be told; the work reports its own failures.
      }
      delete pending;
      lock.lock();
      ++count;
      continue;
    }
    ++running_;
    lock.unlock();
    std::exception_ptr error;
    try {
      (*pending->fn)();
    } catch (...) {
      error = std::current_exception();
    }
    lock.lock();
    --running_;
    pending->error = error;
    pending->done = true;
    pending->finished.notify_all();
    ++count;
  }
  return count;
}

int MainThreadCalls::WaitAndRun(int timeoutMs) {
  {
    std::unique_lock<std::mutex> lock(mutex_);
    arrived_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return !queue_.empty(); });
  }
  return RunPending();
}

size_t MainThreadCalls::QueuedCount() {
  std::lock_guard<std::mutex> lock(mutex_);
  return queue_.size();
}

size_t MainThreadCalls::WaitingCallers() {
  std::lock_guard<std::mutex> lock(mutex_);
  size_t waiting = running_;
  for (const Pending* pending : queue_)
    if (!pending->posted) ++waiting;
  return waiting;
}
