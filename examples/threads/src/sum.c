// Sums a shared array with several threads: each thread adds up its own slice
// of the same memory, so the answer is only right when they really share it.
#include <emscripten.h>
#include <emscripten/threading.h>
#include <pthread.h>
#include <stdint.h>
#include <stdlib.h>

enum { kMaxThreads = 8 };

struct Slice {
    const uint32_t* values;
    size_t first;
    size_t end;
    uint64_t sum;
    int ranOnWorker;
};

static double lastMilliseconds;
static int lastWorkersUsed;

static void* SumSlice(void* argument) {
    struct Slice* slice = argument;
    uint64_t sum = 0;
    for (size_t i = slice->first; i < slice->end; ++i)
        sum += slice->values[i] % 1000;
    slice->sum = sum;
    slice->ranOnWorker = !emscripten_is_main_browser_thread();
    return NULL;
}

// The sum of (i * 2654435761 mod 2^32) mod 1000 for i below count, computed by
// `threads` threads; -1 when the threads cannot be started.
EMSCRIPTEN_KEEPALIVE double SumInThreads(int threads, int count) {
    if (threads < 1 || threads > kMaxThreads || count < 1)
        return -1;
    uint32_t* values = malloc(sizeof(uint32_t) * (size_t)count);
    if (!values)
        return -1;
    for (int i = 0; i < count; ++i)
        values[i] = (uint32_t)i * 2654435761u;

    const double start = emscripten_get_now();
    pthread_t ids[kMaxThreads];
    struct Slice slices[kMaxThreads];
    int started = 0;
    for (int t = 0; t < threads; ++t) {
        slices[t] = (struct Slice){values, (size_t)count * t / threads,
                                   (size_t)count * (t + 1) / threads, 0, 0};
        if (pthread_create(&ids[t], NULL, SumSlice, &slices[t]) == 0)
            ++started;
        else
            break;
    }
    uint64_t total = 0;
    lastWorkersUsed = 0;
    for (int t = 0; t < started; ++t) {
        pthread_join(ids[t], NULL);
        total += slices[t].sum;
        lastWorkersUsed += slices[t].ranOnWorker;
    }
    lastMilliseconds = emscripten_get_now() - start;
    free(values);
    return started == threads ? (double)total : -1;
}

EMSCRIPTEN_KEEPALIVE double LastMilliseconds(void) {
    return lastMilliseconds;
}

EMSCRIPTEN_KEEPALIVE int LastWorkersUsed(void) {
    return lastWorkersUsed;
}
