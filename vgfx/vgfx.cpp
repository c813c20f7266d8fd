// The raster library: pixel inner loops for drawing, blits and effects. Its
// entry points are added with the graphics subsystems.
