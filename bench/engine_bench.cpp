// Times the watermark engine on a large photo: preview load, preview frames, full exports with
// the time of each export stage, and how much memory one export needs; then whole-process
// exports with orvane-cli against ImageMagick's composite -tile. Prints figures; checks nothing.
//
//   engine_bench [--runs N] [--render-runs N] [--cli ORVANE-CLI.EXE] [IMAGE]
//
// Without IMAGE a 6000 x 4000 JPEG is generated in a temporary folder, which is removed at the end.

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "bench_process.h"
#include "image_export.h"
#include "preview_renderer.h"
#include "sample_photo.h"
#include "watermark_options.h"

namespace {

namespace fs = std::filesystem;
using namespace orvane::bench;
using orvane::engine::WatermarkLayout;
using orvane::engine::WatermarkOptions;

constexpr std::uint32_t kSampleWidth = 6000;
constexpr std::uint32_t kSampleHeight = 4000;
constexpr std::uint32_t kPreviewMaxDimension = 1600;  // what the application asks for
constexpr std::uint32_t kTileWidth = 260;  // one grid cell at the default spacing
constexpr std::uint32_t kTileHeight = 180;

// The settings a fresh application starts with, in the given layout.
WatermarkOptions default_options(WatermarkLayout layout) {
  WatermarkOptions options;
  options.text = L"Sample watermark";
  options.font_family = L"Segoe UI";
  options.font_size = 36.0f;
  options.color = {110, 255, 255, 255};
  options.rotation = -30.0f;
  options.spacing_x = 260.0f;
  options.spacing_y = 180.0f;
  options.jpeg_quality = 90;
  options.keep_source_jpeg_quality = false;
  options.layout = layout;
  options.fit_to_area = true;
  return options;
}

// A copyright line with a web address, repeated to `length` characters.
std::wstring long_text(std::size_t length) {
  std::wstring text;
  while (text.size() < length) text += L"\u00A9 2026 Jane Doe Photography \u00B7 https://www.janedoe-photo.example.com ";
  text.resize(length);
  return text;
}

// Runs `operation` `runs` times and collects each duration in milliseconds; stops at the first failure.
bool time_runs(int runs, const std::function<bool()>& operation, std::vector<double>& durations) {
  durations.clear();
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    const bool ok = operation();
    const auto stop = std::chrono::steady_clock::now();
    if (!ok) return false;
    durations.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
  }
  return true;
}

// One table row: operation, runs, median and minimum in milliseconds.
void print_row(const char* operation, const std::vector<double>& durations) {
  std::printf("%-44s %5zu %11.1f %11.1f\n", operation, durations.size(), median(durations),
              *std::min_element(durations.begin(), durations.end()));
}

// The export stages in the order they run, with their column titles.
struct StageColumn {
  const char* title;
  double orvane::engine::ExportStageTimes::*stage;
};
constexpr StageColumn kStageColumns[] = {
    {"decode", &orvane::engine::ExportStageTimes::decode},
    {"orient", &orvane::engine::ExportStageTimes::orientation},
    {"copy", &orvane::engine::ExportStageTimes::copy},
    {"mark", &orvane::engine::ExportStageTimes::watermark},
    {"back", &orvane::engine::ExportStageTimes::turn_back},
    {"encode", &orvane::engine::ExportStageTimes::encode},
    {"amend", &orvane::engine::ExportStageTimes::amend},
};

// One row of the stage table: the median of each stage over the runs.
void print_stage_row(const char* label, const std::vector<orvane::engine::ExportStageTimes>& runs) {
  std::printf("  %-10s", label);
  for (const StageColumn& column : kStageColumns) {
    std::vector<double> values;
    for (const auto& run : runs) values.push_back(run.*column.stage);
    std::printf(" %8.1f", median(values));
  }
  std::printf("\n");
}

// Working-set figures of one export measured in a process of its own.
struct ExportMemory {
  unsigned long long baseline = 0;  // working set just before the export
  unsigned long long peak = 0;      // process peak working set after it
};

