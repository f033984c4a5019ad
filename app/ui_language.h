#pragma once

#include <cstdint>
#include <optional>

namespace orvane::app {

// The language of the application's own texts. Any value but 0 counts as English.
enum class UiLanguage : std::int32_t {
  simplified_chinese = 0,
  english = 1,
};

// The language to start in: the stored preference when there is one, else Simplified Chinese
// for a Chinese display language (any variant) and English for every other.
[[nodiscard]] UiLanguage first_ui_language(std::optional<UiLanguage> stored,
                                           std::uint16_t display_language) noexcept;

// The same rule with the user's display language as the system reports it.
[[nodiscard]] UiLanguage first_ui_language(std::optional<UiLanguage> stored) noexcept;

}  // namespace orvane::app
