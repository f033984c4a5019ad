// Times the watermark engine on a large photo: preview load, preview frames and full exports,
// and measures how much memory one export needs. Prints figures; checks nothing.
//
//   engine_bench [--runs N] [--render-runs N] [IMAGE]
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

#include "image_export.h"
#include "preview_renderer.h"
#include "sample_photo.h"
#include "watermark_options.h"

namespace {

namespace fs = std::filesystem;
using orvane::engine::WatermarkLayout;
using orvane::engine::WatermarkOptions;

constexpr std::uint32_t kSampleWidth = 6000;
constexpr std::uint32_t kSampleHeight = 4000;
constexpr std::uint32_t kPreviewMaxDimension = 1600;  // what the application asks for
constexpr double kMiB = 1024.0 * 1024.0;

// UTF-8 form of a wide string, for printing paths and engine messages.
std::string narrow(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                       nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
  return out;
}

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

// Owns a folder and everything in it for the lifetime of the benchmark.
class TempFolder {
 public:
  TempFolder() {
    std::error_code ec;
    const fs::path base = fs::temp_directory_path(ec);
    if (ec) return;
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
      fs::path candidate =
          base / (L"orvane-bench-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(attempt));
      if (fs::create_directory(candidate, ec)) {
        path_ = std::move(candidate);
        return;
      }
    }
  }
  ~TempFolder() {
    std::error_code ec;
    if (!path_.empty()) fs::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  [[nodiscard]] bool valid() const noexcept { return !path_.empty(); }
  [[nodiscard]] std::wstring file(const wchar_t* name) const { return (path_ / name).wstring(); }

 private:
  fs::path path_;
};

// Closes a kernel handle.
struct HandleCloser {
  void operator()(HANDLE handle) const noexcept { CloseHandle(handle); }
};
using HandlePtr = std::unique_ptr<void, HandleCloser>;

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

// Middle value of the runs (mean of the middle two for an even count).
double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  if (n == 0) return 0.0;
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

// One table row: operation, runs, median and minimum in milliseconds.
void print_row(const char* operation, const std::vector<double>& durations) {
  std::printf("%-44s %5zu %11.1f %11.1f\n", operation, durations.size(), median(durations),
              *std::min_element(durations.begin(), durations.end()));
}

// Quotes one argument so that CommandLineToArgvW gives it back unchanged.
std::wstring quote_argument(const std::wstring& argument) {
  std::wstring out = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t ch : argument) {
    if (ch == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(ch == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out.push_back(ch);
  }
  out.append(backslashes * 2, L'\\');
  out.push_back(L'"');
  return out;
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

// One memory line in MiB.
void print_memory(const char* label, const ExportMemory& memory) {
  std::printf("  %-10s baseline %8.1f MiB   peak %8.1f MiB   (+%.1f MiB)\n", label, memory.baseline / kMiB,
              memory.peak / kMiB, (static_cast<double>(memory.peak) - static_cast<double>(memory.baseline)) / kMiB);
}

// The command-line summary.
void print_usage(std::FILE* stream) {
  std::fprintf(stream,
      "usage: engine_bench [--runs N] [--render-runs N] [IMAGE]\n"
      "  --runs N         runs of the preview load and of each export (default 5)\n"
      "  --render-runs N  runs of each preview frame (default 7)\n"
      "  IMAGE            benchmark this image instead of a generated 6000 x 4000 JPEG\n");
}

// Size of a file in MiB, 0 when it cannot be read.
double file_mib(const std::wstring& path) {
  std::error_code ec;
  const auto size = fs::file_size(path, ec);
  return ec ? 0.0 : static_cast<double>(size) / kMiB;
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

// "Wine <version>" under Wine, else "Windows", so figures are read against the right platform.
std::string runtime_name() {
  using WineVersion = const char*(__cdecl*)();
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  const auto wine_version =
      ntdll ? reinterpret_cast<WineVersion>(reinterpret_cast<void*>(GetProcAddress(ntdll, "wine_get_version")))
            : nullptr;
  return wine_version ? std::string("Wine ") + wine_version() : std::string("Windows");
}

// Generates or checks the image, then times every operation and measures the export memory.
int run_benchmark(int runs, int render_runs, const std::wstring& user_image) {
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
  for (const auto& entry : exports) {
    WatermarkOptions options = default_options(WatermarkLayout::Grid);
    options.input_path = image;
    options.output_path = folder.file(entry.file);
    if (!time_runs(runs, [&] { return orvane::engine::export_image(options, report, error); }, durations)) {
      return fail(entry.name, error);
    }
    print_row(entry.name, durations);
    char line[256];
    std::snprintf(line, sizeof(line), "  %-10s %u x %u, %s, %.1f MiB", entry.label, report.output_width,
                  report.output_height, narrow(report.mime_type).c_str(), file_mib(options.output_path));
    written.emplace_back(line);
  }

  std::printf("\npreview cache: %u x %u of %u x %u (scale %.4f)\n", frame.width, frame.height, frame.source_width,
              frame.source_height, renderer->scale());
  std::printf("export outputs:\n");
  for (const std::string& line : written) std::printf("%s\n", line.c_str());

  std::printf("\npeak working set of one export, each in a fresh process:\n");
  for (const auto& entry : exports) {
    ExportMemory memory;
    if (!measure_export_memory(image, folder.file(entry.file), memory)) {
      std::fprintf(stderr, "cannot measure the memory of the %s export\n", entry.label);
      return 1;
    }
    print_memory(entry.label, memory);
  }
  std::fflush(stdout);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 4 && std::wcscmp(argv[1], L"--export-peak") == 0) return run_export_peak_child(argv[2], argv[3]);

  int runs = 5;
  int render_runs = 7;
  std::wstring image;
  for (int i = 1; i < argc; ++i) {
    const std::wstring argument = argv[i];
    if ((argument == L"--runs" || argument == L"--render-runs") && i + 1 < argc) {
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
  return run_benchmark(runs, render_runs, image);
}
