// One open, mapped view of the shared block, closed when it goes out of scope.
#pragma once

#include "hooklib/shared_block.h"

class SharedView {
 public:
  SharedView();  // opens the block by name for writing and maps all of it
  ~SharedView();
  SharedView(const SharedView&) = delete;
  SharedView& operator=(const SharedView&) = delete;

  explicit operator bool() const { return mapped_ != nullptr; }
  SharedHookBlock* operator->() const { return &mapped_->block; }
  SharedHookBlock& operator*() const { return mapped_->block; }
  TSharedExtension& Extension() const { return mapped_->extension; }
  TSharedMapping& Mapping() const { return *mapped_; }

  // Unmaps the view and closes the mapping; the result of closing it (FALSE when not open).
  BOOL Close();

 private:
  HANDLE mapping_ = nullptr;
  TSharedMapping* mapped_ = nullptr;
};
