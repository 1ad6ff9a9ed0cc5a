// Anything on the native messaging host's standard input: one framed reply,
// and either no launch at all, or exactly one whose command line splits by
// the Windows rules into the URL and /UID= with the UID that an independent
// reading of the same JSON gives.
#include <rapidjson/document.h>

#include <cstring>

#include "fake_host_platform.h"
#include "fake_platform.h"
#include "fuzz_input.h"
#include "messaging.h"
#include "viewer_launch.h"
#include "windows_arguments.h"

static std::string Ansi(const rapidjson::Value& text) {
  char ansi[kViewerArgumentsCapacity];
  FUZZ_EXPECT(HostTextToAnsi(std::string(text.GetString(), text.GetStringLength()), ansi, sizeof ansi) ==
              kAnsiExact);
  return ansi;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ResetFake();
  SetRegistryString(kLocalMachine, "SOFTWARE\\Quendrix\\Shared", "ActiveXViewer", "C:\\V\\viewer.exe");
  gFakeHost = FakeHost();
  gFakeHost.input.assign(reinterpret_cast<const char*>(data), size);
  FUZZ_EXPECT(ServeOneRequest());
  const std::string& output = gFakeHost.output;
  uint32_t length = 0;
  FUZZ_EXPECT(output.size() > sizeof length);
  std::memcpy(&length, output.data(), sizeof length);
  FUZZ_EXPECT(length == output.size() - sizeof length);
  const bool started = output.substr(sizeof length) == "{\"started\":true}";
  FUZZ_EXPECT(gFake.keysOpen == 0);
  FUZZ_EXPECT(gFake.launches.size() == (started ? 1u : 0u));
  if (!started) return 0;

  uint32_t messageLength = 0;
  std::memcpy(&messageLength, data, sizeof messageLength);
  rapidjson::Document request;
  request.Parse(reinterpret_cast<const char*>(data) + sizeof messageLength, messageLength);
  FUZZ_EXPECT(!request.HasParseError() && request.IsObject());
  FUZZ_EXPECT(request.HasMember("url") && request["url"].IsString());
  FUZZ_EXPECT(request.HasMember("uid") && request["uid"].IsString());
  const std::vector<std::string> expected = {Ansi(request["url"]), "/UID=" + Ansi(request["uid"])};
  FUZZ_EXPECT(SplitWindowsArguments(gFake.launches[0].parameters) == expected);
  return 0;
}
