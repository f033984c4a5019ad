#include "ui_resources.h"

#include <windows.h>

#include <cstdint>
#include <span>

#include "icon_tint.h"
#include "resources/resource_ids.h"

namespace orvane::app {

using win32_ui::ui::graphics::Image;

namespace {

constexpr int sheet_divisions = 3;

// The bytes of the sheet resource, which live as long as the module; empty when it is missing.
std::span<const std::uint8_t> sheet_bytes(HMODULE module) noexcept {
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(ORVANE_IDR_ICON_SHEET), RT_RCDATA);
  if (found == nullptr) return {};
  HGLOBAL loaded = LoadResource(module, found);
  const DWORD size = SizeofResource(module, found);
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (bytes == nullptr || size == 0) return {};
  return {static_cast<const std::uint8_t*>(bytes), size};
}

IconPair cut(const Image& sheet, int column, int row) {
  return {tint_icon(sheet, column, row, light_icon_tint.ink, light_icon_tint.accent, sheet_divisions),
          tint_icon(sheet, column, row, dark_icon_tint.ink, dark_icon_tint.accent, sheet_divisions)};
}

}  // namespace

UiResources load_icons(HMODULE module) {
  Image sheet;
  const auto bytes = sheet_bytes(module);
  if (bytes.empty() || Image::decode_image(bytes, sheet) != win32_ui::ui::graphics::image_ok) return {};
  UiResources icons;
  icons.open = cut(sheet, 0, 0);
  icons.export_image = cut(sheet, 1, 0);
  icons.theme = cut(sheet, 2, 0);
  icons.language = cut(sheet, 0, 1);
  icons.help = cut(sheet, 1, 1);
  icons.watermark = cut(sheet, 2, 1);
  icons.layout = cut(sheet, 0, 2);
  icons.export_settings = cut(sheet, 1, 2);
  icons.picture = cut(sheet, 2, 2);
  return icons;
}

}  // namespace orvane::app
