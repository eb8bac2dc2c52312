#include "plugins/fault_guard.h"

#include <windows.h>

// Why a top-level filter: a vectored handler would see every exception first, before the
// plug-in's own handlers (its __try blocks, its C++ catch clauses), and steal the ones it
// handles itself. The top-level filter sees only what nothing on the thread's stack handled.
//
// What it does for a guarded thread: it changes the faulting thread's registers so that the
// thread continues in Land, on a fresh stack just below the guarded call's frame, and answers
// EXCEPTION_CONTINUE_EXECUTION. The frames between the guarded call and the fault are
// abandoned without unwinding (they belong to code that has just failed). Nothing is written
// to memory here: the arguments travel in registers, so the exception and context records
// that the dispatcher keeps on the stack stay intact until it resumes the thread.
//
// 32-bit Windows chains its SEH records through the stack (fs:[0]). The records of the
// abandoned frames lie where Land's stack now grows, so Land first puts the chain head back to
// its value at the guarded call. 64-bit Windows finds handlers through tables and needs nothing.

namespace fault_guard {
namespace {

DWORD Slot() {
  static const DWORD slot = TlsAlloc();
  return slot;
}

bool HasSlot() { return Slot() != TLS_OUT_OF_INDEXES; }

LPTOP_LEVEL_EXCEPTION_FILTER previousFilter = nullptr;

#ifndef _WIN64
// The head of the 32-bit SEH chain, the first field of the thread's information block (fs:[0]).
void* ExceptionChainHead() {
  void* head;
  asm volatile("movl %%fs:0, %0" : "=r"(head));
  return head;
}

void SetExceptionChainHead(void* head) { asm volatile("movl %0, %%fs:0" : : "r"(head) : "memory"); }
#endif

#ifdef _WIN64
#define VAKRO_LANDING_CALL
#else
// Both arguments in registers (ecx, edx), as on x64 (rcx, rdx).
#define VAKRO_LANDING_CALL __attribute__((fastcall))
#endif

[[noreturn]] void VAKRO_LANDING_CALL Land(Landing* landing) {
#ifndef _WIN64
  SetExceptionChainHead(landing->exceptionList);
#endif
  landing->procedure(landing->context);
  ExitThread(1);
}

void RedirectToLanding(CONTEXT& context, Landing& landing) {
  // Below the guarded call's frame, aligned as at a function's entry (after its return
  // address): 16-byte aligned less one pointer.
  std::uintptr_t stack = ((landing.resumeStack - 64) & ~std::uintptr_t(15)) - sizeof(void*);
#ifdef _WIN64
  context.Rsp = stack;
  context.Rip = reinterpret_cast<DWORD64>(&Land);
  context.Rcx = reinterpret_cast<DWORD64>(&landing);
#else
  context.Esp = static_cast<DWORD>(stack);
  context.Eip = reinterpret_cast<DWORD>(&Land);
  context.Ecx = reinterpret_cast<DWORD>(&landing);
#endif
  const DWORD directionFlag = 0x400;  // callers must leave it clear
  context.EFlags &= ~directionFlag;
}

LONG WINAPI Filter(EXCEPTION_POINTERS* info) {
  auto* landing = HasSlot() ? static_cast<Landing*>(TlsGetValue(Slot())) : nullptr;
  if (!landing) return previousFilter ? previousFilter(info) : EXCEPTION_CONTINUE_SEARCH;
  TlsSetValue(Slot(), landing->enclosing);  // a later fault belongs to the enclosing call
  RedirectToLanding(*info->ContextRecord, *landing);
  // The faulting code is not resumed, so even a non-continuable exception (a C++ throw of the
  // Microsoft compiler is one) may continue elsewhere.
  info->ExceptionRecord->ExceptionFlags &= ~static_cast<DWORD>(EXCEPTION_NONCONTINUABLE);
  return EXCEPTION_CONTINUE_EXECUTION;
}

}  // namespace

void Install() {
  static const bool installed = [] {
    if (HasSlot()) previousFilter = SetUnhandledExceptionFilter(Filter);
    return true;
  }();
  (void)installed;
}

__attribute__((noinline)) void RunGuarded(Procedure body, void* context, Landing& landing) {
  volatile char anchor = 0;  // its address marks this frame: the landing stack starts below
  landing.resumeStack = reinterpret_cast<std::uintptr_t>(&anchor);
#ifndef _WIN64
  landing.exceptionList = ExceptionChainHead();
#endif
  if (HasSlot()) {
    landing.enclosing = static_cast<Landing*>(TlsGetValue(Slot()));
    TlsSetValue(Slot(), &landing);
  }
  body(context);
  if (HasSlot()) TlsSetValue(Slot(), landing.enclosing);
  (void)anchor;
}

namespace {

// Lands back in CallGuarded's frame, which lies above the abandoned ones. The builtin jump
// restores only the frame and stack pointers and unwinds nothing.
void ResumeCaller(void* jumpBuffer) { __builtin_longjmp(static_cast<void**>(jumpBuffer), 1); }

}  // namespace

__attribute__((noinline)) bool CallGuarded(Procedure body, void* context) {
  Install();
  void* jumpBuffer[5];
  Landing landing;
  landing.procedure = &ResumeCaller;
  landing.context = jumpBuffer;
  if (__builtin_setjmp(jumpBuffer)) return false;
  RunGuarded(body, context, landing);
  return true;
}

}  // namespace fault_guard