// Child mode: one export and nothing else, so the process peak belongs to it. Prints
// "<baseline bytes> <peak bytes>" on success.
int run_export_peak_child(const std::wstring& input, const std::wstring& output) {
  PROCESS_MEMORY_COUNTERS before{};
  before.cb = sizeof(before);
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof(before))) return 2;

  WatermarkOptions options = default_options(WatermarkLayout::Grid);
  options.input_path = input;
  options.output_path = output;
  orvane::engine::ExportReport report;
  std::wstring error;
  if (!orvane::engine::export_image(options, report, error)) {
    std::fprintf(stderr, "export failed: %s\n", narrow(error).c_str());
    return 1;
  }

  PROCESS_MEMORY_COUNTERS after{};
  after.cb = sizeof(after);
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof(after))) return 2;
  std::printf("%llu %llu\n", static_cast<unsigned long long>(before.WorkingSetSize),
              static_cast<unsigned long long>(after.PeakWorkingSetSize));
  std::fflush(stdout);
  return 0;
}

// Runs this program in child mode for one export and reads its figures from a pipe.
bool measure_export_memory(const std::wstring& input, const std::wstring& output, ExportMemory& memory) {
  wchar_t module[MAX_PATH * 4];
  const DWORD length = GetModuleFileNameW(nullptr, module, static_cast<DWORD>(std::size(module)));
  if (length == 0 || length >= std::size(module)) return false;

  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE read_raw = nullptr;
  HANDLE write_raw = nullptr;
  if (!CreatePipe(&read_raw, &write_raw, &inherit, 0)) return false;
  const HandlePtr read_end(read_raw);
  HandlePtr write_end(write_raw);
  // Only the child's end may be inherited, or the read would never see end-of-file.
  SetHandleInformation(read_raw, HANDLE_FLAG_INHERIT, 0);

  std::wstring command = quote_argument(module) + L" --export-peak " + quote_argument(input) + L" " +
                         quote_argument(output);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = write_raw;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(module, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info)) {
    return false;
  }
  const HandlePtr process(info.hProcess);
  const HandlePtr thread(info.hThread);
  write_end.reset();

  std::string text;
  char buffer[256];
  DWORD got = 0;
  while (ReadFile(read_raw, buffer, sizeof(buffer), &got, nullptr) && got > 0) text.append(buffer, got);
  WaitForSingleObject(info.hProcess, INFINITE);
  DWORD exit_code = 1;
  GetExitCodeProcess(info.hProcess, &exit_code);
  return exit_code == 0 && std::sscanf(text.c_str(), "%llu %llu", &memory.baseline, &memory.peak) == 2;
}

// One memory line in MiB, with the peak as a multiple of the decoded image's 32-bit size.
void print_memory(const char* label, const ExportMemory& memory, double decoded_mib) {
  std::printf("  %-10s baseline %8.1f MiB   peak %8.1f MiB   (+%.1f MiB)   peak / decoded %.2f\n", label,
              memory.baseline / kMiB, memory.peak / kMiB,
              (static_cast<double>(memory.peak) - static_cast<double>(memory.baseline)) / kMiB,
              memory.peak / kMiB / decoded_mib);
}

