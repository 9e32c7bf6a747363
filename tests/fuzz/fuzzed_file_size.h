#pragma once
// File sizes for the content server's targets: small files, sizes around the
// 2 GiB limit, anything below it, and anything at all.
#include <cstdint>

#include <fuzzer/FuzzedDataProvider.h>

inline uint64_t FuzzedFileSize(FuzzedDataProvider& input) {
    switch (input.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
        return input.ConsumeIntegralInRange<uint64_t>(0, 4096);
    case 1:
        return input.ConsumeIntegralInRange<uint64_t>(0x7FFFFF00, 0x80000100);
    case 2:
        return input.ConsumeIntegralInRange<uint64_t>(0, 0x7FFFFFFF);
    default:
        return input.ConsumeIntegral<uint64_t>();
    }
}
