#include "ui/animation/animation_clock.h"

#include <cmath>
#include <limits>
#include <utility>
#include <vector>

namespace win32_ui::ui::animation {

namespace {

// A duration or delay after the time scale; anything not positive (or a scale that is not) is instant.
Nanoseconds scaled(Nanoseconds value, float scale) {
  if (value.count() <= 0 || !(scale > 0.0f)) return Nanoseconds{0};
  const double result = static_cast<double>(value.count()) * static_cast<double>(scale);
  constexpr double largest = static_cast<double>(std::numeric_limits<Nanoseconds::rep>::max());
  if (!(result < largest)) return Nanoseconds::max();
  return Nanoseconds{static_cast<Nanoseconds::rep>(std::llround(result))};
}

// now - start without signed overflow: a start far in the past (even time_point::min()) counts as the
// longest wait a duration can hold.
Nanoseconds elapsed_since(TimePoint start, TimePoint now) {
  if (!(now > start)) return Nanoseconds{0};
  using Rep = TimePoint::duration::rep;
  const Rep later = now.time_since_epoch().count();
  const Rep earlier = start.time_since_epoch().count();
  if (earlier < 0 && later > std::numeric_limits<Rep>::max() + earlier) return Nanoseconds::max();
  return std::chrono::duration_cast<Nanoseconds>(TimePoint::duration{later - earlier});
}

void finish(const AnimationClock::State::Entry& entry) {
  if (entry.progress) entry.progress(1.0f);
  if (entry.completion) entry.completion(CompletionStatus::Finished);
}

}  // namespace

float ease(std::int32_t code, float t) noexcept {
  switch (static_cast<Easing>(code)) {
    case Easing::EaseIn:
      return t * t;
    case Easing::EaseOut:
      return 1.0f - (1.0f - t) * (1.0f - t);
    case Easing::EaseInOut:
      return t * t * (3.0f - 2.0f * t);
    case Easing::Linear:
    default:
      return t;
  }
}

AnimationClock::AnimationClock() : state_(std::make_shared<State>()) {}

AnimationClock::~AnimationClock() = default;

std::uint64_t AnimationClock::animate_for(const void* owner, std::uint64_t key, const AnimationSpec& spec,
                                          ProgressCallback progress, CompletionCallback completion, TimePoint start) {
  if (!progress) return 0;
  if (owner != nullptr && key != 0) {
    std::vector<std::uint64_t> replaced;
    for (const auto& [id, entry] : state_->entries) {
      if (entry->owner == owner && entry->key == key) replaced.push_back(id);
    }
    for (const auto id : replaced) cancel(id);
  }

  auto entry = std::make_shared<State::Entry>();
  entry->spec = spec;
  if (entry->spec.duration.count() < 0) entry->spec.duration = Nanoseconds{0};
  if (entry->spec.delay.count() < 0) entry->spec.delay = Nanoseconds{0};
  entry->progress = std::move(progress);
  entry->completion = std::move(completion);
  entry->owner = owner;
  entry->key = key;
  entry->start = start;

  if (state_->enabled || spec.run_when_disabled) {
    entry->scaled_duration = scaled(entry->spec.duration, state_->time_scale);
    entry->scaled_delay = scaled(entry->spec.delay, state_->time_scale);
    if (entry->scaled_duration.count() != 0 || entry->scaled_delay.count() != 0) {
      entry->id = issue_id();
      const auto id = entry->id;
      state_->entries.emplace(id, std::move(entry));
      if (state_->frame_request) state_->frame_request();
      return id;
    }
  }
  finish(*entry);
  return 0;
}

std::uint64_t AnimationClock::animate_float_for(const void* owner, std::uint64_t key, float from, float to,
                                                const AnimationSpec& spec, std::function<void(float)> value,
                                                CompletionCallback completion, TimePoint start) {
  if (!value) return 0;
  auto progress = [from, to, value = std::move(value)](float eased) { value(from + (to - from) * eased); };
  return animate_for(owner, key, spec, std::move(progress), std::move(completion), start);
}

bool AnimationClock::cancel(std::uint64_t id) {
  const auto found = state_->entries.find(id);
  if (id == 0 || found == state_->entries.end()) return false;
  const auto entry = std::move(found->second);
  state_->entries.erase(found);
  if (entry->completion) entry->completion(CompletionStatus::Cancelled);
  return true;
}

std::size_t AnimationClock::cancel_for_owner(const void* owner, bool notify) {
  if (owner == nullptr) return 0;
  std::vector<std::uint64_t> owned;
  for (const auto& [id, entry] : state_->entries) {
    if (entry->owner == owner) owned.push_back(id);
  }
  std::size_t removed = 0;
  for (const auto id : owned) {
    if (notify) {
      // An earlier cancellation's callback may already have removed this one.
      if (cancel(id)) ++removed;
    } else {
      removed += state_->entries.erase(id);
    }
  }
  return removed;
}

void AnimationClock::set_enabled(bool enabled) {
  const auto state = state_;
  state->enabled = enabled;
  if (enabled) return;
  std::vector<std::uint64_t> ids;
  for (const auto& [id, entry] : state->entries) {
    if (!entry->spec.run_when_disabled) ids.push_back(id);
  }
  for (const auto id : ids) {
    const auto found = state->entries.find(id);
    if (found == state->entries.end()) continue;
    const auto entry = std::move(found->second);
    state->entries.erase(found);
    finish(*entry);
  }
}

bool AnimationClock::is_enabled() const noexcept { return state_->enabled; }

void AnimationClock::set_time_scale(float scale) noexcept { state_->time_scale = scale; }

float AnimationClock::time_scale() const noexcept { return state_->time_scale; }

bool AnimationClock::has_animations() const noexcept { return !state_->entries.empty(); }

bool AnimationClock::is_running(std::uint64_t id) const noexcept { return state_->entries.contains(id); }

void AnimationClock::set_frame_request(std::function<void()> callback) {
  state_->frame_request = std::move(callback);
  if (!state_->entries.empty() && state_->frame_request) state_->frame_request();
}

bool AnimationClock::tick(TimePoint now) {
  const auto state = state_;
  if (state->entries.empty()) return false;

  std::vector<std::uint64_t> ids;
  ids.reserve(state->entries.size());
  for (const auto& [id, entry] : state->entries) ids.push_back(id);

  for (const auto id : ids) {
    const auto found = state->entries.find(id);
    if (found == state->entries.end()) continue;
    // Hold the entry: its own callbacks may cancel or replace it while they run.
    const auto entry = found->second;

    const Nanoseconds elapsed = elapsed_since(entry->start, now);
    if (elapsed < entry->scaled_delay) continue;

    float linear = 1.0f;
    if (entry->scaled_duration.count() > 0) {
      const double ratio = static_cast<double>((elapsed - entry->scaled_delay).count()) /
                           static_cast<double>(entry->scaled_duration.count());
      linear = static_cast<float>(ratio < 0.0 ? 0.0 : (ratio > 1.0 ? 1.0 : ratio));
    }
    if (!std::isfinite(linear)) linear = 0.0f;
    entry->progress(ease(entry->spec.easing, linear));

    if (linear >= 1.0f) {
      const auto current = state->entries.find(id);
      if (current != state->entries.end() && current->second == entry) {
        state->entries.erase(current);
        if (entry->completion) entry->completion(CompletionStatus::Finished);
      }
    }
  }

  const bool remaining = !state->entries.empty();
  if (remaining && state->frame_request) state->frame_request();
  return remaining;
}

std::uint64_t AnimationClock::issue_id() {
  auto& last = state_->last_id;
  do {
    ++last;
  } while (last == 0 || state_->entries.contains(last));
  return last;
}

}  // namespace win32_ui::ui::animation
