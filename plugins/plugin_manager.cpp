#include "plugins/plugin_manager.h"

#include <algorithm>
#include <cstring>

#include "data/comma_list.h"
#include "data/platform.h"
#include "data/text_lines.h"
#include "plugins/fault_guard.h"
#include "plugins/plugin_thread.h"
#include "plugins/vakro_plugin.h"
#include "toolkit/handles.h"

namespace {

template <typename Proc>
Proc FindExport(HMODULE module, const char* name) {
  if (!module) return nullptr;
  return reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// The text a plug-in wrote into a buffer of `size` bytes, never read past the buffer's last
// byte, whether or not the plug-in wrote a NUL.
std::string BufferText(const char* buffer, size_t size) {
  return std::string(buffer, strnlen(buffer, size - 1));
}

// Room after each output buffer for a plug-in that writes past its end: it lands here, not
// on the rest of the stack.
const size_t kOverrunRoom = 256;

// False when the library has no "vakroGetInfo". A fault in it marks the registration broken.
bool ReadInfo(HMODULE module, tagPLUGININFO& registration) {
  auto getInfo = FindExport<VakroGetInfoProc>(module, "vakroGetInfo");
  if (!getInfo) return false;
  char name[VAKRO_NAME_SIZE + kOverrunRoom] = {};
  char description[VAKRO_DESCRIPTION_SIZE + kOverrunRoom] = {};
  if (!fault_guard::CallGuarded([&] { getInfo(name, description); })) {
    registration.broken = true;
    return true;
  }
  registration.name = BufferText(name, VAKRO_NAME_SIZE);
  registration.description = BufferText(description, VAKRO_DESCRIPTION_SIZE);
  return true;
}

// False also when "vakroGetVersion" faulted; `faulted` then tells the caller.
bool ReportsThisVersion(HMODULE module, bool& faulted) {
  faulted = false;
  auto getVersion = FindExport<VakroGetVersionProc>(module, "vakroGetVersion");
  if (!getVersion) return false;
  char version[VAKRO_VERSION_SIZE + kOverrunRoom] = {};
  faulted = !fault_guard::CallGuarded([&] { getVersion(version); });
  return !faulted && std::memcmp(version, VAKRO_PLUGIN_VERSION, sizeof VAKRO_PLUGIN_VERSION) == 0;
}

// The library's clean-up code runs guarded too.
void ReleaseLibrary(HMODULE module) {
  if (module) fault_guard::CallGuarded([module] { FreeLibrary(module); });
}

struct GuardedRelease : handle_free::NullIsNone {
  static void Close(HMODULE module) { ReleaseLibrary(module); }
};
// A plug-in library loaded for a check or before it is registered.
using TPluginLibrary = TOwned<HMODULE, GuardedRelease>;

void Erase(std::vector<const tagPLUGININFO*>& list, const tagPLUGININFO* registration) {
  list.erase(std::remove(list.begin(), list.end(), registration), list.end());
}

}  // namespace

std::string PluginFailureText(const std::string& name) {
  return "プラグイン " + name + " の実行に失敗。";
}

std::string PluginFaultText(const tagPLUGININFO& registration) {
  return "プラグイン " + registration.name + " (" + registration.macro +
         ") でエラーが発生しました。次に起動するまでこのプラグインは使えません。\r\n" +
         registration.path;
}

TPluginManager::TPluginManager(TPluginHost host)
    : host_(std::move(host)), self_(std::make_shared<TPluginManager*>(this)) {}

// Runs still going are not waited for: each keeps its registration and library until its
// call returns, and its completion then finds no manager. Their plug-ins are not told to
// terminate under the running call; their libraries stay until the process ends.
TPluginManager::~TPluginManager() {
  exiting_ = true;
  Clear();
  *self_ = nullptr;
}

tagPLUGININFO* TPluginManager::GetPlugin(int index) const {
  if (index < 0 || index >= GetCount()) return nullptr;
  return plugins_[static_cast<size_t>(index)].get();
}

HMODULE TPluginManager::LoadPluginLibrary(const std::string& path) {
  if (!platform::FileExists(path)) return nullptr;
  HMODULE module = nullptr;
  fault_guard::CallGuarded(
      [&] { module = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH); });
  return module;
}

tagPLUGININFO* TPluginManager::Add(const std::string& path, const std::string& value,
                                   const std::string& macro) {
  auto registration = std::make_shared<tagPLUGININFO>();
  registration->path = path;
  registration->value = value;
  registration->macro = macro;
  TPluginLibrary library(LoadPluginLibrary(path));
  if (!library || !ReadInfo(library.Get(), *registration)) return nullptr;
  registration->module = library.Detach();  // the registration's from here on
  plugins_.push_back(registration);
  if (registration->broken) host_.reportFailure(PluginFaultText(*registration));
  return registration.get();
}

