/* Records that hosts read and write in place. Every field is 32 bits wide;
 * a field that holds an address holds a 32-bit address (all runtime memory
 * lies below 4 GiB). */
#ifndef KX_RECORDS_H
#define KX_RECORDS_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
#define KX_STATIC_ASSERT(c, m) static_assert(c, m)
#else
#define KX_STATIC_ASSERT(c, m) _Static_assert(c, m)
#endif

/* ---- Program record ------------------------------------------------------ */

/* How the last VM_Execute ended. */
enum {
    VM_STATE_NEW = -1,  /* never run */
    VM_STATE_HOST = 0,  /* stopped on an instruction for the host */
    VM_STATE_BUDGET = 1 /* the cycle budget was used up */
};

/* Operand tags. */
enum { VM_TAG_INT = 1069, VM_TAG_FLOAT = 1070, VM_TAG_OTHER = 1071 };

/* Kinds of stack entries. */
enum {
    VM_STACK_ADDRESS = 1, /* a return address (32-bit address of a program word) or a count */
    VM_STACK_INT = 2,
    VM_STACK_FLOAT = 3, /* a float truncated toward zero to an integer */
    VM_STACK_OTHER = 4  /* always 0 */
};

typedef struct VM_StackEntry {
    uint32_t Reserved; /* never read or written by the runtime */
    int32_t Kind;
    int32_t Value;
} VM_StackEntry;

typedef struct VM_Program {
    uint32_t ProgramMemory;     /* address of the bytecode words */
    uint32_t IntVariables;      /* address of the integer variable table */
    uint32_t FloatVariables;    /* address of the float variable table */
    int32_t StackMaxSize;       /* stack capacity in entries */
    int32_t StackCurrentSize;   /* entries in use */
    uint32_t Stack;             /* address of StackMaxSize + 1 entries */
    int32_t PC;                 /* resume position, written only by VM_SetPC */
    int32_t ExecutedCycles;     /* counted instructions of the last run */
    int32_t LastExecutionState; /* VM_STATE_* */
} VM_Program;

KX_STATIC_ASSERT(sizeof(VM_StackEntry) == 12, "stack entry is three words");
KX_STATIC_ASSERT(offsetof(VM_StackEntry, Kind) == 4, "stack entry layout");
KX_STATIC_ASSERT(offsetof(VM_StackEntry, Value) == 8, "stack entry layout");

KX_STATIC_ASSERT(sizeof(VM_Program) == 36, "program record is nine words");
KX_STATIC_ASSERT(offsetof(VM_Program, ProgramMemory) == 0, "program record layout");
KX_STATIC_ASSERT(offsetof(VM_Program, IntVariables) == 4, "program record layout");
KX_STATIC_ASSERT(offsetof(VM_Program, FloatVariables) == 8, "program record layout");
KX_STATIC_ASSERT(offsetof(VM_Program, StackMaxSize) == 12, "program record layout");
KX_STATIC_ASSERT(offsetof(VM_Program, StackCurrentSize) == 16, "program record layout");
KX_STATIC_ASSERT(offsetof(VM_Program, Stack) == 20, "program record layout");
KX_STATIC_ASSERT(offsetof(VM_Program, PC) == 24, "program record layout");
KX_STATIC_ASSERT(offsetof(VM_Program, ExecutedCycles) == 28, "program record layout");
KX_STATIC_ASSERT(offsetof(VM_Program, LastExecutionState) == 32, "program record layout");

/* ---- Map records ---------------------------------------------------------- */

/* Map (bank type 13). */
typedef struct KX_Map {
    int32_t Reserved0;    /* not written by the runtime */
    int32_t Reserved1;    /* not written by the runtime */
    int32_t HighestLevel; /* L: the map has level slots 0 to L */
    int32_t LevelTable;   /* handle of a raw bank of L + 1 level handles, 0 = empty slot */
} KX_Map;

