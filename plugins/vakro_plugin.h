/*
 * vakro_plugin.h: the interface between vakro and a plug-in library (usable from C and C++).
 *
 * A plug-in is a Windows DLL (normally named *.vpi) that adds one action the user can bind to a
 * key chord. vakro loads it with LoadLibraryA and finds its functions with GetProcAddress by the
 * exact names below, so the DLL must export them WITHOUT decoration: no leading underscore and
 * no "@n" suffix. All functions use the standard calling convention (VAKRO_CALL, stdcall).
 *
 * Text is single-byte ANSI text in the system's code page (Shift-JIS on Japanese Windows),
 * terminated by a NUL byte. Strings and buffers passed in belong to vakro: a string is valid
 * only during the call; an output buffer must be filled before the call returns, never beyond
 * its size (the NUL included), and must not be kept. Output buffers are not cleared first.
 *
 * Exports (results other than that of vakroIsDialog are ignored):
 *
 *   vakroGetVersion  (buffer[8])           required to be accepted on the plug-in page.
 *       Write VAKRO_PLUGIN_VERSION ("01NR") and a NUL. Compared as a whole string, byte for
 *       byte: "01nr", "01NR " or "01NRX" are refused. Called only to vet a file the user names
 *       (each time on a fresh load that is released right after), never at start-up.
 *   vakroGetInfo     (name[64], description[260])   required: without it no registration.
 *       Write the display name and a one-line description. Called once each time a
 *       registration is created (added by the user, or read from the plug-in list at start-up).
 *   vakroRegister    (dataFolder)          optional. Once, right after the user added it.
 *   vakroUnregister  (dataFolder)          optional. When the user deletes the registration,
 *       before vakroTerminate (after a run of it that is going has returned). Not at program
 *       exit.
 *   vakroIsDialog    ()                    optional (missing = 0). Non-zero: the plug-in has a
 *       settings dialog. Called very often while its row is selected: answer at once, no side
 *       effects.
 *   vakroShowDialog  (parent, dataFolder)  optional. Show the settings dialog, modal, owned by
 *       `parent`; vakro's settings window waits until it returns.
 *   vakroExecute     (foreground, value)   needed to run: without it every run fails. Performs
 *       the action. `foreground` is the window in the foreground when the run started (may be
 *       NULL); `value` is the text registered with the macro, never NULL (empty when none).
 *       May take as long as it needs and may show windows of its own.
 *   vakroTerminate   ()                    optional. Just before vakro releases the library of a
 *       registration: when it is deleted, and at program exit. Not on an update, and never
 *       while a vakroExecute of the registration runs: a deletion waits for the run to return,
 *       and at exit a registration still running is not terminated.
 *
 * dataFolder is vakro's per-user data folder, a full path ending in a backslash; a plug-in may
 * keep its own settings there.
 *
 * Threads: vakroExecute runs on a worker thread that vakro creates for that one call, one
 * priority step below normal. Every other function runs on vakro's main (user-interface)
 * thread. So vakroExecute may run at the same time as vakroIsDialog or vakroShowDialog, and at
 * the same time as another vakroExecute when the same file is registered twice (one file
 * loaded several times is mapped once and shares its global state): guard shared state.
 * Runs of one registration never overlap; a chord pressed while its run is going is ignored.
 * An exception or processor fault that the plug-in does not handle ends only that run, and
 * vakro reports it to the user. One in any other function (or in the library's start-up code)
 * is caught as well: vakro names the plug-in to the user and calls nothing of that
 * registration again until the next start.
 *
 * vakro loads a plug-in with LoadLibraryExA(LOAD_WITH_ALTERED_SEARCH_PATH): the DLLs it
 * depends on are found in its own folder first.
 *
 * Exporting undecorated names: define the functions with VAKRO_PLUGIN_EXPORT and VAKRO_CALL,
 *     VAKRO_PLUGIN_EXPORT void VAKRO_CALL vakroExecute(HWND foreground, const char* value);
 * and list them in a module-definition (.def) file, for example:
 *
 *     LIBRARY myplugin.vpi
 *     EXPORTS
 *       vakroGetVersion@4
 *       vakroGetInfo@8
 *       vakroExecute@8
 *
 *   - mingw-w64 (gcc): give the .def file to the linker with -Wl,--kill-at, which removes the
 *     @n from the exported names (the 64-bit linker has no @n to remove and takes the names as
 *     they are). Alternatively write the names without @n in the .def file; then add
 *     -Wl,--enable-stdcall-fixup to the 32-bit link so the names are matched without a warning.
 *   - Microsoft compiler: write the names without @n in the .def file and pass it with
 *     /DEF:myplugin.def; the linker matches them to the decorated stdcall symbols.
 *
 * The @n is 4 times the number of arguments on 32-bit Windows: vakroGetVersion@4,
 * vakroGetInfo@8, vakroRegister@4, vakroUnregister@4, vakroIsDialog@0, vakroShowDialog@8,
 * vakroExecute@8, vakroTerminate@0. Check the result with `objdump -p` or `dumpbin /exports`.
 */
#ifndef VAKRO_PLUGIN_H
#define VAKRO_PLUGIN_H

#include <windows.h>

#define VAKRO_PLUGIN_VERSION "01NR"

/* Sizes of the output buffers, NUL included. */
#define VAKRO_VERSION_SIZE 8
#define VAKRO_NAME_SIZE 64
#define VAKRO_DESCRIPTION_SIZE 260

#define VAKRO_CALL __stdcall

/* C linkage for the exported functions; the .def file does the exporting (a dllexport
   attribute would add the decorated names to the exports as well). */
#ifdef __cplusplus
#define VAKRO_PLUGIN_EXPORT extern "C"
#else
#define VAKRO_PLUGIN_EXPORT
#endif

/* The exports as vakro finds them with GetProcAddress. */
typedef void(VAKRO_CALL* VakroGetVersionProc)(char* version);
typedef void(VAKRO_CALL* VakroGetInfoProc)(char* name, char* description);
typedef void(VAKRO_CALL* VakroRegisterProc)(const char* dataFolder);
typedef void(VAKRO_CALL* VakroUnregisterProc)(const char* dataFolder);
typedef int(VAKRO_CALL* VakroIsDialogProc)(void);
typedef void(VAKRO_CALL* VakroShowDialogProc)(HWND parent, const char* dataFolder);
typedef void(VAKRO_CALL* VakroExecuteProc)(HWND foreground, const char* value);
typedef void(VAKRO_CALL* VakroTerminateProc)(void);

#endif /* VAKRO_PLUGIN_H */
