#include "batch_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cwchar>
#include <filesystem>

namespace orvane::cli {

using batch::BatchFigures;
using batch::ItemKind;
using batch::ItemReason;
using batch::ItemResult;
using batch::ItemStatus;
using batch::PlanItem;

namespace {

bool is_high(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool is_low(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

std::wstring hex4(unsigned value) {
  wchar_t buffer[8];
  std::swprintf(buffer, 8, L"\\u%04x", value & 0xFFFF);
  return buffer;
}

std::wstring number_or_null(bool present, std::uint64_t value) {
  return present ? std::to_wstring(value) : L"null";
}

std::wstring one_decimal(double value) {
  wchar_t buffer[32];
  std::swprintf(buffer, 32, L"%.1f", value);
  return buffer;
}

const wchar_t* status_name(ItemStatus status) {
  switch (status) {
    case ItemStatus::Written:
      return L"written";
    case ItemStatus::Skipped:
      return L"skipped";
    case ItemStatus::Cancelled:
      return L"cancelled";
    case ItemStatus::NotStarted:
      return L"not started";
    case ItemStatus::Failed:
      break;
  }
  return L"failed";
}

std::wstring quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

std::wstring mib(std::uint64_t bytes) { return std::to_wstring((bytes + (1 << 20) - 1) >> 20) + L" MiB"; }

std::wstring plural(std::size_t count, const wchar_t* one, const wchar_t* many) {
  return std::to_wstring(count) + L" " + (count == 1 ? one : many);
}

}  // namespace

std::wstring describe(const engine::ExportReport& report) {
  std::wstring text = std::to_wstring(report.output_width) + L"x" + std::to_wstring(report.output_height) +
                      L", orientation " + std::to_wstring(report.orientation) + L", " + report.mime_type;
  if (report.jpeg_quality > 0) {
    text += L" q" + std::to_wstring(report.jpeg_quality);
    if (!engine::jpeg_quality_honoured()) text += L" requested; this platform's encoder ignores quality";
  }
  if (report.quality_from_source) text += L" (quality of the source)";
  return text;
}

std::wstring json_string(std::wstring_view text) {
  std::wstring out = L"\"";
  for (std::size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    switch (c) {
      case L'"':
        out += L"\\\"";
        continue;
      case L'\\':
        out += L"\\\\";
        continue;
      case L'\n':
        out += L"\\n";
        continue;
      case L'\r':
        out += L"\\r";
        continue;
      case L'\t':
        out += L"\\t";
        continue;
      case L'\b':
        out += L"\\b";
        continue;
      case L'\f':
        out += L"\\f";
        continue;
      default:
        break;
    }
    if (c < 0x20 || c == 0x7F || c == 0x2028 || c == 0x2029) {
      out += hex4(c);  // JSON requires the first; the others break line-based and JavaScript readers
    } else if (is_high(c) && i + 1 < text.size() && is_low(text[i + 1])) {
      out += c;
      out += text[++i];
    } else if (is_high(c) || is_low(c)) {
      out += hex4(c);
    } else {
      out += c;
    }
  }
  return out + L"\"";
}

std::wstring item_message(const PlanItem& item, const ItemResult& result) {
  switch (result.reason) {
    case ItemReason::None:
      return result.status == ItemStatus::Written ? describe(result.report) : std::wstring();
    case ItemReason::NotImage:
    case ItemReason::NothingFound:
      return item.message;
    case ItemReason::SourceWouldBeOverwritten:
      return L"Orvane will not overwrite the source image " + quoted(item.output) + L".";
    case ItemReason::OutputWrittenEarlier:
      return L"The output " + quoted(item.output) + L" was already written for an earlier input.";
    case ItemReason::OutputUnknown:
      return L"Unable to tell whether the output " + quoted(item.output) + L" exists.";
    case ItemReason::OutputExists:
      return L"skipped: " + quoted(item.output) + L" already exists (--overwrite replaces it).";
    case ItemReason::OutputFolderMissing:
      return L"The output folder " + quoted(std::filesystem::path(item.output).parent_path().wstring()) +
             L" does not exist.";
    case ItemReason::OverMemoryLimit:
      return L"its export needs about " + mib(result.bytes_needed) + L", more than --memory-limit allows (" +
             mib(result.memory_budget) + L").";
    case ItemReason::ExportFailed:
      return result.engine_error;
    case ItemReason::Cancelled:
      return L"abandoned by Ctrl+C; nothing was written";
    case ItemReason::OutOfMemory:
      return L"Not enough memory to process this image.";
  }
  return result.engine_error;
}

std::wstring json_record(const PlanItem& item, const ItemResult& result, std::wstring_view message) {
  const bool written = result.status == ItemStatus::Written;
  const engine::ExportReport& report = result.report;
  std::wstring json = L"{\"input\":" + json_string(item.input);
  json += L",\"output\":" + (item.output.empty() ? std::wstring(L"null") : json_string(item.output));
  json += L",\"status\":" + json_string(status_name(result.status));
  json += L",\"message\":" + json_string(message);
  json += L",\"width\":" + number_or_null(written, report.output_width);
  json += L",\"height\":" + number_or_null(written, report.output_height);
  json += L",\"orientation\":" + number_or_null(written, report.orientation);
  json += L",\"encoder\":" + (written ? json_string(report.mime_type) : std::wstring(L"null"));
  json += L",\"quality\":" + number_or_null(written && report.jpeg_quality > 0,
                                            static_cast<std::uint64_t>(report.jpeg_quality));
  json += L",\"input_bytes\":" + number_or_null(item.kind == ItemKind::Image && item.input_bytes > 0,
                                                item.input_bytes);
  json += L",\"output_bytes\":" + number_or_null(written, result.output_bytes);
  json += L",\"milliseconds\":" +
          number_or_null(result.milliseconds.has_value(),
                         static_cast<std::uint64_t>(std::llround(result.milliseconds.value_or(0.0))));
  return json + L"}";
}

std::wstring progress_line(const BatchFigures& figures, std::size_t columns) {
  std::wstring line = std::to_wstring(figures.done()) + L"/" + std::to_wstring(figures.images) + L" done";
  if (figures.failed > 0) line += L", " + std::to_wstring(figures.failed) + L" failed";
  if (figures.existing > 0) line += L", " + std::to_wstring(figures.existing) + L" skipped";
  if (const auto rate = figures.images_per_second()) {
    line += L", " + one_decimal(*rate) + L" images/s";
    if (figures.stopping) {
      line += L", stopping";
    } else if (const auto left = figures.seconds_left()) {
      line += L", about " + clock_text(*left) + L" left";
    }
  } else {
    line += figures.stopping ? L", stopping" : L", starting";
  }
  if (columns > 1 && line.size() > columns - 1) line.resize(columns - 1);
  return line;
}

std::wstring summary_line(const BatchFigures& figures, bool interrupted) {
  std::wstring line = plural(figures.images, L"image", L"images") + L": " + std::to_wstring(figures.written) +
                      L" written";
  if (figures.failed > 0) line += L", " + std::to_wstring(figures.failed) + L" failed";
  if (figures.existing > 0) {
    line += L", " + std::to_wstring(figures.existing) + L" skipped (" +
            (figures.existing == 1 ? L"its output already exists" : L"their outputs already exist") + L")";
  }
  if (interrupted) {
    const std::size_t left = figures.images - figures.done();
    line += L", " + std::to_wstring(left) + L" left for the next run";
  }
  if (figures.not_images > 0) {
    line += L"; " + plural(figures.not_images, L"other file", L"other files") + L" skipped (not images)";
  }
  line += L" in " + one_decimal(figures.seconds) + L" s";
  const std::size_t worked = figures.written + figures.failed;
  if (worked > 1 && figures.seconds > 0) {
    line += L" (" + one_decimal(static_cast<double>(worked) / figures.seconds) + L" images/s)";
  }
  return line;
}

}  // namespace orvane::cli
