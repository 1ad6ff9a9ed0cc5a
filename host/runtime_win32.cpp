// What the standard library's strings need of its runtime, without
// exceptions. The library's own definitions throw, and so bring its whole
// exception machinery (some 240 KB) into a program that never catches: here a
// failed allocation or an impossible length ends the program, as an uncaught
// exception would have.
#include <stdlib.h>

#include <new>

// These are the library's own hooks, by the names it calls them.
// NOLINTBEGIN(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl50-cpp,cert-dcl51-cpp,cert-dcl58-cpp)
namespace std {
void __throw_length_error(const char*) { abort(); }
void __throw_logic_error(const char*) { abort(); }
void __throw_out_of_range_fmt(const char*, ...) { abort(); }
void __throw_bad_alloc() { abort(); }
void __throw_bad_array_new_length() { abort(); }
}  // namespace std
// NOLINTEND(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl50-cpp,cert-dcl51-cpp,cert-dcl58-cpp)

void* operator new(size_t size) {
  void* memory = malloc(size != 0 ? size : 1);
  if (memory == nullptr) abort();
  return memory;
}

void operator delete(void* memory) noexcept { free(memory); }
void operator delete(void* memory, size_t) noexcept { free(memory); }
