#include "image_export.h"

#include "exif_metadata.h"
#include "file_system.h"
#include "gdiplus_support.h"
#include "gif_transparency.h"
#include "image_file.h"
#include "image_header.h"
#include "image_orientation.h"
#include "indexed_bitmap.h"
#include "photo_tokens.h"
#include "print_metadata.h"
#include "watermark_drawing.h"

#include <objidl.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

namespace orvane::engine {
namespace {

namespace flat = gdiplus::flat;

// Lower-cases by the user's locale, character by character.
std::wstring to_lower(std::wstring text) {
  if (!text.empty()) {
    LCMapStringEx(LOCALE_NAME_USER_DEFAULT, LCMAP_LOWERCASE, text.c_str(), static_cast<int>(text.size()), text.data(),
                  static_cast<int>(text.size()), nullptr, nullptr, 0);
  }
  return text;
}

// The MIME type that the output's extension names, or empty.
std::wstring mime_for_extension(const std::wstring& path) {
  const auto dot = path.find_last_of(L'.');
  if (dot == std::wstring::npos || dot + 1 >= path.size()) return {};
  std::wstring extension = to_lower(path.substr(dot + 1));
  if (extension == L"png") return L"image/png";
  if (extension == L"jpg" || extension == L"jpeg") return L"image/jpeg";
  if (extension == L"bmp") return L"image/bmp";
  if (extension == L"gif") return L"image/gif";
  if (extension == L"tif" || extension == L"tiff") return L"image/tiff";
  return {};
}

std::optional<gdiplus::Encoder> choose_encoder(const std::wstring& output_path, Gdiplus::GpImage* source) {
  if (const std::wstring mime = mime_for_extension(output_path); !mime.empty()) {
    if (auto encoder = gdiplus::encoder_by_mime(mime)) return encoder;
  }
  GUID format{};
  if (flat::GdipGetImageRawFormat(source, &format) != Gdiplus::Ok) return std::nullopt;
  return gdiplus::encoder_by_format(format);
}

bool is_jpeg_mime(const std::wstring& mime) {
  return to_lower(mime) == L"image/jpeg";
}

// Formats whose files carry an orientation tag that viewers honour.
bool carries_orientation(const std::wstring& mime) {
  return is_jpeg_mime(mime) || mime == L"image/tiff";
}

// Formats whose files carry an ICC profile and a resolution that the engine can write itself.
bool carries_print_metadata(const std::wstring& mime) {
  return is_jpeg_mime(mime) || mime == L"image/png" || mime == L"image/tiff";
}

// Formats that keep transparency; anything else is flattened onto white first, as image editors
// do, or transparent areas would come out black and the watermark over them at full strength.
bool keeps_alpha(const std::wstring& mime) {
  return mime == L"image/png" || mime == L"image/tiff" || mime == L"image/gif";
}

struct StreamReleaser {
  void operator()(IStream* stream) const noexcept { stream->Release(); }
};
using StreamPtr = std::unique_ptr<IStream, StreamReleaser>;

// The size of a small noisy bitmap encoded as JPEG at `quality`; 0 on failure.
std::uint64_t jpeg_size_at(Gdiplus::GpBitmap* bitmap, const CLSID& encoder, ULONG quality) {
  IStream* raw = nullptr;
  if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &raw)) || raw == nullptr) return 0;
  StreamPtr stream(raw);
  Gdiplus::EncoderParameters parameters{};
  parameters.Count = 1;
  parameters.Parameter[0].Guid = Gdiplus::EncoderQuality;
  parameters.Parameter[0].NumberOfValues = 1;
  parameters.Parameter[0].Type = Gdiplus::EncoderParameterValueTypeLong;
  parameters.Parameter[0].Value = &quality;
  if (flat::GdipSaveImageToStream(bitmap, stream.get(), &encoder, &parameters) != Gdiplus::Ok) return 0;
  STATSTG stat{};
  if (FAILED(stream->Stat(&stat, STATFLAG_NONAME))) return 0;
  return stat.cbSize.QuadPart;
}

bool measure_jpeg_quality_honoured() {
  gdiplus::GdiplusSession session;
  if (!session.ok()) return true;
  const auto encoder = gdiplus::encoder_by_mime(L"image/jpeg");
  gdiplus::BitmapPtr bitmap = gdiplus::create_bitmap(32, 32, PixelFormat32bppARGB);
  if (!encoder || !bitmap) return true;
  std::uint32_t seed = 12345;
  for (INT y = 0; y < 32; ++y) {
    for (INT x = 0; x < 32; ++x) {
      seed = seed * 1103515245u + 12345u;
      flat::GdipBitmapSetPixel(bitmap.get(), x, y, 0xFF000000u | (seed >> 8));
    }
  }
  const std::uint64_t low = jpeg_size_at(bitmap.get(), encoder->clsid, 10);
  const std::uint64_t high = jpeg_size_at(bitmap.get(), encoder->clsid, 95);
  return low == 0 || high == 0 || low != high;  // noise at 10 and at 95 cannot come out the same size
}