/* Map level (bank type 14). */
typedef struct KX_MapLevel {
    int32_t InUse;     /* 1 once created */
    int32_t Reserved1; /* 0 once created */
    int32_t Width;
    int32_t Height;
    int32_t Reserved4; /* not written by the runtime */
    int32_t Cells;     /* handle of a raw bank of (Width + 1) x (Height + 1) 32-bit cells */
    int32_t Reserved6; /* not written by the runtime */
} KX_MapLevel;

KX_STATIC_ASSERT(sizeof(KX_Map) == 16, "map record is four words");
KX_STATIC_ASSERT(offsetof(KX_Map, HighestLevel) == 8, "map record layout");
KX_STATIC_ASSERT(offsetof(KX_Map, LevelTable) == 12, "map record layout");

KX_STATIC_ASSERT(sizeof(KX_MapLevel) == 28, "map level record is seven words");
KX_STATIC_ASSERT(offsetof(KX_MapLevel, InUse) == 0, "map level record layout");
KX_STATIC_ASSERT(offsetof(KX_MapLevel, Reserved1) == 4, "map level record layout");
KX_STATIC_ASSERT(offsetof(KX_MapLevel, Width) == 8, "map level record layout");
KX_STATIC_ASSERT(offsetof(KX_MapLevel, Height) == 12, "map level record layout");
KX_STATIC_ASSERT(offsetof(KX_MapLevel, Cells) == 20, "map level record layout");

/* ---- Mesh records --------------------------------------------------------- */

/* Vertex: position and normal. A vertex bank of n vertices is 24 x n + 1 bytes. */
typedef struct VM_MeshVertex {
    float X, Y, Z;
    float NormalX, NormalY, NormalZ;
} VM_MeshVertex;

typedef struct VM_MeshCorner {
    int32_t Vertex;  /* index into the mesh's vertices */
    float U, V;      /* texture coordinates, 0.0 to 1.0 across the image */
    uint32_t Colour; /* 0xRRGGBB; the top byte is ignored when drawing */
    int32_t Reserved;
} VM_MeshCorner;

/* Face: a face bank of n faces holds n + 1 records (one spare at the end). */
typedef struct VM_MeshFace {
    int32_t CornerCount; /* 3 or 4 are drawn; other counts are skipped */
    VM_MeshCorner Corner[4];
} VM_MeshFace;

/* Mesh (bank type 12). */
typedef struct VM_Mesh {
    int32_t Status; /* 1 while live, 0 once deletion has begun */
    int32_t Reserved1;
    int32_t VertexCount;
    int32_t Vertices;    /* handle of the model vertex bank (buffer 0) */
    int32_t Transformed; /* handle of the transformed vertex bank (buffer 1) */
    int32_t FaceCount;
    int32_t Reserved6;
    int32_t Faces; /* handle of the face bank */
    int32_t Reserved8;
    int32_t BackFace;  /* 1: projection drops faces that face away */
    int32_t Particles; /* handle of the particle controller, 0 = none */
} VM_Mesh;

KX_STATIC_ASSERT(sizeof(VM_MeshVertex) == 24, "vertex record is six floats");
KX_STATIC_ASSERT(offsetof(VM_MeshVertex, NormalX) == 12, "vertex record layout");
KX_STATIC_ASSERT(offsetof(VM_MeshVertex, NormalZ) == 20, "vertex record layout");

KX_STATIC_ASSERT(sizeof(VM_MeshCorner) == 20, "face corner is five words");
KX_STATIC_ASSERT(offsetof(VM_MeshCorner, U) == 4, "face corner layout");
KX_STATIC_ASSERT(offsetof(VM_MeshCorner, V) == 8, "face corner layout");
KX_STATIC_ASSERT(offsetof(VM_MeshCorner, Colour) == 12, "face corner layout");

