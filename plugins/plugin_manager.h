// The registered plug-ins (TPluginManager), their runs on worker threads and "plugin.dat".
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

class TPluginThread;
class TWorkerThread;

// One registration: a plug-in library under a macro, with the value handed to it.
struct tagPLUGININFO {
  std::string path;
  std::string value;
  std::string macro;  // "$" and the macro name in lower case
  HMODULE module = nullptr;
  std::string name;         // from "vakroGetInfo"
  std::string description;  // from "vakroGetInfo"
};

class TPluginManager {
 public:
  std::string dataFolder;  // handed to the plug-ins; ends in a backslash

  TPluginManager();
  ~TPluginManager();
  TPluginManager(const TPluginManager&) = delete;
  TPluginManager& operator=(const TPluginManager&) = delete;

  int GetCount() const { return static_cast<int>(plugins_.size()); }
  // The registration at `index`, or null.
  tagPLUGININFO* GetPlugin(int index) const;

  // LoadLibraryA(path) when such a file exists, else null.
  static HMODULE LoadPluginLibrary(const std::string& path);

  tagPLUGININFO* Add(const std::string& path, const std::string& value, const std::string& macro);
  tagPLUGININFO* Update(int index, const std::string& path, const std::string& value,
                        const std::string& macro);
  bool Delete(int index);
  void Clear();

  // True when `path` is a library of this interface version.
  static bool IsPlugin(const std::string& path);
  bool HasDialog(int index) const;
  bool ShowDialog(HWND parent, int index);
  void Register(int index);
  void Unregister(int index);

  // Index of the first registration whose macro is exactly `macro` (case-sensitive), or -1.
  int IndexOfMacro(const std::string& macro) const;
  // Runs that registration's "vakroExecute" on a worker thread; returns at once. Ignored while
  // the registration's previous run is still going.
  void ExecuteMacro(const std::string& macro);
  bool IsRunning(int index) const;

  bool LoadFromFile(const std::string& fileName);
  bool SaveToFile(const std::string& fileName) const;

  // Completion handler of every run, on the main thread.
  void PluginThreadTerminate(TPluginThread& thread);

 private:
  bool InRunning(const tagPLUGININFO* registration) const;

  std::vector<std::shared_ptr<tagPLUGININFO>> plugins_;
  std::vector<const tagPLUGININFO*> running_;
  // Shared with the completion handlers of runs still going; null once the manager is gone.
  std::shared_ptr<TPluginManager*> self_;
};

// The message of a run that failed: "プラグイン " + name + " の実行に失敗。".
std::string PluginFailureText(const std::string& name);
