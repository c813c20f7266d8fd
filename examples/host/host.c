/* A small host in C over the installed runtime: it opens a window and a
 * screen through the host kit, draws a bouncing ball over a gradient each
 * frame, presents it, and quits when the window is closed or Escape is
 * pressed.
 *
 *   kx_host [--backend headless|sdl] [--frames N] [--png FILE]
 *
 * --frames N stops after N frames (on the headless backend the frames then
 * advance a test clock instead of waiting); --png writes the last frame. */
#define _POSIX_C_SOURCE 200809L /* nanosleep */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <kx/kx_host.h>
#include <kx/kx_vm.h>

enum { WIDTH = 320, HEIGHT = 200, ESCAPE = 1 };

int main(int argc, char** argv) {
    const char* backend = NULL;
    const char* png = NULL;
    long frames = 0;
    for (int k = 1; k < argc; ++k) {
        if (!strcmp(argv[k], "--backend") && k + 1 < argc)
            backend = argv[++k];
        else if (!strcmp(argv[k], "--frames") && k + 1 < argc)
            frames = strtol(argv[++k], NULL, 10);
        else if (!strcmp(argv[k], "--png") && k + 1 < argc)
            png = argv[++k];
        else {
            fprintf(stderr, "usage: kx_host [--backend headless|sdl] [--frames N] [--png FILE]\n");
            return 2;
        }
    }

    VM_OpenMemoryManager(4096);
    if (!KXH_UseBackend(backend)) {
        fprintf(stderr, "kx_host: the %s backend cannot run here\n", backend ? backend : "default");
        VM_CloseMemoryManager();
        return 1;
    }
    int test_clock = frames > 0 && backend && !strcmp(backend, "headless");
    if (test_clock) KXH_SetTestClock(1, 0);
    int32_t window = KX_OpenWindow(WIDTH, HEIGHT);
    int32_t screen = window ? KXH_OpenScreen(window, WIDTH, HEIGHT, 32, 1) : 0;
    if (!screen) {
        fprintf(stderr, "kx_host: cannot open a window and a screen\n");
        if (window) KX_CloseWindow(window);
        VM_CloseMemoryManager();
        return 1;
    }
    int32_t title = VM_NewStrFromPtr("KX host in C");
    KX_SetWindowTitle(window, title);

    int x = 40, y = 50, dx = 3, dy = 2, status = 0;
    long frame = 0;
    for (;;) {
        KX_ShadeBox(0, 0, WIDTH, HEIGHT, 0x203060, 0x203060, 0x6080C0, 0x6080C0, 0, 0);
        KX_Box(0, HEIGHT - 20, WIDTH, HEIGHT, 0x304020, 1);
        KX_Circle(x, y, 16, 0xF0C040, 1);
        KX_Circle(x - 5, y - 5, 5, 0xFFF0C0, 1);
        x += dx;
        y += dy;
        if (x < 16 || x > WIDTH - 17) dx = -dx;
        if (y < 16 || y > HEIGHT - 37) dy = -dy;
        KX_SwapGraphics(screen, 0);
        ++frame;

        if (test_clock) {
            KXH_AdvanceClock(16);
        } else {
            struct timespec wait = {0, 16 * 1000 * 1000}; /* about 60 frames a second */
            nanosleep(&wait, NULL);
        }
        if (KXH_PumpMessages() < 0) break; /* the close button */
        if (KX_KeyState(ESCAPE)) break;
        if (frames > 0 && frame >= frames) break;
    }
    if (png && !KXH_SaveFramePNG(window, png)) {
        fprintf(stderr, "kx_host: cannot write %s\n", png);
        status = 1;
    }
    printf("kx_host: %ld frames\n", frame);
    KX_CloseGraphics(screen);
    KX_CloseWindow(window);
    VM_FreeALLBanks();
    VM_CloseMemoryManager();
    return status;
}
