#pragma once
// A read-only stream over a slice of a mapped file, for partial answers: no
// bytes are copied, and the view stays mapped for as long as the runtime holds
// the stream (or a clone of it).
#include <cstdint>
#include <memory>

#include <objidl.h>

#include "content/mapped_view.h"
#include "util/com/com_ptr.h"

// The bytes [first, first + length) of the view; null unless they lie inside it.
com_ptr<IStream> MakeSliceStream(std::shared_ptr<const MappedView> view, uint64_t first,
                                 uint64_t length);