KX_STATIC_ASSERT(sizeof(VM_MeshFace) == 84, "face record is 21 words");
KX_STATIC_ASSERT(offsetof(VM_MeshFace, Corner) == 4, "face record layout");

KX_STATIC_ASSERT(sizeof(VM_Mesh) == 44, "mesh record is 11 words");
KX_STATIC_ASSERT(offsetof(VM_Mesh, VertexCount) == 8, "mesh record layout");
KX_STATIC_ASSERT(offsetof(VM_Mesh, Vertices) == 12, "mesh record layout");
KX_STATIC_ASSERT(offsetof(VM_Mesh, Transformed) == 16, "mesh record layout");
KX_STATIC_ASSERT(offsetof(VM_Mesh, FaceCount) == 20, "mesh record layout");
KX_STATIC_ASSERT(offsetof(VM_Mesh, Faces) == 28, "mesh record layout");
KX_STATIC_ASSERT(offsetof(VM_Mesh, BackFace) == 36, "mesh record layout");
KX_STATIC_ASSERT(offsetof(VM_Mesh, Particles) == 40, "mesh record layout");

/* ---- Window record (bank type 7, 164 bytes) -------------------------------- */

typedef struct KX_Rect {
    int32_t Left;
    int32_t Top;
    int32_t Right;
    int32_t Bottom;
} KX_Rect;

/* The system's window placement record: 11 words, Length 44. */
typedef struct KX_Placement {
    uint32_t Length;
    uint32_t Flags;
    uint32_t ShowCmd;
    int32_t MinX, MinY;
    int32_t MaxX, MaxY;
    KX_Rect Normal; /* work-area coordinates */
} KX_Placement;

typedef struct KX_Window {
    int32_t Reserved0[2];
    uint32_t hWnd; /* the window's id; 0 when creation failed */
    int32_t Reserved12;
    KX_Placement Placement;
    int32_t ScreenHandle; /* bank handle of the attached screen, 0 while none */
    int32_t Reserved64[4];
    int32_t RequestedWidth;
    int32_t RequestedHeight;
    KX_Rect WindowRect;       /* outer rectangle, screen coordinates */
    KX_Rect ClientScreenRect; /* client area, screen coordinates */
    KX_Rect ClientRect;       /* client area, client coordinates */
    KX_Rect OpenRect;         /* outer rectangle right after creation */
    int32_t Reserved152;
    int32_t TimerActive;   /* 1 while the 10 ms input timer runs */
    int32_t CloseRequests; /* close requests not yet collected */
} KX_Window;

KX_STATIC_ASSERT(sizeof(KX_Placement) == 44, "placement is 11 words");
KX_STATIC_ASSERT(offsetof(KX_Placement, Normal) == 28, "placement layout");
KX_STATIC_ASSERT(sizeof(KX_Window) == 164, "window record is 41 words");
KX_STATIC_ASSERT(offsetof(KX_Window, hWnd) == 8, "window record layout");
KX_STATIC_ASSERT(offsetof(KX_Window, Placement) == 16, "window record layout");
KX_STATIC_ASSERT(offsetof(KX_Window, Placement.Normal) == 44, "window record layout");
KX_STATIC_ASSERT(offsetof(KX_Window, ScreenHandle) == 60, "window record layout");
KX_STATIC_ASSERT(offsetof(KX_Window, RequestedWidth) == 80, "window record layout");
KX_STATIC_ASSERT(offsetof(KX_Window, RequestedHeight) == 84, "window record layout");
KX_STATIC_ASSERT(offsetof(KX_Window, WindowRect) == 88, "window record layout");
KX_STATIC_ASSERT(offsetof(KX_Window, ClientScreenRect) == 104, "window record layout");
KX_STATIC_ASSERT(offsetof(KX_Window, ClientRect) == 120, "window record layout");
KX_STATIC_ASSERT(offsetof(KX_Window, OpenRect) == 136, "window record layout");
KX_STATIC_ASSERT(offsetof(KX_Window, TimerActive) == 156, "window record layout");
KX_STATIC_ASSERT(offsetof(KX_Window, CloseRequests) == 160, "window record layout");

