// Which programs an assignment's scope admits: names compared without regard to case, with
// ".exe" optional on either side. No window here; the dispatcher and the conflict notes use it.
#pragma once

#include <set>
#include <string>
#include <string_view>

#include "data/program_scope.h"

// The form names are compared in: lower case, without a final ".exe".
std::string ProgramKey(std::string_view name);

bool SameProgram(std::string_view a, std::string_view b);
bool ProgramListHolds(const TTextList& names, std::string_view program);
// An unknown program (empty name) is admitted by "all programs" and "all but" only.
bool ScopeAdmits(const TProgramScope& scope, std::string_view program);

// The programs a scope admits as a set that is either finite or all programs but finitely many,
// so unions, intersections and differences of scopes stay exact.
class TProgramSet {
 public:
  static TProgramSet All() { return TProgramSet(true, {}); }
  static TProgramSet None() { return TProgramSet(false, {}); }
  static TProgramSet Of(const TProgramScope& scope);

  bool Empty() const { return !allBut_ && names_.empty(); }
  bool Overlaps(const TProgramSet& other) const { return !Intersect(other).Empty(); }
  bool Covers(const TProgramSet& other) const { return other.Minus(*this).Empty(); }

  TProgramSet Union(const TProgramSet& other) const;
  TProgramSet Intersect(const TProgramSet& other) const;
  TProgramSet Minus(const TProgramSet& other) const;

 private:
  using TNames = std::set<std::string>;
  TProgramSet(bool allBut, TNames names) : allBut_(allBut), names_(std::move(names)) {}
  static TNames Common(const TNames& a, const TNames& b);
  static TNames Without(const TNames& a, const TNames& b);
  static TNames Joined(const TNames& a, const TNames& b);

  bool allBut_;   // true: every program except names_; false: exactly names_
  TNames names_;  // ProgramKey of each
};
