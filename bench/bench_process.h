#pragma once

// What the benchmark programs share: a scratch folder, whole-process runs of Windows programs
// and (under Wine) of the host's programs with their time and peak memory, and small helpers.

#include <memory>
#include <string>
#include <vector>

namespace orvane::bench {

inline constexpr double kMiB = 1024.0 * 1024.0;

// UTF-8 form of a wide string, for printing paths and engine messages.
[[nodiscard]] std::string narrow(const std::wstring& text);

// Quotes one argument so that CommandLineToArgvW gives it back unchanged.
[[nodiscard]] std::wstring quote_argument(const std::wstring& argument);

// Middle value (mean of the middle two for an even count); 0 for none.
[[nodiscard]] double median(std::vector<double> values);

// "Wine <version>" under Wine, else "Windows", so figures are read against the right platform.
[[nodiscard]] std::string runtime_name();

// Size of a file in MiB, 0 when it cannot be read.
[[nodiscard]] double file_mib(const std::wstring& path);

// orvane-cli beside the benchmark programs in the build tree.
[[nodiscard]] std::wstring default_cli_path();

// Owns a folder under the temporary directory and everything in it for its lifetime.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  [[nodiscard]] bool valid() const noexcept { return !path_.empty(); }
  [[nodiscard]] std::wstring file(const std::wstring& name) const;

 private:
  std::wstring path_;
};

// Closes a kernel handle.
struct HandleCloser {
  void operator()(void* handle) const noexcept;
};
using HandlePtr = std::unique_ptr<void, HandleCloser>;

// One whole process: wall time from its start to its end, its peak memory, and (for the host's
// programs, whose GNU time reports it) the processor time it used.
struct ProcessRun {
  double ms = 0;
  double peak_mib = 0;
  double cpu_ms = -1;  // user and kernel time; -1 unknown (Wine undercounts a Windows program's)
  unsigned long exit_code = 0;
};

// The share (0..1) of all processors busy over the next `ms` milliseconds: what other programs
// take from a run started now. -1 when the system cannot say.
[[nodiscard]] double machine_busy(unsigned ms);

// Waits up to `max_seconds` for the machine to be quiet (below `busy` for a second); returns the
// share it was busy at last. Parallel runs on a machine shared with other work measure that work.
double wait_for_quiet_machine(double busy, int max_seconds);

// Runs a Windows program with its output discarded and waits for it to end; true when it
// started (its exit code is in `run`). The peak working set is read while it runs, as Wine
// forgets an ended process's counters.
bool run_program(const std::wstring& program, std::wstring command, ProcessRun& run);

// The host's path of a file under Wine; empty elsewhere.
[[nodiscard]] std::string host_path(const std::wstring& path);

// Under Wine, which starts the host's programs as well: whether /usr/bin/time and the host
// program `name` (e.g. L"composite") are there.
[[nodiscard]] bool host_program_available(const wchar_t* name);

// Runs a host program under GNU time, which writes its wall time and peak resident memory into
// `figures` when the program ends; true when it ended well. `arguments` starts with the program.
bool run_host_program(const std::string& arguments, const std::wstring& figures, ProcessRun& run);

}  // namespace orvane::bench
