// Starts the window program on a photo and prints the time from the start to its first painted
// window, and the process's peak memory with the photo open. Usage: program_bench ORVANE.EXE PHOTO

#include <windows.h>

#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <string>

namespace {

struct Search {
  DWORD process;
  HWND found;
};

BOOL CALLBACK find_main(HWND window, LPARAM data) {
  auto& search = *reinterpret_cast<Search*>(data);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  if (owner == search.process && IsWindowVisible(window) && std::wstring(name) == L"Win32UiScaffoldWindow_v1") {
    search.found = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::puts("usage: program_bench ORVANE.EXE PHOTO");
    return 2;
  }
  std::wstring command = L"\"" + std::wstring(argv[1]) + L"\" \"" + argv[2] + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  const auto start = std::chrono::steady_clock::now();
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    std::puts("could not start the program");
    return 1;
  }
  // The window shows once the photo is open and the first frame is laid out; it has painted when it
  // answers a message after showing (painting comes before further sent messages are handled).
  Search search{process.dwProcessId, nullptr};
  while (search.found == nullptr && std::chrono::steady_clock::now() - start < std::chrono::seconds(120)) {
    EnumWindows(find_main, reinterpret_cast<LPARAM>(&search));
    if (search.found == nullptr) Sleep(5);
  }
  DWORD_PTR answer = 0;
  if (search.found != nullptr) SendMessageTimeoutW(search.found, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &answer);
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  Sleep(500);
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  GetProcessMemoryInfo(process.hProcess, &counters, sizeof(counters));
  std::printf("start to first painted window: %.0f ms\n", ms);
  std::printf("peak working set with the photo open: %.0f MiB\n",
              static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0));
  if (search.found != nullptr) PostMessageW(search.found, WM_CLOSE, 0, 0);
  WaitForSingleObject(process.hProcess, 30000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return 0;
}