/* ---- Screen and surface records -------------------------------------------- */

/* Records that screens and images share; hosts get their addresses. */
typedef struct KX_SurfaceSize {
    int32_t Width;
    int32_t Height;
    int32_t Depth; /* screen: bits per pixel; image: the value given at creation */
} KX_SurfaceSize;

/* Right and bottom are exclusive. */
typedef struct KX_Viewport {
    int32_t Left;
    int32_t Top;
    int32_t Right;
    int32_t Bottom;
} KX_Viewport;

/* Pixel-format codes of the lock buffer. */
enum {
    KX_FORMAT_OTHER = 0, /* 1 byte per pixel */
    KX_FORMAT_565 = 1,   /* 16 bits, green mask 0x7E0 */
    KX_FORMAT_555 = 2,   /* 16 bits, green mask 0x3E0 */
    KX_FORMAT_24 = 3,    /* B, G, R bytes */
    KX_FORMAT_32 = 4     /* 0x00RRGGBB */
};

typedef struct KX_LockBuffer {
    int32_t Locked;  /* 0 or 1 */
    uint32_t Pixels; /* address of pixel (0, 0) while locked */
    int32_t Pitch;   /* bytes per row */
    int32_t Format;  /* KX_FORMAT_*, set when the surface is made */
} KX_LockBuffer;

/* Render kinds: 1 video surface, 2 FX buffer, 4 texture surface. */
typedef struct KX_ImageType {
    int32_t TypeFlags;
    int32_t RenderTo;
} KX_ImageType;

/* Screen (bank type 8). Platform objects are the platform layer's 32-bit ids. */
typedef struct KX_Screen {
    int32_t Open; /* 1 while the screen is in use */
    KX_SurfaceSize Size;
    KX_Viewport Viewport;
    KX_LockBuffer Lock;
    int32_t Reserved48[4];
    KX_ImageType Type; /* RenderTo 1 */
    uint32_t DirectDraw;
    uint32_t FrontSurface; /* the primary surface */
    uint32_t BackSurface;  /* the surface drawing targets */
    uint32_t DepthSurface;
    uint32_t Direct3D;
    uint32_t Direct3DDevice;
    uint32_t DirectInput;
    uint32_t MouseDevice;
    uint32_t KeyboardDevice;
    int32_t Reserved108;
    uint32_t RedMask;
    uint32_t GreenMask;
    uint32_t BlueMask;
    int32_t Window;        /* bank handle of the window record */
    uint32_t WindowHandle; /* the window's id */
    uint32_t SavedStyle;   /* window style to restore on close (full screen) */
    int32_t Windowed;      /* 1 windowed, 0 full screen */
    int32_t DepthEnabled;
    int32_t State3D;
    int32_t MouseX;
    int32_t MouseY;
    int32_t MouseZ;
    int32_t MouseButtons;
    int32_t MouseMoveX;
    int32_t MouseMoveY;
    int32_t MouseMoveZ;
    int32_t MouseAcquired;
    int32_t KeyboardAcquired;
} KX_Screen;

KX_STATIC_ASSERT(sizeof(KX_SurfaceSize) == 12, "surface size is three words");
KX_STATIC_ASSERT(sizeof(KX_Viewport) == 16, "viewport is four words");
KX_STATIC_ASSERT(sizeof(KX_LockBuffer) == 16, "lock buffer is four words");
KX_STATIC_ASSERT(offsetof(KX_LockBuffer, Format) == 12, "lock buffer layout");
KX_STATIC_ASSERT(sizeof(KX_ImageType) == 8, "image type is two words");

