// npzqk-host.exe: started by the browser for the extension, it answers one
// request; started by hand, it registers or unregisters itself, or reports
// where this computer stands.
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include "host_platform.h"
#include "messaging.h"
#include "registration.h"
#include "status.h"

static const char kUsage[] =
    "npzqk-host.exe opens zqk documents from web pages in TarvikViewer: the NPZqk extension for\r\n"
    "Google Chrome, Microsoft Edge, Chromium and Firefox asks it to, through the browser's native\r\n"
    "messaging. The browser starts it; by hand it is registered, unregistered or asked for its status.\r\n"
    "\r\n"
    "  npzqk-host.exe --register                  install it for the current user\r\n"
    "  npzqk-host.exe --register --all-users      install it for every user (administrators)\r\n"
    "  npzqk-host.exe --unregister [--all-users]  remove what --register wrote\r\n"
    "  npzqk-host.exe --status                    what each browser finds, and the viewer\r\n"
    "  npzqk-host.exe --help                      this text\r\n"
    "\r\n"
    "Registering copies the program into %LOCALAPPDATA%\\Programs\\NPZqk (for every user:\r\n"
    "%ProgramFiles(x86)%\\NPZqk, on 32-bit Windows %ProgramFiles%\\NPZqk), writes the browsers'\r\n"
    "host manifests there and the registry keys where the browsers look for them (for every\r\n"
    "user, in the registry's 32-bit view); the folder it was started from may then be deleted.\r\n";

static bool IsOption(const char* argument, const char* option) { return strcmp(argument, option) == 0; }

// Started from Explorer, the program has a console of its own, which would
// close before anyone read it.
static void WaitWhenConsoleIsOwn(void) {
  DWORD processes[2];
  if (GetConsoleProcessList(processes, 2) != 1) return;
  static const char kClose[] = "\r\nPress Enter to close this window.";
  DWORD count = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), kClose, sizeof kClose - 1, &count, nullptr);
  char line[8];
  ReadFile(GetStdHandle(STD_INPUT_HANDLE), line, sizeof line, &count, nullptr);
}

static int Usage(int status) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), kUsage, sizeof kUsage - 1, &written, nullptr);
  WaitWhenConsoleIsOwn();
  return status;
}

// --register and --unregister, each with or without --all-users.
static int Registration(int argc, char** argv) {
  const bool allUsers = argc == 3 && IsOption(argv[2], "--all-users");
  if (argc > 3 || (argc == 3 && !allUsers)) return Usage(2);
  const InstallScope scope = allUsers ? kAllUsers : kCurrentUser;
  const bool done = IsOption(argv[1], "--register") ? RegisterHost(scope) : UnregisterHost(scope);
  return done ? 0 : 1;
}

int main(int argc, char** argv) {
  if (argc >= 2 && (IsOption(argv[1], "--register") || IsOption(argv[1], "--unregister"))) {
    return Registration(argc, argv);
  }
  if (argc >= 2 && (IsOption(argv[1], "--help") || IsOption(argv[1], "/?"))) return Usage(0);
  // It reads only: exit status 0 when the viewer and a host that can work are found.
  if (argc >= 2 && IsOption(argv[1], "--status")) return argc == 2 ? (ReportStatus() ? 0 : 1) : Usage(2);
  // The browsers pass the caller's origin or the manifest's path and the
  // add-on's ID, and talk through pipes; a console means a person.
  DWORD mode = 0;
  if (argc == 1 && GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode)) return Usage(0);
  // The messages pass unchanged: no byte is translated on either side.
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  return ServeOneRequest() ? 0 : 1;
}
