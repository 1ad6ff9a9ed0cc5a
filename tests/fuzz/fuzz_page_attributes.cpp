// Page attributes and a user agent into an instance, then one document
// stream: the record stays within its bounds and the viewer gets exactly the
// URL and the UID as its two arguments, or is not started.
#include <cstring>

#include "fake_platform.h"
#include "fuzz_input.h"
#include "viewer_launch.h"
#include "windows_arguments.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<std::string> texts = SplitInput(data, size);
  ResetFake();
  gFake.userAgent = TextAt(texts, 0);
  const std::string& url = TextAt(texts, 1);
  SetRegistryString(kLocalMachine, "SOFTWARE\\Quendrix\\Shared", "ActiveXViewer", "C:\\v.exe");
  // Pairs of name and value follow; a text of "\x01" stands for a null pointer.
  std::vector<const char*> names, values;
  for (size_t i = 2; i + 1 < texts.size() && names.size() < 64; i += 2) {
    names.push_back(texts[i] == "\x01" ? nullptr : texts[i].c_str());
    values.push_back(texts[i + 1] == "\x01" ? nullptr : texts[i + 1].c_str());
  }
  const uint16_t mode = (size % 2) ? NP_FULL : NP_EMBED;
  NPP_t npp = {};
  FUZZ_EXPECT(NPP_New(nullptr, &npp, mode, static_cast<int16_t>(names.size()),
                      const_cast<char**>(names.data()), const_cast<char**>(values.data()),
                      nullptr) == NPERR_NO_ERROR);
  const LauncherInstance* record = InstanceRecord(&npp);
  FUZZ_EXPECT(std::memchr(record->uid, '\0', sizeof record->uid) != nullptr);
  FUZZ_EXPECT(record->closeAfterStream <= 1 && record->mayNavigate <= 1);
  FUZZ_EXPECT(record->mayNavigate == (gFake.userAgent.find("Opera") == std::string::npos ? 1 : 0));
  const std::string uid = record->uid;

  NPStream stream = {};
  stream.url = url.c_str();
  NPP_NewStream(&npp, nullptr, &stream, 0, nullptr);
  if (gFake.launches.size() == 1) {
    const std::vector<std::string> expected = {url, "/UID=" + uid};
    FUZZ_EXPECT(gFake.messages.empty() && SplitWindowsArguments(gFake.launches[0].parameters) == expected);
  } else {
    // Not launched only when even quoted text would not fit: quoting adds at
    // most two quotes an argument and one backslash for each quote or backslash.
    const std::string whole = url + " /UID=" + uid;
    size_t escapes = 0;
    for (char c : whole) escapes += c == '"' || c == '\\';
    FUZZ_EXPECT(gFake.launches.empty() && gFake.messages.size() == 1);
    FUZZ_EXPECT(whole.size() + 4 + escapes >= kViewerArgumentsCapacity);
  }
  NPP_DestroyStream(&npp, &stream, NPRES_DONE);
  FUZZ_EXPECT(gFake.navigations.size() <= 1);
  FUZZ_EXPECT(NPP_Destroy(&npp, nullptr) == NPERR_NO_ERROR);
  FUZZ_EXPECT(gFake.allocations == gFake.releases);
  return 0;
}
