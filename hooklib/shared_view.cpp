#include "hooklib/shared_view.h"

SharedView::SharedView() {
  mapping_ = OpenFileMappingA(FILE_MAP_WRITE, FALSE, kSharedBlockName);
  if (!mapping_) return;
  mapped_ = static_cast<TSharedMapping*>(MapViewOfFile(mapping_, FILE_MAP_WRITE, 0, 0, kSharedMappingSize));
}

SharedView::~SharedView() { Close(); }

BOOL SharedView::Close() {
  if (!mapping_) return FALSE;
  if (mapped_) UnmapViewOfFile(mapped_);
  const BOOL closed = CloseHandle(mapping_);
  mapping_ = nullptr;
  mapped_ = nullptr;
  return closed;
}
