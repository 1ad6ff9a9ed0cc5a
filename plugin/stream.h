// The plug-in's document streams: the viewer's start and the user's message.
#ifndef NPZQK_STREAM_H
#define NPZQK_STREAM_H

#include <stdint.h>

// What NPP_WriteReady offers for every stream.
const int32_t kStreamBufferSize = 0x0FFFFFFF;

// The modal message that names the missing viewer, with the given caption.
void ShowViewerMissing(const char* caption);

#endif
