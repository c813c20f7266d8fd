// Stand-ins for the raster library, for the binding tests: one exports only a
// single entry point, the other also exports the name that marks an
// incompatible library.
#define FAKE_API extern "C" __attribute__((visibility("default")))

FAKE_API void VGFX_SetBuffer(void*, int, int) {}
#ifdef FAKE_INIT_LIB
FAKE_API int VGFX_Init_Lib() {
    return 1;
}
#endif
