#pragma once

#include <cstddef>

struct IDWriteFactory;

namespace win32_ui::ui::graphics {

// The process-wide shared DirectWrite factory, made on first use and never released; null when
// DirectWrite cannot be loaded (callers then fall back to GDI).
[[nodiscard]] IDWriteFactory* direct_write_factory() noexcept;

// The longest text DirectWrite is given to lay out: 2^32 - 1 characters, but 65,536 under
// Wine, whose DirectWrite crashes on a run of more glyphs (callers then measure with GDI).
[[nodiscard]] std::size_t direct_write_max_text_length() noexcept;

}  // namespace win32_ui::ui::graphics
