// A stand-in for the native messaging host's standard input and output and
// for its ANSI code page (here Latin-1: U+0000 to U+00FF, nothing beyond).
#ifndef NPZQK_FAKE_HOST_PLATFORM_H
#define NPZQK_FAKE_HOST_PLATFORM_H

#include <stddef.h>

#include <string>

#include "host_platform.h"

struct FakeHost {
  std::string input;   // what the browser sends
  size_t read = 0;     // how much of it the host has read
  std::string output;  // what the host wrote
};

extern FakeHost gFakeHost;

#endif
