// Work handed from one thread to another through a short queue: the giver
// waits when the queue is full, so memory stays bounded whatever the size of
// the document, and either side can give up and wake the other.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>
#include <utility>

namespace harf::documents {

template <typename T>
class Handoff {
 public:
  explicit Handoff(std::size_t capacity) : capacity_(capacity) {}

  // Waits for room; false when the taker has given up.
  bool Give(T item) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return queue_.size() < capacity_ || abandoned_; });
    if (abandoned_) return false;
    queue_.push_back(std::move(item));
    lock.unlock();
    changed_.notify_all();
    return true;
  }

  // The next item; none when everything was taken after Close, or on Abandon.
  std::optional<T> Take() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return !queue_.empty() || closed_ || abandoned_; });
    if (abandoned_ || queue_.empty()) return std::nullopt;
    std::optional<T> item(std::move(queue_.front()));
    queue_.pop_front();
    lock.unlock();
    changed_.notify_all();
    return item;
  }

  // The giver has given everything.
  void Close() { Set(closed_); }
  // Either side stops; the other is woken and sees it.
  void Abandon() { Set(abandoned_); }
  bool abandoned() const {
    std::lock_guard lock(mutex_);
    return abandoned_;
  }

 private:
  void Set(bool& flag) {
    {
      std::lock_guard lock(mutex_);
      flag = true;
    }
    changed_.notify_all();
  }

  const std::size_t capacity_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<T> queue_;
  bool closed_ = false;
  bool abandoned_ = false;
};

}  // namespace harf::documents
