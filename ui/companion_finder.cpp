#include "ui/companion_finder.h"

#include <winternl.h>

#include <string>

#include "hooklib/shared_view.h"
#include "toolkit/handles.h"

namespace {

using TQueryProcess = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
constexpr PROCESSINFOCLASS kProcessCommandLine = static_cast<PROCESSINFOCLASS>(60);

TQueryProcess QueryProcess() {
  const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll ? reinterpret_cast<TQueryProcess>(
                     reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQueryInformationProcess")))
               : nullptr;
}

std::string Narrow(const wchar_t* text, size_t length) {
  if (!length) return {};
  const int size = WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  std::string narrow(size > 0 ? static_cast<size_t>(size) : 0, '\0');
  if (size > 0) WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), narrow.data(), size, nullptr, nullptr);
  return narrow;
}

// The command line as the process keeps it: asked for directly where the system offers that,
// else read from the process's parameters.
std::string CommandLineOf(HANDLE process) {
  const TQueryProcess query = QueryProcess();
  if (!query) return {};
  std::wstring buffer(2048, L'\0');
  ULONG size = 0;
  if (query(process, kProcessCommandLine, buffer.data(), static_cast<ULONG>(buffer.size() * sizeof(wchar_t)),
            &size) >= 0) {
    const auto* text = reinterpret_cast<const UNICODE_STRING*>(buffer.data());
    return Narrow(text->Buffer, text->Length / sizeof(wchar_t));
  }
  PROCESS_BASIC_INFORMATION basic = {};
  if (query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) < 0 || !basic.PebBaseAddress) return {};
  PEB peb = {};
  RTL_USER_PROCESS_PARAMETERS parameters = {};
  if (!ReadProcessMemory(process, basic.PebBaseAddress, &peb, sizeof peb, nullptr) ||
      !ReadProcessMemory(process, peb.ProcessParameters, &parameters, sizeof parameters, nullptr))
    return {};
  std::wstring line(parameters.CommandLine.Length / sizeof(wchar_t), L'\0');
  if (!ReadProcessMemory(process, parameters.CommandLine.Buffer, line.data(), parameters.CommandLine.Length, nullptr))
    return {};
  return Narrow(line.data(), line.size());
}

// Asked by name: the build's headers are those of older systems.
std::string ImagePathOf(HANDLE process) {
  using TQueryImage = BOOL(WINAPI*)(HANDLE, DWORD, LPSTR, PDWORD);
  const auto query = reinterpret_cast<TQueryImage>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "QueryFullProcessImageNameA")));
  char path[MAX_PATH] = {};
  DWORD size = MAX_PATH;
  return query && query(process, 0, path, &size) ? std::string(path, size) : std::string();
}

}  // namespace

bool AnswerFinderFor(HWND asked) {
  DWORD processId = 0;
  GetWindowThreadProcessId(asked, &processId);
  if (!processId || !Is64BitProcess(processId)) return false;
  const THandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_VM_READ, FALSE, processId));
  if (!process) return false;
  const std::string path = ImagePathOf(process.Get());
  const std::string commandLine = CommandLineOf(process.Get());
  SharedView view;
  if (!view) return false;
  StoreFinderText(view->findModulePath, path.c_str());
  StoreFinderText(view->findCommandLine, commandLine.c_str());
  PostMessageA(HandleFromField<HWND>(view->engineWindow), WM_FIND_REPLY, reinterpret_cast<WPARAM>(asked), 0);
  return true;
}

bool Is64BitProcess(DWORD process) {
  const THandle handle(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process));
  BOOL wow64 = TRUE;
  return handle && IsWow64Process(handle.Get(), &wow64) && !wow64;
}

bool Is64BitWindow(HWND window) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  return process && Is64BitProcess(process);
}
