// Stack protection's runtime for every deliverable, in place of the
// compiler's own. That one seeds the guard through the cryptographic service
// provider, from a constructor: in a DLL, constructors run inside DllMain,
// where loading the provider's DLLs under the loader lock is what Windows
// warns against, and it made each load of the plug-in several times slower.
// Here the guard is seeded, as Windows' own stack cookies are, from values
// that differ for every process, thread and moment, without loading anything.
#include <stdint.h>
#include <windows.h>

// The names are the compiler's, by which protected functions reach the runtime.
// NOLINTBEGIN(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
extern "C" {
// Never used with this value: the constructor below replaces it first.
void* __stack_chk_guard = reinterpret_cast<void*>(static_cast<uintptr_t>(0x5EC7E1A2u));

// A protected function's frame was overwritten: the process ends at once,
// with the code Windows gives a stack buffer overrun.
__attribute__((noreturn)) void __stack_chk_fail(void) {
  OutputDebugStringA("NPZqk: stack buffer overrun detected");
  __asm__ volatile("int $0x29" : : "c"(FAST_FAIL_STACK_COOKIE_CHECK_FAILURE));
  TerminateProcess(GetCurrentProcess(), STATUS_STACK_BUFFER_OVERRUN);
  __builtin_unreachable();
}
}
// NOLINTEND(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)

// Runs before any protected function of the program or the library; it is
// not protected itself, as it changes the guard.
__attribute__((constructor, no_stack_protector)) static void SeedStackGuard(void) {
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  uint64_t seed = static_cast<uint64_t>(counter.QuadPart) ^
                  (static_cast<uint64_t>(now.dwHighDateTime) << 32) ^ now.dwLowDateTime ^
                  (static_cast<uint64_t>(GetCurrentProcessId()) << 16) ^ GetCurrentThreadId() ^
                  reinterpret_cast<uintptr_t>(&counter);
  seed ^= seed >> 32;
  // A zero low byte stops an overrun by a string copy at the guard.
  const uintptr_t guard = static_cast<uintptr_t>(seed) & ~static_cast<uintptr_t>(0xFF);
  if (guard != 0) __stack_chk_guard = reinterpret_cast<void*>(guard);
}
