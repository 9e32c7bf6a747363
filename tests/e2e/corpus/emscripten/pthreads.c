// Threads: main runs on a worker of its own, and two more workers from the pool
// (their script fetched by a relative URL)
// each sum half of an array in shared memory.
#include <pthread.h>
#include <stdio.h>

#define COUNT 1000000
static int values[COUNT];

struct half {
    int first;
    long long sum;
};

static void* sum_half(void* argument) {
    struct half* half = argument;
    for (int i = half->first; i < half->first + COUNT / 2; ++i)
        half->sum += values[i];
    return NULL;
}

int main(void) {
    for (int i = 0; i < COUNT; ++i)
        values[i] = i % 7;
    struct half halves[2] = {{0, 0}, {COUNT / 2, 0}};
    pthread_t threads[2];
    for (int i = 0; i < 2; ++i)
        if (pthread_create(&threads[i], NULL, sum_half, &halves[i]) != 0) {
            fprintf(stderr, "pthreads: no thread\n");
            return 1;
        }
    for (int i = 0; i < 2; ++i)
        pthread_join(threads[i], NULL);
    printf("pthreads: 2 threads summed %lld\n", halves[0].sum + halves[1].sum);
    return 0;
}
