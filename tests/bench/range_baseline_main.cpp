// range_baseline: times serving random 64 KiB ranges of one file two ways: a
// warm mapped-file cache (as the content server does) and, as the baseline,
// opening and mapping the file anew for every range; and, as the floors, a bare
// copy of 64 KiB from the mapped view, and that copy with what every request
// also does: one file-attribute query of the same path. Prints one JSON line.
//   range_baseline FILE COUNT
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <windows.h>
#include <shlwapi.h>

#include "content/mapped_file_cache.h"
#include "content/slice_stream.h"
#include "util/text/files.h"
#include "util/text/text.h"

namespace {
constexpr uint64_t kRange = 64 * 1024;

double Now() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart);
}

// The same reproducible offsets for both ways.
uint64_t NextOffset(uint64_t& state, uint64_t size) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return (state >> 11) % (size - kRange);
}

void CopyOut(const unsigned char* view, uint64_t offset) {
    IStream* stream = SHCreateMemStream(view + offset, static_cast<UINT>(kRange));
    if (stream)
        stream->Release();
}

// What the server does for a range: a stream over the slice, nothing copied.
void SliceOut(std::shared_ptr<const MappedView> view, uint64_t offset) {
    MakeSliceStream(std::move(view), offset, kRange);
}

double FreshMapPerRange(const std::wstring& path, int count, uint64_t size) {
    uint64_t state = 42;
    const double start = Now();
    for (int i = 0; i < count; ++i) {
        HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
        auto* view =
            static_cast<const unsigned char*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
        CopyOut(view, NextOffset(state, size));
        UnmapViewOfFile(view);
        CloseHandle(mapping);
        CloseHandle(file);
    }
    return (Now() - start) / count;
}

double WarmCache(const std::string& path, int count, uint64_t size) {
    MappedFileCache cache;
    cache.GetView("big.bin", path);
    uint64_t state = 42;
    const double start = Now();
    for (int i = 0; i < count; ++i)
        SliceOut(cache.GetView("big.bin", path), NextOffset(state, size));
    return (Now() - start) / count;
}

double BareCopy(const std::string& path, int count, uint64_t size) {
    MappedFileCache cache;
    const auto view = cache.GetView("big.bin", path);
    std::vector<unsigned char> target(kRange);
    uint64_t state = 42;
    const double start = Now();
    for (int i = 0; i < count; ++i)
        std::memcpy(target.data(), view->bytes() + NextOffset(state, size), kRange);
    const double elapsed = Now() - start;
    volatile unsigned char sink = target[kRange / 2];
    (void)sink;
    return elapsed / count;
}

// The copy and one attribute query of the warm path per range, as the server
// asks for every request what lies at its path.
double CopyAndAttributeQuery(const std::string& path, int count, uint64_t size) {
    MappedFileCache cache;
    const auto view = cache.GetView("big.bin", path);
    std::vector<unsigned char> target(kRange);
    uint64_t state = 42;
    uint64_t sizes = 0;
    const double start = Now();
    for (int i = 0; i < count; ++i) {
        sizes += FullFileSizeOf(path);
        std::memcpy(target.data(), view->bytes() + NextOffset(state, size), kRange);
    }
    const double elapsed = Now() - start;
    volatile uint64_t sink = sizes + target[kRange / 2];
    (void)sink;
    return elapsed / count;
}
} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: range_baseline FILE COUNT\n");
        return 2;
    }
    const std::string path = WideToUtf8(argv[1]);
    const int count = _wtoi(argv[2]);
    const uint64_t size = FullFileSizeOf(path);
    if (size <= kRange || count <= 0) {
        std::fprintf(stderr, "the file must be larger than 64 KiB\n");
        return 1;
    }
    const double warm = WarmCache(path, count, size);
    const double fresh = FreshMapPerRange(argv[1], count, size);
    const double copy = BareCopy(path, count, size);
    const double copyAndQuery = CopyAndAttributeQuery(path, count, size);
    std::printf("{\"warmMicroseconds\":%.2f,\"freshMicroseconds\":%.2f,"
                "\"memcpyMicroseconds\":%.2f,\"memcpyAndAttributesMicroseconds\":%.2f}\n",
                warm, fresh, copy, copyAndQuery);
    return 0;
}
