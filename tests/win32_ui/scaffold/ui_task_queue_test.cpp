#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <thread>
#include <vector>

#include "desktop.h"
#include "scaffold/ui_task_queue.h"

namespace scaffold_test {
namespace {

using win32_ui::scaffold::UiTaskQueue;

// Work a worker posts runs on the queue's thread, in the order posted, only while that thread
// dispatches messages; a task that pumps (as a modal dialog does) lets the ones behind it run; and
// nothing runs once the queue is gone, whoever still holds a poster.
TEST(UiTaskQueueTest, TasksRunInOrderOnItsThreadAndNeverAfterItIsGone) {
  const DWORD own_thread = GetCurrentThreadId();
  std::vector<int> order;
  bool elsewhere = false;
  std::optional<UiTaskQueue::Poster> kept;
  {
    UiTaskQueue queue;
    ASSERT_TRUE(queue.ok());
    kept = queue.poster();
    std::thread worker([&, poster = queue.poster()] {
      for (int i = 0; i < 200; ++i) {
        poster.post([&, i] {
          order.push_back(i);
          elsewhere = elsewhere || GetCurrentThreadId() != own_thread;
        });
      }
    });
    worker.join();
    EXPECT_TRUE(order.empty()) << "a task ran before its thread dispatched messages";
    ASSERT_TRUE(desktop::pump_until([&] { return order.size() == 200; }));
    for (int i = 0; i < 200; ++i) EXPECT_EQ(order[static_cast<std::size_t>(i)], i);
    EXPECT_FALSE(elsewhere);

    bool inner = false;
    bool seen_inside = false;
    queue.post([&] {
      queue.post([&] { inner = true; });
      desktop::pump(30);
      seen_inside = inner;
    });
    desktop::pump(60);
    EXPECT_TRUE(seen_inside) << "a task's own message loop did not run the tasks behind it";

    queue.post([&] { order.push_back(-1); });  // left when the queue goes
  }
  EXPECT_FALSE(kept->post([&] { order.push_back(-2); }));
  desktop::pump(30);
  EXPECT_EQ(order.size(), 200u);
}

}  // namespace
}  // namespace scaffold_test
