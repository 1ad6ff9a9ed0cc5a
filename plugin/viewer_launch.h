// Starting the viewer, found through the registry, with a document's URL and
// its UID: the plug-in's document streams and the native messaging host's
// requests both come here.
#ifndef NPZQK_VIEWER_LAUNCH_H
#define NPZQK_VIEWER_LAUNCH_H

#include <stdint.h>

const uint32_t kViewerPathCapacity = 260;
const uint32_t kOpenCommandCapacity = 256;  // the part of the path buffer the open command may use
const uint32_t kViewerArgumentsCapacity = 1024;
const uint32_t kQuotedPathCapacity = 164;

// What the user is told when the viewer is missing, under one of three captions.
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

// The viewer's path as StartViewer's lookup finds it, in path (of
// kViewerPathCapacity bytes), starting nothing: null when found, else the
// caption of the message that says it is missing.
const char* FindViewer(char* path);

// Finds the viewer (the primary value, in the program's own registry view and
// then the other, then the document type's open command) and starts it with
// the arguments, null when they did not fit: then nothing is started. Returns
// null when the viewer started, else the caption of the message that says it
// is missing.
const char* StartViewer(const char* arguments);

#endif