tagPLUGININFO* TPluginManager::Update(int index, const std::string& path, const std::string& value,
                                      const std::string& macro) {
  tagPLUGININFO* registration = GetPlugin(index);
  if (!registration) return nullptr;
  HMODULE module = LoadPluginLibrary(path);
  if (!module) return nullptr;
  // A broken library stays mapped; another file is a fresh start.
  if (!registration->broken) ReleaseLibrary(registration->module);
  if (path != registration->path) registration->broken = false;
  registration->module = module;
  registration->path = path;
  registration->value = value;
  registration->macro = macro;
  return registration;
}

bool TPluginManager::Delete(int index) {
  if (!GetPlugin(index)) return false;
  std::shared_ptr<tagPLUGININFO> registration = plugins_[static_cast<size_t>(index)];
  plugins_.erase(plugins_.begin() + index);
  const bool unregister = TakePendingUnregister(registration.get());
  if (InRunning(registration.get())) {
    if (!exiting_) retired_.push_back({registration, unregister});
    return true;
  }
  TerminateAndRelease(*registration);
  return true;
}

void TPluginManager::Clear() {
  while (GetCount() > 0) Delete(0);
}

template <typename Call>
void TPluginManager::CallPlugin(tagPLUGININFO& registration, Call call) const {
  if (!IsUsable(registration)) return;
  if (fault_guard::CallGuarded(call)) return;
  registration.broken = true;
  // At exit the message loop has ended and a box would close at once: the exit goes on.
  if (!exiting_) host_.reportFailure(PluginFaultText(registration));
}

void TPluginManager::TerminateAndRelease(tagPLUGININFO& registration) {
  if (!IsUsable(registration)) return;  // a broken library keeps its mapping
  if (auto terminate = FindExport<VakroTerminateProc>(registration.module, "vakroTerminate"))
    CallPlugin(registration, [terminate] { terminate(); });
  if (registration.broken) return;
  ReleaseLibrary(registration.module);
  registration.module = nullptr;
}

void TPluginManager::NotifyUnregister(tagPLUGININFO& registration) {
  if (!IsUsable(registration)) return;
  if (auto notify = FindExport<VakroUnregisterProc>(registration.module, "vakroUnregister"))
    CallPlugin(registration, [&] { notify(dataFolder.c_str()); });
}

bool TPluginManager::TakePendingUnregister(const tagPLUGININFO* registration) {
  const bool pending = std::find(unregisterPending_.begin(), unregisterPending_.end(),
                                 registration) != unregisterPending_.end();
  Erase(unregisterPending_, registration);
  return pending;
}

// The run of `registration` has returned: what its deletion or unregistration put off.
void TPluginManager::RetireAfterRun(const tagPLUGININFO* registration) {
  auto retired = std::find_if(retired_.begin(), retired_.end(), [&](const Retired& entry) {
    return entry.registration.get() == registration;
  });
  if (retired != retired_.end()) {
    Retired entry = *retired;
    retired_.erase(retired);
    if (entry.unregister) NotifyUnregister(*entry.registration);
    TerminateAndRelease(*entry.registration);
    return;
  }
  if (!TakePendingUnregister(registration)) return;
  for (const auto& held : plugins_)
    if (held.get() == registration) NotifyUnregister(*held);
}

bool TPluginManager::IsPlugin(const std::string& path) {
  if (!platform::FileExists(path)) return false;
  TPluginLibrary library(LoadPluginLibrary(path));
  if (!library) return false;
  bool faulted = false;
  const bool matches = ReportsThisVersion(library.Get(), faulted);
  if (faulted) library.Detach();  // a library that faulted stays mapped
  return matches;
}

bool TPluginManager::HasDialog(int index) const {
  tagPLUGININFO* registration = GetPlugin(index);
  if (!registration || !IsUsable(*registration)) return false;
  auto isDialog = FindExport<VakroIsDialogProc>(registration->module, "vakroIsDialog");
  int answer = 0;
  if (isDialog)
    CallPlugin(*registration, [&] { answer = isDialog(); });
  return answer != 0 && !registration->broken;
}

bool TPluginManager::ShowDialog(HWND parent, int index) {
  tagPLUGININFO* registration = GetPlugin(index);
  if (!registration || !IsUsable(*registration)) return true;
  if (auto show = FindExport<VakroShowDialogProc>(registration->module, "vakroShowDialog"))
    CallPlugin(*registration, [&] { show(parent, dataFolder.c_str()); });
  return true;
}

