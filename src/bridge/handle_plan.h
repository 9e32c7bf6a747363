#pragma once
// Which directory handles the page gets, and how far each lets it write. Portable.
#include <cstddef>
#include <cstdint>

struct HandlePlan {
    bool offered;
    bool readOnly;
};

// Position 0 is the program folder (its DLLs, package.json and uninstaller run
// as native code later) and 1 the content folder: both read-only unless the
// program folder is opted in. The others stay read-write. A position not chosen
// (a bit per position) is not offered.
HandlePlan PlanDirectoryHandle(size_t position, uint32_t chosen, bool writableProgramFolder);
