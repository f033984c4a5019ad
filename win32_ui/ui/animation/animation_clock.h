#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>

namespace win32_ui::ui::animation {

// Animation times are points of the steady clock; durations are nanoseconds.
using TimePoint = std::chrono::steady_clock::time_point;
using Nanoseconds = std::chrono::nanoseconds;

// Easing codes; any other code is linear.
enum class Easing : std::int32_t {
  Linear = 0,
  EaseIn = 1,
  EaseOut = 2,
  EaseInOut = 3,
};

// Applies easing `code` to the linear progress `t` (expected in 0..1).
[[nodiscard]] float ease(std::int32_t code, float t) noexcept;

struct AnimationSpec {
  Nanoseconds duration = std::chrono::milliseconds(200);
  Nanoseconds delay{0};
  std::int32_t easing = static_cast<std::int32_t>(Easing::EaseInOut);
  // Keeps the animation running while the clock is disabled instead of finishing it at once.
  bool run_when_disabled = false;
};

enum class CompletionStatus : std::int32_t {
  Finished = 0,
  Cancelled = 1,
};

using ProgressCallback = std::function<void(float)>;
using CompletionCallback = std::function<void(CompletionStatus)>;

// Runs the time-based animations of one view tree. It has no timer: it asks its owner for frames
// through the frame-request callback, and the owner calls tick with the current time on each frame.
class AnimationClock {
 public:
  struct State {
    // One running animation; shared by the id map and a tick in progress.
    struct Entry {
      std::uint64_t id = 0;
      AnimationSpec spec;
      ProgressCallback progress;
      CompletionCallback completion;
      const void* owner = nullptr;
      std::uint64_t key = 0;
      TimePoint start;
      Nanoseconds scaled_duration{0};
      Nanoseconds scaled_delay{0};
    };

    std::function<void()> frame_request;
    std::map<std::uint64_t, std::shared_ptr<Entry>> entries;
    std::uint64_t last_id = 0;
    float time_scale = 1.0f;
    bool enabled = true;
  };

  AnimationClock();
  AnimationClock(const AnimationClock&) = delete;
  AnimationClock& operator=(const AnimationClock&) = delete;
  ~AnimationClock();

  // Starts an animation whose progress callback receives the eased progress; returns its id, or 0 when it
  // finished inside this call or could not start. A non-null owner with a non-zero key replaces that
  // owner's running animation of the same key (which completes as cancelled).
  std::uint64_t animate_for(const void* owner, std::uint64_t key, const AnimationSpec& spec, ProgressCallback progress,
                            CompletionCallback completion, TimePoint start);

  // Animates a float from `from` to `to`, handing each value to `value`; an empty `value` starts nothing.
  std::uint64_t animate_float_for(const void* owner, std::uint64_t key, float from, float to, const AnimationSpec& spec,
                                  std::function<void(float)> value, CompletionCallback completion, TimePoint start);

  // Removes a running animation and reports it cancelled; false for 0 or an unknown id.
  bool cancel(std::uint64_t id);

  // Removes every animation of `owner`, reporting each cancelled when `notify` is set, else silently
  // (for an owner being destroyed); returns how many were removed. A null owner owns nothing.
  std::size_t cancel_for_owner(const void* owner, bool notify);

  // Switching off finishes at once every animation not marked run-when-disabled.
  void set_enabled(bool enabled);
  [[nodiscard]] bool is_enabled() const noexcept;

  // Multiplies durations and delays of animations started afterwards; a factor that is not positive makes them instant.
  void set_time_scale(float scale) noexcept;
  [[nodiscard]] float time_scale() const noexcept;

  [[nodiscard]] bool has_animations() const noexcept;

  // Whether the animation with this id is still running.
  [[nodiscard]] bool is_running(std::uint64_t id) const noexcept;

  // Replaces the frame-request callback and calls it at once when animations are running.
  void set_frame_request(std::function<void()> callback);

  // Advances every animation to `now`, finishing those that reach their end; returns whether any remain.
  bool tick(TimePoint now);

 private:
  std::uint64_t issue_id();

  // Shared so that a tick keeps its state alive even if a callback destroys the clock.
  std::shared_ptr<State> state_;
};

}  // namespace win32_ui::ui::animation