void TPluginManager::Register(int index) {
  tagPLUGININFO* registration = GetPlugin(index);
  if (!registration || !IsUsable(*registration)) return;
  if (auto notify = FindExport<VakroRegisterProc>(registration->module, "vakroRegister"))
    CallPlugin(*registration, [&] { notify(dataFolder.c_str()); });
}

void TPluginManager::Unregister(int index) {
  tagPLUGININFO* registration = GetPlugin(index);
  if (!registration) return;
  if (InRunning(registration)) {
    TakePendingUnregister(registration);
    unregisterPending_.push_back(registration);
    return;
  }
  NotifyUnregister(*registration);
}

int TPluginManager::IndexOfMacro(const std::string& macro) const {
  for (int index = 0; index < GetCount(); ++index)
    if (plugins_[static_cast<size_t>(index)]->macro == macro) return index;
  return -1;
}

bool TPluginManager::InRunning(const tagPLUGININFO* registration) const {
  return std::find(running_.begin(), running_.end(), registration) != running_.end();
}

bool TPluginManager::IsRunning(int index) const {
  tagPLUGININFO* registration = GetPlugin(index);
  return registration && InRunning(registration);
}

void TPluginManager::ExecuteMacro(const std::string& macro) {
  int index = IndexOfMacro(macro);
  if (index < 0) return;
  const std::shared_ptr<tagPLUGININFO>& registration = plugins_[static_cast<size_t>(index)];
  if (InRunning(registration.get())) return;
  auto thread = std::make_unique<TPluginThread>(host_.runOnMainThread);
  if (!thread->Created()) return;
  thread->SetPlugin(registration);
  std::shared_ptr<TPluginManager*> self = self_;
  thread->SetOnTerminate([self](TWorkerThread& finished) {
    if (*self) (*self)->PluginThreadTerminate(static_cast<TPluginThread&>(finished));
  });
  running_.push_back(registration.get());
  thread.release()->Start();  // the thread deletes itself when its run is over
}

void TPluginManager::PluginThreadTerminate(TPluginThread& thread) {
  const std::shared_ptr<tagPLUGININFO>& registration = thread.Plugin();
  if (!thread.Completed())
    host_.reportFailure(PluginFailureText(registration ? registration->name : ""));
  Erase(running_, registration.get());
  RetireAfterRun(registration.get());
  // A library that Delete, Update or Clear gave up during the run is unloaded here.
  thread.ReleaseLibrary();
}

bool TPluginManager::LoadFromFile(const std::string& fileName) {
  if (!platform::FileExists(fileName)) return true;
  std::string bytes;
  if (!platform::ReadFileBytes(fileName, bytes)) return false;
  for (const std::string& line : SplitLines(bytes)) {
    TTextList items = DecodeCommaList(line);
    if (items.size() < 3) continue;  // not a line this program wrote
    AddLine(items);
  }
  return true;
}

void TPluginManager::AddLine(const TTextList& items) {
  if (Add(items[0], items[1], items[2])) return;
  // Kept unloaded (a drive not there yet, a file being replaced): saved back as it was.
  auto registration = std::make_shared<tagPLUGININFO>();
  registration->path = items[0];
  registration->value = items[1];
  registration->macro = items[2];
  plugins_.push_back(registration);
}

bool TPluginManager::ReloadFromBytes(const std::string& bytes) {
  std::vector<TTextList> lines;
  for (const std::string& line : SplitLines(bytes)) {
    TTextList items = DecodeCommaList(line);
    if (items.size() >= 3) lines.push_back(std::move(items));
  }
  if (lines.empty() && !bytes.empty()) return false;
  // Each line keeps the first unclaimed registration that has its path, value and macro.
  std::vector<std::shared_ptr<tagPLUGININFO>> kept(lines.size());
  std::vector<bool> claimed(plugins_.size());
  for (size_t line = 0; line < lines.size(); ++line) {
    for (size_t index = 0; index < plugins_.size(); ++index) {
      const tagPLUGININFO& held = *plugins_[index];
      if (claimed[index] || held.path != lines[line][0] || held.value != lines[line][1] ||
          held.macro != lines[line][2])
        continue;
      claimed[index] = true;
      kept[line] = plugins_[index];
      break;
    }
  }
  for (size_t index = plugins_.size(); index-- > 0;)
    if (!claimed[index]) Delete(static_cast<int>(index));
  plugins_.clear();
  for (size_t line = 0; line < lines.size(); ++line) {
    if (kept[line]) plugins_.push_back(kept[line]);
    else AddLine(lines[line]);
  }
  return true;
}

bool TPluginManager::SaveToFile(const std::string& fileName) const {
  std::vector<std::string> lines;
  for (const auto& registration : plugins_)
    lines.push_back(EncodeCommaList({registration->path, registration->value, registration->macro}));
  return platform::ReplaceFileBytes(fileName, JoinLines(lines));
}
