// Times orvane-cli on a folder of photos as a batch: one worker against two (the speed-up the
// parallel workers give), with the peak memory of the whole process; the batch library's
// run_batch on the same photos in this process, on a worker thread as the window runs it; and
// ImageMagick's mogrify watermarking the same folder in the same run. Prints figures; checks only
// that every run wrote every photo and that the other Orvane runs wrote what -j 1 wrote, byte for byte.
//
//   batch_bench [--photos N] [--size WxH] [--runs N] [--jobs J] [--cli ORVANE-CLI.EXE] [--no-magick]
//
// Each program runs --runs times (default 3), alternated; the best run of each is the figure, as
// other work on the machine can only slow a run down.
//
// The photos (default 100 of 4000 x 3000, 12 MP, JPEG q90) are generated in a temporary folder,
// four different pictures copied round, and removed at the end. Each run waits (up to two
// minutes) for the machine to be quiet first, as other work would take the parallel run's
// processors; the table says when it was not. "processor s" is the user and kernel time of the
// host's mogrify (GNU time); Wine does not count a Windows program's worker threads reliably.

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <functional>
#include <iterator>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "batch_plan.h"
#include "batch_run.h"
#include "bench_process.h"
#include "cli_arguments.h"
#include "image_export.h"
#include "sample_photo.h"
#include "watermark_options.h"

