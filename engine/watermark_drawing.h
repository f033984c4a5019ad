#pragma once

#include <string>

#include "watermark_options.h"

namespace Gdiplus {
class GpBitmap;
}

namespace orvane::engine {

// How the stamps of the tiled layouts reach the bitmap: blended from the text rendered once per
// sub-pixel position (the fast way), or each drawn as text (the plain way, which the fast way
// is held to by the tests). A mark with a logo, an outline or a shadow is rendered once either
// way: folded into one period of the layout, or laid at each stamp in turn.
enum class TileDrawing { FromRenderedStamp, EachStampAsText };

// Stamps the options' mark (text, logo, outline, shadow) onto `bitmap` over the area width x
// height (normally the bitmap's own size). Lengths still in percent are taken of this area's
// shorter side; the export and the preview resolve them for the full-size picture first
// (in_pixels). Fails when no drawing context or no font can be made, when the logo cannot be
// read (the error names it), or when the whole mark is too large to render.
[[nodiscard]] bool draw_watermark(const WatermarkOptions& options, Gdiplus::GpBitmap* bitmap, unsigned width,
                                  unsigned height, std::wstring& error,
                                  TileDrawing tiles = TileDrawing::FromRenderedStamp);

// True when `family` names an installed font family, which the drawing then uses as it is.
[[nodiscard]] bool font_family_installed(const std::wstring& family);

}  // namespace orvane::engine