std::optional<std::int32_t> source_jpeg_quality(Gdiplus::GpImage* image) {
  auto item = gdiplus::property_item(image, kJpegQualityTag);
  if (!item) return std::nullopt;
  return jpeg_quality_from_item(item->type, item->value.size(), item->value.data());
}

// Sets the kept orientation item on the bitmap to be saved; some platforms ignore it silently.
void set_orientation_item(Gdiplus::GpImage* image, gdiplus::PropertyItemCopy& copy) {
  Gdiplus::PropertyItem item{};
  item.id = copy.id;
  item.type = copy.type;
  item.length = static_cast<ULONG>(copy.value.size());
  item.value = copy.value.data();
  flat::GdipSetPropertyItem(image, &item);
}

// A straight BGRA pixel laid over opaque white, as image editors flatten a picture for a format
// without transparency; otherwise transparent areas come out black and the watermark over them
// at full strength. Rounds as GDI+ does when it draws an image over white.
void flatten_pixel(std::uint8_t* bgra) {
  const std::uint32_t alpha = bgra[3];
  if (alpha == 255) return;
  for (int channel = 0; channel < 3; ++channel) {
    bgra[channel] = static_cast<std::uint8_t>((bgra[channel] * alpha + 255 * (255 - alpha)) / 255);
  }
  bgra[3] = 255;
}

// Lays every pixel of a 32-bit picture over white.
void flatten_onto_white(const gdiplus::PixelBitmap& image) {
  for (std::uint32_t y = 0; y < image.height; ++y) {
    for (std::uint32_t x = 0; x < image.width; ++x) flatten_pixel(image.row(y) + std::size_t{x} * 4);
  }
}

// Copies the decoded pixels into `target`. GDI+ converts them straight into it: the same pixels
// as drawing the image at its own size, at a fraction of the cost. A 24-bit target cannot keep
// transparency, so a picture that may have some is laid over white on the way.
bool copy_decoded(Gdiplus::GpBitmap* source, const gdiplus::PixelBitmap& target) {
  Gdiplus::PixelFormat source_format = 0;
  flat::GdipGetImagePixelFormat(source, &source_format);
  const bool may_be_transparent = (source_format & (PixelFormatAlpha | PixelFormatPAlpha | PixelFormatIndexed)) != 0;
  const INT width = static_cast<INT>(target.width);
  if (target.format != PixelFormat24bppRGB || !may_be_transparent) {
    return gdiplus::read_pixels(source, Gdiplus::GpRect(0, 0, width, static_cast<INT>(target.height)), target.format,
                                target.pixels, target.stride);
  }
  // Through a band of 32-bit rows at a time.
  constexpr std::uint32_t kBandRows = 64;
  std::vector<std::uint8_t> band(std::size_t{target.width} * 4 * kBandRows);
  for (std::uint32_t top = 0; top < target.height; top += kBandRows) {
    const std::uint32_t rows = std::min(kBandRows, target.height - top);
    if (!gdiplus::read_pixels(source, Gdiplus::GpRect(0, static_cast<INT>(top), width, static_cast<INT>(rows)),
                              PixelFormat32bppARGB, band.data(), std::size_t{target.width} * 4)) {
      return false;
    }
    for (std::uint32_t y = 0; y < rows; ++y) {
      for (std::uint32_t x = 0; x < target.width; ++x) {
        std::uint8_t* pixel = &band[(std::size_t{y} * target.width + x) * 4];
        flatten_pixel(pixel);
        std::memcpy(target.row(top + y) + std::size_t{x} * 3, pixel, 3);
      }
    }
  }
  return true;
}

// Adds the time since the previous lap to one stage, when the caller asked for the stages.
class StageClock {
 public:
  explicit StageClock(ExportStageTimes* times) : times_(times) {
    if (times_ != nullptr) *times_ = {};
  }
  void lap(double ExportStageTimes::*stage) {
    if (times_ == nullptr) return;
    const auto now = std::chrono::steady_clock::now();
    times_->*stage += std::chrono::duration<double, std::milli>(now - last_).count();
    last_ = now;
  }

 private:
  ExportStageTimes* times_;
  std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
};

}  // namespace