KX_STATIC_ASSERT(sizeof(KX_Screen) == 184, "screen record is 46 words");
KX_STATIC_ASSERT(offsetof(KX_Screen, Size) == 4, "screen record layout");
KX_STATIC_ASSERT(offsetof(KX_Screen, Viewport) == 16, "screen record layout");
KX_STATIC_ASSERT(offsetof(KX_Screen, Lock) == 32, "screen record layout");
KX_STATIC_ASSERT(offsetof(KX_Screen, Lock.Format) == 44, "screen record layout");
KX_STATIC_ASSERT(offsetof(KX_Screen, Type) == 64, "screen record layout");
KX_STATIC_ASSERT(offsetof(KX_Screen, Type.RenderTo) == 68, "screen record layout");
KX_STATIC_ASSERT(offsetof(KX_Screen, DirectDraw) == 72, "screen record layout");
KX_STATIC_ASSERT(offsetof(KX_Screen, FrontSurface) == 76, "screen record layout");
KX_STATIC_ASSERT(offsetof(KX_Screen, BackSurface) == 80, "screen record layout");
KX_STATIC_ASSERT(offsetof(KX_Screen, DepthSurface) == 84, "screen record layout");
KX_STATIC_ASSERT(offsetof(KX_Screen, Direct3D) == 88, "screen record layout");
KX_STATIC_ASSERT(offsetof(KX_Screen, Direct3DDevice) == 92, "screen record layout");
KX_STATIC_ASSERT(offsetof(KX_Screen, DirectInput) == 96, "screen record layout");
KX_STATIC_ASSERT(offsetof(KX_Screen, MouseDevice) == 100, "screen record layout");
KX_STATIC_ASSERT(offsetof(KX_Screen, KeyboardDevice) == 104, "screen record layout");
KX_STATIC_ASSERT(offsetof(KX_Screen, RedMask) == 112, "screen record layout");
KX_STATIC_ASSERT(offsetof(KX_Screen, GreenMask) == 116, "screen record layout");
KX_STATIC_ASSERT(offsetof(KX_Screen, BlueMask) == 120, "screen record layout");
KX_STATIC_ASSERT(offsetof(KX_Screen, Window) == 124, "screen record layout");
KX_STATIC_ASSERT(offsetof(KX_Screen, WindowHandle) == 128, "screen record layout");
KX_STATIC_ASSERT(offsetof(KX_Screen, SavedStyle) == 132, "screen record layout");
KX_STATIC_ASSERT(offsetof(KX_Screen, Windowed) == 136, "screen record layout");
KX_STATIC_ASSERT(offsetof(KX_Screen, DepthEnabled) == 140, "screen record layout");
KX_STATIC_ASSERT(offsetof(KX_Screen, State3D) == 144, "screen record layout");
KX_STATIC_ASSERT(offsetof(KX_Screen, MouseX) == 148, "screen record layout");
KX_STATIC_ASSERT(offsetof(KX_Screen, MouseButtons) == 160, "screen record layout");
KX_STATIC_ASSERT(offsetof(KX_Screen, MouseMoveZ) == 172, "screen record layout");
KX_STATIC_ASSERT(offsetof(KX_Screen, KeyboardAcquired) == 180, "screen record layout");

/* The FX record of an image: its plain-memory buffer (KX_GetFXImagePtr). */
typedef struct KX_FXRecord {
    int32_t Present; /* 0 or 1 */
    int32_t Bank;    /* bank handle of the pixels */
    int32_t Unused;
    uint32_t Pixels; /* address of pixel (0, 0) */
    int32_t Pitch;   /* bytes per row */
    int32_t Format;  /* pixel-format code */
} KX_FXRecord;

/* A DirectDraw buffer of an image (video or texture). */
typedef struct KX_ImageBuffer {
    int32_t Present; /* 0 or 1 */
    uint32_t Surface;
} KX_ImageBuffer;

/* Image (bank type 9, 140 bytes). TypeFlags: 1 video, 2 FX, 4 texture buffer,
 * 0x100 video buffer in system memory. */
