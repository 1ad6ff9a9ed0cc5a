// One request, one reply: the frame, the request's texts in the ANSI code
// page, the viewer's start as the plug-in does it (or, asked for the status,
// its lookup alone), and the answer.
#include "messaging.h"

#include <string.h>

#include "extension_ids.h"
#include "host_platform.h"
#include "reply.h"
#include "request.h"
#include "viewer_launch.h"

// Reads until size bytes are in or the input ends; returns the count read.
static uint32_t ReadFully(char* buffer, uint32_t size) {
  uint32_t total = 0;
  while (total < size) {
    const uint32_t got = HostReadInput(buffer + total, size - total);
    if (got == 0) break;
    total += got;
  }
  return total;
}

// Null with the message's text, else why there is none.
static const char* ReadMessage(std::string* message) {
  char header[4];
  const uint32_t got = ReadFully(header, sizeof header);
  if (got == 0) return "no message";
  if (got < sizeof header) return "the message is cut short";
  uint32_t length = 0;
  memcpy(&length, header, sizeof length);
  if (length > kMaxMessageSize) return "the message is longer than 64 KiB";
  message->resize(length);
  if (ReadFully(&(*message)[0], length) < length) return "the message is cut short";
  return nullptr;
}

static bool WriteMessage(const std::string& reply) {
  const uint32_t length = static_cast<uint32_t>(reply.size());
  return HostWriteOutput(&length, sizeof length) && HostWriteOutput(reply.data(), length);
}

static const char kTooLongForViewer[] = "the URL and UID are too long for the viewer";

// Null when the text is now in ansi (of kViewerArgumentsCapacity bytes), else why not.
static const char* ToViewerText(const std::string& utf8, char* ansi, const char* noEquivalent) {
  const AnsiConversion converted = HostTextToAnsi(utf8, ansi, kViewerArgumentsCapacity);
  if (converted == kAnsiExact) return nullptr;
  return converted == kAnsiNoEquivalent ? noEquivalent : kTooLongForViewer;
}

// The status: the version, and the viewer as the plug-in's lookup finds it.
static std::string StatusAnswer(void) {
  char path[kViewerPathCapacity];
  const char* missing = FindViewer(path);
  if (missing != nullptr) return StatusReply(kHostVersion, nullptr, missing, kViewerMissingText);
  return StatusReply(kHostVersion, HostAnsiToText(path).c_str(), nullptr, nullptr);
}

std::string AnswerRequest(const std::string& message) {
  HostRequest request;
  const char* refusal = ReadRequest(message.data(), message.size(), &request);
  if (refusal == nullptr && request.status) return StatusAnswer();
  char url[kViewerArgumentsCapacity];
  char uid[kViewerArgumentsCapacity];
  if (refusal == nullptr) {
    refusal = ToViewerText(request.url, url, "\"url\" has a character the system's code page lacks");
  }
  if (refusal == nullptr) {
    refusal = ToViewerText(request.uid, uid, "\"uid\" has a character the system's code page lacks");
  }
  char arguments[kViewerArgumentsCapacity];
  if (refusal == nullptr && !ComposeViewerArguments(url, uid, arguments, sizeof arguments)) {
    refusal = kTooLongForViewer;
  }
  if (refusal != nullptr) return RefusalReply(refusal);
  const char* caption = StartViewer(arguments);
  return caption == nullptr ? StartedReply() : ViewerMissingReply(caption, kViewerMissingText);
}

bool ServeOneRequest(void) {
  std::string message;
  const char* refusal = ReadMessage(&message);
  return WriteMessage(refusal != nullptr ? RefusalReply(refusal) : AnswerRequest(message));
}
