#pragma once

#include <cstdint>
#include <functional>

#include "modern/widgets/interactive.h"

namespace win32_ui::modern {

// A horizontal slider over 0..1: drag the thumb or click the track, arrows step by 0.05.
class Slider : public Interactive {
 public:
  explicit Slider(std::uint32_t command_id, float value = 0.0f);

  // Runs `callback` with the new value whenever the value really changes through input.
  Slider& on_value_changed(std::function<void(float)> callback);

  void paint(PaintContext& context) override;
};

}  // namespace win32_ui::modern