namespace {

namespace fs = std::filesystem;
using namespace orvane::bench;
using orvane::engine::WatermarkLayout;
using orvane::engine::WatermarkOptions;

constexpr std::uint32_t kTileWidth = 260;  // one grid cell at the default spacing
constexpr std::uint32_t kTileHeight = 180;
constexpr int kDistinctPhotos = 4;

struct Settings {
  int photos = 100;
  std::uint32_t width = 4000;
  std::uint32_t height = 3000;
  int runs = 3;
  int jobs = 2;  // the parallel run's workers
  std::wstring cli = default_cli_path();
  bool magick = true;
};

// The files of a folder, sorted.
std::vector<fs::path> files_in(const fs::path& folder) {
  std::vector<fs::path> files;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

bool same_bytes(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  if (fs::file_size(a, ec) != fs::file_size(b, ec) || ec) return false;
  std::FILE* fa = _wfopen(a.c_str(), L"rb");
  std::FILE* fb = _wfopen(b.c_str(), L"rb");
  bool same = fa != nullptr && fb != nullptr;
  std::vector<char> ba(1 << 16), bb(1 << 16);
  while (same) {
    const std::size_t na = std::fread(ba.data(), 1, ba.size(), fa);
    const std::size_t nb = std::fread(bb.data(), 1, bb.size(), fb);
    same = na == nb && std::equal(ba.begin(), ba.begin() + static_cast<std::ptrdiff_t>(na), bb.begin());
    if (na == 0) break;
  }
  if (fa) std::fclose(fa);
  if (fb) std::fclose(fb);
  return same;
}

// The folder of photos: a few different pictures, copied round to the count asked for.
bool make_photos(const Settings& settings, const TempFolder& folder, const std::wstring& photos) {
  std::error_code ec;
  fs::create_directories(photos, ec);
  const auto start = std::chrono::steady_clock::now();
  std::vector<std::wstring> originals;
  for (int i = 0; i < std::min(kDistinctPhotos, settings.photos); ++i) {
    originals.push_back(folder.file(L"original-" + std::to_wstring(i) + L".jpg"));
    if (!write_sample_photo(originals.back(), settings.width, settings.height, 0x0A5EED5EEDULL + 7919u * i)) {
      return false;
    }
  }
  for (int i = 0; i < settings.photos; ++i) {
    wchar_t name[64];
    std::swprintf(name, 64, L"IMG_%04d.jpg", i + 1);
    const std::wstring target = (fs::path(photos) / name).wstring();
    if (!CopyFileW(originals[i % originals.size()].c_str(), target.c_str(), FALSE)) return false;
  }
  double mib = 0;
  for (const auto& file : files_in(photos)) mib += file_mib(file.wstring());
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  std::printf("photos: %d JPEGs of %u x %u (%.1f MP, %d different pictures), %.1f MiB in all, generated in %.0f ms\n",
              settings.photos, settings.width, settings.height, settings.width * double(settings.height) / 1e6,
              static_cast<int>(originals.size()), mib, ms);
  return true;
}

// The watermark as a tile for ImageMagick: one stamp of the same text, size and colour on a
// transparent grid cell, drawn by the engine itself.
bool make_tile(const TempFolder& folder, std::wstring& tile) {
  const std::wstring blank = folder.file(L"tile-blank.png");
  tile = folder.file(L"tile.png");
  WatermarkOptions options;
  options.text = L"Sample watermark";
  options.font_family = L"Segoe UI";
  options.font_size = 36.0f;
  options.color = {110, 255, 255, 255};
  options.rotation = -30.0f;
  options.layout = WatermarkLayout::Center;
  options.fit_to_area = false;
  options.input_path = blank;
  options.output_path = tile;
  orvane::engine::ExportReport report;
  std::wstring error;
  return write_transparent_png(blank, kTileWidth, kTileHeight) && orvane::engine::export_image(options, report, error);
}

struct Contender {
  std::string name;
  bool in_process = false;  // its peak memory is this program's, not measured
  std::wstring output;  // folder, emptied before each run
  std::function<bool(ProcessRun&)> run;
  std::vector<double> ms;
  std::vector<double> cpu_ms;
  double peak_mib = 0;
  double busy_before = 0;  // the most the machine was busy just before one of its runs
};

// Counts what the batch writes; the window's sink posts the same calls to its UI thread.
class CountingSink final : public orvane::batch::BatchSink {
 public:
  void item_finished(std::size_t, const orvane::batch::ItemResult& result) override {
    written += result.status == orvane::batch::ItemStatus::Written ? 1 : 0;
  }
  std::size_t written = 0;
};

// The photos through the batch library in this process, as the window exports a shoot: planned
// into one folder, then run on a worker thread. The watermark settings are orvane-cli's for the
// same options, so both do the same work.
bool run_in_process(const Settings& settings, const std::wstring& photos, const std::wstring& output,
                    ProcessRun& run) {
  namespace batch = orvane::batch;
  const std::wstring jobs = std::to_wstring(settings.jobs);
  const wchar_t* argv[] = {L"orvane-cli", L"--layout", L"grid", L"--quality", L"90", L"-j", jobs.c_str(),
                           photos.c_str()};
  orvane::cli::CliArguments arguments;
  std::wstring error;
  if (!orvane::cli::parse_cli_arguments(static_cast<int>(std::size(argv)), argv, arguments, error)) return false;

  const auto start = std::chrono::steady_clock::now();
  std::vector<std::wstring> inputs;
  for (const auto& file : files_in(photos)) inputs.push_back(file.wstring());
  const batch::FolderPlan plan = batch::plan_into_folder(inputs, output);
  if (plan.refused()) return false;
  batch::RunSettings run_settings;
  run_settings.options = arguments.options;
  run_settings.jobs = static_cast<std::uint32_t>(settings.jobs);
  run_settings.memory_budget = batch::default_memory_budget();
  batch::StopControl stop;
  CountingSink sink;
  batch::BatchOutcome outcome;
  std::thread worker([&] { outcome = batch::run_batch(plan.plan, run_settings, stop, sink); });
  worker.join();
  run.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  run.exit_code = outcome.any_failure ? 1 : 0;
  return !outcome.any_failure && sink.written == plan.plan.items.size();
}

void print_usage(std::FILE* stream) {
  std::fprintf(stream,
               "usage: batch_bench [--photos N] [--size WxH] [--runs N] [--jobs J] [--cli PATH] [--no-magick]\n"
               "  --photos N   photos in the folder (default 100)\n"
               "  --size WxH   their size (default 4000x3000, 12 MP)\n"
               "  --runs N     runs of each program, alternated; the best counts (default 3)\n"
               "  --jobs J     workers of the parallel run, against 1 (default 2)\n"
               "  --cli PATH   orvane-cli (default: the build tree's)\n"
               "  --no-magick  leave ImageMagick's mogrify out\n");
}

bool parse_int(const wchar_t* text, int low, int high, int& value) {
  wchar_t* end = nullptr;
  const long parsed = std::wcstol(text, &end, 10);
  if (end == text || *end != L'\0' || parsed < low || parsed > high) return false;
  value = static_cast<int>(parsed);
  return true;
}

int run_benchmark(const Settings& settings) {
  TempFolder folder;
  if (!folder.valid()) {
    std::fprintf(stderr, "cannot create a temporary folder\n");
    return 1;
  }
  std::error_code ec;
  if (settings.cli.empty() || !fs::is_regular_file(settings.cli, ec)) {
    std::fprintf(stderr, "no orvane-cli at %s (give --cli)\n", narrow(settings.cli).c_str());
    return 1;
  }
  MEMORYSTATUSEX memory{};
  memory.dwLength = sizeof(memory);
  GlobalMemoryStatusEx(&memory);
  std::printf("Orvane batch benchmark (%s, %lu processors, %.1f GiB memory, %.1f GiB available)\n",
              runtime_name().c_str(), GetActiveProcessorCount(ALL_PROCESSOR_GROUPS),
              memory.ullTotalPhys / kMiB / 1024.0, memory.ullAvailPhys / kMiB / 1024.0);
  const std::wstring photos = folder.file(L"photos");
  if (!make_photos(settings, folder, photos)) {
    std::fprintf(stderr, "cannot generate the photos\n");
    return 1;
  }

  std::vector<Contender> contenders;
  const auto cli_contender = [&](int jobs) {
    Contender contender;
    contender.name = "orvane-cli -j " + std::to_string(jobs);
    contender.output = folder.file(L"out-j" + std::to_wstring(jobs));
    const std::wstring command = quote_argument(settings.cli) + L" --quiet --layout grid --quality 90 -j " +
                                 std::to_wstring(jobs) + L" " + quote_argument(photos) + L" -o " +
                                 quote_argument(contender.output);
    contender.run = [&settings, command](ProcessRun& run) {
      return run_program(settings.cli, command, run) && run.exit_code == 0;
    };
    return contender;
  };
  contenders.push_back(cli_contender(1));
  contenders.push_back(cli_contender(settings.jobs));
  {
    Contender contender;
    contender.name = "run_batch -j " + std::to_string(settings.jobs);
    contender.in_process = true;
    contender.output = folder.file(L"out-library");
    contender.run = [&settings, &photos, output = contender.output](ProcessRun& run) {
      return run_in_process(settings, photos, output, run);
    };
    contenders.push_back(std::move(contender));
  }

  bool magick = false;
  if (settings.magick && host_program_available(L"mogrify")) {
    std::wstring tile;
    if (!make_tile(folder, tile)) {
      std::fprintf(stderr, "cannot make the watermark tile\n");
      return 1;
    }
    Contender contender;
    contender.name = "ImageMagick mogrify";
    contender.output = folder.file(L"out-mogrify");
    // Wine splits a host program's command line by the Windows rules: double quotes group. The
    // shell expands the wildcard in the folder (ImageMagick's own expansion stops at the "c:" of
    // Wine's drive links) and gives way to mogrify, which GNU time then measures. The tile fills a
    // rectangle over the whole photo, blended over it.
    const std::string arguments = "/bin/sh -c \"cd '" + host_path(folder.file(L"")) +
                                  "' && exec /usr/bin/mogrify -path out-mogrify -quality 90 -tile tile.png -draw "
                                  "'rectangle 0,0 1000000,1000000' photos/*.jpg\"";
    const std::wstring figures = folder.file(L"mogrify-figures.txt");
    contender.run = [arguments, figures](ProcessRun& run) { return run_host_program(arguments, figures, run); };
    contenders.push_back(std::move(contender));
    magick = true;
  } else if (settings.magick) {
    std::printf("(ImageMagick's mogrify is compared only under Wine with the host's ImageMagick and GNU time)\n");
  }

  std::printf("\n%d run(s) of each, alternated; every run writes into an emptied folder:\n", settings.runs);
  for (int round = 0; round < settings.runs; ++round) {
    for (Contender& contender : contenders) {
      fs::remove_all(contender.output, ec);
      fs::create_directories(contender.output, ec);
      // Other programs on the machine would take processors from the parallel run.
      const double busy = wait_for_quiet_machine(0.15, 120);
      ProcessRun run;
      if (!contender.run(run)) {
        std::fprintf(stderr, "%s failed (exit code %lu)\n", contender.name.c_str(), run.exit_code);
        return 1;
      }
      const std::size_t written = files_in(contender.output).size();
      if (written != static_cast<std::size_t>(settings.photos)) {
        std::fprintf(stderr, "%s wrote %zu of %d photos\n", contender.name.c_str(), written, settings.photos);
        return 1;
      }
      contender.ms.push_back(run.ms);
      if (run.cpu_ms >= 0) contender.cpu_ms.push_back(run.cpu_ms);
      contender.peak_mib = std::max(contender.peak_mib, run.peak_mib);
      contender.busy_before = std::max(contender.busy_before, busy);
      if (contender.in_process) {
        std::printf("  round %d  %-22s %8.1f s  (in this process)    (machine %3.0f %% busy before)\n", round + 1,
                    contender.name.c_str(), run.ms / 1000.0, busy * 100.0);
      } else {
        std::printf("  round %d  %-22s %8.1f s  peak %7.1f MiB  (machine %3.0f %% busy before)\n", round + 1,
                    contender.name.c_str(), run.ms / 1000.0, run.peak_mib, busy * 100.0);
      }
      std::fflush(stdout);
    }
  }

  const double megapixels = settings.width * double(settings.height) / 1e6;
  // Other work on the machine only ever slows a run down, so the best run is the figure; the
  // median shows how much the runs varied.
  const auto best = [](const Contender& contender) { return *std::min_element(contender.ms.begin(), contender.ms.end()); };
  std::printf("\n  %-22s %8s %9s %9s %8s %12s %10s\n", "program", "best s", "median s", "images/s", "MP/s",
              "processor s", "peak MiB");
  for (const Contender& contender : contenders) {
    const double seconds = best(contender) / 1000.0;
    char cpu[32] = "-";
    if (!contender.cpu_ms.empty()) std::snprintf(cpu, sizeof(cpu), "%.1f", median(contender.cpu_ms) / 1000.0);
    char peak[32] = "-";
    if (!contender.in_process) std::snprintf(peak, sizeof(peak), "%.1f", contender.peak_mib);
    std::printf("  %-22s %8.1f %9.1f %9.2f %8.1f %12s %10s\n", contender.name.c_str(), seconds,
                median(contender.ms) / 1000.0, settings.photos / seconds, settings.photos * megapixels / seconds, cpu,
                peak);
  }
  double busy = 0;
  for (const Contender& contender : contenders) busy = std::max(busy, contender.busy_before);
  if (busy > 0.15) {
    std::printf("  (other programs kept the machine up to %.0f %% busy before a run: the parallel run's figures\n"
                "   are then low; run again on a quiet machine)\n",
                busy * 100.0);
  }
  const double one = best(contenders[0]);
  const double parallel = best(contenders[1]);
  std::printf("\n  speed-up of -j %d over -j 1: %.2fx best to best, %.2fx median to median (target 1.7x on two "
              "processors)\n",
              settings.jobs, one / parallel, median(contenders[0].ms) / median(contenders[1].ms));
  const double library = best(contenders[2]);
  std::printf("  run_batch in process against orvane-cli, both -j %d: %.2fx the throughput best to best, %.2fx "
              "median to median\n",
              settings.jobs, parallel / library, median(contenders[1].ms) / median(contenders[2].ms));
  if (magick) {
    std::printf("  orvane-cli -j %d against mogrify: %.2fx the speed, %.2fx the peak memory\n", settings.jobs,
                best(contenders[3]) / parallel, contenders[1].peak_mib / contenders[3].peak_mib);
  }

  // The parallel runs must have written what the serial one wrote, byte for byte.
  const auto serial_files = files_in(contenders[0].output);
  bool all_identical = true;
  for (std::size_t c = 1; c < 3; ++c) {
    std::size_t identical = 0;
    for (const auto& file : serial_files) {
      identical += same_bytes(file, fs::path(contenders[c].output) / file.filename()) ? 1 : 0;
    }
    std::printf("  %s outputs identical to -j 1: %zu of %zu\n", contenders[c].name.c_str(), identical,
                serial_files.size());
    all_identical = all_identical && identical == serial_files.size();
  }
  std::fflush(stdout);
  return all_identical ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Settings settings;
  for (int i = 1; i < argc; ++i) {
    const std::wstring argument = argv[i];
    const bool has_value = i + 1 < argc;
    bool ok = true;
    if (argument == L"--photos" && has_value) {
      ok = parse_int(argv[++i], 1, 100000, settings.photos);
    } else if (argument == L"--runs" && has_value) {
      ok = parse_int(argv[++i], 1, 100, settings.runs);
    } else if (argument == L"--jobs" && has_value) {
      ok = parse_int(argv[++i], 2, 256, settings.jobs);
    } else if (argument == L"--size" && has_value) {
      unsigned width = 0, height = 0;
      ok = std::swscanf(argv[++i], L"%ux%u", &width, &height) == 2 && width > 0 && height > 0;
      settings.width = width;
      settings.height = height;
    } else if (argument == L"--cli" && has_value) {
      settings.cli = argv[++i];
    } else if (argument == L"--no-magick") {
      settings.magick = false;
    } else if (argument == L"--help" || argument == L"-h" || argument == L"/?") {
      print_usage(stdout);
      return 0;
    } else {
      ok = false;
    }
    if (!ok) {
      print_usage(stderr);
      return 2;
    }
  }
  return run_benchmark(settings);
}
