#pragma once
// The runtime reads response bodies on a thread of its own and asks for agile
// streams. The shell's file and memory streams are plain objects bound to no
// apartment, but they do not say so: this wrapper does, and forwards every call.
#include <objidl.h>

#include "util/com/com_ptr.h"

// Null for a null stream.
com_ptr<IStream> MakeAgileStream(com_ptr<IStream> inner);
