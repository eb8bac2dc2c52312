// The registered plug-ins (TPluginManager), their runs on worker threads and "plugin.dat".
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "data/comma_list.h"
#include "plugins/plugin_host.h"

class TPluginThread;
class TWorkerThread;

// One registration: a plug-in library under a macro, with the value handed to it.
struct tagPLUGININFO {
  std::string path;
  std::string value;
  std::string macro;  // "$" and the macro name in lower case
  // Null when the library could not be loaded at start (a drive not yet there): the
  // registration is kept, saved and loaded again at the next start; its runs fail.
  HMODULE module = nullptr;
  std::string name;         // from "vakroGetInfo"; empty when unknown
  std::string description;  // from "vakroGetInfo"
  // A call into the library faulted: nothing of it is called again, its runs fail, and its
  // library stays mapped until the process ends (its own clean-up code is not trusted).
  bool broken = false;
};

// True when the registration's library may be called.
inline bool IsUsable(const tagPLUGININFO& registration) {
  return registration.module && !registration.broken;
}

class TPluginManager {
 public:
  std::string dataFolder;  // handed to the plug-ins; ends in a backslash

  explicit TPluginManager(TPluginHost host);
  ~TPluginManager();
  TPluginManager(const TPluginManager&) = delete;
  TPluginManager& operator=(const TPluginManager&) = delete;

  int GetCount() const { return static_cast<int>(plugins_.size()); }
  // The registration at `index`, or null.
  tagPLUGININFO* GetPlugin(int index) const;

  // The library loaded from `path` (its own folder serving its dependencies) when such a file
  // exists, else null; also null when its start-up code faulted.
  static HMODULE LoadPluginLibrary(const std::string& path);

  // Null when the library cannot be loaded or has no "vakroGetInfo".
  tagPLUGININFO* Add(const std::string& path, const std::string& value, const std::string& macro);
  tagPLUGININFO* Update(int index, const std::string& path, const std::string& value,
                        const std::string& macro);
  // A registration whose run is going is retired: its "vakroUnregister" (when asked for),
  // "vakroTerminate" and release follow when the run returns.
  bool Delete(int index);
  void Clear();

  // True when `path` is a library of this interface version.
  static bool IsPlugin(const std::string& path);
  bool HasDialog(int index) const;
  bool ShowDialog(HWND parent, int index);
  void Register(int index);
  // Waits for the end of a run that is going.
  void Unregister(int index);

  // Index of the first registration whose macro is exactly `macro` (case-sensitive), or -1.
  int IndexOfMacro(const std::string& macro) const;
  // Runs that registration's "vakroExecute" on a worker thread; returns at once. Ignored while
  // the registration's previous run is still going.
  void ExecuteMacro(const std::string& macro);
  bool IsRunning(int index) const;

  bool LoadFromFile(const std::string& fileName);
  // "plugin.dat" again after another program changed it: a registration whose line is still
  // there stays as it is (its library is not loaded again), the others go or come, in the
  // file's order. False, and nothing changes, when bytes are there but no line is one.
  bool ReloadFromBytes(const std::string& bytes);
  bool SaveToFile(const std::string& fileName) const;

  // Completion handler of every run, on the main thread.
  void PluginThreadTerminate(TPluginThread& thread);

 private:
  struct Retired {
    std::shared_ptr<tagPLUGININFO> registration;
    bool unregister;  // "vakroUnregister" is due before "vakroTerminate"
  };

  // Appends the registration of one line, unloaded when its library cannot be loaded.
  void AddLine(const TTextList& items);
  bool InRunning(const tagPLUGININFO* registration) const;
  bool TakePendingUnregister(const tagPLUGININFO* registration);
  void NotifyUnregister(tagPLUGININFO& registration);
  void TerminateAndRelease(tagPLUGININFO& registration);
  void RetireAfterRun(const tagPLUGININFO* registration);
  // Calls an export of the registration's library on this thread; a fault marks it broken.
  template <typename Call>
  void CallPlugin(tagPLUGININFO& registration, Call call) const;

  std::vector<std::shared_ptr<tagPLUGININFO>> plugins_;
  std::vector<const tagPLUGININFO*> running_;
  std::vector<const tagPLUGININFO*> unregisterPending_;
  std::vector<Retired> retired_;  // deleted while their run goes on
  TPluginHost host_;
  bool exiting_ = false;
  // Shared with the completion handlers of runs still going; null once the manager is gone.
  std::shared_ptr<TPluginManager*> self_;
};

// The message of a run that failed: "プラグイン " + name + " の実行に失敗。".
std::string PluginFailureText(const std::string& name);
// The message of a fault in a call on the main thread, naming the plug-in and its file.
std::string PluginFaultText(const tagPLUGININFO& registration);
