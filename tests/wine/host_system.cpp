#include "host_system.h"

#include <shellapi.h>

#include <stdio.h>

#include "wine_test.h"

const char kViewerKey[] = "SOFTWARE\\Quendrix\\Shared";
const char kOpenCommandKey[] = "Quendrix_ZQK\\shell\\open\\command";

bool SetRegistryBytes(HKEY root, const char* key, const char* name, const std::string& bytes, DWORD type,
                      REGSAM view) {
  HKEY opened = nullptr;
  if (RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_SET_VALUE | view, nullptr, &opened, nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  const LONG status =
      RegSetValueExA(opened, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()), bytes.size());
  RegCloseKey(opened);
  return status == ERROR_SUCCESS;
}

bool SetRegistryText(HKEY root, const char* key, const char* name, const std::string& value, REGSAM view) {
  return SetRegistryBytes(root, key, name, value + std::string(1, '\0'), REG_SZ, view);
}

bool DeleteRegistryTree(HKEY root, const char* key) {
  const LONG status = RegDeleteTreeA(root, key);
  if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) {
    RegDeleteKeyA(root, key);
    return true;
  }
  return false;
}

void ForgetViewer(void) {
  DeleteRegistryTree(HKEY_LOCAL_MACHINE, kViewerKey);
  RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kViewerKey, KEY_WOW64_32KEY, 0);  // where it is a separate view
  DeleteRegistryTree(HKEY_CLASSES_ROOT, "Quendrix_ZQK");
}

std::string ProgramFolderOf(void) {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string folder(path, length);
  return folder.substr(0, folder.find_last_of('\\') + 1);
}

bool WriteFileText(const std::string& path, const std::string& content) {
  FILE* file = fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  fwrite(content.data(), 1, content.size(), file);
  return fclose(file) == 0;
}

std::string ReadFileText(const std::string& path) {
  std::string content;
  FILE* file = fopen(path.c_str(), "rb");
  if (file == nullptr) return "(missing)";
  char chunk[4096];
  size_t got;
  while ((got = fread(chunk, 1, sizeof chunk, file)) > 0) content.append(chunk, got);
  fclose(file);
  return content;
}

static std::string ReadPipe(HANDLE pipe) {
  std::string content;
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(pipe, chunk, sizeof chunk, &got, nullptr) && got > 0) content.append(chunk, got);
  return content;
}

// A pipe whose one end the child inherits: the child's end is *ours.
static void ChildPipe(HANDLE* ours, HANDLE* child, bool childReads) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE read, write;
  CreatePipe(&read, &write, &inherit, 0);
  *ours = childReads ? write : read;
  *child = childReads ? read : write;
  SetHandleInformation(*ours, HANDLE_FLAG_INHERIT, 0);
}

ProgramRun RunProgram(const std::string& program, const std::string& arguments, const std::string& folder,
                      const std::string* input) {
  ProgramRun run = {false, 0xFFFFFFFF, "", ""};
  HANDLE inWrite = nullptr, inRead = INVALID_HANDLE_VALUE, outRead, outWrite, errRead, errWrite;
  if (input != nullptr) ChildPipe(&inWrite, &inRead, true);
  ChildPipe(&outRead, &outWrite, false);
  ChildPipe(&errRead, &errWrite, false);
  STARTUPINFOA startup;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = inRead;
  startup.hStdOutput = outWrite;
  startup.hStdError = errWrite;
  PROCESS_INFORMATION process;
  std::string commandLine = "\"" + program + "\"" + (arguments.empty() ? "" : " " + arguments);
  run.started = CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                               folder.empty() ? nullptr : folder.c_str(), &startup, &process) != 0;
  if (input != nullptr) CloseHandle(inRead);
  CloseHandle(outWrite);
  CloseHandle(errWrite);
  if (run.started) {
    // A program that ends before reading all of it breaks the pipe: the write then fails, and that is all.
    DWORD written = 0;
    if (input != nullptr)
      WriteFile(inWrite, input->data(), static_cast<DWORD>(input->size()), &written, nullptr);
    if (input != nullptr) CloseHandle(inWrite);
    run.output = ReadPipe(outRead);
    run.errors = ReadPipe(errRead);
    WaitForSingleObject(process.hProcess, 30000);
    GetExitCodeProcess(process.hProcess, &run.exitCode);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  } else if (input != nullptr) {
    CloseHandle(inWrite);
  }
  CloseHandle(outRead);
  CloseHandle(errRead);
  return run;
}

std::string StubViewerPath(void) { return ProgramFolderOf() + "stub_viewer.exe"; }

static std::string ViewerRecordPath(void) {
  char folder[MAX_PATH];
  GetTempPathA(sizeof folder, folder);
  return std::string(folder) + "npzqk-viewer-" + std::to_string(GetCurrentProcessId()) + ".txt";
}

void ExpectViewerStart(void) {
  const std::string record = ViewerRecordPath();
  DeleteFileA(record.c_str());
  SetEnvironmentVariableA("NPZQK_VIEWER_RECORD", record.c_str());
}

