// The registry's viewer values, as raw bytes that may lack their NUL, through
// the lookup, quoted-path extraction and launch.
#include "fake_platform.h"
#include "fuzz_input.h"

static const char kPrimaryKey[] = "SOFTWARE\\Quendrix\\Shared";
static const char kCommandKey[] = "Quendrix_ZQK\\shell\\open\\command";

// What the open command names: the text between its first two quotes, up to
// its first NUL, when that fits in 163 characters.
static bool ExpectedPath(const std::string& bytes, std::string* path) {
  const std::string command = bytes.substr(0, bytes.find('\0'));
  const size_t open = command.find('"');
  if (open == std::string::npos) return false;
  const size_t close = command.find('"', open + 1);
  if (close == std::string::npos || close - open - 1 > 163) return false;
  *path = command.substr(open + 1, close - open - 1);
  return true;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t flags = data[0];
  const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  ResetFake();
  // The first flag bit puts the bytes in the primary value, failing to launch.
  if (flags & 1) {
    gFake.registry[{kLocalMachine, kPrimaryKey}]["ActiveXViewer"] = bytes;
    gFake.launchResults[bytes.substr(0, bytes.find('\0'))] = 2;
  }
  if (flags & 2) gFake.registry[{kClassesRoot, kCommandKey}][""] = bytes;
  NPP_t npp = {};
  NPP_New(nullptr, &npp, NP_EMBED, 0, nullptr, nullptr, nullptr);
  NPStream stream = {};
  stream.url = "http://h/a.zqk";
  FUZZ_EXPECT(NPP_NewStream(&npp, nullptr, &stream, 0, nullptr) == NPERR_NO_ERROR);
  FUZZ_EXPECT(gFake.keysOpen == 0);
  std::string path;
  const bool commandUsable = (flags & 2) && bytes.size() <= 256 &&
                             (bytes.size() < 256 || bytes.find('\0') != std::string::npos) &&
                             ExpectedPath(bytes, &path);
  const bool secondaryLaunched = !gFake.launches.empty() && gFake.launches.back().file == path &&
                                 gFake.launches.back().parameters == "http://h/a.zqk /UID=";
  FUZZ_EXPECT(commandUsable ? secondaryLaunched && gFake.messages.empty() : gFake.messages.size() == 1);
  for (const FakeLaunch& launch : gFake.launches) FUZZ_EXPECT(launch.file.size() < 260);
  NPP_Destroy(&npp, nullptr);
  return 0;
}