typedef struct KX_Image {
    int32_t InUse; /* 1 */
    KX_SurfaceSize Size;
    uint32_t MaskColour;
    int32_t Screen; /* bank handle of the screen the image was made for */
    KX_LockBuffer Lock;
    int32_t Reserved40[4];
    KX_ImageType Type;
    uint32_t DirectDraw; /* the screen's display object */
    KX_ImageBuffer Video;
    KX_FXRecord FX;
    int32_t Reserved100[4];
    KX_ImageBuffer Texture;
    KX_Viewport Viewport;
} KX_Image;

KX_STATIC_ASSERT(sizeof(KX_FXRecord) == 24, "FX record is six words");
KX_STATIC_ASSERT(sizeof(KX_Image) == 140, "image record is 35 words");
KX_STATIC_ASSERT(offsetof(KX_Image, Size) == 4, "image record layout");
KX_STATIC_ASSERT(offsetof(KX_Image, MaskColour) == 16, "image record layout");
KX_STATIC_ASSERT(offsetof(KX_Image, Screen) == 20, "image record layout");
KX_STATIC_ASSERT(offsetof(KX_Image, Lock) == 24, "image record layout");
KX_STATIC_ASSERT(offsetof(KX_Image, Type) == 56, "image record layout");
KX_STATIC_ASSERT(offsetof(KX_Image, DirectDraw) == 64, "image record layout");
KX_STATIC_ASSERT(offsetof(KX_Image, Video) == 68, "image record layout");
KX_STATIC_ASSERT(offsetof(KX_Image, FX) == 76, "image record layout");
KX_STATIC_ASSERT(offsetof(KX_Image, FX.Pixels) == 88, "image record layout");
KX_STATIC_ASSERT(offsetof(KX_Image, FX.Format) == 96, "image record layout");
KX_STATIC_ASSERT(offsetof(KX_Image, Texture) == 116, "image record layout");
KX_STATIC_ASSERT(offsetof(KX_Image, Viewport) == 124, "image record layout");

/* ---- Font record (bank type 11, 8252 bytes) -------------------------------- */

/* FontType: 1 system font, 2 bitmap font, 4 bitmap font prepared for FX. */
typedef struct KX_FontChar {
    int32_t HangLeft; /* the glyph is drawn this far right of the pen */
    int32_t Advance;  /* pen advance */
    int32_t HangRight;
    int32_t Height;
    KX_Viewport SourceRect; /* the glyph on the font image: left, top, right, bottom */
} KX_FontChar;

typedef struct KX_Font {
    int32_t InUse;
    int32_t Reserved1;
    int32_t FontType;
    uint32_t GdiFont;     /* system font id, 0 when none */
    int32_t ScreenHandle; /* the screen the font was made for */
    int32_t NameString;   /* string bank with the face name; 0 for bitmap fonts */
    int32_t Style;
    int32_t Size;
    int32_t CellWidth;
    int32_t CellHeight;
    int32_t Reserved10;
    uint32_t MaskColour;
    int32_t ImageHandle; /* the glyph grid, 0 while none */
    int32_t GridColumns; /* 16 */
    int32_t GridRows;    /* 16 */
    KX_FontChar Chars[256];
} KX_Font;

KX_STATIC_ASSERT(sizeof(KX_FontChar) == 32, "a character entry is eight words");
KX_STATIC_ASSERT(sizeof(KX_Font) == 8252, "font record is 2063 words");
KX_STATIC_ASSERT(offsetof(KX_Font, GdiFont) == 12, "font record layout");
KX_STATIC_ASSERT(offsetof(KX_Font, CellWidth) == 32, "font record layout");
KX_STATIC_ASSERT(offsetof(KX_Font, MaskColour) == 44, "font record layout");
KX_STATIC_ASSERT(offsetof(KX_Font, GridRows) == 56, "font record layout");
KX_STATIC_ASSERT(offsetof(KX_Font, Chars) == 60, "font record layout");