// The record holds the command line, a NUL, the working directory and a NUL.
// The arguments after the program's name as CommandLineToArgvW splits them.
static std::vector<std::string> ShellSplit(const std::string& commandLine) {
  std::vector<std::string> arguments;
  std::wstring wide(commandLine.size() + 1, L'\0');
  MultiByteToWideChar(CP_ACP, 0, commandLine.c_str(), -1, &wide[0], static_cast<int>(wide.size()));
  int count = 0;
  LPWSTR* split = CommandLineToArgvW(wide.c_str(), &count);
  if (split == nullptr) return arguments;
  for (int i = 1; i < count; ++i) {
    char narrow[4096] = "";
    WideCharToMultiByte(CP_ACP, 0, split[i], -1, narrow, sizeof narrow, nullptr, nullptr);
    arguments.push_back(narrow);
  }
  LocalFree(split);
  return arguments;
}

ViewerRecord WaitForViewer(DWORD timeoutMs) {
  ViewerRecord record = {false, "", "", "", {}, {}};
  const std::string path = ViewerRecordPath();
  std::string content;
  for (DWORD waited = 0; waited <= timeoutMs; waited += 50) {
    content = ReadFileText(path);
    if (!content.empty() && content.back() == '\0') break;
    Sleep(50);
  }
  if (content.empty() || content.back() != '\0') return record;
  std::vector<std::string> pieces;
  for (size_t at = 0; at < content.size(); at = content.find('\0', at) + 1)
    pieces.push_back(content.c_str() + at);
  if (pieces.size() < 2) return record;
  record.started = true;
  record.commandLine = pieces[0];
  record.directory = pieces[1];
  record.arguments.assign(pieces.begin() + 2, pieces.end());
  record.shellArguments = ShellSplit(record.commandLine);
  const std::string& line = record.commandLine;
  size_t programEnd = line[0] == '"' ? line.find('"', 1) + 1 : line.find(' ');
  if (programEnd == std::string::npos || programEnd > line.size()) programEnd = line.size();
  record.parameters = line.substr(programEnd);
  if (!record.parameters.empty() && record.parameters[0] == ' ') record.parameters.erase(0, 1);
  return record;
}

void ExpectViewerArguments(const ViewerRecord& viewer, const std::string& url, const std::string& uid,
                           const char* what) {
  ok(viewer.started, "%s: the viewer was not started", what);
  const std::vector<std::string> expected = {url, "/UID=" + uid};
  ok(viewer.arguments == expected, "%s: the viewer's C runtime split [%s] into %u arguments", what,
     viewer.parameters.c_str(), static_cast<unsigned>(viewer.arguments.size()));
  ok(viewer.shellArguments == expected, "%s: CommandLineToArgvW split [%s] into %u arguments", what,
     viewer.parameters.c_str(), static_cast<unsigned>(viewer.shellArguments.size()));
  ok(lstrcmpiA(viewer.directory.c_str(), "c:\\") == 0, "%s: viewer ran in [%s]", what,
     viewer.directory.c_str());
}

void (*gWhileMessageBoxUp)(void) = nullptr;
static HHOOK gHook = nullptr;
static HWND gBox = nullptr;
static std::vector<SeenMessageBox> gSeen;

static std::string WindowText(HWND window) {
  char text[2048] = "";
  if (window != nullptr) GetWindowTextA(window, text, sizeof text);
  return text;
}

static void CALLBACK CloseBox(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  HWND box = gBox;
  gBox = nullptr;
  if (box == nullptr) return;
  HWND icon = GetDlgItem(box, 0x0440);
  SeenMessageBox seen;
  seen.caption = WindowText(box);
  seen.text = WindowText(GetDlgItem(box, 0xFFFF));
  seen.hasOwner = GetWindow(box, GW_OWNER) != nullptr;
  seen.hasOkButton = GetDlgItem(box, IDOK) != nullptr;
  seen.hasOtherButtons = false;
  for (int id : {IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO}) {
    HWND button = GetDlgItem(box, id);
    if (button != nullptr && IsWindowVisible(button)) seen.hasOtherButtons = true;
  }
  seen.hasIcon = icon != nullptr && IsWindowVisible(icon) && SendMessageA(icon, STM_GETICON, 0, 0) != 0;
  gSeen.push_back(seen);
  if (gWhileMessageBoxUp != nullptr) gWhileMessageBoxUp();
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

static LRESULT CALLBACK WatchWindows(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE) {
    char className[64] = "";
    GetClassNameA(reinterpret_cast<HWND>(wParam), className, sizeof className);
    if (lstrcmpA(className, "#32770") == 0 && gBox == nullptr) {
      gBox = reinterpret_cast<HWND>(wParam);
      SetTimer(nullptr, 0, 100, CloseBox);
    }
  }
  return CallNextHookEx(gHook, code, wParam, lParam);
}

void WatchMessageBoxes(void) {
  gSeen.clear();
  gBox = nullptr;
  gHook = SetWindowsHookExA(WH_CBT, WatchWindows, nullptr, GetCurrentThreadId());
}

std::vector<SeenMessageBox> StopWatchingMessageBoxes(void) {
  if (gHook != nullptr) UnhookWindowsHookEx(gHook);
  gHook = nullptr;
  gWhileMessageBoxUp = nullptr;
  return gSeen;
}
