#pragma once

#include <dwrite.h>
#include <wrl/client.h>

#include <string_view>

namespace win32_ui::ui::graphics {

// Gives the runs of a layout's text that its own font cannot show to a family that can.
// DirectWrite on Wine has no system fallback at all, and on Windows this matches what the
// system would pick for Chinese, so measuring and drawing agree everywhere.
class FontFallback {
 public:
  // The family given to Chinese (and other CJK) runs that the layout's font lacks.
  static constexpr const wchar_t* cjk_family = L"Microsoft YaHei UI";

  // Resolves the fallback family in the system collection of `factory`.
  explicit FontFallback(IDWriteFactory* factory);

  // Sets the fallback family on each run of `text` that `primary` lacks and the fallback
  // font has; returns the number of runs changed. Does nothing without either font.
  int apply(IDWriteTextLayout& layout, std::wstring_view text, IDWriteFont* primary) const;

 private:
  Microsoft::WRL::ComPtr<IDWriteFont> fallback_;
};

}  // namespace win32_ui::ui::graphics
