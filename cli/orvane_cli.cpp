// orvane-cli: stamps the watermark onto images from the command line, for scripts and batches.

#include <windows.h>

#include <chrono>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "batch_run.h"
#include "cli_arguments.h"
#include "usage_text.h"
#include "command_plan.h"
#include "console_control.h"
#include "console_report.h"
#include "console_writer.h"
#include "file_system.h"
#include "logo_image.h"
#include "orvane_version.h"
#include "preset_file.h"
#include "preset_store.h"
#include "watermark_drawing.h"

namespace {

using orvane::cli::CliArguments;
using orvane::cli::ConsoleWriter;

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
// What a console program stopped by Ctrl+C ends with on Windows (STATUS_CONTROL_C_EXIT).
constexpr int kExitInterrupted = static_cast<int>(0xC000013AL);

std::wstring quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

// Plans the batch, then runs it; returns the process exit code.
int run(const CliArguments& arguments, const ConsoleWriter& out, const ConsoleWriter& err) {
  using namespace orvane::cli;
  namespace batch = orvane::batch;
  batch::StopControl stop;
  const ConsoleControl control(stop);
  const bool progress_wanted = out.is_console() && !arguments.quiet && !arguments.json && !arguments.no_progress;

  // Searching a large tree takes a while; a console shows how far it got.
  PlanProgress progress;
  progress.stop = [&] { return stop.stopping(); };
  bool search_shown = false;
  auto last_shown = std::chrono::steady_clock::now();
  if (progress_wanted) {
    progress.found = [&](std::size_t found) {
      const auto now = std::chrono::steady_clock::now();
      if (now - last_shown < std::chrono::milliseconds(200)) return;
      last_shown = now;
      show_search_progress(out, found);
      search_shown = true;
    };
  }
  batch::Plan plan;
  std::vector<std::wstring> errors;
  const PlanOutcome planned = make_plan(arguments, progress, plan, errors);
  if (search_shown) clear_progress(out);
  switch (planned) {
    case PlanOutcome::BadUsage:
      for (const std::wstring& error : errors) err.write_line(L"orvane-cli: " + error);
      return kExitUsage;
    case PlanOutcome::Stopped:
      if (!arguments.quiet) err.write_line(L"orvane-cli: interrupted before any image was written");
      return kExitInterrupted;
    case PlanOutcome::Ready:
      break;
  }
  if (plan.output_folder_missing) {
    // A missing folder is made, as a batch into a fresh folder is the common case.
    if (!orvane::engine::make_folders(plan.output_folder)) {
      err.write_line(L"orvane-cli: cannot create the output folder " + quoted(arguments.output));
      return kExitFailed;
    }
  }

  batch::RunSettings settings;
  settings.options = arguments.options;
  settings.overwrite = arguments.overwrite;
  settings.skip_existing = arguments.skip_existing;
  settings.jobs = arguments.jobs > 0 ? arguments.jobs : batch::default_jobs();
  settings.strict_memory_budget = arguments.memory_limit > 0;
  settings.memory_budget = arguments.memory_limit > 0 ? arguments.memory_limit : batch::default_memory_budget();

  ReportSettings report_settings;
  report_settings.quiet = arguments.quiet;
  report_settings.skip_existing = arguments.skip_existing;
  report_settings.mode = arguments.json                          ? ReportMode::Json
                         : progress_wanted && plan.images > 1    ? ReportMode::Progress
                                                                 : ReportMode::Records;
  ConsoleReport report(plan, report_settings, stop, out, err);
  const batch::BatchOutcome outcome = batch::run_batch(plan, settings, stop, report);
  report.finish(outcome);
  if (outcome.interrupted) return kExitInterrupted;
  return outcome.any_failure ? kExitFailed : 0;
}

// The preset the command line names, read over the command line's defaults; false with the
// reason when it cannot be read.
bool read_named_preset(const CliArguments& arguments, orvane::engine::WatermarkOptions& preset, std::wstring& error) {
  preset = orvane::cli::default_cli_options();
  std::wstring name;
  if (!arguments.preset_file.empty()) return orvane::engine::read_preset_file(arguments.preset_file, preset, name, error);
  return orvane::engine::PresetStore().load(arguments.preset_name, preset, error);
}

// Saves the effective settings where the command line asks; false when a save failed.
bool save_presets(const CliArguments& arguments, const ConsoleWriter& out, const ConsoleWriter& err) {
  bool ok = true;
  std::wstring error;
  if (!arguments.save_preset_file.empty()) {
    // The preset's name: the one saved in the store too, else the file's own name.
    std::wstring name = arguments.save_preset_name;
    if (name.empty()) {
      name = arguments.save_preset_file.substr(arguments.save_preset_file.find_last_of(L"\\/") + 1);
      for (const wchar_t* suffix : {L".orvane.json", L".json"}) {
        const std::wstring_view tail = suffix;
        if (name.size() > tail.size() && _wcsicmp(name.c_str() + name.size() - tail.size(), suffix) == 0) {
          name.resize(name.size() - tail.size());
          break;
        }
      }
    }
    if (orvane::engine::write_preset_file(arguments.save_preset_file, arguments.options, name, error)) {
      if (!arguments.quiet && arguments.inputs.empty()) {
        out.write_line(L"saved the preset file " + quoted(arguments.save_preset_file));
      }
    } else {
      err.write_line(L"orvane-cli: " + error);
      ok = false;
    }
  }
  if (!arguments.save_preset_name.empty()) {
    if (orvane::engine::PresetStore().save(arguments.save_preset_name, arguments.options, error)) {
      if (!arguments.quiet && arguments.inputs.empty()) {
        out.write_line(L"saved the preset " + quoted(arguments.save_preset_name));
      }
    } else {
      err.write_line(L"orvane-cli: " + error);
      ok = false;
    }
  }
  return ok;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const ConsoleWriter out(STD_OUTPUT_HANDLE);
  const ConsoleWriter err(STD_ERROR_HANDLE);
  try {
    CliArguments arguments;
    std::wstring error;
    if (!orvane::cli::parse_cli_arguments(argc, argv, arguments, error)) {
      err.write_line(L"orvane-cli: " + error);
      return kExitUsage;
    }
    if (arguments.help) {
      out.write(orvane::cli::usage_text());
      return 0;
    }
    if (arguments.version) {
      out.write_line(L"orvane-cli " ORVANE_VERSION_WIDE_TEXT);
      return 0;
    }
    // A preset: its settings first, then the command line's options over them.
    if (!arguments.preset_file.empty() || !arguments.preset_name.empty()) {
      orvane::engine::WatermarkOptions preset;
      if (!read_named_preset(arguments, preset, error)) {
        err.write_line(L"orvane-cli: " + error);
        return kExitFailed;
      }
      if (!orvane::cli::parse_cli_arguments(argc, argv, arguments, error, &preset)) {
        err.write_line(L"orvane-cli: " + error);
        return kExitUsage;
      }
      // A logo the preset names that is gone: the mark is stamped without it, as the window does.
      if (arguments.options.logo_path == preset.logo_path && orvane::engine::logo_missing(preset)) {
        err.write_line(L"orvane-cli: warning: the preset's logo " + ::quoted(preset.logo_path) +
                       L" is missing; the text is stamped without it");
        arguments.options.logo_path.clear();
        if (arguments.options.text.empty()) {
          err.write_line(L"orvane-cli: the preset has no text to stamp without its logo; give --text or --logo");
          return kExitFailed;
        }
      }
    }
    if (arguments.saves_preset() && !save_presets(arguments, out, err)) return kExitFailed;
    if (arguments.inputs.empty()) return 0;
    // A logo that cannot be stamped would fail every image alike: said once, before any is written.
    if (!arguments.options.logo_path.empty() && !orvane::engine::check_logo(arguments.options.logo_path, error)) {
      err.write_line(L"orvane-cli: " + error);
      return kExitFailed;
    }
    // The drawing falls back to the default sans-serif family; the user should know.
    if (!arguments.options.text.empty() && !arguments.quiet && !orvane::engine::font_family_installed(arguments.options.font_family)) {
      err.write_line(L"orvane-cli: warning: font " + ::quoted(arguments.options.font_family) +
                     L" is not installed; the default sans-serif font is used instead");
    }
    return run(arguments, out, err);
  } catch (const std::bad_alloc&) {
    err.write_line(L"orvane-cli: out of memory");
  } catch (const std::exception&) {
    err.write_line(L"orvane-cli: unexpected internal error");
  }
  return kExitFailed;
}
