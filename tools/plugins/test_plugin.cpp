// The plug-ins the unit tests load. One source; each variant is chosen by compile definitions
// (see CMakeLists.txt) and exports only what its .def file lists. Every call is logged, one
// line each, to the file named by VAKRO_PLUGIN_LOG or else to "<this library>.log":
//   module|event|argument 1|argument 2|thread id|thread priority
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "plugins/vakro_plugin.h"

#ifndef VP_VERSION
#define VP_VERSION VAKRO_PLUGIN_VERSION
#endif
#ifndef VP_NAME
#define VP_NAME "テスト"
#endif

namespace {

HMODULE self = nullptr;
CRITICAL_SECTION logLock;

void LogPath(char* path, DWORD size) {
  DWORD length = GetEnvironmentVariableA("VAKRO_PLUGIN_LOG", path, size);
  if (length > 0 && length < size) return;
  length = GetModuleFileNameA(self, path, size - 4);
  lstrcpyA(path + length, ".log");
}

const char* ModuleName() {
  static char path[MAX_PATH];
  GetModuleFileNameA(self, path, MAX_PATH);
  const char* slash = std::strrchr(path, '\\');
  return slash ? slash + 1 : path;
}

void Log(const char* event, const char* first = "", const char* second = "") {
  char line[1024];
  int length = std::snprintf(line, sizeof line, "%s|%s|%s|%s|%lu|%d\r\n", ModuleName(), event, first,
                             second, GetCurrentThreadId(), GetThreadPriority(GetCurrentThread()));
  if (length < 0) return;
  if (length >= static_cast<int>(sizeof line)) length = sizeof line - 1;
  char path[MAX_PATH + 8];
  LogPath(path, sizeof path);
  EnterCriticalSection(&logLock);
  HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(length), &written, nullptr);
    CloseHandle(file);
  }
  LeaveCriticalSection(&logLock);
}

const char* Text(const char* text) { return text ? text : "(null)"; }

void Hex(const void* pointer, char* out, size_t size) {
  std::snprintf(out, size, "%p", pointer);
}

// VP_FAULT_IN names the one call ("attach" for the library's start-up) that writes through a
// null pointer.
void FaultIn([[maybe_unused]] const char* call) {
#ifdef VP_FAULT_IN
  if (std::strcmp(call, VP_FAULT_IN) != 0) return;
  volatile int* volatile nowhere = nullptr;  // both volatile, or the store is dropped
  *nowhere = 1;
#endif
}

[[maybe_unused]] void WaitForFile(const char* path) {
  while (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) Sleep(20);
}

void Act(const char* value) {
#if defined(VP_EXECUTE_NULL)
  (void)value;
  volatile int* volatile nowhere = nullptr;  // both volatile, or the store is dropped
  *nowhere = 1;
#elif defined(VP_EXECUTE_RAISE)
  (void)value;
  RaiseException(0xE0564B52, EXCEPTION_NONCONTINUABLE, 0, nullptr);
#elif defined(VP_EXECUTE_HANDLED_THROW)
  // An exception the plug-in throws and catches itself must not count as a failure.
  try {
    throw std::runtime_error(value);
  } catch (const std::runtime_error&) {
  }
#elif defined(VP_EXECUTE_BLOCK)
  WaitForFile(value);  // the value names the file to wait for
#else
  (void)value;
#endif
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void* reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    self = instance;
    InitializeCriticalSection(&logLock);
    Log("attach");
    FaultIn("attach");
  } else if (reason == DLL_PROCESS_DETACH && !reserved) {
    // Only a FreeLibrary: at process exit a thread ended inside Log may still hold the lock.
    Log("detach");
    DeleteCriticalSection(&logLock);
  }
  return TRUE;
}

#ifndef VP_NO_VERSION
VAKRO_PLUGIN_EXPORT void VAKRO_CALL vakroGetVersion(char* version) {
  Log("vakroGetVersion");
  FaultIn("vakroGetVersion");
  std::memcpy(version, VP_VERSION, sizeof VP_VERSION);  // sizeof: the NUL included
}
#endif

#ifndef VP_NO_INFO
VAKRO_PLUGIN_EXPORT void VAKRO_CALL vakroGetInfo(char* name, char* description) {
  Log("vakroGetInfo");
  FaultIn("vakroGetInfo");
#ifdef VP_LONG_INFO
  // Fills both buffers to the last byte without a NUL.
  std::memset(name, 'N', VAKRO_NAME_SIZE);
  std::memset(description, 'D', VAKRO_DESCRIPTION_SIZE);
#else
  lstrcpynA(name, VP_NAME, VAKRO_NAME_SIZE);
  lstrcpynA(description, "テスト用のプラグイン", VAKRO_DESCRIPTION_SIZE);
#endif
}
#endif

VAKRO_PLUGIN_EXPORT void VAKRO_CALL vakroRegister(const char* dataFolder) {
  Log("vakroRegister", Text(dataFolder));
  FaultIn("vakroRegister");
}

VAKRO_PLUGIN_EXPORT void VAKRO_CALL vakroUnregister(const char* dataFolder) {
  Log("vakroUnregister", Text(dataFolder));
  FaultIn("vakroUnregister");
}

VAKRO_PLUGIN_EXPORT int VAKRO_CALL vakroIsDialog() {
  Log("vakroIsDialog");
  FaultIn("vakroIsDialog");
  return 1;
}

VAKRO_PLUGIN_EXPORT void VAKRO_CALL vakroShowDialog(HWND parent, const char* dataFolder) {
  char handle[32];
  Hex(parent, handle, sizeof handle);
  Log("vakroShowDialog", handle, Text(dataFolder));
  FaultIn("vakroShowDialog");
#ifdef VP_DIALOG
  MessageBoxA(parent, dataFolder, "テスト プラグインの設定", MB_OK);
  Log("vakroShowDialog-closed");
#endif
}

#ifndef VP_NO_EXECUTE
VAKRO_PLUGIN_EXPORT void VAKRO_CALL vakroExecute(HWND foreground, const char* value) {
  char handle[32];
  Hex(foreground, handle, sizeof handle);
  Log("vakroExecute", handle, Text(value));
  Act(value);
  Log("vakroExecute-returns");
}
#endif

VAKRO_PLUGIN_EXPORT void VAKRO_CALL vakroTerminate() {
  Log("vakroTerminate");
  FaultIn("vakroTerminate");
}
