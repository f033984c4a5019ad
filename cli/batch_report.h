#pragma once

// What a batch says about each file and about itself: the one-line records, the JSON objects,
// the console's progress line and summary. Text only; writing it is the caller's.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "batch_figures.h"
#include "batch_plan.h"
#include "image_export.h"
#include "item_result.h"

namespace orvane::cli {

// "WIDTHxHEIGHT, orientation N, MIME [qQUALITY]" for a written image.
[[nodiscard]] std::wstring describe(const engine::ExportReport& report);

// The text between quotes, as a JSON string with its quotes: quotes, backslashes and control
// characters escaped, lone surrogates (which no UTF-8 can carry) as \uXXXX, all else as it is.
[[nodiscard]] std::wstring json_string(std::wstring_view text);

// What the command line says of one item: the description of a written copy, else the reason
// (without the input's name).
[[nodiscard]] std::wstring item_message(const batch::PlanItem& item, const batch::ItemResult& result);

// One file as one JSON object on one line (no line break), with its item_message.
[[nodiscard]] std::wstring json_record(const batch::PlanItem& item, const batch::ItemResult& result,
                                       std::wstring_view message);

// "37/120 done, 1 failed, 2 skipped, 2.4 images/s, about 0:34 left", at most `columns` - 1
// characters so that it never wraps. The speed is that up to the last file counted; the time
// left is the pixels still to do at that speed, counting down since.
[[nodiscard]] std::wstring progress_line(const batch::BatchFigures& figures, std::size_t columns);

// The console's last line, e.g. "120 images: 117 written, 1 failed, 2 skipped (...) in 41.2 s (2.9 images/s)".
[[nodiscard]] std::wstring summary_line(const batch::BatchFigures& figures, bool interrupted);

using batch::clock_text;

}  // namespace orvane::cli
