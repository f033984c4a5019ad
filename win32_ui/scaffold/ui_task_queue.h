#pragma once

#include <functional>
#include <memory>

namespace win32_ui::scaffold {

// Runs work handed over by other threads on the thread that made the queue, between its messages:
// a worker finishes its part and posts the rest (showing a result, reporting a failure) here. Made
// and destroyed on that thread, which must pump messages. Tasks posted after the queue is gone are
// dropped, so a worker may outlive it; tasks run in the order posted, and a task that runs a modal
// loop lets the next ones run inside it.
class UiTaskQueue {
 public:
  UiTaskQueue();
  // Drops the tasks not yet run.
  ~UiTaskQueue();
  UiTaskQueue(const UiTaskQueue&) = delete;
  UiTaskQueue& operator=(const UiTaskQueue&) = delete;

  // What workers hold: posting through it is safe from any thread, and does nothing once the queue
  // is gone.
  class Poster {
   public:
    // False when the queue is gone (the task is dropped).
    bool post(std::function<void()> task) const;

    // Opaque: the queue and its message window share it with every poster.
    struct State;

   private:
    friend class UiTaskQueue;
    std::shared_ptr<State> state_;
  };

  [[nodiscard]] Poster poster() const { return poster_; }
  bool post(std::function<void()> task) const { return poster_.post(std::move(task)); }
  // Whether the queue could make its message window; without it every post fails.
  [[nodiscard]] bool ok() const;

 private:
  Poster poster_;
};

}  // namespace win32_ui::scaffold
