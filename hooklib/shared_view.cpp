#include "hooklib/shared_view.h"

SharedView::SharedView() {
  mapping_ = OpenFileMappingA(FILE_MAP_WRITE, FALSE, kSharedBlockName);
  if (!mapping_) return;
  block_ = static_cast<SharedHookBlock*>(MapViewOfFile(mapping_, FILE_MAP_WRITE, 0, 0, kSharedBlockSize));
}

SharedView::~SharedView() { Close(); }

BOOL SharedView::Close() {
  if (!mapping_) return FALSE;
  if (block_) UnmapViewOfFile(block_);
  const BOOL closed = CloseHandle(mapping_);
  mapping_ = nullptr;
  block_ = nullptr;
  return closed;
}
