#include "flow_texts.h"

#include <array>

namespace orvane::app {

namespace {

struct Pair {
  const wchar_t* english;
  const wchar_t* chinese;
};

constexpr std::array<Pair, 46> texts{{
    {L"Open image", L"打开图片"},
    {L"Image files (*.png;*.jpg;*.jpeg;*.bmp;*.gif;*.tif;*.tiff)", L"图片文件 (*.png;*.jpg;*.jpeg;*.bmp;*.gif;*.tif;*.tiff)"},
    {L"All files (*.*)", L"所有文件 (*.*)"},
    {L"Opened {} · Changes preview live", L"已打开 {} · 参数修改会实时预览"},
    {L"Could not open image", L"无法打开图片"},
    {L"Export watermarked image", L"导出带水印图片"},
    {L"PNG image (*.png)", L"PNG 图片 (*.png)"},
    {L"JPEG image (*.jpg;*.jpeg)", L"JPEG 图片 (*.jpg;*.jpeg)"},
    {L"BMP image (*.bmp)", L"BMP 图片 (*.bmp)"},
    {L"TIFF image (*.tif;*.tiff)", L"TIFF 图片 (*.tif;*.tiff)"},
    {L"No image selected", L"尚未选择图片"},
    {L"Open an image first.", L"请先打开一张图片。"},
    {L"Watermark is empty", L"水印内容为空"},
    {L"Enter watermark text.", L"请输入水印文字。"},
    {L"Choose another filename", L"请选择其他文件名"},
    {L"Orvane will not overwrite the source image.", L"为了保护原图，Orvane 不会直接覆盖当前图片。"},
    {L"Export failed", L"导出失败"},
    {L"Export complete", L"导出完成"},
    {L"Image saved to:\n{}", L"图片已保存到：\n{}"},
    {L"Exported: {}", L"已导出：{}"},
    {L"Could not open support", L"无法打开支持页面"},
    {L"Windows could not open {} in a web browser.", L"Windows 无法在浏览器中打开 {}。"},
    {L"Opening {}…", L"正在打开 {}…"},
    {L"Choose a logo", L"选择徽标"},
    {L"Could not use the logo", L"无法使用该徽标"},
    {L"Logo {} cannot be read · The mark shows the text alone", L"无法读取徽标 {} · 水印只显示文字"},
    {L"Save preset", L"保存预设"},
    {L"Rename preset", L"重命名预设"},
    {L"Replace preset?", L"替换预设？"},
    {L"A preset named \u201C{}\u201D exists. Replace it with the current settings?", L"已有名为\u201C{}\u201D的预设。要用当前设置替换它吗？"},
    {L"Delete preset?", L"删除预设？"},
    {L"Delete the preset \u201C{}\u201D? This cannot be undone.", L"要删除预设\u201C{}\u201D吗？此操作无法撤销。"},
    {L"Preset not changed", L"预设未更改"},
    {L"Import preset", L"导入预设"},
    {L"Export preset", L"导出预设"},
    {L"Orvane presets (*.orvane.json)", L"Orvane 预设 (*.orvane.json)"},
    {L"Preset {} applied", L"已应用预设 {}"},
    {L"The preset's logo {} is missing · The mark shows the text alone", L"预设的徽标 {} 不存在 · 水印只显示文字"},
    {L"Preset exported: {}", L"已导出预设：{}"},
    {L"Exporting {}…", L"正在导出 {}…"},
    {L"Export cancelled · {} was not written", L"已取消导出 · 未写入 {}"},
    {L"Cancel", L"取消"},
    {L"Export progress", L"导出进度"},
    {L"Export in progress", L"正在导出"},
    {L"Orvane is still writing {}. Stop the export and close?", L"Orvane 仍在写入 {}。要停止导出并关闭吗？"},
    {L"Orvane is still writing the copies of your photos. Stop the export and close? The copies in progress are not written.",
     L"Orvane 仍在写入照片的副本。要停止导出并关闭吗？正在写入的副本将不会保存。"},
}};

}  // namespace

std::wstring flow_text(UiLanguage language, FlowText id) {
  const auto index = static_cast<std::size_t>(id);
  if (index >= texts.size()) return {};
  return language == UiLanguage::simplified_chinese ? texts[index].chinese : texts[index].english;
}

std::wstring fill(const std::wstring& pattern, const std::wstring& value) {
  std::wstring result = pattern;
  const std::size_t at = result.find(L"{}");
  if (at != std::wstring::npos) result.replace(at, 2, value);
  return result;
}

}  // namespace orvane::app
