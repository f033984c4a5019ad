// orvane-cli: stamps the watermark onto images from the command line, for scripts and batches.

#include <windows.h>

#include <algorithm>
#include <exception>
#include <filesystem>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "cli_arguments.h"
#include "console_writer.h"
#include "file_identity.h"
#include "image_export.h"
#include "watermark_drawing.h"

namespace {

namespace fs = std::filesystem;
using orvane::cli::CliArguments;
using orvane::cli::ConsoleWriter;
using orvane::engine::FileIdentity;

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// One image to make, with both names as the user will read them.
struct Job {
  std::wstring input;
  std::wstring output;
};

// The name the application suggests too: the input's stem + "-watermarked" + its extension.
std::wstring default_output_name(const std::wstring& input) {
  const fs::path path(input);
  return path.stem().wstring() + L"-watermarked" + path.extension().wstring();
}

bool ends_with_separator(const std::wstring& path) {
  return !path.empty() && (path.back() == L'\\' || path.back() == L'/');
}

// The full, normalised path that the engine and the file system are given.
std::wstring absolute_path(const std::wstring& path) {
  std::error_code ec;
  const fs::path absolute = fs::absolute(path, ec);
  return ec ? path : absolute.lexically_normal().wstring();
}

bool equal_ignoring_case(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

std::wstring quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

// Decides every input's output; returns 0, or an exit code with a message in `error`.
int plan_jobs(const CliArguments& arguments, std::vector<Job>& jobs, std::wstring& error) {
  const std::wstring& output = arguments.output;
  bool into_folder = false;
  if (!output.empty()) {
    std::error_code ec;
    const bool is_folder = fs::is_directory(output, ec);
    if (arguments.inputs.size() > 1 || ends_with_separator(output) || is_folder) {
      if (!is_folder) {
        if (fs::exists(output, ec)) {
          error = arguments.inputs.size() > 1
                      ? L"-o must name a folder when several inputs are given; " + quoted(output) + L" is a file"
                      : L"-o " + quoted(output) + L" ends with a path separator, so it names a folder, but it is a file";
          return kExitUsage;
        }
        // A missing folder is made, as a batch into a fresh folder is the common case.
        fs::create_directories(output, ec);
        if (ec || !fs::is_directory(output, ec)) {
          error = L"cannot create the output folder " + quoted(output);
          return kExitFailed;
        }
      }
      into_folder = true;
    }
  }
  for (const std::wstring& input : arguments.inputs) {
    fs::path target;
    if (output.empty()) {
      target = fs::path(input).parent_path() / default_output_name(input);
    } else if (into_folder) {
      target = fs::path(output) / default_output_name(input);
    } else {
      target = output;
    }
    jobs.push_back(Job{input, target.wstring()});
  }
  return 0;
}

// "WIDTHxHEIGHT, orientation N, MIME [qQUALITY]" for a written image.
std::wstring describe(const orvane::engine::ExportReport& report) {
  std::wstring text = std::to_wstring(report.output_width) + L"x" + std::to_wstring(report.output_height) +
                      L", orientation " + std::to_wstring(report.orientation) + L", " + report.mime_type;
  if (report.jpeg_quality > 0) {
    text += L" q" + std::to_wstring(report.jpeg_quality);
    if (!orvane::engine::jpeg_quality_honoured()) text += L" requested; this platform's encoder ignores quality";
  }
  if (report.quality_from_source) text += L" (quality of the source)";
  return text;
}

// Runs every job, reporting each on its own line; returns the process exit code.
int run(const CliArguments& arguments, const ConsoleWriter& out, const ConsoleWriter& err) {
  std::vector<Job> jobs;
  std::wstring error;
  if (const int code = plan_jobs(arguments, jobs, error); code != 0) {
    err.write_line(L"orvane-cli: " + error);
    return code;
  }

  // Identities of the inputs as they are now: no output may land on any of them, whatever
  // path it is given by (other case, "..", short name, hard link).
  std::vector<std::wstring> absolute_inputs;
  std::vector<std::optional<FileIdentity>> input_identities;
  for (const Job& job : jobs) {
    absolute_inputs.push_back(absolute_path(job.input));
    input_identities.push_back(orvane::engine::file_identity(absolute_inputs.back()));
  }
  std::vector<FileIdentity> written;

  int failures = 0;
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    const Job& job = jobs[i];
    const auto fail = [&](const std::wstring& message) {
      err.write_line(job.input + L": " + message);
      ++failures;
    };
    const std::wstring output = absolute_path(job.output);
    const std::optional<FileIdentity> output_identity = orvane::engine::file_identity(output);

    bool is_source = std::any_of(absolute_inputs.begin(), absolute_inputs.end(),
                                 [&](const std::wstring& input) { return equal_ignoring_case(input, output); });
    if (output_identity) {
      is_source = is_source || std::find(input_identities.begin(), input_identities.end(), *output_identity) !=
                                   input_identities.end();
    }
    if (is_source) {
      fail(L"Orvane will not overwrite the source image " + quoted(job.output) + L".");
      continue;
    }
    if (output_identity && std::find(written.begin(), written.end(), *output_identity) != written.end()) {
      fail(L"The output " + quoted(job.output) + L" was already written for an earlier input.");
      continue;
    }
    std::error_code ec;
    if (!arguments.overwrite && (output_identity || fs::exists(output, ec))) {
      fail(L"skipped: " + quoted(job.output) + L" already exists (--overwrite replaces it).");
      continue;
    }
    if (const fs::path folder = fs::path(output).parent_path(); !fs::is_directory(folder, ec)) {
      fail(L"The output folder " + quoted(fs::path(job.output).parent_path().wstring()) + L" does not exist.");
      continue;
    }

    orvane::engine::WatermarkOptions options = arguments.options;
    options.input_path = absolute_inputs[i];
    options.output_path = output;
    orvane::engine::ExportReport report;
    if (!orvane::engine::export_image(options, report, error)) {
      fail(error);
      continue;
    }
    if (const auto identity = orvane::engine::file_identity(output)) written.push_back(*identity);
    out.write_line(job.input + L" -> " + job.output + L": " + describe(report));
  }
  return failures > 0 ? kExitFailed : 0;
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
    // The drawing falls back to the default sans-serif family; the user should know.
    if (!orvane::engine::font_family_installed(arguments.options.font_family)) {
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
