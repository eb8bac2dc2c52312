/*
 * window_action.vpi: an example plug-in for vakro.
 *
 * It acts on the window that was in the foreground when its key chord was pressed. The value
 * registered with the macro ("引き渡す値") names the action, in any letter case:
 *   maximize  minimize  restore  topmost (toggles "always on top")  close
 * Any other value does nothing. An empty value takes the default action chosen in the
 * plug-in's settings dialog, which is kept in "window_action.ini" in vakro's data folder.
 *
 * Build (mingw-w64): gcc -shared -O2 -fexec-charset=CP932 window_action.c window_action_res.o
 *   window_action.def -Wl,--kill-at -lshell32 -o window_action.vpi
 * with the resources compiled by "windres window_action.rc window_action_res.o". This file is
 * UTF-8; its Japanese texts must reach the program as Shift-JIS (gcc: -fexec-charset=CP932,
 * the Microsoft compiler: /source-charset:utf-8 /execution-charset:.932).
 */
#include <windows.h>
#include <shlobj.h>

#include "resource.h"
#include "vakro_plugin.h"

enum Action { ACTION_NONE = -1, ACTION_MAXIMIZE, ACTION_MINIMIZE, ACTION_RESTORE, ACTION_TOPMOST,
              ACTION_CLOSE, ACTION_COUNT };

static const char* const actionNames[ACTION_COUNT] = {"maximize", "minimize", "restore", "topmost",
                                                      "close"};
static const char* const actionLabels[ACTION_COUNT] = {"最大化", "最小化", "元のサイズに戻す",
                                                       "最前面に固定／解除", "閉じる"};

static const char settingsFile[] = "window_action.ini";
static const char settingsSection[] = "WindowAction";
static const char defaultKey[] = "DefaultAction";

static HINSTANCE instance;

/* vakro hands its data folder to vakroRegister and vakroShowDialog, which run on its main
   thread, but not to vakroExecute, which runs on a worker thread: the last folder seen is kept
   here, under a lock because both threads use it. */
static CRITICAL_SECTION folderLock;
static char dataFolder[MAX_PATH];

static void RememberDataFolder(const char* folder) {
  EnterCriticalSection(&folderLock);
  lstrcpynA(dataFolder, folder, MAX_PATH);
  LeaveCriticalSection(&folderLock);
}

/* The settings file's full path. Before vakro has named its data folder in this session, the
   folder is found the way vakro finds it: the user's application-data folder + "Vakro\". */
static BOOL SettingsPath(char* path, int size) {
  char folder[MAX_PATH];
  EnterCriticalSection(&folderLock);
  lstrcpynA(folder, dataFolder, MAX_PATH);
  LeaveCriticalSection(&folderLock);
  if (folder[0] == '\0') {
    if (!SHGetSpecialFolderPathA(NULL, folder, CSIDL_APPDATA, FALSE)) return FALSE;
    if (lstrlenA(folder) + 7 >= MAX_PATH) return FALSE;
    lstrcatA(folder, "\\Vakro\\");
  }
  if (lstrlenA(folder) + lstrlenA(settingsFile) >= size) return FALSE;
  lstrcpyA(path, folder);
  lstrcatA(path, settingsFile);
  return TRUE;
}

/* The action a text names, or ACTION_NONE. */
static enum Action ActionNamed(const char* text) {
  int i;
  for (i = 0; i < ACTION_COUNT; ++i)
    if (lstrcmpiA(text, actionNames[i]) == 0) return (enum Action)i;
  return ACTION_NONE;
}

static enum Action DefaultAction(void) {
  char path[MAX_PATH];
  char name[32];
  if (!SettingsPath(path, MAX_PATH)) return ACTION_NONE;
  GetPrivateProfileStringA(settingsSection, defaultKey, "", name, sizeof name, path);
  return ActionNamed(name);
}

