// The real Windows calls behind host_platform.h. Texts cross in UTF-8 and
// meet Windows in UTF-16, so that any user's folder name works.
#include "host_platform.h"

#include <string.h>

#include "launch_platform.h"

#include <algorithm>

#include <windows.h>
// windows.h first: the shell's headers need its types.
#include <shlobj.h>

static const wchar_t kFolderName[] = L"\\NPZqk";

uint32_t HostReadInput(void* buffer, uint32_t size) {
  DWORD got = 0;
  if (!ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, size, &got, nullptr)) return 0;
  return got;
}

bool HostWriteOutput(const void* data, uint32_t size) {
  DWORD written = 0;
  return WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), data, size, &written, nullptr) && written == size;
}

static std::wstring Wide(const std::string& utf8) {
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  if (length > 0) {
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0], length);
  }
  return wide;
}

static std::string Utf8(const wchar_t* wide) {
  const int length = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (length <= 1) return std::string();
  std::string utf8(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, &utf8[0], length, nullptr, nullptr);
  utf8.resize(static_cast<size_t>(length) - 1);
  return utf8;
}

// The text's '\' and '"' characters, and the bytes of the same value in its ANSI form.
static bool SameDelimiters(const std::wstring& text, const char* ansi, size_t length) {
  for (const char delimiter : {'\\', '"'}) {
    if (std::count(ansi, ansi + length, delimiter) !=
        std::count(text.begin(), text.end(), static_cast<wchar_t>(delimiter))) {
      return false;
    }
  }
  return true;
}

// Without WC_NO_BEST_FIT_CHARS a fullwidth quotation mark would become '"'.
// In a double-byte code page a second byte may be '\' (0x5C): such a text
// would change meaning once quoted, so it counts as having no equivalent.
AnsiConversion HostTextToAnsi(const std::string& utf8, char* ansi, uint32_t capacity) {
  if (capacity == 0) return kAnsiTooLong;
  ansi[0] = '\0';
  if (utf8.empty()) return kAnsiExact;
  // Windows set to UTF-8 for every language: the text is already in it (and
  // the conversion would refuse the flags).
  if (GetACP() == CP_UTF8) {
    if (utf8.size() >= capacity) return kAnsiTooLong;
    memcpy(ansi, utf8.c_str(), utf8.size() + 1);
    return kAnsiExact;
  }
  // The request's UTF-8 is valid; anything else would become U+FFFD, which
  // has no equivalent.
  const std::wstring wide = Wide(utf8);
  const int wideLength = static_cast<int>(wide.size());
  BOOL usedDefault = FALSE;
  const int needed = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength, nullptr, 0,
                                         nullptr, &usedDefault);
  if (needed == 0 || usedDefault) return kAnsiNoEquivalent;
  if (static_cast<uint32_t>(needed) >= capacity) return kAnsiTooLong;
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength, ansi, needed, nullptr,
                      &usedDefault);
  ansi[needed] = '\0';
  if (usedDefault || !SameDelimiters(wide, ansi, static_cast<size_t>(needed))) {
    ansi[0] = '\0';
    return kAnsiNoEquivalent;
  }
  return kAnsiExact;
}

bool HostIsAdministrator(void) {
  SID_IDENTIFIER_AUTHORITY authority = SECURITY_NT_AUTHORITY;
  PSID administrators = nullptr;
  if (!AllocateAndInitializeSid(&authority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0,
                                0, 0, 0, &administrators)) {
    return false;
  }
  BOOL member = FALSE;
  if (!CheckTokenMembership(nullptr, administrators, &member)) member = FALSE;
  FreeSid(administrators);
  return member != FALSE;
}

// %LOCALAPPDATA%\Programs\NPZqk, or for every user the 32-bit programs'
// NPZqk folder: Program Files (x86) on 64-bit Windows, whichever host runs,
// so that a 64-bit host never writes into the Windows Installer package's
// Program Files\NPZqk.
std::string HostProgramFolder(InstallScope scope) {
  wchar_t base[MAX_PATH];
  const int allUsers = PlatformHasOtherRegistryView() ? CSIDL_PROGRAM_FILESX86 : CSIDL_PROGRAM_FILES;
  const int folder = scope == kAllUsers ? allUsers : CSIDL_LOCAL_APPDATA;
  if (FAILED(SHGetFolderPathW(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, base))) return std::string();
  std::wstring path(base);
  if (scope == kCurrentUser) path += L"\\Programs";
  return Utf8((path + kFolderName).c_str());
}

std::string HostOwnPath(void) {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return length > 0 && length < MAX_PATH ? Utf8(path) : std::string();
}

