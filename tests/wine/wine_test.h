// Plain checks in the manner of conformance tests: ok(condition, format, ...)
// reports the failed condition with its file and line and counts it.
#ifndef NPZQK_WINE_TEST_H
#define NPZQK_WINE_TEST_H

#include <stdint.h>

void OkAt(const char* file, int line, bool condition, const char* format, ...)
    __attribute__((format(printf, 4, 5)));
#define ok(condition, ...) OkAt(__FILE__, __LINE__, (condition), __VA_ARGS__)

// Checks made and failed so far in this process.
int CheckCount(void);
int FailureCount(void);

// Reads the stack pointer, to prove a call cleaned the stack as its
// declaration says (x86-64 has one convention, which always does).
#if defined(__x86_64__)
#define READ_STACK_POINTER(into) __asm__ volatile("movq %%rsp, %0" : "=r"(into))
#else
#define READ_STACK_POINTER(into) __asm__ volatile("movl %%esp, %0" : "=r"(into))
#endif

#endif
