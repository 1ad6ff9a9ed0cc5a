// Starting the viewer for a document stream, and telling the user where to
// get it when it is missing.
#ifndef NPZQK_VIEWER_LAUNCH_H
#define NPZQK_VIEWER_LAUNCH_H

#include <stdint.h>

// What NPP_WriteReady offers for every stream.
const int32_t kStreamBufferSize = 0x0FFFFFFF;

const uint32_t kViewerPathCapacity = 260;
const uint32_t kOpenCommandCapacity = 256;  // the part of the path buffer the open command may use
const uint32_t kViewerArgumentsCapacity = 1024;
const uint32_t kQuotedPathCapacity = 164;

extern const char kViewerMissingText[];

// Writes url, " /UID=" and uid into arguments, each quoted by the Windows
// rules where it holds a blank, tab or quote, so that the viewer splits them
// into exactly the URL and "/UID=" followed by the UID. False, with nothing
// usable written, when they do not fit in capacity: a cut URL or UID must
// never be launched.
bool ComposeViewerArguments(const char* url, const char* uid, char* arguments, uint32_t capacity);

// Replaces the NUL-terminated command in buffer, in place, with the text
// between its first two double quotes. False, leaving the buffer empty, when
// there are fewer than two quotes or more than 163 characters between them.
bool ExtractQuotedPath(char* buffer);

// Opens the viewer with the arguments, in c:\; true when the shell started it.
bool LaunchViewer(const char* path, const char* arguments);

// The modal message that names the missing viewer, with the given caption.
void ShowViewerMissing(const char* caption);

#endif
