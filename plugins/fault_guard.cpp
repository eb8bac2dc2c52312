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

Landing* CurrentLanding() {
  return HasSlot() ? static_cast<Landing*>(TlsGetValue(Slot())) : nullptr;
}

void Redirect(EXCEPTION_RECORD& record, CONTEXT& context, Landing& landing) {
  TlsSetValue(Slot(), landing.enclosing);  // a later fault belongs to the enclosing call
  RedirectToLanding(context, landing);
  // The faulting code is not resumed, so even a non-continuable exception (a C++ throw of the
  // Microsoft compiler is one) may continue elsewhere.
  record.ExceptionFlags &= ~static_cast<DWORD>(EXCEPTION_NONCONTINUABLE);
}

LONG WINAPI Filter(EXCEPTION_POINTERS* info) {
  Landing* landing = CurrentLanding();
  if (!landing) return previousFilter ? previousFilter(info) : EXCEPTION_CONTINUE_SEARCH;
  Redirect(*info->ExceptionRecord, *info->ContextRecord, *landing);
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

// On the main thread a top-level filter is not enough: the system's message dispatch catches
// exceptions raised inside window procedures (a plug-in's call from a button's handler) before
// they count as unhandled. CallGuarded's own frame therefore carries an exception handler,
// which the system asks after the plug-in's handlers and before the dispatcher's.
extern "C" EXCEPTION_DISPOSITION __cdecl VakroGuardFrameHandler(EXCEPTION_RECORD* record, void*,
                                                                 CONTEXT* context, void*) {
  if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND))
    return ExceptionContinueSearch;
  Landing* landing = CurrentLanding();
  if (!landing) return ExceptionContinueSearch;
  Redirect(*record, *context, *landing);
  return ExceptionContinueExecution;
}

namespace {

// Lands back in CallGuarded's frame, which lies above the abandoned ones. The builtin jump
// restores only the frame and stack pointers and unwinds nothing.
void ResumeCaller(void* jumpBuffer) { __builtin_longjmp(static_cast<void**>(jumpBuffer), 1); }

#ifndef _WIN64
// A 32-bit SEH record: the system walks these through the stack from fs:[0].
struct FrameRegistration {
  void* next;
  void* handler;
};
#endif

}  // namespace

__attribute__((noinline)) bool CallGuarded(Procedure body, void* context) {
#ifdef _WIN64
  asm volatile(".seh_handler VakroGuardFrameHandler, @except");
#else
  FrameRegistration registration{ExceptionChainHead(),
                                 reinterpret_cast<void*>(&VakroGuardFrameHandler)};
  SetExceptionChainHead(&registration);
#endif
  Install();
  void* jumpBuffer[5];
  Landing landing;
  landing.procedure = &ResumeCaller;
  landing.context = jumpBuffer;
  const bool returned = __builtin_setjmp(jumpBuffer) == 0;
  if (returned) RunGuarded(body, context, landing);
#ifndef _WIN64
  SetExceptionChainHead(registration.next);
#endif
  return returned;
}

}  // namespace fault_guard
