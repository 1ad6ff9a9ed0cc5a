// Quoting by the Windows command-line rules: 2n backslashes before a quote
// stand for n backslashes and the quote delimits; 2n+1 stand for n and a
// literal quote; backslashes anywhere else stand for themselves.
#include "command_line.h"

#include "text.h"

static bool NeedsQuotes(const char* text) {
  for (const char* c = text; *c != '\0'; ++c) {
    if (*c == ' ' || *c == '\t' || *c == '"') return true;
  }
  return false;
}

// Appends count copies of c after the text in destination, at *end.
static bool AppendRepeated(char* destination, uint32_t capacity, uint32_t* end, char c, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i) {
    if (*end + 1 >= capacity) return false;
    destination[(*end)++] = c;
  }
  destination[*end] = '\0';
  return true;
}

static bool AppendQuoted(char* destination, uint32_t capacity, const char* text) {
  uint32_t end = TextLength(destination);
  if (!AppendRepeated(destination, capacity, &end, '"', 1)) return false;
  uint32_t backslashes = 0;
  for (const char* c = text; *c != '\0'; ++c) {
    if (*c == '\\') {
      ++backslashes;
      continue;
    }
    // Before an inner quote: double the backslashes and add one more for the quote.
    const bool quote = *c == '"';
    if (!AppendRepeated(destination, capacity, &end, '\\', quote ? backslashes * 2 + 1 : backslashes) ||
        !AppendRepeated(destination, capacity, &end, *c, 1)) {
      return false;
    }
    backslashes = 0;
  }
  // Before the closing quote, trailing backslashes are doubled.
  return AppendRepeated(destination, capacity, &end, '\\', backslashes * 2) &&
         AppendRepeated(destination, capacity, &end, '"', 1);
}

bool AppendCommandLineText(char* destination, uint32_t capacity, const char* text) {
  if (capacity == 0) return false;
  return NeedsQuotes(text) ? AppendQuoted(destination, capacity, text)
                           : AppendText(destination, capacity, text);
}
