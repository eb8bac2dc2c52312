#include "plugins/plugin_manager.h"

#include <algorithm>
#include <cstring>

#include "data/comma_list.h"
#include "data/platform.h"
#include "data/text_lines.h"
#include "plugins/plugin_thread.h"
#include "plugins/vakro_plugin.h"
#include "ui/message_box.h"

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

bool ReadInfo(HMODULE module, tagPLUGININFO& registration) {
  auto getInfo = FindExport<VakroGetInfoProc>(module, "vakroGetInfo");
  if (!getInfo) return false;
  char name[VAKRO_NAME_SIZE + kOverrunRoom] = {};
  char description[VAKRO_DESCRIPTION_SIZE + kOverrunRoom] = {};
  getInfo(name, description);
  registration.name = BufferText(name, VAKRO_NAME_SIZE);
  registration.description = BufferText(description, VAKRO_DESCRIPTION_SIZE);
  return true;
}

bool ReportsThisVersion(HMODULE module) {
  auto getVersion = FindExport<VakroGetVersionProc>(module, "vakroGetVersion");
  if (!getVersion) return false;
  char version[VAKRO_VERSION_SIZE + kOverrunRoom] = {};
  getVersion(version);
  return std::memcmp(version, VAKRO_PLUGIN_VERSION, sizeof VAKRO_PLUGIN_VERSION) == 0;
}

}  // namespace

std::string PluginFailureText(const std::string& name) {
  return "プラグイン " + name + " の実行に失敗。";
}

TPluginManager::TPluginManager() : self_(std::make_shared<TPluginManager*>(this)) {}

// Runs still going are not waited for: each keeps its registration and library until its
// call returns, and its completion then finds no manager.
TPluginManager::~TPluginManager() {
  Clear();
  *self_ = nullptr;
}

tagPLUGININFO* TPluginManager::GetPlugin(int index) const {
  if (index < 0 || index >= GetCount()) return nullptr;
  return plugins_[static_cast<size_t>(index)].get();
}

HMODULE TPluginManager::LoadPluginLibrary(const std::string& path) {
  if (!platform::FileExists(path)) return nullptr;
  return LoadLibraryA(path.c_str());
}

tagPLUGININFO* TPluginManager::Add(const std::string& path, const std::string& value,
                                   const std::string& macro) {
  auto registration = std::make_shared<tagPLUGININFO>();
  registration->path = path;
  registration->value = value;
  registration->macro = macro;
  registration->module = LoadPluginLibrary(path);
  if (!registration->module) return nullptr;
  if (!ReadInfo(registration->module, *registration)) {
    FreeLibrary(registration->module);
    return nullptr;
  }
  plugins_.push_back(registration);
  return registration.get();
}

tagPLUGININFO* TPluginManager::Update(int index, const std::string& path, const std::string& value,
                                      const std::string& macro) {
  tagPLUGININFO* registration = GetPlugin(index);
  if (!registration) return nullptr;
  HMODULE module = LoadLibraryA(path.c_str());
  if (!module) return nullptr;
  FreeLibrary(registration->module);
  registration->module = module;
  registration->path = path;
  registration->value = value;
  registration->macro = macro;
  return registration;
}

bool TPluginManager::Delete(int index) {
  tagPLUGININFO* registration = GetPlugin(index);
  if (!registration) return false;
  if (auto terminate = FindExport<VakroTerminateProc>(registration->module, "vakroTerminate"))
    terminate();
  FreeLibrary(registration->module);
  registration->module = nullptr;
  plugins_.erase(plugins_.begin() + index);
  return true;
}

void TPluginManager::Clear() {
  while (GetCount() > 0) Delete(0);
}

bool TPluginManager::IsPlugin(const std::string& path) {
  if (!platform::FileExists(path)) return false;
  HMODULE module = LoadLibraryA(path.c_str());
  if (!module) return false;
  bool matches = ReportsThisVersion(module);
  FreeLibrary(module);
  return matches;
}

bool TPluginManager::HasDialog(int index) const {
  tagPLUGININFO* registration = GetPlugin(index);
  if (!registration) return false;
  auto isDialog = FindExport<VakroIsDialogProc>(registration->module, "vakroIsDialog");
  return isDialog && isDialog() != 0;
}

bool TPluginManager::ShowDialog(HWND parent, int index) {
  tagPLUGININFO* registration = GetPlugin(index);
  if (!registration) return true;
  if (auto show = FindExport<VakroShowDialogProc>(registration->module, "vakroShowDialog"))
    show(parent, dataFolder.c_str());
  return true;
}

void TPluginManager::Register(int index) {
  tagPLUGININFO* registration = GetPlugin(index);
  if (!registration) return;
  if (auto notify = FindExport<VakroRegisterProc>(registration->module, "vakroRegister"))
    notify(dataFolder.c_str());
}

void TPluginManager::Unregister(int index) {
  tagPLUGININFO* registration = GetPlugin(index);
  if (!registration) return;
  if (auto notify = FindExport<VakroUnregisterProc>(registration->module, "vakroUnregister"))
    notify(dataFolder.c_str());
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
  auto* thread = new TPluginThread();
  if (!thread->Created()) {
    delete thread;
    return;
  }
  thread->SetPlugin(registration);
  std::shared_ptr<TPluginManager*> self = self_;
  thread->SetOnTerminate([self](TWorkerThread& finished) {
    if (*self) (*self)->PluginThreadTerminate(static_cast<TPluginThread&>(finished));
  });
  running_.push_back(registration.get());
  thread->Start();
}

void TPluginManager::PluginThreadTerminate(TPluginThread& thread) {
  const std::shared_ptr<tagPLUGININFO>& registration = thread.plugin();
  if (!thread.completed()) ShowError(nullptr, PluginFailureText(registration ? registration->name : ""));
  running_.erase(std::remove(running_.begin(), running_.end(), registration.get()), running_.end());
  // A library that Delete, Update or Clear gave up during the run is unloaded here.
  thread.ReleaseLibrary();
}

bool TPluginManager::LoadFromFile(const std::string& fileName) {
  if (!platform::FileExists(fileName)) return true;
  std::string bytes;
  if (!platform::ReadFileBytes(fileName, bytes)) return false;
  for (const std::string& line : SplitLines(bytes)) {
    TextList items = DecodeCommaList(line);
    if (items.size() < 3) continue;  // not a line this program wrote
    Add(items[0], items[1], items[2]);
  }
  return true;
}

bool TPluginManager::SaveToFile(const std::string& fileName) const {
  std::vector<std::string> lines;
  for (const auto& registration : plugins_)
    lines.push_back(EncodeCommaList({registration->path, registration->value, registration->macro}));
  return platform::ReplaceFileBytes(fileName, JoinLines(lines));
}