// Whole-process exports of the image, alternated run by run so that every program meets the
// machine in the same state: orvane-cli with the grid and with one anchored stamp, and (under
// Wine) ImageMagick's composite -tile of a watermark tile the size of one grid cell.
int compare_whole_process(int runs, const std::wstring& cli, const std::wstring& image, const TempFolder& folder) {
  std::printf("\nwhole-process export of the image to JPEG q90, %d runs each:\n", runs);
  std::error_code ec;
  if (cli.empty() || !fs::is_regular_file(cli, ec)) {
    std::printf("  skipped: no orvane-cli at %s (give --cli)\n", narrow(cli).c_str());
    return 0;
  }
  const std::wstring output = folder.file(L"cli-output.jpg");
  const auto cli_command = [&](const wchar_t* layout) {
    return quote_argument(cli) + L" --layout " + layout + L" --quality 90 --overwrite " + quote_argument(image) +
           L" -o " + quote_argument(output);
  };
  struct Contender {
    const char* name;
    std::function<bool(ProcessRun&)> run;
    std::vector<double> ms;
    double peak_mib = 0;
  };
  std::vector<Contender> contenders;
  const auto cli_run = [&](const wchar_t* layout) {
    return [&, layout](ProcessRun& run) { return run_program(cli, cli_command(layout), run) && run.exit_code == 0; };
  };
  contenders.push_back({"orvane-cli grid", cli_run(L"grid"), {}, 0.0});
  contenders.push_back({"orvane-cli center", cli_run(L"center"), {}, 0.0});

  if (host_program_available(L"composite")) {
    // The tile: one stamp of the same text, size and colour on a transparent grid cell.
    const std::wstring blank = folder.file(L"tile-blank.png");
    const std::wstring tile = folder.file(L"tile.png");
    WatermarkOptions options = default_options(WatermarkLayout::Center);
    options.fit_to_area = false;
    options.input_path = blank;
    options.output_path = tile;
    orvane::engine::ExportReport report;
    std::wstring error;
    if (!orvane::bench::write_transparent_png(blank, kTileWidth, kTileHeight) ||
        !orvane::engine::export_image(options, report, error)) {
      std::fprintf(stderr, "cannot make the watermark tile\n");
      return 1;
    }
    // Wine splits a host program's command line by the Windows rules: double quotes group.
    const std::string arguments = "/usr/bin/composite -quality 90 -tile \"" + host_path(tile) + "\" \"" +
                                  host_path(image) + "\" \"" + host_path(folder.file(L"magick-output.jpg")) + "\"";
    const std::wstring figures = folder.file(L"magick-figures.txt");
    contenders.push_back({"ImageMagick composite -tile",
                          [arguments, figures](ProcessRun& run) { return run_host_program(arguments, figures, run); },
                          {}, 0.0});
  } else {
    std::printf("  (ImageMagick comparison only under Wine with the host's ImageMagick and GNU time)\n");
  }

  for (int i = 0; i < runs; ++i) {
    for (Contender& contender : contenders) {
      ProcessRun run;
      if (!contender.run(run)) {
        std::fprintf(stderr, "%s failed\n", contender.name);
        return 1;
      }
      contender.ms.push_back(run.ms);
      contender.peak_mib = std::max(contender.peak_mib, run.peak_mib);
    }
  }
  std::printf("  %-30s %11s %11s %13s\n", "program", "median ms", "min ms", "peak MiB");
  for (const Contender& contender : contenders) {
    std::printf("  %-30s %11.0f %11.0f %13.1f\n", contender.name, median(contender.ms),
                *std::min_element(contender.ms.begin(), contender.ms.end()), contender.peak_mib);
  }
  const double grid = median(contenders[0].ms);
  std::printf("  grid over one anchored stamp: %+.0f %%\n", 100.0 * (grid / median(contenders[1].ms) - 1.0));
  if (contenders.size() > 2) {
    std::printf("  grid against ImageMagick: %.2f x the time\n", grid / median(contenders[2].ms));
  }
  return 0;
}

// The command-line summary.
void print_usage(std::FILE* stream) {
  std::fprintf(stream,
      "usage: engine_bench [--runs N] [--render-runs N] [--cli ORVANE-CLI.EXE] [IMAGE]\n"
      "  --runs N         runs of the preview load and of each export (default 5)\n"
      "  --render-runs N  runs of each preview frame (default 7)\n"
      "  --cli PATH       orvane-cli for the whole-process exports (default: the build tree's)\n"
      "  IMAGE            benchmark this image instead of a generated 6000 x 4000 JPEG\n");
}

// A run count of 1..1000 from an argument.
bool parse_count(const wchar_t* text, int& count) {
  wchar_t* end = nullptr;
  const long value = std::wcstol(text, &end, 10);
  if (end == text || *end != L'\0' || value < 1 || value > 1000) return false;
  count = static_cast<int>(value);
  return true;
}

// Prints a failed step with the engine's message and gives the exit code.
int fail(const char* what, const std::wstring& error) {
  std::fprintf(stderr, "%s failed: %s\n", what, narrow(error).c_str());
  return 1;
}

