// SDL through Emscripten's own SDL: reads its level from the preloaded file
// system (the .data package), then draws a frame from the main loop.
#include <SDL/SDL.h>
#include <emscripten.h>
#include <stdio.h>

static SDL_Surface* screen;
static int frames;
static long level_bytes;

static void draw_frame(void) {
    SDL_FillRect(screen, NULL, SDL_MapRGB(screen->format, 32, (Uint8)(frames * 4), 96));
    SDL_Rect player = {(Sint16)(16 + frames % 200), 100, 16, 16};
    SDL_FillRect(screen, &player, SDL_MapRGB(screen->format, 255, 220, 0));
    SDL_Flip(screen);
    if (++frames == 1)
        printf("sdl: first frame drawn, level of %ld bytes\n", level_bytes);
}

int main(void) {
    FILE* level = fopen("/assets/level.txt", "rb");
    if (!level) {
        fprintf(stderr, "sdl: the level is missing\n");
        return 1;
    }
    fseek(level, 0, SEEK_END);
    level_bytes = ftell(level);
    fclose(level);
    if (SDL_Init(SDL_INIT_VIDEO) != 0 || !(screen = SDL_SetVideoMode(320, 240, 32, SDL_SWSURFACE))) {
        fprintf(stderr, "sdl: no video: %s\n", SDL_GetError());
        return 1;
    }
    emscripten_set_main_loop(draw_frame, 0, 0);
    return 0;
}