bool HostCreateFolder(const std::string& path) {
  const std::wstring wide = Wide(path);
  // The parent first: a user's Programs folder may not exist yet.
  const size_t parentEnd = wide.find_last_of(L'\\');
  if (parentEnd != std::wstring::npos) CreateDirectoryW(wide.substr(0, parentEnd).c_str(), nullptr);
  CreateDirectoryW(wide.c_str(), nullptr);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool HostCopyFile(const std::string& from, const std::string& to) {
  return CopyFileW(Wide(from).c_str(), Wide(to).c_str(), FALSE) != FALSE;
}

bool HostWriteFile(const std::string& path, const std::string& content) {
  HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
                  written == content.size();
  return CloseHandle(file) && ok;
}

static bool Absent(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// A running program cannot be deleted, but it can be renamed on its volume:
// it goes to the temporary folder, and from there on the next restart.
static bool MoveOutRunningProgram(const std::wstring& path) {
  wchar_t folder[MAX_PATH];
  wchar_t parked[MAX_PATH];
  if (GetTempPathW(MAX_PATH, folder) == 0 || GetTempFileNameW(folder, L"npz", 0, parked) == 0) return false;
  if (!MoveFileExW(path.c_str(), parked, MOVEFILE_REPLACE_EXISTING)) {
    DeleteFileW(parked);
    return false;
  }
  MoveFileExW(parked, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  return true;
}

Removal HostRemoveFile(const std::string& path) {
  const std::wstring wide = Wide(path);
  if (DeleteFileW(wide.c_str())) return kRemoved;
  const DWORD error = GetLastError();
  if (Absent(error)) return kWasAbsent;
  return error == ERROR_ACCESS_DENIED && MoveOutRunningProgram(wide) ? kRemoved : kNotRemoved;
}

Removal HostRemoveFolder(const std::string& path) {
  if (RemoveDirectoryW(Wide(path).c_str())) return kRemoved;
  return Absent(GetLastError()) ? kWasAbsent : kNotRemoved;
}

static HKEY ScopeRoot(InstallScope scope) {
  return scope == kAllUsers ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

// Registering for every user keeps to the 32-bit view of HKEY_LOCAL_MACHINE,
// the package's keys being in the 64-bit one; HKEY_CURRENT_USER has one view.
static const REGSAM kAllUsersView = KEY_WOW64_32KEY;

bool HostSetRegistryDefault(InstallScope scope, const std::string& key, const std::string& value) {
  HKEY opened = nullptr;
  if (RegCreateKeyExW(ScopeRoot(scope), Wide(key).c_str(), 0, nullptr, 0, KEY_SET_VALUE | kAllUsersView,
                      nullptr, &opened, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const std::wstring text = Wide(value);
  const DWORD bytes = static_cast<DWORD>(text.size() + 1) * sizeof(wchar_t);
  const LONG status =
      RegSetValueExW(opened, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), bytes);
  RegCloseKey(opened);
  return status == ERROR_SUCCESS;
}

Removal HostDeleteRegistryKey(InstallScope scope, const std::string& key) {
  const LONG status = RegDeleteKeyExW(ScopeRoot(scope), Wide(key).c_str(), kAllUsersView, 0);
  if (status == ERROR_SUCCESS) return kRemoved;
  return status == ERROR_FILE_NOT_FOUND ? kWasAbsent : kNotRemoved;
}

// On a console in UTF-16, so that any folder name shows; elsewhere UTF-8.
void HostPrintLine(const std::string& line) {
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  DWORD written = 0;
  if (GetConsoleMode(output, &mode)) {
    const std::wstring wide = Wide(line + "\r\n");
    WriteConsoleW(output, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
  const std::string bytes = line + "\r\n";
  WriteFile(output, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

static const REGSAM kPlaceViews[] = {0, KEY_WOW64_32KEY, KEY_WOW64_64KEY};

bool HostReadRegistryDefault(RegistryPlace place, const std::string& key, std::string* value) {
  HKEY opened = nullptr;
  HKEY root = place == kUserPlace ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
  if (RegOpenKeyExW(root, Wide(key).c_str(), 0, KEY_QUERY_VALUE | kPlaceViews[place], &opened) !=
      ERROR_SUCCESS) {
    return false;
  }
  wchar_t text[MAX_PATH * 2];
  DWORD type = 0;
  DWORD bytes = sizeof text - sizeof(wchar_t);
  const LONG status =
      RegQueryValueExW(opened, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(text), &bytes);
  RegCloseKey(opened);
  if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
  text[bytes / sizeof(wchar_t)] = L'\0';  // a value stored without its terminator
  *value = Utf8(text);
  return true;
}

bool HostReadFile(const std::string& path, std::string* content) {
  HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size;
  bool ok = GetFileSizeEx(file, &size) && size.QuadPart <= kMaxManifestSize;
  if (ok) {
    content->resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    ok = content->empty() ||
         (ReadFile(file, &(*content)[0], static_cast<DWORD>(content->size()), &got, nullptr) &&
          got == content->size());
  }
  CloseHandle(file);
  return ok;
}

bool HostFileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::string HostAnsiToText(const char* ansi) {
  const int length = MultiByteToWideChar(CP_ACP, 0, ansi, -1, nullptr, 0);
  if (length <= 1) return std::string();
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi, -1, &wide[0], length);
  return Utf8(wide.c_str());
}
