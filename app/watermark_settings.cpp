#include "watermark_settings.h"

namespace orvane::app {

WatermarkSettings default_settings(UiLanguage language) {
  WatermarkSettings settings;
  const bool chinese = language == UiLanguage::simplified_chinese;
  settings.text = chinese ? L"示例水印" : L"Sample watermark";
  settings.font_family = chinese ? L"Microsoft YaHei UI" : L"Segoe UI";
  return settings;
}

engine::WatermarkOptions make_options(const WatermarkSettings& settings, const std::wstring& image_path) {
  engine::WatermarkOptions options;
  options.input_path = image_path;
  options.output_path.clear();
  options.text = settings.text;
  options.font_family = settings.font_family;
  options.font_size = settings.font_size;
  options.color = settings.color;
  options.rotation = settings.rotation;
  options.spacing_x = settings.spacing_x;
  options.spacing_y = settings.spacing_y;
  options.jpeg_quality = settings.jpeg_quality;
  options.keep_source_jpeg_quality = false;
  options.layout = settings.layout;
  options.fit_to_area = settings.fit_to_area;
  return options;
}

}  // namespace orvane::app
