#include "engine/program_match.h"

#include <algorithm>
#include <iterator>

#include "data/platform.h"

std::string ProgramKey(std::string_view name) {
  std::string key(name);
  platform::LowerAnsi(key);
  const std::string_view suffix = ".exe";
  if (key.size() > suffix.size() && std::string_view(key).substr(key.size() - suffix.size()) == suffix)
    key.resize(key.size() - suffix.size());
  return key;
}

bool SameProgram(std::string_view a, std::string_view b) { return ProgramKey(a) == ProgramKey(b); }

bool ProgramListHolds(const TTextList& names, std::string_view program) {
  if (program.empty()) return false;
  const std::string key = ProgramKey(program);
  return std::any_of(names.begin(), names.end(),
                     [&key](const std::string& name) { return ProgramKey(name) == key; });
}

bool ScopeAdmits(const TProgramScope& scope, std::string_view program) {
  switch (scope.kind) {
    case TScopeKind::kAll: return true;
    case TScopeKind::kOnly: return ProgramListHolds(scope.programs, program);
    case TScopeKind::kExcept: return !ProgramListHolds(scope.programs, program);
  }
  return true;
}

TProgramSet TProgramSet::Of(const TProgramScope& scope) {
  TNames names;
  for (const std::string& name : scope.programs) names.insert(ProgramKey(name));
  switch (scope.kind) {
    case TScopeKind::kOnly: return TProgramSet(false, std::move(names));
    case TScopeKind::kExcept: return TProgramSet(true, std::move(names));
    case TScopeKind::kAll: break;
  }
  return All();
}

TProgramSet::TNames TProgramSet::Common(const TNames& a, const TNames& b) {
  TNames result;
  std::set_intersection(a.begin(), a.end(), b.begin(), b.end(), std::inserter(result, result.end()));
  return result;
}

TProgramSet::TNames TProgramSet::Without(const TNames& a, const TNames& b) {
  TNames result;
  std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::inserter(result, result.end()));
  return result;
}

TProgramSet::TNames TProgramSet::Joined(const TNames& a, const TNames& b) {
  TNames result = a;
  result.insert(b.begin(), b.end());
  return result;
}

TProgramSet TProgramSet::Union(const TProgramSet& other) const {
  if (allBut_ && other.allBut_) return TProgramSet(true, Common(names_, other.names_));
  if (allBut_) return TProgramSet(true, Without(names_, other.names_));
  if (other.allBut_) return TProgramSet(true, Without(other.names_, names_));
  return TProgramSet(false, Joined(names_, other.names_));
}

TProgramSet TProgramSet::Intersect(const TProgramSet& other) const {
  if (allBut_ && other.allBut_) return TProgramSet(true, Joined(names_, other.names_));
  if (allBut_) return TProgramSet(false, Without(other.names_, names_));
  if (other.allBut_) return TProgramSet(false, Without(names_, other.names_));
  return TProgramSet(false, Common(names_, other.names_));
}

TProgramSet TProgramSet::Minus(const TProgramSet& other) const {
  if (allBut_ && other.allBut_) return TProgramSet(false, Without(other.names_, names_));
  if (allBut_) return TProgramSet(true, Joined(names_, other.names_));
  if (other.allBut_) return TProgramSet(false, Common(names_, other.names_));
  return TProgramSet(false, Without(names_, other.names_));
}