/* ---- Camera, sprite and particle records ----------------------------------- */

/* Camera record: words the projection reads (others are never read). */
typedef struct KX_Camera {
    int32_t Reserved0;
    float CameraX, CameraY, CameraZ;
    float CameraAngleX, CameraAngleY, CameraAngleZ; /* degrees */
    int32_t Reserved7[3];
    int32_t CameraMode;   /* 0 flat camera (position and roll), 1 full 3D camera */
    int32_t CameraNoRoll; /* mode 0: not 0 makes the roll factors 0 */
    float ProjectScaleX, ProjectScaleY;
    float ScreenCentreX, ScreenCentreY;
} KX_Camera;

/* Sprite (bank type 10): 47 words of fields in a 220-byte bank. */
typedef struct KX_Sprite {
    int32_t Status;
    int32_t Visible;
    int32_t Transparent;
    int32_t Collision[6]; /* mode, class, three data words, show-collision flag */
    int32_t DrawMode;
    float Position[3];
    float OldPosition[3];
    int32_t AutoCenterHandles;
    float Handle[3];
    float Scale[3];
    float Rotation[3]; /* degrees about x, y and z */
    int32_t RotationMode;
    int32_t Changed;
    int32_t Image;
    int32_t ImageIndex;
    int32_t SizeFromImage;
    int32_t Width, Height, Depth;
    int32_t Mesh;
    int32_t BoundingRect[4]; /* left, top, right, bottom */
    float Alpha;
    int32_t Colours[6];
    int32_t LocalBank;
    int32_t Reserved188[8]; /* the bank's unused tail */
} KX_Sprite;

/* A value animated on every particle update. */
typedef struct KX_AnimatedVector {
    int32_t Enabled;
    float Value[3];
    float Delta[3];
    float Min[3];
    float Max[3];
} KX_AnimatedVector;

/* Particle (a plain bank of 308 bytes). */
typedef struct KX_Particle {
    int32_t Flags; /* bits 0-3 die beyond min x, max x, min y, max y; 0x80 fades the colour */
    int32_t Age;
    int32_t Life;
    float Width, Height;
    int32_t Reserved5;
    float Position[3];
    float Centre[3];
    float Scale[3];
    float Angles[3];
    uint32_t Colour;
    KX_AnimatedVector Velocity;
    KX_AnimatedVector Force;
    KX_AnimatedVector Growth;
    KX_AnimatedVector Spin;
    float MinX, MinY;
    int32_t Reserved73;
    float MaxX, MaxY;
    int32_t Reserved76;
} KX_Particle;

/* Particle controller (a plain bank of five words, the mesh's Particles). */
typedef struct KX_ParticleController {
    int32_t Capacity;
    int32_t Reserved1;
    uint32_t SlotList; /* address of the slot list of items 0 to Capacity - 1 */
    int32_t TableBank; /* handle of the particle table: Capacity x 4 + 80 bytes */
    uint32_t Table;    /* address of the table: entry i is particle i's bank, or 0 */
} KX_ParticleController;

KX_STATIC_ASSERT(sizeof(KX_Camera) == 64, "camera record is 16 words");
KX_STATIC_ASSERT(offsetof(KX_Camera, CameraX) == 4, "camera record layout");
KX_STATIC_ASSERT(offsetof(KX_Camera, CameraAngleX) == 16, "camera record layout");
KX_STATIC_ASSERT(offsetof(KX_Camera, CameraMode) == 40, "camera record layout");
KX_STATIC_ASSERT(offsetof(KX_Camera, ProjectScaleX) == 48, "camera record layout");
KX_STATIC_ASSERT(offsetof(KX_Camera, ScreenCentreY) == 60, "camera record layout");

