// The version resource read as a browser's plug-in scan reads it.
#include <string>
#include <vector>

#include "host_system.h"
#include "test_resource.h"
#include "wine_test.h"

std::vector<std::string> SplitList(const std::string& list) {
  std::vector<std::string> entries;
  size_t start = 0;
  for (size_t bar; (bar = list.find('|', start)) != std::string::npos; start = bar + 1) {
    entries.push_back(list.substr(start, bar - start));
  }
  entries.push_back(list.substr(start));
  return entries;
}

bool ReadVersionInfo(const std::string& path, std::vector<char>* data) {
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
  if (size == 0) return false;
  data->assign(size, 0);
  return GetFileVersionInfoA(path.c_str(), 0, size, data->data()) != 0;
}

bool QueryString(std::vector<char>* data, const char* key, std::string* value) {
  char* text = nullptr;
  UINT length = 0;
  const std::string path = std::string("\\StringFileInfo\\040904e4\\") + key;
  if (!VerQueryValueA(data->data(), path.c_str(), reinterpret_cast<void**>(&text), &length)) return false;
  *value = (text != nullptr) ? std::string(text) : std::string();
  return true;
}

static void TestFixedPart(std::vector<char>* data) {
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ok(VerQueryValueA(data->data(), "\\", reinterpret_cast<void**>(&fixed), &length) && fixed != nullptr,
     "no fixed part");
  if (fixed == nullptr) return;
  ok(fixed->dwSignature == 0xFEEF04BD, "signature %08lx", fixed->dwSignature);
  ok(fixed->dwFileVersionMS == 0x00020004 && fixed->dwFileVersionLS == 0, "file version %08lx.%08lx",
     fixed->dwFileVersionMS, fixed->dwFileVersionLS);
  ok(fixed->dwProductVersionMS == 0x00020004 && fixed->dwProductVersionLS == 0, "product version");
  ok(fixed->dwFileFlagsMask == 0x3F, "flags mask %lx", fixed->dwFileFlagsMask);
  ok(fixed->dwFileFlags == 0, "flags %lx", fixed->dwFileFlags);
  ok(fixed->dwFileOS == 0x00040004, "OS %lx", fixed->dwFileOS);
  ok(fixed->dwFileType == 2, "type %lx", fixed->dwFileType);
  ok(fixed->dwFileSubtype == 0, "subtype %lx", fixed->dwFileSubtype);
  ok(fixed->dwFileDateMS == 0 && fixed->dwFileDateLS == 0, "date");
}

static void TestStrings(std::vector<char>* data) {
  const struct {
    const char* key;
    const char* value;
  } expected[] = {
      {"Comments", ""},
      {"CompanyName", "Quendrix."},
      {"FileDescription", "Zqk Launcher"},
      {"FileExtents", "zqk|zqk"},
      {"FileOpenName", "Quendrix Open Tarvik Format (*.zqk)|Quendrix Open Tarvik Format (*.zqk)"},
      {"FileVersion", "2, 4, 0, 0"},
      {"InternalName", "zqkLauncher"},
      {"LegalTrademarks", ""},
      {"MIMEType", "application/x-zqk|application/x-zqk-v2"},
      {"OriginalFilename", "NPZqkv2.dll"},
      {"PrivateBuild", ""},
      {"ProductName", "Quendrix - Zqk Launcher"},
      {"ProductVersion", "2, 4, 0, 0"},
      {"SpecialBuild", ""},
  };
  for (const auto& entry : expected) {
    std::string value;
    ok(QueryString(data, entry.key, &value), "no string %s", entry.key);
    ok(value == entry.value, "%s is [%s], expected [%s]", entry.key, value.c_str(), entry.value);
  }
  WORD* translation = nullptr;
  UINT length = 0;
  ok(VerQueryValueA(data->data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                    &length) &&
         length == 4 && translation[0] == 0x0409 && translation[1] == 0x04E4,
     "Translation is not 0x0409, 0x04E4");
}

static void TestListsInParallel(std::vector<char>* data) {
  std::string mime, extents, openNames;
  QueryString(data, "MIMEType", &mime);
  QueryString(data, "FileExtents", &extents);
  QueryString(data, "FileOpenName", &openNames);
  const std::vector<std::string> types = SplitList(mime), extensions = SplitList(extents),
                                 names = SplitList(openNames);
  ok(types.size() == 2 && extensions.size() == 2 && names.size() == 2, "lists hold %u, %u and %u entries",
     static_cast<unsigned>(types.size()), static_cast<unsigned>(extensions.size()),
     static_cast<unsigned>(names.size()));
  if (types.size() != 2 || extensions.size() != 2 || names.size() != 2) return;
  ok(types[0] == "application/x-zqk" && types[1] == "application/x-zqk-v2", "MIME types");
  ok(extensions[0] == "zqk" && extensions[1] == "zqk", "both types map to zqk");
  ok(names[0] == names[1] && names[0] == "Quendrix Open Tarvik Format (*.zqk)", "open-dialog names");
}

void RunResourceTests(void) {
  const std::string path = ProgramFolderOf() + "NPZqk.dll";
  std::vector<char> data;
  ok(ReadVersionInfo(path, &data), "no version resource in %s", path.c_str());
  if (data.empty()) return;
  TestFixedPart(&data);
  TestStrings(&data);
  TestListsInParallel(&data);
  HMODULE library = LoadLibraryA(path.c_str());
  HRSRC resource = FindResourceExA(library, MAKEINTRESOURCEA(16), MAKEINTRESOURCEA(1), 0x0409);
  ok(resource != nullptr, "the version resource is not identifier 1, language 0x0409");
  FreeLibrary(library);
}
