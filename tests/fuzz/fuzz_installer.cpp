// Registry strings, as raw bytes that may lack their NUL, into the
// installer's key names and destination paths: no key name over 255
// characters is opened, no cut destination is copied to, and every run ends
// with one of the installer's own texts.
#include "fake_installer_platform.h"
#include "fuzz_input.h"
#include "installer.h"

static const char kNetscape6[] = "SOFTWARE\\Netscape\\Netscape 6";
static const char kNavigator[] = "SOFTWARE\\Netscape\\Netscape Navigator";

static void Register(const std::string& browserKey, const char* directoryValue, const std::string& version,
                     const std::string& directory) {
  gWorld.registry[browserKey]["CurrentVersion"] = version;
  const std::string readable = version.substr(0, version.find('\0'));
  gWorld.registry[browserKey + "\\" + readable + "\\Main"][directoryValue] = directory;
}

static bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  // A '\x02' separates the four values, so that each may hold NULs.
  std::vector<std::string> texts(1);
  for (size_t i = 1; i < size; ++i) {
    if (data[i] == 0x02 && texts.size() < 4) {
      texts.emplace_back();
    } else {
      texts.back().push_back(static_cast<char>(data[i]));
    }
  }
  gWorld = FakeInstallerWorld();
  gWorld.copySucceeds = (data[0] & 4) != 0;
  if (data[0] & 1) Register(kNetscape6, "Install Directory", TextAt(texts, 0), TextAt(texts, 1));
  if (data[0] & 2) Register(kNavigator, "Plugins directory", TextAt(texts, 2), TextAt(texts, 3));
  RunInstaller();
  FUZZ_EXPECT(gWorld.keysOpen == 0);
  for (const std::string& key : gWorld.keysOpened) FUZZ_EXPECT(key.size() <= 255);
  for (const auto& copy : gWorld.copies) {
    FUZZ_EXPECT(copy.second.size() <= 1023 && EndsWith(copy.second, "NPZqk.dll"));
    FUZZ_EXPECT(gWorld.output.find("path = " + copy.second + "\n") != std::string::npos);
  }
  const std::string& out = gWorld.output;
  FUZZ_EXPECT(out == "no\n" || out.compare(0, 6, "ver = ") == 0);
  FUZZ_EXPECT(out == "no\n" || gWorld.copies.empty() || EndsWith(out, "Ok\n") || EndsWith(out, "error1\n") ||
              EndsWith(out, "error2\n"));
  return 0;
}
