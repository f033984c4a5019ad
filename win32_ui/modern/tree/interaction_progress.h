#pragma once

#include <array>
#include <cstdint>
#include <functional>

namespace win32_ui::ui::animation {
class AnimationClock;
}

namespace win32_ui::modern {

// The animated visual weight (0..1) of a view's hovered, pressed, checked and emphasized states, kept in
// step with its state bits, optionally through animations on the host's clock.
class InteractionProgress {
 public:
  static constexpr int slot_count = 4;

  // The progress of one state bit; 0 for a bit without a slot.
  [[nodiscard]] float value_for(std::uint32_t state_bit) const noexcept;

  // Sets every value to 1 where its state bit holds, else 0.
  void snap(std::uint32_t state) noexcept;

  // Cancels the running animations on `clock` (reporting them cancelled) and forgets their ids.
  void cancel(ui::animation::AnimationClock* clock);

  // Forgets the animation ids without touching any clock (the owner's animations were dropped).
  void forget() noexcept { ids_.fill(0); }

  // Follows a state change: each slot whose bit changed moves to its new target, animated on `clock`
  // when `animate` is set and the clock has animations enabled, else at once. `changed` runs after each
  // animated step. Losing the enabled bit cancels everything and snaps.
  void update(std::uint32_t old_state, std::uint32_t new_state, ui::animation::AnimationClock* clock, bool animate,
              const void* owner, const std::function<void()>& changed);

  [[nodiscard]] bool is_animating() const noexcept;

 private:
  std::array<float, slot_count> values_{};
  std::array<std::uint64_t, slot_count> ids_{};
};

}  // namespace win32_ui::modern
