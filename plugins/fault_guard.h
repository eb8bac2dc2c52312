// Runs a function so that an exception or processor fault that nothing inside it handles ends
// only that function's thread, cleanly, instead of the whole program.
#pragma once

#include <cstdint>
#include <type_traits>

namespace fault_guard {

using Procedure = void (*)(void* context);

// Where a faulting guarded call goes on. Lives as long as the thread (keep it on the heap).
struct Landing {
  Procedure procedure = nullptr;  // runs on the faulting thread with a fresh stack; the thread
  void* context = nullptr;        // ends (ExitThread) when it returns
  // Filled by RunGuarded for the fault handler.
  std::uintptr_t resumeStack = 0;
  void* exceptionList = nullptr;  // the 32-bit SEH chain head at the call
  Landing* enclosing = nullptr;   // the guarded call this one runs inside, if any
};

// Installs the process's top-level exception filter once. Call on the main thread before the
// first guarded thread starts.
void Install();

// Runs body(context) on the calling thread. If an exception that no handler inside `body`
// takes is raised, the rest of `body` is abandoned and landing.procedure(landing.context)
// runs on this thread instead, after which the thread ends.
void RunGuarded(Procedure body, void* context, Landing& landing);

// Runs body(context) on the calling thread and returns true, or false when an exception that
// no handler inside `body` takes was raised: the rest of `body` is abandoned and the caller
// goes on. For the main thread, which must outlive a faulting plug-in call. Calls may nest.
bool CallGuarded(Procedure body, void* context);

// CallGuarded for any callable.
template <typename Callable>
bool CallGuarded(Callable&& callable) {
  using Target = std::remove_reference_t<Callable>;
  return CallGuarded([](void* context) { (*static_cast<Target*>(context))(); },
                     const_cast<void*>(static_cast<const void*>(&callable)));
}

}  // namespace fault_guard
