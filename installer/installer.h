// The installer's flow: find the installed Netscape browser in the registry
// and copy NPZqk.dll from the current directory into its plug-in directory,
// reporting each stage on standard output.
#ifndef NPZQK_INSTALLER_H
#define NPZQK_INSTALLER_H

#include <stdint.h>

const uint32_t kRegistryTextCapacity = 1024;  // version, directory and destination buffers
const uint32_t kKeyNameCapacity = 256;

// The four readers: each fills its buffer, of the given capacity, with the
// registry value and returns true when it was read whole. A null string
// argument, a key that does not open or a key name that would not fit in
// kKeyNameCapacity gives false without a registry read.
bool GetNetscape6Version(char* version, uint32_t capacity);
bool GetNetscape6InstallDir(const char* version, char* directory, uint32_t capacity);
bool GetNavigatorVersion(char* version, uint32_t capacity);
bool GetNavigatorPluginsDir(const char* version, char* directory, uint32_t capacity);

// Writes texts one after another into destination; false, leaving it empty,
// when they do not fit in capacity.
bool JoinTexts(char* destination, uint32_t capacity, const char* const texts[], uint32_t count);

// One whole run of the program.
void RunInstaller(void);

#endif
