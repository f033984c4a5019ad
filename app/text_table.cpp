#include "text_table.h"

#include <array>

namespace orvane::app {
namespace {

struct TextPair {
  const wchar_t* chinese;
  const wchar_t* english;
};

// In TextId order.
constexpr std::array<TextPair, text_count> texts{{
    {L"Orvane · 图片水印", L"Orvane · Image Watermark"},  // window_title
    {L"图片水印", L"Image watermark"},  // header_title
    {L"调整参数并实时预览水印效果", L"Adjust settings and preview the result live"},  // header_subtitle
    {L"打开", L"Open"},  // open_button
    {L"导出", L"Export"},  // export_button
    {L"主题", L"Theme"},  // theme_button
    {L"语言", L"Language"},  // language_button
    {L"帮助", L"Help"},  // help_button
    {L"关于", L"About"},  // about_item
    {L"支持", L"Support"},  // support_item
    {L"水印内容", L"Watermark"},  // watermark_section
    {L"输入水印文字", L"Enter watermark text"},  // text_placeholder
    {L"字体", L"Font"},  // font_label
    {L"字号（px）", L"Size (px)"},  // size_label
    {L"颜色", L"Color"},  // color_label
    {L"不透明度", L"Opacity"},  // opacity_label
    {L"布局", L"Layout"},  // layout_section
    {L"位置", L"Position"},  // position_label
    {L"旋转（°）", L"Rotation (°)"},  // rotation_label
    {L"水平间距（px）", L"X spacing (px)"},  // spacing_x_label
    {L"垂直间距（px）", L"Y spacing (px)"},  // spacing_y_label
    {L"自动缩放到定位区域", L"Fit to target area"},  // fit_to_area
    {L"导出设置", L"Export settings"},  // export_section
    {L"JPEG 质量", L"JPEG quality"},  // jpeg_quality_label
    {L"实时预览", L"Live preview"},  // live_preview
    {L"等待图片", L"Waiting for image"},  // waiting_for_image
    {L"打开或拖入一张图片", L"Open or drop an image"},  // open_or_drop_image
    {L"支持 PNG、JPEG、BMP、GIF 和 TIFF", L"PNG, JPEG, BMP, GIF and TIFF supported"},  // supported_formats
    {L"请选择或拖入一张图片", L"Choose or drop an image"},  // choose_or_drop_image
    {L"网格平铺", L"Grid"},  // layout_grid
    {L"错位平铺", L"Staggered grid"},  // layout_staggered_grid
    {L"左上", L"Top left"},  // layout_top_left
    {L"上方居中", L"Top center"},  // layout_top_center
    {L"右上", L"Top right"},  // layout_top_right
    {L"左侧居中", L"Center left"},  // layout_center_left
    {L"正中", L"Center"},  // layout_center
    {L"右侧居中", L"Center right"},  // layout_center_right
    {L"左下", L"Bottom left"},  // layout_bottom_left
    {L"下方居中", L"Bottom center"},  // layout_bottom_center
    {L"右下", L"Bottom right"},  // layout_bottom_right
    {L"跟随系统", L"Follow system"},  // theme_follow_system
    {L"浅色", L"Light"},  // theme_light
    {L"深色", L"Dark"},  // theme_dark
    {L"简体中文", L"简体中文"},  // language_chinese
    {L"English", L"English"},  // language_english
    {L"关于 Orvane", L"About Orvane"},  // about_title
    {L"轻巧、直观的 Windows 图片水印工具。\n"
     L"支持实时预览、平铺水印和九宫格定位。",
     L"A lightweight, intuitive image watermark tool for Windows.\n"
     L"Supports live preview, tiled watermarks and nine-position placement."},  // about_body
    {L"确定", L"OK"},  // about_ok
    {L"{} 的预览，{} × {}，{}", L"Preview of {}, {} × {}, {}"},  // preview_of_image
    {L"未打开图片", L"No image open"},  // no_image_open
    {L"字号（%）", L"Size (%)"},  // size_percent_label
    {L"水平间距（%）", L"X spacing (%)"},  // spacing_x_percent_label
    {L"垂直间距（%）", L"Y spacing (%)"},  // spacing_y_percent_label
    {L"边距（px）", L"Margin (px)"},  // margin_label
    {L"边距（%）", L"Margin (%)"},  // margin_percent_label
    {L"空：在所在区域居中", L"Empty: centred in its area"},  // margin_placeholder
    {L"描边（%）", L"Outline (%)"},  // outline_label
    {L"阴影", L"Shadow"},  // shadow_label
    {L"徽标（px）", L"Logo (px)"},  // logo_label
    {L"选择…", L"Choose…"},  // choose_logo
    {L"清除徽标", L"Clear logo"},  // clear_logo
    {L"尺寸单位", L"Size unit"},  // size_unit_name
    {L"描边宽度（字号的 %）", L"Outline width (% of text size)"},  // outline_width_name
    {L"选择描边颜色", L"Choose outline color"},  // outline_color_name
    {L"选择阴影颜色", L"Choose shadow color"},  // shadow_color_name
    {L"徽标尺寸", L"Logo size"},  // logo_size_name
    {L"描边", L"Outline"},  // outline_name
    {L"徽标（%）", L"Logo (%)"},  // logo_percent_label
    {L"徽标", L"Logo"},  // logo_name
    {L"预设", L"Presets"},  // presets_section
    {L"预设", L"Preset"},  // preset_label
    {L"保存…", L"Save…"},  // save_preset
    {L"重命名…", L"Rename…"},  // rename_preset
    {L"删除", L"Delete"},  // delete_preset
    {L"导入…", L"Import…"},  // import_preset
    {L"导出…", L"Export…"},  // export_preset
    {L"名称", L"Name"},  // preset_name_label
}};

}  // namespace

std::wstring ui_text(UiLanguage language, TextId id) {
  const auto index = static_cast<std::int32_t>(id);
  if (index < 0 || index >= text_count) return {};
  const TextPair& pair = texts[static_cast<std::size_t>(index)];
  return language == UiLanguage::simplified_chinese ? pair.chinese : pair.english;
}

}  // namespace orvane::app