static void SaveDefaultAction(enum Action action) {
  char path[MAX_PATH];
  if (!SettingsPath(path, MAX_PATH)) return;
  WritePrivateProfileStringA(settingsSection, defaultKey,
                             action == ACTION_NONE ? "" : actionNames[action], path);
}

/* Every call returns at once: the asynchronous forms never wait for the target window, which
   belongs to another program and may not be answering. */
static void Perform(HWND window, enum Action action) {
  HWND order;
  if (window == NULL || !IsWindow(window)) return;
  switch (action) {
    case ACTION_MAXIMIZE: ShowWindowAsync(window, SW_MAXIMIZE); break;
    case ACTION_MINIMIZE: ShowWindowAsync(window, SW_MINIMIZE); break;
    case ACTION_RESTORE: ShowWindowAsync(window, SW_RESTORE); break;
    case ACTION_TOPMOST:
      order = (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) ? HWND_NOTOPMOST : HWND_TOPMOST;
      SetWindowPos(window, order, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS);
      break;
    case ACTION_CLOSE: PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0); break;
    default: break;
  }
}

/* The settings dialog: the combo box lists "(何もしない)" and then the actions in order. */
static void FillActionList(HWND list, enum Action selected) {
  char item[64];
  int i;
  SendMessageA(list, CB_ADDSTRING, 0, (LPARAM) "(何もしない)");
  for (i = 0; i < ACTION_COUNT; ++i) {
    wsprintfA(item, "%s (%s)", actionNames[i], actionLabels[i]);
    SendMessageA(list, CB_ADDSTRING, 0, (LPARAM)item);
  }
  SendMessageA(list, CB_SETCURSEL, (WPARAM)(selected + 1), 0);
}

static INT_PTR CALLBACK SettingsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  (void)lParam;
  switch (message) {
    case WM_INITDIALOG:
      FillActionList(GetDlgItem(dialog, IDC_DEFAULT_ACTION), DefaultAction());
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        LRESULT index = SendDlgItemMessageA(dialog, IDC_DEFAULT_ACTION, CB_GETCURSEL, 0, 0);
        SaveDefaultAction(index > 0 ? (enum Action)(index - 1) : ACTION_NONE);
      }
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
      }
      break;
  }
  return FALSE;
}

/* ---- The exports (listed in window_action.def) ---- */

VAKRO_PLUGIN_EXPORT void VAKRO_CALL vakroGetVersion(char* version) {
  lstrcpynA(version, VAKRO_PLUGIN_VERSION, VAKRO_VERSION_SIZE);
}

VAKRO_PLUGIN_EXPORT void VAKRO_CALL vakroGetInfo(char* name, char* description) {
  lstrcpynA(name, "ウィンドウ操作", VAKRO_NAME_SIZE);
  lstrcpynA(description,
            "前面のウィンドウを最大化・最小化・復元・最前面固定・閉じる（引き渡す値で指定）",
            VAKRO_DESCRIPTION_SIZE);
}

VAKRO_PLUGIN_EXPORT void VAKRO_CALL vakroRegister(const char* folder) { RememberDataFolder(folder); }

VAKRO_PLUGIN_EXPORT int VAKRO_CALL vakroIsDialog(void) { return 1; }

VAKRO_PLUGIN_EXPORT void VAKRO_CALL vakroShowDialog(HWND parent, const char* folder) {
  RememberDataFolder(folder);
  DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_SETTINGS), parent, SettingsProc, 0);
}

VAKRO_PLUGIN_EXPORT void VAKRO_CALL vakroExecute(HWND foreground, const char* value) {
  enum Action action = value[0] == '\0' ? DefaultAction() : ActionNamed(value);
  Perform(foreground, action);
}

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) {
    instance = module;
    InitializeCriticalSection(&folderLock);
    DisableThreadLibraryCalls(module);
  } else if (reason == DLL_PROCESS_DETACH) {
    DeleteCriticalSection(&folderLock);
  }
  return TRUE;
}
