// The host's whole work for the browser: one framed message in, the viewer
// started or not, one framed reply out.
#ifndef NPZQK_MESSAGING_H
#define NPZQK_MESSAGING_H

#include <stdint.h>

#include <string>

// The longest message read: a longer one is refused from its length alone.
const uint32_t kMaxMessageSize = 64 * 1024;

// The reply to one message's JSON text.
std::string AnswerRequest(const std::string& message);

// Reads one message from standard input (a 32-bit length in native byte
// order, then that many bytes of UTF-8 JSON), answers it and writes the
// reply framed the same way. False when the reply could not be written.
bool ServeOneRequest(void);

#endif
