// The machine around the test host's browser: the viewer's registry entries,
// the stub viewer's record of how it was started, and the watcher that reads
// and closes the plug-in's message box.
#ifndef NPZQK_HOST_SYSTEM_H
#define NPZQK_HOST_SYSTEM_H

#include <windows.h>

#include <string>
#include <vector>

// Registry: each call sets or removes exactly one value or key, and says
// whether Windows accepted it; view may name a registry view (KEY_WOW64_32KEY).
bool SetRegistryText(HKEY root, const char* key, const char* name, const std::string& value, REGSAM view = 0);
bool SetRegistryBytes(HKEY root, const char* key, const char* name, const std::string& bytes, DWORD type,
                      REGSAM view = 0);
bool DeleteRegistryTree(HKEY root, const char* key);

// The folder this program runs from, ending in a backslash.
std::string ProgramFolderOf(void);

// Files as bytes: "(missing)" when the file cannot be read.
bool WriteFileText(const std::string& path, const std::string& content);
std::string ReadFileText(const std::string& path);

// Runs a program with the arguments in folder and waits for it to end: its
// standard input is input (none when null), read through a pipe, and its
// standard output and error are caught whole.
struct ProgramRun {
  bool started;
  DWORD exitCode;
  std::string output;
  std::string errors;
};
ProgramRun RunProgram(const std::string& program, const std::string& arguments, const std::string& folder,
                      const std::string* input);

// The viewer's two registry locations.
extern const char kViewerKey[];
extern const char kOpenCommandKey[];
void ForgetViewer(void);  // removes both, from every registry view

// The stub viewer next to this program, and what it recorded when started.
std::string StubViewerPath(void);
struct ViewerRecord {
  bool started;
  std::string commandLine;
  std::string parameters;  // the command line after the program's name
  std::string directory;
  std::vector<std::string> arguments;       // as the viewer's C runtime split them
  std::vector<std::string> shellArguments;  // as CommandLineToArgvW splits the command line
};
void ExpectViewerStart(void);  // forgets any earlier record
// Waits up to timeoutMs for the stub to write its record.
ViewerRecord WaitForViewer(DWORD timeoutMs);
// Checks that the viewer started in c:\ and split its command line into
// exactly the URL and /UID= with the UID, as its C runtime and as
// CommandLineToArgvW split it.
void ExpectViewerArguments(const ViewerRecord& viewer, const std::string& url, const std::string& uid,
                           const char* what);

// Message boxes shown on this thread: each is read, then closed with OK.
struct SeenMessageBox {
  std::string caption;
  std::string text;
  bool hasOwner;
  bool hasOkButton;
  bool hasOtherButtons;
  bool hasIcon;
};
void WatchMessageBoxes(void);
std::vector<SeenMessageBox> StopWatchingMessageBoxes(void);
// Runs while a box is up, before it is closed (the browser may call in then).
extern void (*gWhileMessageBoxUp)(void);

#endif