KX_STATIC_ASSERT(sizeof(KX_Sprite) == 220, "sprite bank is 220 bytes");
KX_STATIC_ASSERT(offsetof(KX_Sprite, Collision) == 12, "sprite record layout");
KX_STATIC_ASSERT(offsetof(KX_Sprite, DrawMode) == 36, "sprite record layout");
KX_STATIC_ASSERT(offsetof(KX_Sprite, Position) == 40, "sprite record layout");
KX_STATIC_ASSERT(offsetof(KX_Sprite, OldPosition) == 52, "sprite record layout");
KX_STATIC_ASSERT(offsetof(KX_Sprite, AutoCenterHandles) == 64, "sprite record layout");
KX_STATIC_ASSERT(offsetof(KX_Sprite, Handle) == 68, "sprite record layout");
KX_STATIC_ASSERT(offsetof(KX_Sprite, Scale) == 80, "sprite record layout");
KX_STATIC_ASSERT(offsetof(KX_Sprite, Rotation) == 92, "sprite record layout");
KX_STATIC_ASSERT(offsetof(KX_Sprite, RotationMode) == 104, "sprite record layout");
KX_STATIC_ASSERT(offsetof(KX_Sprite, Changed) == 108, "sprite record layout");
KX_STATIC_ASSERT(offsetof(KX_Sprite, Image) == 112, "sprite record layout");
KX_STATIC_ASSERT(offsetof(KX_Sprite, SizeFromImage) == 120, "sprite record layout");
KX_STATIC_ASSERT(offsetof(KX_Sprite, Width) == 124, "sprite record layout");
KX_STATIC_ASSERT(offsetof(KX_Sprite, Mesh) == 136, "sprite record layout");
KX_STATIC_ASSERT(offsetof(KX_Sprite, BoundingRect) == 140, "sprite record layout");
KX_STATIC_ASSERT(offsetof(KX_Sprite, Alpha) == 156, "sprite record layout");
KX_STATIC_ASSERT(offsetof(KX_Sprite, Colours) == 160, "sprite record layout");
KX_STATIC_ASSERT(offsetof(KX_Sprite, LocalBank) == 184, "sprite record layout");
KX_STATIC_ASSERT(offsetof(KX_Sprite, Reserved188) == 188, "sprite fields end at 188 bytes");

KX_STATIC_ASSERT(sizeof(KX_AnimatedVector) == 52, "animated vector is 13 words");
KX_STATIC_ASSERT(sizeof(KX_Particle) == 308, "particle record is 77 words");
KX_STATIC_ASSERT(offsetof(KX_Particle, Position) == 24, "particle record layout");
KX_STATIC_ASSERT(offsetof(KX_Particle, Centre) == 36, "particle record layout");
KX_STATIC_ASSERT(offsetof(KX_Particle, Scale) == 48, "particle record layout");
KX_STATIC_ASSERT(offsetof(KX_Particle, Angles) == 60, "particle record layout");
KX_STATIC_ASSERT(offsetof(KX_Particle, Colour) == 72, "particle record layout");
KX_STATIC_ASSERT(offsetof(KX_Particle, Velocity) == 76, "particle record layout");
KX_STATIC_ASSERT(offsetof(KX_Particle, Force) == 128, "particle record layout");
KX_STATIC_ASSERT(offsetof(KX_Particle, Growth) == 180, "particle record layout");
KX_STATIC_ASSERT(offsetof(KX_Particle, Spin) == 232, "particle record layout");
KX_STATIC_ASSERT(offsetof(KX_Particle, MinX) == 284, "particle record layout");
KX_STATIC_ASSERT(offsetof(KX_Particle, MaxX) == 296, "particle record layout");
KX_STATIC_ASSERT(sizeof(KX_ParticleController) == 20, "particle controller is five words");
KX_STATIC_ASSERT(offsetof(KX_ParticleController, Table) == 16, "particle controller layout");

#endif
