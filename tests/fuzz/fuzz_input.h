// Splits a fuzzer's input into NUL-separated texts, so that one input can
// stand for several strings a page, a browser or a registry supplies.
#ifndef NPZQK_FUZZ_INPUT_H
#define NPZQK_FUZZ_INPUT_H

#include <stddef.h>
#include <stdint.h>

#include <cstdlib>
#include <string>
#include <vector>

inline std::vector<std::string> SplitInput(const uint8_t* data, size_t size) {
  std::vector<std::string> texts(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == '\0') {
      texts.emplace_back();
    } else {
      texts.back().push_back(static_cast<char>(data[i]));
    }
  }
  return texts;
}

// The i-th text, or the empty text past the end.
inline const std::string& TextAt(const std::vector<std::string>& texts, size_t i) {
  static const std::string empty;
  return i < texts.size() ? texts[i] : empty;
}

// Stops the run with a message libFuzzer records with the input.
#define FUZZ_EXPECT(condition)                                \
  do {                                                        \
    if (!(condition)) {                                       \
      __builtin_printf("invariant failed: %s\n", #condition); \
      std::abort();                                           \
    }                                                         \
  } while (0)

#endif