// Generates or checks the image, then times every operation and measures the export memory.
int run_benchmark(int runs, int render_runs, const std::wstring& cli, const std::wstring& user_image) {
  TempFolder folder;
  if (!folder.valid()) {
    std::fprintf(stderr, "cannot create a temporary folder\n");
    return 1;
  }

  std::printf("Orvane engine benchmark (%s)\n", runtime_name().c_str());
  std::wstring image = user_image;
  if (image.empty()) {
    image = folder.file(L"sample-6000x4000.jpg");
    const auto start = std::chrono::steady_clock::now();
    if (!orvane::bench::write_sample_photo(image, kSampleWidth, kSampleHeight)) {
      std::fprintf(stderr, "cannot generate the sample JPEG\n");
      return 1;
    }
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("image: generated %u x %u JPEG, %.1f MiB, in %.0f ms\n", kSampleWidth, kSampleHeight,
                file_mib(image), ms);
  } else {
    std::error_code ec;
    if (!fs::is_regular_file(image, ec)) {
      std::fprintf(stderr, "no such image: %s\n", narrow(image).c_str());
      return 1;
    }
    std::printf("image: %s, %.1f MiB\n", narrow(image).c_str(), file_mib(image));
  }

  std::wstring error;
  std::vector<double> durations;
  std::printf("\n%-44s %5s %11s %11s\n", "operation", "runs", "median ms", "min ms");

  // Each run starts from no renderer, as when the application opens its first image.
  std::unique_ptr<orvane::engine::PreviewRenderer> renderer;
  if (!time_runs(
          runs,
          [&] {
            renderer.reset();
            return orvane::engine::load_preview_source(renderer, image, kPreviewMaxDimension, error);
          },
          durations)) {
    return fail("load_preview_source", error);
  }
  print_row("load_preview_source (1600)", durations);

  orvane::engine::PreviewFrame frame;
  const struct {
    const char* name;
    WatermarkLayout layout;
  } frames[] = {
      {"render_preview_frame grid", WatermarkLayout::Grid},
      {"render_preview_frame staggered grid", WatermarkLayout::StaggeredGrid},
      {"render_preview_frame center, fitted", WatermarkLayout::Center},
  };
  for (const auto& entry : frames) {
    const WatermarkOptions options = default_options(entry.layout);
    if (!time_runs(
            render_runs, [&] { return orvane::engine::render_preview_frame(renderer, options, frame, error); },
            durations)) {
      return fail(entry.name, error);
    }
    print_row(entry.name, durations);
  }
  // As the window asks for them: drawn on the cache and shrunk to the card's picture area (the first
  // window's 780 x 520 pixels), at the default size and at 360.
  for (const float size : {36.0f, 360.0f}) {
    WatermarkOptions options = default_options(WatermarkLayout::Grid);
    options.font_size = size;
    char name[96];
    for (const auto& [fit_width, fit_height] : {std::pair{0u, 0u}, std::pair{780u, 520u}}) {
      if (!time_runs(
              render_runs,
              [&] { return orvane::engine::render_preview_frame(renderer, options, frame, error, fit_width, fit_height); },
              durations)) {
        return fail("render_preview_frame", error);
      }
      std::snprintf(name, sizeof(name), "render_preview_frame grid, size %.0f, %s", size,
                    fit_width == 0 ? "cache" : "shown at 780 x 520");
      print_row(name, durations);
    }
  }

  const struct {
    const char* name;
    const wchar_t* file;
    const char* label;
  } exports[] = {
      {"export_image JPEG q90", L"export.jpg", "JPEG q90"},
      {"export_image PNG", L"export.png", "PNG"},
  };
  orvane::engine::ExportReport report;
  std::vector<std::string> written;
  std::vector<std::vector<orvane::engine::ExportStageTimes>> stages(std::size(exports));
  for (std::size_t e = 0; e < std::size(exports); ++e) {
    const auto& entry = exports[e];
    WatermarkOptions options = default_options(WatermarkLayout::Grid);
    options.input_path = image;
    options.output_path = folder.file(entry.file);
    orvane::engine::ExportStageTimes times;
    const auto export_once = [&] {
      const bool ok = orvane::engine::export_image(options, report, error, &times);
      stages[e].push_back(times);
      return ok;
    };
    if (!time_runs(runs, export_once, durations)) return fail(entry.name, error);
    print_row(entry.name, durations);
    char line[256];
    std::snprintf(line, sizeof(line), "  %-10s %u x %u, %s, %.1f MiB", entry.label, report.output_width,
                  report.output_height, narrow(report.mime_type).c_str(), file_mib(options.output_path));
    written.emplace_back(line);
  }

  // A logo with a soft shadow (and an outline), against the plain text: preview frames of the
  // grid and JPEG exports of the image.
  {
    const std::wstring blank = folder.file(L"logo-blank.png");
    WatermarkOptions logo_options = default_options(WatermarkLayout::Center);
    logo_options.text = L"\u25C6 K";
    logo_options.font_size = 300.0f;
    logo_options.color = {255, 230, 120, 20};
    logo_options.rotation = 0.0f;
    logo_options.input_path = blank;
    logo_options.output_path = folder.file(L"logo.png");
    if (!orvane::bench::write_transparent_png(blank, 900, 500) ||
        !orvane::engine::export_image(logo_options, report, error)) {
      return fail("making the logo", error);
    }
    std::printf("\nlogo (900 x 500 PNG with transparency, 8%% of the shorter side) and shadow, grid:\n");
    WatermarkOptions rich = default_options(WatermarkLayout::Grid);
    rich.logo_path = logo_options.output_path;
    rich.logo_size = 8.0f;
    rich.shadow = true;
    WatermarkOptions outlined = rich;
    outlined.outline_width = 6.0f;
    for (const auto& [name, options] : {std::pair{"render_preview_frame grid, logo + shadow", &rich},
                                        std::pair{"render_preview_frame grid, + outline", &outlined}}) {
      if (!time_runs(
              render_runs, [&] { return orvane::engine::render_preview_frame(renderer, *options, frame, error); },
              durations)) {
        return fail(name, error);
      }
      print_row(name, durations);
    }
    // The two exports take turns, so that whatever else the machine does weighs on both alike.
    WatermarkOptions plain = default_options(WatermarkLayout::Grid);
    WatermarkOptions marked = rich;
    for (WatermarkOptions* options : {&plain, &marked}) {
      options->input_path = image;
      options->output_path = folder.file(L"rich.jpg");
    }
    std::vector<double> plain_durations, rich_durations;
    for (int i = 0; i < runs; ++i) {
      for (auto [options, durations_of] : {std::pair{&plain, &plain_durations}, std::pair{&marked, &rich_durations}}) {
        const auto start = std::chrono::steady_clock::now();
        if (!orvane::engine::export_image(*options, report, error)) return fail("export JPEG q90, logo + shadow", error);
        durations_of->push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
      }
    }
    print_row("export JPEG q90, plain text", plain_durations);
    print_row("export JPEG q90, logo + shadow", rich_durations);
    std::printf("  logo + shadow export / plain export: %.2f\n", median(rich_durations) / median(plain_durations));
  }

  // Long texts in the grid, and the largest size at the smallest spacing, against the defaults.
  std::unique_ptr<orvane::engine::PreviewRenderer> small_renderer;
  if (!orvane::engine::load_preview_source(small_renderer, image, kPreviewMaxDimension / 2, error)) {
    return fail("load_preview_source (800)", error);
  }
  std::printf("\nlong texts and the largest size, grid unless named:\n");
  for (const std::size_t length : {std::size_t{110}, std::size_t{550}, orvane::engine::max_text_length}) {
    WatermarkOptions options = default_options(WatermarkLayout::Grid);
    options.text = long_text(length);
    char name[96];
    for (const auto& [preview, label] : {std::pair{&renderer, "1600"}, std::pair{&small_renderer, "800"}}) {
      orvane::engine::PreviewFrame long_frame;
      if (!time_runs(
              render_runs, [&] { return orvane::engine::render_preview_frame(*preview, options, long_frame, error); },
              durations)) {
        return fail("render_preview_frame", error);
      }
      std::snprintf(name, sizeof(name), "frame %zu characters (%s)", length, label);
      print_row(name, durations);
    }
    // As the window asks for it from the 1600 px cache, for its first size.
    orvane::engine::PreviewFrame shown_frame;
    if (!time_runs(
            render_runs,
            [&] { return orvane::engine::render_preview_frame(renderer, options, shown_frame, error, 780, 520); },
            durations)) {
      return fail("render_preview_frame", error);
    }
    std::snprintf(name, sizeof(name), "frame %zu characters (shown at 780 x 520)", length);
    print_row(name, durations);
    options.input_path = image;
    options.output_path = folder.file(L"long.jpg");
    if (!time_runs(runs, [&] { return orvane::engine::export_image(options, report, error); }, durations)) {
      return fail("export_image", error);
    }
    std::snprintf(name, sizeof(name), "export JPEG q90, %zu characters", length);
    print_row(name, durations);
  }
  for (const WatermarkLayout layout : {WatermarkLayout::Grid, WatermarkLayout::StaggeredGrid}) {
    for (const bool largest : {false, true}) {
      WatermarkOptions options = default_options(layout);
      if (largest) options.font_size = 500.0f, options.spacing_x = 32.0f, options.spacing_y = 32.0f;
      options.input_path = image;
      options.output_path = folder.file(L"largest.jpg");
      if (!time_runs(runs, [&] { return orvane::engine::export_image(options, report, error); }, durations)) {
        return fail("export_image", error);
      }
      char name[96];
      std::snprintf(name, sizeof(name), "export JPEG q90, %s, %s", layout == WatermarkLayout::Grid ? "grid" : "staggered",
                    largest ? "size 500 spacing 32 x 32" : "defaults");
      print_row(name, durations);
    }
  }

  std::printf("\npreview cache: %u x %u of %u x %u (scale %.4f)\n", frame.width, frame.height, frame.source_width,
              frame.source_height, renderer->scale());
  std::printf("export outputs:\n");
  for (const std::string& line : written) std::printf("%s\n", line.c_str());

  std::printf("\nexport stages, median ms:\n  %-10s", "");
  for (const StageColumn& column : kStageColumns) std::printf(" %8s", column.title);
  std::printf("\n");
  for (std::size_t e = 0; e < std::size(exports); ++e) print_stage_row(exports[e].label, stages[e]);

  const double decoded_mib = 4.0 * report.upright_width * report.upright_height / kMiB;
  std::printf("\npeak working set of one export, each in a fresh process (decoded 32-bit image: %.1f MiB):\n",
              decoded_mib);
  for (const auto& entry : exports) {
    ExportMemory memory;
    if (!measure_export_memory(image, folder.file(entry.file), memory)) {
      std::fprintf(stderr, "cannot measure the memory of the %s export\n", entry.label);
      return 1;
    }
    print_memory(entry.label, memory, decoded_mib);
  }
  std::fflush(stdout);
  const int status = compare_whole_process(runs, cli, image, folder);
  std::fflush(stdout);
  return status;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 4 && std::wcscmp(argv[1], L"--export-peak") == 0) return run_export_peak_child(argv[2], argv[3]);

  int runs = 5;
  int render_runs = 7;
  std::wstring cli = default_cli_path();
  std::wstring image;
  for (int i = 1; i < argc; ++i) {
    const std::wstring argument = argv[i];
    if (argument == L"--cli" && i + 1 < argc) {
      cli = argv[++i];
    } else if ((argument == L"--runs" || argument == L"--render-runs") && i + 1 < argc) {
      if (!parse_count(argv[++i], argument == L"--runs" ? runs : render_runs)) {
        print_usage(stderr);
        return 2;
      }
    } else if (argument == L"--help" || argument == L"-h" || argument == L"/?") {
      print_usage(stdout);
      return 0;
    } else if (!argument.empty() && argument[0] != L'-' && image.empty()) {
      image = argument;
    } else {
      print_usage(stderr);
      return 2;
    }
  }
  return run_benchmark(runs, render_runs, cli, image);
}
