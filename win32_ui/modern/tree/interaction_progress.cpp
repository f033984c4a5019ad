#include "modern/tree/interaction_progress.h"

#include <chrono>
#include <exception>

#include "ui/animation/animation_clock.h"
#include "ui/graphics/drawable.h"

namespace win32_ui::modern {
namespace {

namespace graphics = ui::graphics;

struct Slot {
  std::uint32_t bit;
  std::chrono::milliseconds duration;
};

constexpr std::array<Slot, InteractionProgress::slot_count> slots{{
    {graphics::drawable_state_hovered, std::chrono::milliseconds(100)},
    {graphics::drawable_state_pressed, std::chrono::milliseconds(70)},
    {graphics::drawable_state_checked, std::chrono::milliseconds(130)},
    {graphics::drawable_state_emphasized, std::chrono::milliseconds(130)},
}};

// Base of the animation keys; the slot index is added.
constexpr std::uint64_t progress_key_base = 0x494E5400;

}  // namespace

float InteractionProgress::value_for(std::uint32_t state_bit) const noexcept {
  for (int i = 0; i < slot_count; ++i) {
    if (slots[i].bit == state_bit) return values_[i];
  }
  return 0.0f;
}

void InteractionProgress::snap(std::uint32_t state) noexcept {
  for (int i = 0; i < slot_count; ++i) values_[i] = (state & slots[i].bit) != 0 ? 1.0f : 0.0f;
}

void InteractionProgress::cancel(ui::animation::AnimationClock* clock) {
  for (std::uint64_t& id : ids_) {
    const std::uint64_t running = id;
    id = 0;
    if (clock != nullptr && running != 0) clock->cancel(running);
  }
}

bool InteractionProgress::is_animating() const noexcept {
  for (std::uint64_t id : ids_) {
    if (id != 0) return true;
  }
  return false;
}

void InteractionProgress::update(std::uint32_t old_state, std::uint32_t new_state, ui::animation::AnimationClock* clock,
                                 bool animate, const void* owner, const std::function<void()>& changed) {
  if ((new_state & graphics::drawable_state_enabled) == 0) {
    cancel(clock);
    snap(new_state);
    return;
  }
  for (int i = 0; i < slot_count; ++i) {
    const std::uint32_t bit = slots[i].bit;
    if ((old_state & bit) == (new_state & bit)) continue;
    if (ids_[i] != 0) {
      const std::uint64_t running = ids_[i];
      ids_[i] = 0;
      if (clock != nullptr) clock->cancel(running);
    }
    const float target = (new_state & bit) != 0 ? 1.0f : 0.0f;
    if (!animate || clock == nullptr || !clock->is_enabled()) {
      values_[i] = target;
      continue;
    }
    ui::animation::AnimationSpec spec;
    spec.duration = slots[i].duration;
    spec.delay = std::chrono::nanoseconds(0);
    spec.easing = static_cast<std::int32_t>(ui::animation::Easing::EaseOut);
    try {
      // Only one animation per slot runs at a time, so its completion may clear the slot's id.
      ids_[i] = clock->animate_float_for(
          owner, progress_key_base + static_cast<std::uint64_t>(i), values_[i], target, spec,
          [this, i, changed](float value) {
            values_[i] = value;
            if (changed) changed();
          },
          [this, i](ui::animation::CompletionStatus) { ids_[i] = 0; }, std::chrono::steady_clock::now());
    } catch (...) {
      ids_[i] = 0;
      values_[i] = target;
    }
  }
}

}  // namespace win32_ui::modern
