// Bounded operations on NUL-terminated 8-bit text. Every function that writes
// takes the destination's capacity in bytes, always leaves it NUL-terminated
// (when the capacity is not 0) and says whether the whole text fitted.
#ifndef NPZQK_TEXT_H
#define NPZQK_TEXT_H

#include <stdint.h>

uint32_t TextLength(const char* text);

// Copies as much of source as fits; false when it had to be cut.
bool CopyText(char* destination, uint32_t capacity, const char* source);

// Appends source after the text already in destination; false when cut.
bool AppendText(char* destination, uint32_t capacity, const char* source);

// True when both texts are equal, ignoring the case of ASCII letters.
bool EqualsIgnoringAsciiCase(const char* left, const char* right);

// True when needle occurs in haystack (case-sensitive); null never matches.
bool ContainsText(const char* haystack, const char* needle);

// Makes a string read from the registry into a buffer of the given capacity
// safe to use: size is the byte count the registry reported. True when the
// buffer now holds the whole value, NUL-terminated; false when the value
// filled the buffer without a NUL (using it would mean using it cut short).
bool TerminateRegistryText(char* buffer, uint32_t capacity, uint32_t size);

#endif
