// URL and UID into the viewer's arguments: either the exact concatenation or
// nothing at all, never a cut URL.
#include <cstring>

#include "fuzz_input.h"
#include "viewer_launch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<std::string> texts = SplitInput(data, size);
  const std::string& url = TextAt(texts, 0);
  const std::string& uid = TextAt(texts, 1);
  char arguments[kViewerArgumentsCapacity];
  std::memset(arguments, 'X', sizeof arguments);
  const bool fits = ComposeViewerArguments(url.c_str(), uid.c_str(), arguments, sizeof arguments);
  const std::string whole = url + " /UID=" + uid;
  FUZZ_EXPECT(fits == (whole.size() < sizeof arguments));
  FUZZ_EXPECT(fits ? whole == arguments : arguments[0] == '\0');
  return 0;
}
