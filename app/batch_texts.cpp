#include "batch_texts.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "flow_texts.h"

namespace orvane::app {

namespace {

struct Pair {
  const wchar_t* english;
  const wchar_t* chinese;
};

constexpr std::array<Pair, 39> texts{{
    {L"Choose the folder for the watermarked copies", L"选择保存带水印副本的文件夹"},
    {L"Cannot export these photos", L"无法导出这些照片"},
    {L"{} and {} would both be written as {}. Remove one of them from the list and export again.",
     L"{} 和 {} 都会写成 {}。请从列表中移除其中一张，然后再导出。"},
    {L"The copy of {} would replace the photo {} itself. Choose another folder.",
     L"{} 的副本会覆盖照片 {} 本身。请选择其他文件夹。"},
    {L"Replace existing files?", L"替换现有文件？"},
    {L"{} of the copies already exist in {}. Replace them? Choose No to keep them and skip those photos.",
     L"{} 个副本已存在于 {}。要替换它们吗？选择“否”将保留这些文件并跳过对应照片。"},
    {L"Exporting {} photos…", L"正在导出 {} 张照片…"},
    {L"Stopping after the photos in progress…", L"正在完成进行中的照片，随后停止…"},
    {L"{}/{} done", L"已完成 {}/{}"},
    {L"{} failed", L"{} 张失败"},
    {L"{} photos/s", L"每秒 {} 张"},
    {L"about {} left", L"约剩 {}"},
    {L"Export finished", L"导出完成"},
    {L"Export stopped", L"导出已停止"},
    {L"{} written", L"已写入 {} 张"},
    {L"{} skipped: their copies already existed", L"跳过 {} 张：副本已存在"},
    {L"{} failed:", L"{} 张失败："},
    {L"{} not started", L"{} 张未开始"},
    {L"and {} more", L"另有 {} 张"},
    {L"Open the folder with the copies?", L"要打开保存副本的文件夹吗？"},
    {L"Waiting", L"等待中"},
    {L"Writing…", L"正在写入…"},
    {L"Done", L"已完成"},
    {L"Skipped: the copy already exists", L"已跳过：副本已存在"},
    {L"Failed: {}", L"失败：{}"},
    {L"its copy would replace a source photo", L"副本会覆盖原图"},
    {L"its copy was already written for another photo", L"副本已为另一张照片写入"},
    {L"cannot tell whether its copy exists", L"无法确定副本是否存在"},
    {L"the copy already exists", L"副本已存在"},
    {L"the output folder does not exist", L"输出文件夹不存在"},
    {L"not enough memory for this photo", L"内存不足，无法处理这张照片"},
    {L"stopped before it was written", L"写入前已停止"},
    {L"Photos", L"照片"},
    {L"Remove", L"移除"},
    {L"Opened {} photos · Choose one to preview it", L"已打开 {} 张照片 · 选择一张即可预览"},
    {L"Could not open {}", L"无法打开 {}"},
    {L"No photos found in what was dropped", L"拖入的内容中没有照片"},
    {L"Looking for photos…", L"正在查找照片…"},
    {L"Looking for photos… {} files so far", L"正在查找照片… 已找到 {} 个文件"},
}};

}  // namespace

std::wstring batch_text(UiLanguage language, BatchText id) {
  const auto index = static_cast<std::size_t>(id);
  if (index >= texts.size()) return {};
  return language == UiLanguage::simplified_chinese ? texts[index].chinese : texts[index].english;
}

std::wstring reason_text(UiLanguage language, const batch::ItemResult& result) {
  using batch::ItemReason;
  switch (result.reason) {
    case ItemReason::SourceWouldBeOverwritten: return batch_text(language, BatchText::reason_source);
    case ItemReason::OutputWrittenEarlier: return batch_text(language, BatchText::reason_written_earlier);
    case ItemReason::OutputUnknown: return batch_text(language, BatchText::reason_output_unknown);
    case ItemReason::OutputExists: return batch_text(language, BatchText::reason_output_exists);
    case ItemReason::OutputFolderMissing: return batch_text(language, BatchText::reason_folder_missing);
    case ItemReason::OverMemoryLimit:
    case ItemReason::OutOfMemory: return batch_text(language, BatchText::reason_memory);
    case ItemReason::Cancelled: return batch_text(language, BatchText::reason_stopped);
    case ItemReason::ExportFailed: return result.engine_error;  // the engine's words, as everywhere
    case ItemReason::None:
    case ItemReason::NotImage:
    case ItemReason::NothingFound: break;
  }
  return result.engine_error;
}

std::wstring state_text(UiLanguage language, const BatchPhoto& photo) {
  switch (photo.state) {
    case PhotoState::waiting: return batch_text(language, BatchText::state_waiting);
    case PhotoState::working: return batch_text(language, BatchText::state_working);
    case PhotoState::written: return batch_text(language, BatchText::state_written);
    case PhotoState::skipped: return batch_text(language, BatchText::state_skipped);
    case PhotoState::failed:
      return fill(batch_text(language, BatchText::state_failed),
                  photo.result ? reason_text(language, *photo.result) : photo.open_error);
  }
  return {};
}

namespace {

std::wstring one_decimal(double value) {
  wchar_t text[32];
  std::swprintf(text, 32, L"%.1f", value);
  return text;
}

}  // namespace

std::wstring progress_text(UiLanguage language, const batch::BatchFigures& figures) {
  std::wstring text = fill(fill(batch_text(language, BatchText::done_count), std::to_wstring(figures.done())),
                           std::to_wstring(figures.images));
  const auto add = [&text](const std::wstring& part) { text += L" · " + part; };
  if (figures.failed > 0) add(fill(batch_text(language, BatchText::failed_count), std::to_wstring(figures.failed)));
  if (const auto rate = figures.images_per_second()) add(fill(batch_text(language, BatchText::rate), one_decimal(*rate)));
  // Nothing is left once every photo is done, whatever the estimate last said.
  if (const auto left = figures.seconds_left(); left && figures.done() < figures.images) {
    add(fill(batch_text(language, BatchText::time_left), batch::clock_text(*left)));
  }
  return text;
}

}  // namespace orvane::app
