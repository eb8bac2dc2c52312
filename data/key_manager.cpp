#include "data/key_manager.h"

#include <algorithm>

#include "data/comma_list.h"
#include "data/data_files.h"
#include "data/platform.h"
#include "data/text_lines.h"

void TKeyInfo::SetKeys(TChord keys) {
  keys_ = std::move(keys);
  keysText_ = ChordText(keys_);
}

bool TKeyInfo::HasOption(std::string_view word) const {
  return std::find(options_.begin(), options_.end(), word) != options_.end();
}

void TKeyInfo::SetOption(std::string_view word, bool on) {
  std::erase(options_, word);
  if (on) options_.emplace_back(word);
}

const TKeyInfo* TKeyManager::Get(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return items_[static_cast<size_t>(index)].get();
}

TKeyInfo* TKeyManager::Edit(int index) {
  if (index < 0 || index >= Count()) return nullptr;
  ++revision_;
  return items_[static_cast<size_t>(index)].get();
}

void TKeyManager::Clear() {
  items_.clear();
  ++revision_;
}

TKeyInfo* TKeyManager::AddCopy(const TKeyInfo& info) {
  items_.push_back(std::make_unique<TKeyInfo>(info));
  ++revision_;
  return items_.back().get();
}

TKeyInfo* TKeyManager::Add(const TChord& keys, const std::string& path,
                           const std::string& arguments, const std::string& workPath,
                           const std::string& programName, const std::string& keyText,
                           bool repeat) {
  auto info = std::make_unique<TKeyInfo>();
  info->SetKeys(keys);
  info->SetPath(path);
  info->SetArguments(arguments);
  info->SetWorkPath(workPath);
  info->SetProgramName(programName);
  info->SetKeyText(keyText);
  info->SetRepeat(repeat);
  items_.push_back(std::move(info));
  ++revision_;
  return items_.back().get();
}

void TKeyManager::Remove(const TKeyInfo* info) {
  auto found = std::find_if(items_.begin(), items_.end(),
                            [info](const std::unique_ptr<TKeyInfo>& item) { return item.get() == info; });
  if (found == items_.end()) return;
  items_.erase(found);
  ++revision_;
}

namespace {

// Items of one line: Keys, ProgramName, KeyText, Path, Arguments, WorkPath, Repeat; then for an
// assignment that is not for all programs its scope, and for one with options the scope (empty
// for all programs) and the options as a comma list.
enum : size_t { kKeys, kProgramName, kKeyText, kPath, kArguments, kWorkPath, kRepeat, kItemCount, kScope = kItemCount, kOptions };

// A line of the older layout has no Repeat item; anything shorter is not an assignment.
const size_t kOlderItemCount = kItemCount - 1;

TTextList ItemsOf(const TKeyInfo& info) {
  TTextList items(kItemCount);
  items[kKeys] = EncodeCommaList(info.Keys());
  items[kProgramName] = info.ProgramName();
  items[kKeyText] = info.KeyText();
  items[kPath] = info.Path();
  items[kArguments] = info.Arguments();
  items[kWorkPath] = info.WorkPath();
  items[kRepeat] = info.Repeat() ? "true" : "false";
  // Lines of assignments for all programs stay as they always were.
  std::string scope = EncodeProgramScope(info.Scope());
  const bool withOptions = !info.Options().empty();
  if (!scope.empty() || withOptions) items.push_back(std::move(scope));
  if (withOptions) items.push_back(EncodeCommaList(info.Options()));
  return items;
}

}  // namespace

bool TKeyManager::LoadFromFile(const std::string& fileName) {
  if (!platform::FileExists(fileName)) return true;
  std::string bytes;
  if (!platform::ReadFileBytes(fileName, bytes)) return false;
  LoadFromBytes(bytes);
  return true;
}

bool TKeyManager::SaveToFile(const std::string& fileName) const {
  return platform::ReplaceFileBytes(fileName, SaveToBytes());
}

void TKeyManager::AddFromItems(TTextList& items) {
  auto info = std::make_unique<TKeyInfo>();
  info->SetKeys(DecodeCommaList(items[kKeys]));
  info->SetProgramName(std::move(items[kProgramName]));
  info->SetKeyText(std::move(items[kKeyText]));
  info->SetPath(std::move(items[kPath]));
  info->SetArguments(std::move(items[kArguments]));
  info->SetWorkPath(std::move(items[kWorkPath]));
  info->SetRepeat(items[kRepeat] == "true");
  if (items.size() > kScope) info->SetScope(DecodeProgramScope(items[kScope]));
  if (items.size() > kOptions) info->SetOptions(DecodeCommaList(items[kOptions]));
  items_.push_back(std::move(info));
  ++revision_;
}

// Lines of fewer than six items are not assignments and are skipped.
void TKeyManager::LoadFromBytes(const std::string& bytes) {
  Clear();
  for (std::string_view line : SplitLineViews(bytes)) {
    TTextList items = DecodeCommaList(line);
    if (items.size() < kOlderItemCount) continue;
    if (items.size() == kOlderItemCount) items.emplace_back("false");
    AddFromItems(items);
  }
}

bool TKeyManager::ReloadFromBytes(const std::string& bytes) { return ReloadHoldingEntries(*this, bytes); }

std::string TKeyManager::SaveToBytes() const {
  std::vector<std::string> lines;
  lines.reserve(items_.size());
  for (const auto& item : items_) lines.push_back(EncodeCommaList(ItemsOf(*item)));
  return JoinLines(lines);
}