bool export_image(const WatermarkOptions& options, ExportReport& report, std::wstring& error,
                  ExportStageTimes* stages, const std::atomic<bool>* cancel, const ExportProgress& progress) {
  // 1. Validate before touching anything.
  if (!validate_options(options, error)) return false;
  StageClock clock(stages);
  // The share of a typical photo's export done at the end of each stage (decoding and encoding a
  // JPEG take most of it).
  const auto reached = [&progress](double done) {
    if (progress) progress(done);
  };
  const auto cancelled = [cancel, &error] {
    if (cancel == nullptr || !cancel->load()) return false;
    error = kExportCancelled;
    return true;
  };
  if (cancelled()) return false;

  // 2. A GDI+ session for this call alone; declared first so it ends after every image.
  gdiplus::GdiplusSession session;
  if (!session.ok()) {
    error = L"GDI+ initialization failed.";
    return false;
  }

  // 3. Decode, refusing sources too large to hold.
  gdiplus::BitmapPtr source = decode_image_file(options.input_path);
  if (!source) {
    // A missing file is named as such, and so is a header that declares no pixels.
    error = input_access_error(options.input_path);
    if (!error.empty()) return false;
    const auto declared = read_image_dimensions(options.input_path);
    error = declared && (declared->width == 0 || declared->height == 0) ? L"Invalid input image dimensions."
                                                                        : L"Unable to read input image.";
    return false;
  }
  const auto stored = gdiplus::image_size(source.get());
  if (stored.width == 0 || stored.height == 0) {
    error = L"Invalid input image dimensions.";
    return false;
  }
  // Nothing may ever be written onto the file being read, however its path is spelled.
  if (same_file(options.input_path, options.output_path)) {
    error = L"Failed to save output image.";
    return false;
  }

  // 4. Encoder by extension, else by the source's own format.
  const auto encoder = choose_encoder(options.output_path, source.get());
  if (!encoder) {
    error = L"Unsupported output image format or encoder not found.";
    return false;
  }
  const bool jpeg = is_jpeg_mime(encoder->mime_type);
  clock.lap(&ExportStageTimes::decode);
  reached(0.4);
  if (cancelled()) return false;

  // 5. Orientation, from the decoder or else from the file's own EXIF block.
  SourceOrientation orientation = read_source_orientation(source.get(), options.input_path);
  const OrientationTurn turn = orientation_turn(orientation.value);

  // 6. Quality: the options', or the source's recorded one when asked and present.
  std::int32_t quality = options.jpeg_quality;
  bool quality_from_source = false;
  if (jpeg && options.keep_source_jpeg_quality) {
    if (auto recorded = source_jpeg_quality(source.get())) {
      quality = *recorded;
      quality_from_source = true;
    }
  }

  // 7-8. The working pixels, without the source's metadata. A JPEG output is worked on in 24 bits,
  // what its encoder takes. Decoded pixels that already have the working format (a JPEG photo
  // for a JPEG output) are worked on where they lie; others GDI+ converts into a copy.
  const Gdiplus::PixelFormat working_format = jpeg ? PixelFormat24bppRGB : PixelFormat32bppARGB;
  Gdiplus::PixelFormat decoded_format = 0;
  flat::GdipGetImagePixelFormat(source.get(), &decoded_format);
  std::optional<gdiplus::PixelLock> in_place;
  gdiplus::PixelBitmap working;  // declared last: it goes before the lock on the pixels it borrows
  if (decoded_format == working_format) {
    in_place.emplace(source.get(), working_format);
    working = in_place->borrow();
  }
  if (!working) {
    in_place.reset();
    working = gdiplus::make_pixel_bitmap(stored.width, stored.height, working_format);
    if (!working) {
      error = L"Unable to create in-memory bitmap.";
      return false;
    }
    if (!copy_decoded(source.get(), working)) {
      error = L"Failed to decode image into in-memory bitmap.";
      return false;
    }
    source.reset();  // every later step works on the copy
  }
  if (working.format == PixelFormat32bppARGB && !keeps_alpha(encoder->mime_type)) flatten_onto_white(working);
  clock.lap(&ExportStageTimes::copy);
  if (turn.turns()) {
    working = turned(working, turn.upright);
    if (!working) {
      error = L"Failed to rotate image.";
      return false;
    }
    in_place.reset();  // the decoded pixels are not needed any more
    source.reset();
  }
  const gdiplus::Size upright{working.width, working.height};
  clock.lap(&ExportStageTimes::orientation);
  reached(0.5);
  if (cancelled()) return false;

  // 9. The watermark, drawn upright, its lengths in pixels of this picture, its text's tokens
  // replaced with this photo's values.
  WatermarkOptions pixels = in_pixels(options, upright.width, upright.height);
  if (has_text_tokens(options.text)) {
    pixels.text = expand_text_tokens(
        options.text, photo_token_values(options.input_path, upright.width, upright.height), options.sequence_number);
  }
  if (!validate_for_picture(pixels, upright.width, upright.height, error)) return false;
  if ((!pixels.text.empty() || !pixels.logo_path.empty()) &&
      !draw_watermark(pixels, working.bitmap.get(), upright.width, upright.height, error)) {
    return false;
  }
  clock.lap(&ExportStageTimes::watermark);
  reached(0.6);
  if (cancelled()) return false;

  // 10-11. Back to the stored orientation with the tag, but only for formats that carry the tag:
  // elsewhere a turned-back image would show on its side in every viewer.
  const bool keep_stored_orientation = orientation.present && carries_orientation(encoder->mime_type);
  if (keep_stored_orientation && turn.turns()) {
    working = turned(working, turn.inverse);
    if (!working) {
      error = L"Failed to rotate image.";
      return false;
    }
  }
  if (keep_stored_orientation) set_orientation_item(working.bitmap.get(), orientation.item);
  clock.lap(&ExportStageTimes::turn_back);
  // The colour profile and print size of the source go with the copy.
  const PrintMetadata print = carries_print_metadata(encoder->mime_type) ? read_file_print_metadata(options.input_path)
                                                                          : PrintMetadata{};
  if (print.resolution) {
    flat::GdipBitmapSetResolution(working.bitmap.get(), static_cast<Gdiplus::REAL>(print.resolution->x),
                                  static_cast<Gdiplus::REAL>(print.resolution->y));
  }
  const gdiplus::Size output{working.width, working.height};
  clock.lap(&ExportStageTimes::amend);

  // 12. Save through a temporary file; write the tag in ourselves when the encoder dropped it.
  Gdiplus::EncoderParameters parameters{};
  ULONG quality_value = static_cast<ULONG>(quality);
  parameters.Count = 1;
  parameters.Parameter[0].Guid = Gdiplus::EncoderQuality;
  parameters.Parameter[0].NumberOfValues = 1;
  parameters.Parameter[0].Type = Gdiplus::EncoderParameterValueTypeLong;
  parameters.Parameter[0].Value = &quality_value;
  const std::uint16_t tag = orientation.value;
  gdiplus::BitmapPtr indexed;
  bool stopped = false;
  auto amend = [&](const std::wstring& saved) {
    clock.lap(&ExportStageTimes::encode);
    reached(0.95);
    // A cancelled export never moves its finished temporary file into place; it is removed.
    if (cancelled()) return !(stopped = true);
    if (keep_stored_orientation && read_file_orientation(saved) != tag && !write_file_orientation(saved, tag)) {
      return false;
    }
    // The transparent palette entry must be marked in the file, which not every encoder does.
    if (indexed && !set_file_gif_transparent_index(saved, kIndexedTransparentIndex)) return false;
    if (!print.empty() && !print_metadata_carried(print, read_file_print_metadata(saved)) &&
        !write_file_print_metadata(saved, print)) {
      return false;
    }
    if (cancelled()) return !(stopped = true);
    return true;
  };
  if (encoder->mime_type == L"image/gif") {
    indexed = to_indexed_bitmap(working.bitmap.get());
    if (!indexed) {
      error = L"Failed to save output image.";
      return false;
    }
  }
  if (!save_image_replacing(indexed ? indexed.get() : working.bitmap.get(), options.output_path, encoder->clsid,
                            jpeg ? &parameters : nullptr, amend)) {
    error = stopped ? kExportCancelled : L"Failed to save output image.";
    return false;
  }
  clock.lap(&ExportStageTimes::amend);
  reached(1.0);

  // 13. Report.
  report.output_width = output.width;
  report.output_height = output.height;
  report.upright_width = upright.width;
  report.upright_height = upright.height;
  report.orientation = orientation.value;
  report.orientation_present = orientation.present;
  report.orientation_corrected = turn.turns() && keep_stored_orientation;  // applied and undone
  report.quality_from_source = quality_from_source;
  report.jpeg_quality = jpeg ? quality : 0;
  report.mime_type = encoder->mime_type;
  return true;
}

struct ImagingSession::State {
  gdiplus::GdiplusSession session;
};

ImagingSession::ImagingSession() : state_(std::make_unique<State>()) {}

ImagingSession::~ImagingSession() = default;

bool ImagingSession::ok() const noexcept { return state_->session.ok(); }

bool jpeg_quality_honoured() {
  static const bool honoured = measure_jpeg_quality_honoured();
  return honoured;
}

}  // namespace orvane::engine
