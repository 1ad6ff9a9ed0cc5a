// Bounded operations on NUL-terminated 8-bit text, used by every part of the plug-in.
#include "text.h"

uint32_t TextLength(const char* text) {
  uint32_t length = 0;
  while (text[length] != '\0') ++length;
  return length;
}

bool CopyText(char* destination, uint32_t capacity, const char* source) {
  if (capacity == 0) return false;
  destination[0] = '\0';
  return AppendText(destination, capacity, source);
}

bool AppendText(char* destination, uint32_t capacity, const char* source) {
  if (capacity == 0) return false;
  uint32_t at = 0;
  while (at < capacity && destination[at] != '\0') ++at;
  if (at == capacity) {  // not terminated: terminate, nothing more fits
    destination[capacity - 1] = '\0';
    return false;
  }
  for (uint32_t from = 0; source[from] != '\0'; ++from) {
    if (at + 1 >= capacity) {
      destination[at] = '\0';
      return false;
    }
    destination[at++] = source[from];
  }
  destination[at] = '\0';
  return true;
}

static char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringAsciiCase(const char* left, const char* right) {
  if (left == nullptr || right == nullptr) return false;
  for (; *left != '\0' || *right != '\0'; ++left, ++right) {
    if (LowerAscii(*left) != LowerAscii(*right)) return false;
  }
  return true;
}

bool ContainsText(const char* haystack, const char* needle) {
  if (haystack == nullptr || needle == nullptr) return false;
  for (; *haystack != '\0'; ++haystack) {
    uint32_t matched = 0;
    while (needle[matched] != '\0' && haystack[matched] == needle[matched]) ++matched;
    if (needle[matched] == '\0') return true;
  }
  return needle[0] == '\0';
}

bool TerminateRegistryText(char* buffer, uint32_t capacity, uint32_t size) {
  if (capacity == 0 || size > capacity) return false;
  for (uint32_t i = 0; i < size; ++i) {
    if (buffer[i] == '\0') return true;
  }
  if (size == capacity) return false;
  buffer[size] = '\0';
  return true;
}
