// Text written into a Windows command line so that the program started splits
// it back, by the rules of its C runtime and of CommandLineToArgvW, into
// exactly that text and no more.
#ifndef NPZQK_COMMAND_LINE_H
#define NPZQK_COMMAND_LINE_H

#include <stdint.h>

// Appends text to the NUL-terminated command line in destination, of the
// given capacity. Text without blank, tab or double quote is appended as it
// is; other text inside double quotes, each inner quote written \" and the
// backslashes before a quote doubled. False, with the command line left
// terminated but unusable, when it does not fit.
bool AppendCommandLineText(char* destination, uint32_t capacity, const char* text);

#endif
