#pragma once
// Response bodies handed to the agent piece by piece, as its engine reads them:
// the runtime holds the host's stream until the body ends or the engine stops.
#include <objidl.h>

#include <functional>
#include <string>

#include "agent.h"

std::string Base64(const char* bytes, size_t length);

// The runtime reads response bodies on a background thread, so it asks for
// agile streams: false (and a violation reported) for one that is not.
bool IsAgileStream(IStream* stream);
// Runs work on a thread of its own (COM initialised, multithreaded) and waits for it.
void OnReaderThread(const std::function<void()>& work);

// Keeps one reference to the stream; the number the agent reads it by.
int64_t KeepBodyStream(IStream* stream);

// "read-body" {stream, bytes}: up to that many bytes in base64, and whether the
// body ended (the stream is then let go). "close-body" {stream}: lets it go.
// Both throw AgentMessageError for a malformed request.
Json ReadBodyStream(const Json& request);
Json CloseBodyStream(const Json& request);
