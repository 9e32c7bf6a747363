// Asyncify: the program sleeps and fetches its level by a relative URL while
// its C code reads as if it blocked.
#include <emscripten.h>
#include <stdio.h>

int main(void) {
    for (int i = 0; i < 3; ++i)
        emscripten_sleep(5);
    emscripten_wget("level.txt", "/level.txt");
    FILE* level = fopen("/level.txt", "rb");
    if (!level) {
        fprintf(stderr, "asyncify: the level did not arrive\n");
        return 1;
    }
    fseek(level, 0, SEEK_END);
    printf("asyncify: started after 3 sleeps, level of %ld bytes\n", ftell(level));
    fclose(level);
    return 0;
}
