#include "cli_process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

namespace orvane::test {

namespace fs = std::filesystem;

// Quotes one argument so that the program's command-line splitting gives it back unchanged.
std::wstring quote_argument(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return arg;
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, L'\\');
  return quoted + L"\"";
}

std::wstring from_utf8(const std::string& bytes) {
  if (bytes.empty()) return {};
  const int length = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring text(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), length);
  return text;
}

// For failure messages: gtest prints narrow text.
std::string utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), length, nullptr, nullptr);
  return bytes;
}

std::string read_all(HANDLE pipe) {
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  return bytes;
}

// Starts orvane-cli.exe in `folder` with the given (inheritable) standard handles.
UniqueHandle start_cli(const std::vector<std::wstring>& args, const fs::path& folder, HANDLE out, HANDLE err) {
  std::wstring exe = ORVANE_CLI_EXE;
  std::replace(exe.begin(), exe.end(), L'/', L'\\');
  std::wstring command = quote_argument(exe);
  for (const auto& arg : args) command += L" " + quote_argument(arg);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, folder.c_str(), &startup,
                      &process)) {
    ADD_FAILURE() << "cannot start " << utf8(exe) << ": error " << GetLastError();
    return nullptr;
  }
  CloseHandle(process.hThread);
  return UniqueHandle(process.hProcess);
}

DWORD wait_for_exit(const UniqueHandle& process) {
  DWORD code = 0xFFFFFFFF;
  if (!process) return code;
  WaitForSingleObject(process.get(), INFINITE);
  GetExitCodeProcess(process.get(), &code);
  return code;
}

// Runs orvane-cli.exe in `folder` with stdout and stderr on pipes, until it ends.
CliRun run_cli(const std::vector<std::wstring>& args, const fs::path& folder) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE ends[4] = {};
  CliRun run;
  if (!CreatePipe(&ends[0], &ends[1], &inherit, 0) || !CreatePipe(&ends[2], &ends[3], &inherit, 0)) {
    ADD_FAILURE() << "CreatePipe failed";
    return run;
  }
  UniqueHandle out_read(ends[0]), out_write(ends[1]), err_read(ends[2]), err_write(ends[3]);
  SetHandleInformation(out_read.get(), HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(err_read.get(), HANDLE_FLAG_INHERIT, 0);
  const UniqueHandle process = start_cli(args, folder, out_write.get(), err_write.get());
  // Only the child may hold the write ends, or the reads below never see the end.
  out_write.reset();
  err_write.reset();
  if (!process) return run;
  std::string err_bytes;
  std::thread err_reader([&] { err_bytes = read_all(err_read.get()); });
  const std::string out_bytes = read_all(out_read.get());
  err_reader.join();
  run.exit_code = wait_for_exit(process);
  run.out = from_utf8(out_bytes);
  run.err = from_utf8(err_bytes);
  return run;
}

std::vector<std::wstring> lines(const std::wstring& text) {
  std::vector<std::wstring> result;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = text.substr(start, end - start);
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    result.push_back(line);
    start = end + 1;
  }
  return result;
}

bool contains(const std::wstring& text, const std::wstring& part) { return text.find(part) != std::wstring::npos; }

}  // namespace orvane::test
