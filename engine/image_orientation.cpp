#include "image_orientation.h"

#include "exif_metadata.h"

namespace orvane::engine {

OrientationTurn orientation_turn(std::uint16_t tag) noexcept {
  using namespace Gdiplus;
  switch (tag) {
    case 2: return {RotateNoneFlipX, RotateNoneFlipX};
    case 3: return {Rotate180FlipNone, Rotate180FlipNone};
    case 4: return {Rotate180FlipX, Rotate180FlipX};
    case 5: return {Rotate90FlipX, Rotate90FlipX};
    case 6: return {Rotate90FlipNone, Rotate270FlipNone};
    case 7: return {Rotate270FlipX, Rotate270FlipX};
    case 8: return {Rotate270FlipNone, Rotate90FlipNone};
    default: return {};
  }
}

bool apply_rotate_flip(Gdiplus::GpImage* image, Gdiplus::RotateFlipType type) noexcept {
  namespace flat = gdiplus::flat;
  if (type == Gdiplus::Rotate90FlipX || type == Gdiplus::Rotate270FlipX) {
    const auto turn = type == Gdiplus::Rotate90FlipX ? Gdiplus::Rotate90FlipNone : Gdiplus::Rotate270FlipNone;
    return flat::GdipImageRotateFlip(image, turn) == Gdiplus::Ok &&
           flat::GdipImageRotateFlip(image, Gdiplus::RotateNoneFlipX) == Gdiplus::Ok;
  }
  return flat::GdipImageRotateFlip(image, type) == Gdiplus::Ok;
}

SourceOrientation read_source_orientation(Gdiplus::GpImage* image, const std::wstring& path) {
  SourceOrientation result;
  if (auto item = gdiplus::property_item(image, kOrientationTag)) {
    if (auto value = orientation_from_item(item->type, item->value.size(), item->value.data())) {
      result.value = *value;
      result.present = true;
      result.item = std::move(*item);
      return result;
    }
    // A decoder that reports an unusable item has spoken: the tag is ignored.
    return result;
  }
  // Some decoders (Wine's) expose no EXIF at all; the file itself still says how to turn it.
  if (auto value = read_file_orientation(path)) {
    result.value = *value;
    result.present = true;
    result.item.id = kOrientationTag;
    result.item.type = kTiffTypeShort;
    result.item.value = std::string{static_cast<char>(*value & 0xFF), static_cast<char>(*value >> 8)};
  }
  return result;
}

}  // namespace orvane::engine
