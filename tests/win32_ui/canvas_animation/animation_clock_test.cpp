#include "ui/animation/animation_clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <vector>

namespace {

using namespace std::chrono_literals;
using win32_ui::ui::animation::AnimationClock;
using win32_ui::ui::animation::AnimationSpec;
using win32_ui::ui::animation::CompletionStatus;
using win32_ui::ui::animation::ease;
using win32_ui::ui::animation::Easing;
using win32_ui::ui::animation::TimePoint;

const TimePoint t0 = TimePoint{} + 1000s;

TimePoint at(std::chrono::nanoseconds offset) { return t0 + offset; }

AnimationSpec linear(std::chrono::nanoseconds duration, std::chrono::nanoseconds delay = 0ns) {
  AnimationSpec spec;
  spec.duration = duration;
  spec.delay = delay;
  spec.easing = static_cast<int>(Easing::Linear);
  return spec;
}

// What one animation reported: every progress value and every completion.
struct Probe {
  std::vector<float> progress;
  std::vector<CompletionStatus> completions;

  auto on_progress() {
    return [this](float value) { progress.push_back(value); };
  }
  auto on_completion() {
    return [this](CompletionStatus status) { completions.push_back(status); };
  }
};

using Statuses = std::vector<CompletionStatus>;

TEST(EasingTest, CurvesAtKnownPoints) {
  EXPECT_FLOAT_EQ(ease(0, 0.3f), 0.3f);
  EXPECT_FLOAT_EQ(ease(1, 0.5f), 0.25f);
  EXPECT_FLOAT_EQ(ease(2, 0.5f), 0.75f);
  EXPECT_FLOAT_EQ(ease(3, 0.5f), 0.5f);
  EXPECT_FLOAT_EQ(ease(3, 0.25f), 0.15625f);
  EXPECT_FLOAT_EQ(ease(2, 0.25f), 0.4375f);
  // Unknown codes are linear.
  EXPECT_FLOAT_EQ(ease(4, 0.3f), 0.3f);
  EXPECT_FLOAT_EQ(ease(-1, 0.3f), 0.3f);
  for (int code = 0; code <= 3; ++code) {
    EXPECT_FLOAT_EQ(ease(code, 0.0f), 0.0f) << code;
    EXPECT_FLOAT_EQ(ease(code, 1.0f), 1.0f) << code;
  }
}

TEST(AnimationClockTest, RunsToItsEndAndRequestsFramesOnlyWhileRunning) {
  AnimationClock clock;
  int frames = 0;
  clock.set_frame_request([&] { ++frames; });
  EXPECT_EQ(frames, 0) << "an idle clock asks for no frame";
  EXPECT_FALSE(clock.tick(at(0ms)));

  Probe probe;
  const auto id = clock.animate_for(nullptr, 0, linear(200ms), probe.on_progress(), probe.on_completion(), at(0ms));
  EXPECT_NE(id, 0u);
  EXPECT_TRUE(clock.is_running(id));
  EXPECT_EQ(frames, 1);

  EXPECT_TRUE(clock.tick(at(0ms)));
  EXPECT_TRUE(clock.tick(at(50ms)));
  EXPECT_TRUE(clock.tick(at(100ms)));
  EXPECT_EQ(frames, 4);
  EXPECT_TRUE(probe.completions.empty());

  EXPECT_FALSE(clock.tick(at(250ms)));
  EXPECT_EQ(probe.progress, (std::vector<float>{0.0f, 0.25f, 0.5f, 1.0f}));
  EXPECT_EQ(probe.completions, Statuses{CompletionStatus::Finished});
  EXPECT_EQ(frames, 4) << "the last tick asks for no further frame";
  EXPECT_FALSE(clock.has_animations());
  EXPECT_FALSE(clock.is_running(id));
  EXPECT_FALSE(clock.cancel(id)) << "a finished animation cannot be cancelled";
}

TEST(AnimationClockTest, DefaultSpecIsAnEasedTwoHundredMilliseconds) {
  AnimationClock clock;
  Probe probe;
  clock.animate_for(nullptr, 0, AnimationSpec{}, probe.on_progress(), probe.on_completion(), at(0ms));
  clock.tick(at(50ms));
  clock.tick(at(100ms));
  clock.tick(at(199ms));
  EXPECT_TRUE(probe.completions.empty());
  clock.tick(at(200ms));
  ASSERT_EQ(probe.progress.size(), 4u);
  EXPECT_FLOAT_EQ(probe.progress[0], 0.15625f);
  EXPECT_FLOAT_EQ(probe.progress[1], 0.5f);
  EXPECT_FLOAT_EQ(probe.progress[3], 1.0f);
  EXPECT_EQ(probe.completions, Statuses{CompletionStatus::Finished});
}

TEST(AnimationClockTest, InstantAnimationsCompleteInsideTheStartCall) {
  AnimationClock clock;
  int frames = 0;
  clock.set_frame_request([&] { ++frames; });

  Probe zero;
  EXPECT_EQ(clock.animate_for(nullptr, 0, linear(0ms), zero.on_progress(), zero.on_completion(), at(0ms)), 0u);
  EXPECT_EQ(zero.progress, std::vector<float>{1.0f});
  EXPECT_EQ(zero.completions, Statuses{CompletionStatus::Finished});

  Probe negative;
  EXPECT_EQ(clock.animate_for(nullptr, 0, linear(-5ms, -1ms), negative.on_progress(), negative.on_completion(), at(0ms)),
            0u);
  EXPECT_EQ(negative.progress, std::vector<float>{1.0f});
  EXPECT_EQ(frames, 0);
  EXPECT_FALSE(clock.has_animations());

  // Without a progress callback nothing starts and the completion is dropped unseen.
  Probe dropped;
  EXPECT_EQ(clock.animate_for(nullptr, 0, linear(100ms), nullptr, dropped.on_completion(), at(0ms)), 0u);
  EXPECT_TRUE(dropped.completions.empty());
  EXPECT_FALSE(clock.has_animations());
}

TEST(AnimationClockTest, DelayHoldsProgressBackThenStartsAtZero) {
  AnimationClock clock;
  Probe probe;
  clock.animate_for(nullptr, 0, linear(100ms, 100ms), probe.on_progress(), probe.on_completion(), at(0ms));
  clock.tick(at(0ms));
  clock.tick(at(50ms));
  clock.tick(at(100ms) - 1ns);
  EXPECT_TRUE(probe.progress.empty());
  clock.tick(at(100ms));
  clock.tick(at(150ms));
  EXPECT_EQ(probe.progress, (std::vector<float>{0.0f, 0.5f}));

  // A delay alone still waits, then finishes in one step.
  Probe delay_only;
  const auto id = clock.animate_for(nullptr, 0, linear(0ms, 100ms), delay_only.on_progress(),
                                    delay_only.on_completion(), at(200ms));
  EXPECT_NE(id, 0u);
  clock.tick(at(250ms));
  EXPECT_TRUE(delay_only.progress.empty());
  clock.tick(at(300ms));
  EXPECT_EQ(delay_only.progress, std::vector<float>{1.0f});
  EXPECT_EQ(delay_only.completions, Statuses{CompletionStatus::Finished});

  // A frame stamped before the start counts as no time elapsed.
  Probe early;
  clock.animate_for(nullptr, 0, linear(100ms), early.on_progress(), early.on_completion(), at(1000ms));
  clock.tick(at(900ms));
  EXPECT_EQ(early.progress, std::vector<float>{0.0f});

  // A start at the very beginning of time is long past: the wait does not overflow into the future.
  Probe ancient;
  clock.animate_for(nullptr, 0, linear(100ms, 100ms), ancient.on_progress(), ancient.on_completion(), TimePoint::min());
  clock.tick(at(0ms));
  EXPECT_EQ(ancient.progress, std::vector<float>{1.0f});
  EXPECT_EQ(ancient.completions, Statuses{CompletionStatus::Finished});
}

TEST(AnimationClockTest, TimeScaleStretchesOrRemovesDurations) {
  AnimationClock clock;
  clock.set_time_scale(2.0f);
  Probe slow;
  clock.animate_for(nullptr, 0, linear(100ms, 50ms), slow.on_progress(), slow.on_completion(), at(0ms));
  clock.tick(at(99ms));
  EXPECT_TRUE(slow.progress.empty()) << "the delay doubles too";
  clock.tick(at(200ms));
  clock.tick(at(300ms));
  EXPECT_EQ(slow.progress, (std::vector<float>{0.5f, 1.0f}));
  EXPECT_EQ(slow.completions, Statuses{CompletionStatus::Finished});

  clock.set_time_scale(0.0f);
  Probe instant;
  EXPECT_EQ(clock.animate_for(nullptr, 0, linear(100ms, 50ms), instant.on_progress(), instant.on_completion(), at(0ms)),
            0u);
  EXPECT_EQ(instant.completions, Statuses{CompletionStatus::Finished});
}

TEST(AnimationClockTest, DisabledClockFinishesAllButRunWhenDisabled) {
  AnimationClock clock;
  Probe normal;
  Probe persistent;
  AnimationSpec keep = linear(100ms);
  keep.run_when_disabled = true;
  const auto normal_id = clock.animate_for(nullptr, 0, linear(100ms), normal.on_progress(), normal.on_completion(), at(0ms));
  const auto persistent_id =
      clock.animate_for(nullptr, 0, keep, persistent.on_progress(), persistent.on_completion(), at(0ms));

  clock.set_enabled(false);
  EXPECT_FALSE(clock.is_enabled());
  EXPECT_FALSE(clock.is_running(normal_id));
  EXPECT_EQ(normal.progress, std::vector<float>{1.0f});
  EXPECT_EQ(normal.completions, Statuses{CompletionStatus::Finished});
  EXPECT_TRUE(clock.is_running(persistent_id));
  EXPECT_TRUE(persistent.progress.empty());

  // While disabled, ordinary starts complete at once and run-when-disabled ones run.
  Probe late;
  EXPECT_EQ(clock.animate_for(nullptr, 0, linear(100ms), late.on_progress(), late.on_completion(), at(0ms)), 0u);
  EXPECT_EQ(late.completions, Statuses{CompletionStatus::Finished});
  Probe late_kept;
  EXPECT_NE(clock.animate_for(nullptr, 0, keep, late_kept.on_progress(), late_kept.on_completion(), at(0ms)), 0u);

  clock.set_enabled(true);
  EXPECT_TRUE(clock.tick(at(50ms)));
  EXPECT_FALSE(clock.tick(at(100ms)));
  EXPECT_EQ(persistent.progress, (std::vector<float>{0.5f, 1.0f}));
  EXPECT_EQ(late_kept.completions, Statuses{CompletionStatus::Finished});
}

TEST(AnimationClockTest, SameOwnerAndKeyReplacesTheRunningAnimation) {
  AnimationClock clock;
  int owner = 0;
  int other_owner = 0;
  Probe first, second, other_key, other_owner_probe, keyless, ownerless;
  const auto first_id = clock.animate_for(&owner, 7, linear(100ms), first.on_progress(), first.on_completion(), at(0ms));
  const auto other_key_id =
      clock.animate_for(&owner, 8, linear(100ms), other_key.on_progress(), other_key.on_completion(), at(0ms));
  const auto other_owner_id = clock.animate_for(&other_owner, 7, linear(100ms), other_owner_probe.on_progress(),
                                                other_owner_probe.on_completion(), at(0ms));
  const auto keyless_id = clock.animate_for(&owner, 0, linear(100ms), keyless.on_progress(), keyless.on_completion(), at(0ms));
  const auto ownerless_id =
      clock.animate_for(nullptr, 7, linear(100ms), ownerless.on_progress(), ownerless.on_completion(), at(0ms));

  // Key 0 and a null owner never replace anything.
  Probe keyless_again, ownerless_again;
  clock.animate_for(&owner, 0, linear(100ms), keyless_again.on_progress(), keyless_again.on_completion(), at(0ms));
  clock.animate_for(nullptr, 7, linear(100ms), ownerless_again.on_progress(), ownerless_again.on_completion(), at(0ms));
  EXPECT_TRUE(clock.is_running(keyless_id));
  EXPECT_TRUE(clock.is_running(ownerless_id));

  const auto second_id = clock.animate_for(&owner, 7, linear(100ms), second.on_progress(), second.on_completion(), at(20ms));
  EXPECT_NE(second_id, first_id);
  EXPECT_EQ(first.completions, Statuses{CompletionStatus::Cancelled});
  EXPECT_FALSE(clock.is_running(first_id));
  EXPECT_TRUE(clock.is_running(other_key_id));
  EXPECT_TRUE(clock.is_running(other_owner_id));

  clock.tick(at(70ms));
  EXPECT_TRUE(first.progress.empty());
  EXPECT_EQ(second.progress, std::vector<float>{0.5f});
}

TEST(AnimationClockTest, CancelReportsOnceAndOnlyForRunningIds) {
  AnimationClock clock;
  Probe probe;
  const auto id = clock.animate_for(nullptr, 0, linear(100ms), probe.on_progress(), probe.on_completion(), at(0ms));

  EXPECT_FALSE(clock.cancel(0));
  EXPECT_FALSE(clock.cancel(id + 1000));
  EXPECT_TRUE(probe.completions.empty());

  EXPECT_TRUE(clock.cancel(id));
  EXPECT_FALSE(clock.cancel(id));
  EXPECT_EQ(probe.completions, Statuses{CompletionStatus::Cancelled});
  EXPECT_FALSE(clock.tick(at(50ms)));
  EXPECT_TRUE(probe.progress.empty());
}

TEST(AnimationClockTest, CancelForOwnerNotifiesOrDropsSilently) {
  AnimationClock clock;
  int owner = 0;
  int bystander = 0;
  Probe a, b, c, d;
  clock.animate_for(&owner, 1, linear(100ms), a.on_progress(), a.on_completion(), at(0ms));
  clock.animate_for(&owner, 0, linear(100ms), b.on_progress(), b.on_completion(), at(0ms));
  const auto kept = clock.animate_for(&bystander, 1, linear(100ms), c.on_progress(), c.on_completion(), at(0ms));
  clock.animate_for(nullptr, 0, linear(100ms), d.on_progress(), d.on_completion(), at(0ms));

  EXPECT_EQ(clock.cancel_for_owner(nullptr, true), 0u) << "ownerless animations belong to nobody";
  EXPECT_EQ(clock.cancel_for_owner(&owner, true), 2u);
  EXPECT_EQ(a.completions, Statuses{CompletionStatus::Cancelled});
  EXPECT_EQ(b.completions, Statuses{CompletionStatus::Cancelled});
  EXPECT_EQ(clock.cancel_for_owner(&owner, true), 0u);

  EXPECT_EQ(clock.cancel_for_owner(&bystander, false), 1u);
  EXPECT_TRUE(c.completions.empty()) << "an owner being destroyed gets no callback";
  EXPECT_FALSE(clock.is_running(kept));
  EXPECT_TRUE(clock.has_animations());
  EXPECT_TRUE(d.completions.empty());
}

TEST(AnimationClockTest, AnimatesFloatsBetweenTwoValues) {
  AnimationClock clock;
  std::vector<float> values;
  Probe probe;
  clock.animate_float_for(nullptr, 0, 10.0f, 20.0f, linear(100ms), [&](float v) { values.push_back(v); },
                          probe.on_completion(), at(0ms));
  clock.tick(at(25ms));
  clock.tick(at(100ms));
  EXPECT_EQ(values, (std::vector<float>{12.5f, 20.0f}));
  EXPECT_EQ(probe.completions, Statuses{CompletionStatus::Finished});

  // Downwards with ease-out, as the interaction progress uses it.
  AnimationSpec out = linear(100ms);
  out.easing = static_cast<int>(Easing::EaseOut);
  values.clear();
  clock.animate_float_for(nullptr, 0, 1.0f, 0.0f, out, [&](float v) { values.push_back(v); }, nullptr, at(0ms));
  clock.tick(at(50ms));
  EXPECT_EQ(values, std::vector<float>{0.25f});

  Probe empty;
  EXPECT_EQ(clock.animate_float_for(nullptr, 0, 0.0f, 1.0f, linear(0ms), nullptr, empty.on_completion(), at(0ms)), 0u);
  EXPECT_TRUE(empty.completions.empty());
}

TEST(AnimationClockTest, CallbacksMayStartAndCancelAnimationsDuringATick) {
  AnimationClock clock;
  Probe victim, self_cancelling, follow_up;
  std::uint64_t victim_id = 0;
  std::uint64_t self_id = 0;

  // The first animation cancels the second from its progress callback: the second is not advanced.
  clock.animate_for(
      nullptr, 0, linear(100ms), [&](float) { clock.cancel(victim_id); }, nullptr, at(0ms));
  victim_id = clock.animate_for(nullptr, 0, linear(100ms), victim.on_progress(), victim.on_completion(), at(0ms));

  // This one cancels itself while reporting its last progress: it completes once, as cancelled.
  self_id = clock.animate_for(
      nullptr, 0, linear(100ms),
      [&](float value) {
        self_cancelling.progress.push_back(value);
        if (value >= 1.0f) clock.cancel(self_id);
      },
      self_cancelling.on_completion(), at(0ms));

  // This one starts a follow-up when it finishes; the tick then reports animations remaining.
  clock.animate_for(
      nullptr, 0, linear(100ms), [](float) {},
      [&](CompletionStatus) {
        clock.animate_for(nullptr, 0, linear(100ms), follow_up.on_progress(), follow_up.on_completion(), at(100ms));
      },
      at(0ms));

  EXPECT_TRUE(clock.tick(at(100ms)));
  EXPECT_TRUE(victim.progress.empty());
  EXPECT_EQ(victim.completions, Statuses{CompletionStatus::Cancelled});
  EXPECT_EQ(self_cancelling.completions, Statuses{CompletionStatus::Cancelled});
  EXPECT_TRUE(follow_up.progress.empty()) << "an animation started during a tick waits for the next one";

  EXPECT_FALSE(clock.tick(at(200ms)));
  EXPECT_EQ(follow_up.progress, std::vector<float>{1.0f});
}

TEST(AnimationClockTest, ExceptionsFromCallbacksReachTheCaller) {
  AnimationClock clock;
  const auto id = clock.animate_for(
      nullptr, 0, linear(100ms), [](float) { throw std::runtime_error("progress"); }, nullptr, at(0ms));
  EXPECT_THROW(clock.tick(at(10ms)), std::runtime_error);
  EXPECT_TRUE(clock.is_running(id));
  EXPECT_TRUE(clock.cancel(id));
}

TEST(AnimationClockTest, NewFrameRequestIsCalledAtOnceOnlyWhileAnimating) {
  AnimationClock clock;
  int frames = 0;
  clock.set_frame_request([&] { ++frames; });
  EXPECT_EQ(frames, 0);
  clock.animate_for(nullptr, 0, linear(100ms), [](float) {}, nullptr, at(0ms));
  int replacement_frames = 0;
  clock.set_frame_request([&] { ++replacement_frames; });
  EXPECT_EQ(replacement_frames, 1);
  EXPECT_EQ(frames, 1);
  clock.set_frame_request(nullptr);
  EXPECT_TRUE(clock.tick(at(10ms)));
}

}  // namespace
