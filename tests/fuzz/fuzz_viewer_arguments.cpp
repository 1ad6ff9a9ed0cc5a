// URL and UID into the viewer's arguments: either nothing at all, never a cut
// URL, or a command line that splits by the Windows rules into exactly the
// URL and /UID= with the UID, in the old plain form where no quoting is needed.
#include <cstring>

#include "fuzz_input.h"
#include "viewer_launch.h"
#include "windows_arguments.h"

static bool Plain(const std::string& text) { return text.find_first_of(" \t\"") == std::string::npos; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<std::string> texts = SplitInput(data, size);
  const std::string& url = TextAt(texts, 0);
  const std::string& uid = TextAt(texts, 1);
  char arguments[kViewerArgumentsCapacity];
  std::memset(arguments, 'X', sizeof arguments);
  const bool fits = ComposeViewerArguments(url.c_str(), uid.c_str(), arguments, sizeof arguments);
  const std::string plain = url + " /UID=" + uid;
  if (!url.empty() && Plain(url) && Plain(uid)) FUZZ_EXPECT(fits == (plain.size() < sizeof arguments));
  if (!fits) {
    FUZZ_EXPECT(arguments[0] == '\0');
    return 0;
  }
  FUZZ_EXPECT(std::strlen(arguments) < sizeof arguments);
  FUZZ_EXPECT(SplitWindowsArguments(arguments) == (std::vector<std::string>{url, "/UID=" + uid}));
  if (!url.empty() && Plain(url) && Plain(uid)) FUZZ_EXPECT(plain == arguments);
  return 0;
}
