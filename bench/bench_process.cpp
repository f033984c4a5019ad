#include "bench_process.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <system_error>

namespace orvane::bench {

namespace fs = std::filesystem;

std::string narrow(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                       nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
  return out;
}

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

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  if (n == 0) return 0.0;
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

std::string runtime_name() {
  using WineVersion = const char*(__cdecl*)();
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  const auto wine_version =
      ntdll ? reinterpret_cast<WineVersion>(reinterpret_cast<void*>(GetProcAddress(ntdll, "wine_get_version")))
            : nullptr;
  return wine_version ? std::string("Wine ") + wine_version() : std::string("Windows");
}

double file_mib(const std::wstring& path) {
  std::error_code ec;
  const auto size = fs::file_size(path, ec);
  return ec ? 0.0 : static_cast<double>(size) / kMiB;
}

std::wstring default_cli_path() {
  wchar_t module[MAX_PATH * 4];
  const DWORD length = GetModuleFileNameW(nullptr, module, static_cast<DWORD>(std::size(module)));
  if (length == 0 || length >= std::size(module)) return {};
  return (fs::path(module).parent_path().parent_path() / L"cli" / L"orvane-cli.exe").wstring();
}

TempFolder::TempFolder() {
  std::error_code ec;
  const fs::path base = fs::temp_directory_path(ec);
  if (ec) return;
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    fs::path candidate =
        base / (L"orvane-bench-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(attempt));
    if (fs::create_directory(candidate, ec)) {
      path_ = candidate.wstring();
      return;
    }
  }
}

TempFolder::~TempFolder() {
  std::error_code ec;
  if (!path_.empty()) fs::remove_all(path_, ec);
}

std::wstring TempFolder::file(const std::wstring& name) const { return (fs::path(path_) / name).wstring(); }

void HandleCloser::operator()(void* handle) const noexcept { CloseHandle(handle); }

namespace {

double filetime_ms(const FILETIME& time) {
  return static_cast<double>((std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime) / 10000.0;
}

}  // namespace

double machine_busy(unsigned ms) {
  FILETIME idle0{}, kernel0{}, user0{}, idle1{}, kernel1{}, user1{};
  if (!GetSystemTimes(&idle0, &kernel0, &user0)) return -1;
  Sleep(ms);
  if (!GetSystemTimes(&idle1, &kernel1, &user1)) return -1;
  // Kernel time includes the idle time.
  const double total = filetime_ms(kernel1) - filetime_ms(kernel0) + filetime_ms(user1) - filetime_ms(user0);
  const double idle = filetime_ms(idle1) - filetime_ms(idle0);
  return total > 0 ? std::clamp(1.0 - idle / total, 0.0, 1.0) : -1;
}

double wait_for_quiet_machine(double busy, int max_seconds) {
  double now = machine_busy(1000);
  for (int waited = 1; now > busy && waited < max_seconds; ++waited) now = machine_busy(1000);
  return now;
}

bool run_program(const std::wstring& program, std::wstring command, ProcessRun& run) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  const HandlePtr discard(CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                      OPEN_EXISTING, 0, nullptr));
  if (discard.get() == INVALID_HANDLE_VALUE) return false;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = discard.get();
  startup.hStdError = discard.get();
  PROCESS_INFORMATION info{};
  const auto start = std::chrono::steady_clock::now();
  if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info)) {
    return false;
  }
  const HandlePtr process(info.hProcess);
  const HandlePtr thread(info.hThread);
  // The peak is the process's own high-water mark, so reading it now and then is enough; reading
  // it often costs the processors (under Wine each read is a trip to the server) that the
  // program measured would use.
  SIZE_T peak = 0;
  DWORD wait = 2;
  do {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    if (GetProcessMemoryInfo(info.hProcess, &counters, sizeof(counters))) {
      peak = std::max(peak, counters.PeakWorkingSetSize);
    }
    wait = std::min<DWORD>(wait * 2, 100);
  } while (WaitForSingleObject(info.hProcess, wait) == WAIT_TIMEOUT);
  run.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  run.peak_mib = static_cast<double>(peak) / kMiB;
  DWORD exit_code = 1;
  GetExitCodeProcess(info.hProcess, &exit_code);
  run.exit_code = exit_code;
  return true;
}

std::string host_path(const std::wstring& path) {
  using UnixFileName = char*(__cdecl*)(const wchar_t*);
  const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
  const auto unix_file_name =
      kernel32 ? reinterpret_cast<UnixFileName>(reinterpret_cast<void*>(GetProcAddress(kernel32, "wine_get_unix_file_name")))
               : nullptr;
  if (unix_file_name == nullptr) return {};
  char* name = unix_file_name(path.c_str());
  if (name == nullptr) return {};
  std::string result = name;
  HeapFree(GetProcessHeap(), 0, name);
  return result;
}

bool host_program_available(const wchar_t* name) {
  const auto present = [](const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; };
  return !host_path(L"C:\\").empty() && present(L"Z:\\usr\\bin\\time") && present(std::wstring(L"Z:\\usr\\bin\\") + name);
}

// Wine hands a host program neither a waitable process handle nor our pipes, so the end is seen
// by the figures file filling.
bool run_host_program(const std::string& arguments, const std::wstring& figures, ProcessRun& run) {
  DeleteFileW(figures.c_str());
  std::wstring command = L"Z:\\usr\\bin\\time -o \"";
  for (const char ch : host_path(figures) + "\" -f \"%e %M %U %S\" " + arguments) {
    command.push_back(static_cast<unsigned char>(ch));
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  const auto start = std::chrono::steady_clock::now();
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    return false;
  }
  CloseHandle(info.hProcess);
  CloseHandle(info.hThread);
  std::string text;
  while (text.empty() || text.back() != '\n') {
    if (std::chrono::steady_clock::now() - start > std::chrono::minutes(30)) return false;
    Sleep(2);
    std::error_code ec;
    if (fs::file_size(figures, ec) == 0 || ec) continue;
    std::FILE* file = _wfopen(figures.c_str(), L"rb");
    if (file == nullptr) continue;
    char buffer[256];
    text.assign(buffer, std::fread(buffer, 1, sizeof(buffer), file));
    std::fclose(file);
  }
  run.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  // A failing program leaves "Command exited with non-zero status N" before the figures.
  double seconds = 0, peak_kib = 0, user_s = 0, system_s = 0;
  if (text.find("status") != std::string::npos ||
      std::sscanf(text.c_str(), "%lf %lf %lf %lf", &seconds, &peak_kib, &user_s, &system_s) != 4) {
    std::fprintf(stderr, "%s", text.c_str());
    return false;
  }
  run.peak_mib = peak_kib * 1024.0 / kMiB;
  run.cpu_ms = (user_s + system_s) * 1000.0;
  return true;
}

}  // namespace orvane::bench
