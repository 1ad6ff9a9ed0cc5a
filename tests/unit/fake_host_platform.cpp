#include "fake_host_platform.h"

#include <string.h>

#include <algorithm>

FakeHost gFakeHost;

// A pipe hands over at most this much at a time.
static const uint32_t kPipeChunk = 1000;

uint32_t HostReadInput(void* buffer, uint32_t size) {
  const size_t left = gFakeHost.input.size() - gFakeHost.read;
  const uint32_t count = static_cast<uint32_t>(std::min<size_t>({left, size, kPipeChunk}));
  memcpy(buffer, gFakeHost.input.data() + gFakeHost.read, count);
  gFakeHost.read += count;
  return count;
}

bool HostWriteOutput(const void* data, uint32_t size) {
  gFakeHost.output.append(static_cast<const char*>(data), size);
  return true;
}

AnsiConversion HostTextToAnsi(const std::string& utf8, char* ansi, uint32_t capacity) {
  std::string latin1;
  for (size_t i = 0; i < utf8.size(); ++i) {
    const unsigned char lead = static_cast<unsigned char>(utf8[i]);
    if (lead < 0x80) {
      latin1 += static_cast<char>(lead);
    } else if ((lead == 0xC2 || lead == 0xC3) && i + 1 < utf8.size()) {
      latin1 += static_cast<char>(((lead & 0x03) << 6) | (utf8[++i] & 0x3F));
    } else {
      return kAnsiNoEquivalent;
    }
  }
  if (latin1.size() >= capacity) return kAnsiTooLong;
  memcpy(ansi, latin1.c_str(), latin1.size() + 1);
  return kAnsiExact;
}

// Latin-1, as HostTextToAnsi above has it.
std::string HostAnsiToText(const char* ansi) {
  std::string utf8;
  for (const char* c = ansi; *c != '\0'; ++c) {
    const unsigned char byte = static_cast<unsigned char>(*c);
    if (byte < 0x80) {
      utf8 += static_cast<char>(byte);
    } else {
      utf8 += static_cast<char>(0xC0 | (byte >> 6));
      utf8 += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return utf8;
}
