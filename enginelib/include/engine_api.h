/*
 * engine_api.h - the contract between Tarvelok and its engine library.
 *
 * The game never links an engine: it loads libengine.so (the real one, SDL2 + OpenGL) or
 * libengine_headless.so (virtual clock, scripted input, call recording) from its own folder and
 * resolves the operations below by these exact names. Both libraries export every operation with
 * C linkage and the same behaviour towards the caller; they differ only in what reaches a screen,
 * a speaker or a clock.
 *
 * Conventions every operation keeps:
 *   - coordinates and sizes: float screen pixels of the 800 x 600 logical screen, origin top left,
 *     y down; while the current camera's camera_on is 1, sprite, text and rectangle positions are
 *     world coordinates shifted by the camera's x and y;
 *   - alpha: integer 0..255; angles: float degrees, clockwise on screen, about the box centre;
 *   - colours: 0x00BBGGRR (red in the low byte);
 *   - keys: Windows virtual-key codes (VK_BACK 8, VK_ESCAPE 27, VK_SPACE 32, VK_LEFT 37,
 *     VK_UP 38, VK_RIGHT 39, VK_DOWN 40, VK_F1 112, VK_F2 113, '0'..'9' 48..57, 'A'..'Z' 65..90);
 *   - mouse buttons: 1 is the left button (it clicks interface elements), 0 the right one;
 *   - booleans come back as uint8_t 0 or 1;
 *   - text: zero-terminated strings of code page 1251 bytes, both ways;
 *   - strings returned by the engine stay valid until the next call of the same operation.
 *
 * This header declares the records the game reads or writes directly, the operation types, and
 * (when ENGINE_API_DECLARE_EXPORTS is defined, as the engine libraries do) the exports themselves.
 */
#ifndef TARVELOK_ENGINE_API_H
#define TARVELOK_ENGINE_API_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Records shared with the game ------------------------------------------------------------ */

typedef void (*OE_Proc)(void);

/* Screen options, as returned by OE_GetOptions. The game reads fullscreen (byte 0) and bpp
 * (byte 28); the rest is the engine's. */
typedef struct OE_Options {
    uint8_t fullscreen;      /* byte 0: 1 = desktop full screen, 0 = resizable window */
    uint8_t reserved0[3];
    int32_t width;           /* byte 4: logical width, always 800 */
    int32_t height;          /* byte 8: logical height, always 600 */
    int32_t refresh;         /* byte 12: fourth argument of OE_SetScreenOptions, kept as given */
    int32_t vsync;           /* byte 16: sixth argument of OE_SetScreenOptions, kept as given */
    int32_t window_width;    /* byte 20: current drawable size in real pixels (0 before OE_Init) */
    int32_t window_height;   /* byte 24 */
    int32_t bpp;             /* byte 28: bits per pixel, 32 or 16, as last requested */
} OE_Options;

/* A timer made by Timer_Create. time_stamp (byte 8) is the U_GetTime moment from which the next
 * interval is counted: the timer runs its procedure once per whole interval elapsed since it, and
 * advances it by one interval per run. The game may store U_GetTime() into it (after a level load)
 * to count the next interval from that moment instead of catching up on the load's time. */
typedef struct OE_Timer {
    OE_Proc proc;            /* byte 0 */
    double  time_stamp;      /* byte 8: milliseconds, U_GetTime units */
    int32_t interval;        /* byte 16: milliseconds */
    int32_t flags;           /* byte 20: third argument of Timer_Create, kept as given */
} OE_Timer;

/* The 2D camera of Cam2D_Create. The game writes all three fields directly. */
typedef struct OE_Camera {
    float   x;               /* world x of the screen's top-left corner */
    float   y;               /* world y of the screen's top-left corner */
    uint8_t camera_on;       /* 1: draw in world coordinates shifted by x, y; 0: screen coordinates */
} OE_Camera;

/* A texture. The game reads these three leading fields; the engine keeps more after them. */
typedef struct OE_Texture {
    void   *device_texture;  /* what the device stand-in's SetTexture takes */
    int32_t width;           /* picture width in pixels */
    int32_t height;          /* picture height in pixels */
} OE_Texture;

typedef struct OE_Font OE_Font;     /* opaque */
typedef struct OE_Sound OE_Sound;   /* opaque */

/* A point and a polyline as the level outlines store them (ColEx_PolyCenter fills cx, cy). */
typedef struct OE_Point {
    float x, y;
} OE_Point;
typedef struct OE_PolyLine {
    int32_t   count;         /* index of the last point: count + 1 points; 0 = no outline */
    float     cx, cy;        /* centre, filled by ColEx_PolyCenter (mean of the count + 1 points) */
    OE_Point *points;        /* count + 1 entries, owned by the game */
} OE_PolyLine;

/* The device stand-in handed out by P_GetParams(18): a cell holding a pointer to this object.
 * Vertices for DrawPrimitiveUP use format 0x144: x, y, z, rhw (floats, screen pixels; z and rhw
 * are ignored), colour (uint32 0xAARRGGBB), u, v (floats; textures repeat), stride 28.
 * Primitive type 4 is a triangle list. Render state 40 (edge antialiasing) is accepted.
 * SetTexture(0, NULL) unbinds: triangles drawn with no texture set take their vertex colours
 * alone. Positions are screen pixels: the camera plays no part.
 * Draws keep their order relative to sprites. Methods return 0 on success. */
typedef struct OE_Device OE_Device;
typedef struct OE_DeviceVtbl {
    uint32_t (*AddRef)(OE_Device *self);
    uint32_t (*Release)(OE_Device *self);
    int32_t  (*SetRenderState)(OE_Device *self, uint32_t state, uint32_t value);
    int32_t  (*SetVertexShader)(OE_Device *self, uint32_t vertex_format);
    int32_t  (*SetTexture)(OE_Device *self, uint32_t stage, void *device_texture);
    int32_t  (*DrawPrimitiveUP)(OE_Device *self, uint32_t primitive_type, uint32_t primitive_count,
                                const void *vertices, uint32_t stride);
} OE_DeviceVtbl;
struct OE_Device {
    const OE_DeviceVtbl *vtbl;
};

#define OE_VERTEX_FORMAT_XYZRHW_DIFFUSE_TEX1 0x144u
#define OE_PRIMITIVE_TRIANGLELIST 4u
#define OE_RENDERSTATE_EDGEANTIALIAS 40u

/* Sprite effect flags. */
#define OE_FX_DEFAULT 1   /* on every ordinary draw */
#define OE_FX_MIRROR  2   /* mirrored left to right */
#define OE_FX_FLIP    4   /* flipped top to bottom */
#define OE_FX_COLOR   8   /* multiplied by the FX_SetColorMix colour */
#define OE_FX_VERTEX  32  /* corners moved by the FX_SetVertexes offsets (TL, TR, BR, BL) */

/*
 * Font description files (fnt/NAME.ofi) are text, one record a line, '#' starts a comment line:
 *   ofi 1
 *   texture W H              size of the glyph picture in pixels
 *   line H                   line height in pixels (text boxes are this tall)
 *   glyph C X Y W H OX OY A  code-page-1251 byte C (1..255): its cell at X, Y of size W x H in the
 *                            picture is drawn at (pen x + OX, top + OY); the pen then moves A pixels
 * A byte without a glyph line draws nothing and advances 0. Text_GetWidth is the sum of the
 * advances of the text's bytes, plus the spacing argument between characters, times the scale.
 * One description serves every picture drawn from the same glyph layout (cyr.tga and cyrl.tga).
 */

/* ---- The operations -------------------------------------------------------------------------- */

#define ENGINE_OPERATIONS(X)                                                                      \
    X(void,        OE_SetWndName,        (const char *caption))                                  \
    X(void,        OE_SetScreenOptions,  (int32_t width, int32_t height, int32_t bpp,             \
                                          int32_t refresh, int32_t fullscreen, int32_t vsync))    \
    X(void,        OE_ChangeScreenOptions,(int32_t width, int32_t height, int32_t bpp,            \
                                          int32_t refresh, int32_t fullscreen, int32_t vsync))    \
    X(OE_Options*, OE_GetOptions,        (void))                                                 \
    X(void,        OE_SetAdvancedOptions,(int32_t a, int32_t b, int32_t c))                      \
    X(void,        OE_Disable,           (int32_t what))                                         \
    X(void,        OE_RegProcedure,      (int32_t id, OE_Proc proc))                             \
    X(OE_Timer*,   Timer_Create,         (OE_Proc proc, int32_t interval_ms, int32_t flags))     \
    X(void,        OE_Init,              (int32_t a, int32_t b))                                 \
    X(void,        OE_Quit,              (void))                                                 \
    X(void,        OE_MessageBox,        (const char *text, const char *caption, int32_t style)) \
    X(uint8_t,     KeyEx_Down,           (int32_t key))                                          \
    X(uint8_t,     Key_Press,            (int32_t key))                                          \
    X(void,        Key_BeginReadText,    (const char *initial))                                  \
    X(const char*, Key_EndReadText,      (void))                                                 \
    X(int32_t,     Mouse_X,              (void))                                                 \
    X(int32_t,     Mouse_Y,              (void))                                                 \
    X(int32_t,     Mouse_DeltaX,         (void))                                                 \
    X(uint8_t,     Mouse_Down,           (int32_t button))                                       \
    X(uint8_t,     Mouse_Press,          (int32_t button))                                       \
    X(uint8_t,     Mouse_Click,          (int32_t button))                                       \
    X(uint8_t,     Mouse_DblClick,       (int32_t button))                                       \
    X(void,        Mouse_Lock,           (void))                                                 \
    X(OE_Texture*, Tex_LoadFromFile,     (const char *path, int32_t transparent, int32_t flags)) \
    X(void,        Tex_Free,             (OE_Texture **texture))                                 \
    X(void,        Tex_SetFramesSize,    (OE_Texture *texture, int32_t frame_w, int32_t frame_h)) \
    X(void,        SSprite_Draw,         (OE_Texture *texture, float x, float y, float w, float h, \
                                          int32_t alpha, float angle, int32_t flags))             \
    X(void,        ASprite_Draw,         (OE_Texture *texture, float x, float y, float w, float h, \
                                          int32_t frame, int32_t alpha, float angle, int32_t flags)) \
    X(void,        Pr2D_Rect,            (float x, float y, float w, float h, uint32_t colour,    \
                                          int32_t alpha, int32_t flags))                          \
    X(void,        Pr2D_LineWidth,       (float width))                                          \
    X(void,        FX_SetBlendMode,      (int32_t mode))                                         \
    X(void,        FX_SetColorMix,       (uint32_t colour))                                      \
    X(void,        FX_SetVertexes,       (int32_t x1, int32_t y1, int32_t x2, int32_t y2,         \
                                          int32_t x3, int32_t y3, int32_t x4, int32_t y4))        \
    X(OE_Font*,    Text_LoadFontFromFile,(const char *picture, const char *description,          \
                                          int32_t transparent, int32_t flags))                    \
    X(void,        Text_Draw,            (OE_Font *font, float x, float y, const char *text,      \
                                          float scale, int32_t spacing, int32_t alpha,            \
                                          uint32_t colour))                                       \
    X(float,       Text_GetWidth,        (OE_Font *font, const char *text, float scale,           \
                                          int32_t spacing))                                       \
    X(OE_Camera*,  Cam2D_Create,         (void))                                                 \
    X(void,        Cam2D_Set,            (OE_Camera *camera))                                    \
    X(void,        Snd_Init,             (void))                                                 \
    X(OE_Sound*,   Snd_LoadFromFile,     (const char *path, int32_t buffers))                    \
    X(void,        Snd_SetBuffersCount,  (OE_Sound *sound, int32_t buffers))                     \
    X(void,        Snd_Play,             (OE_Sound *sound, int32_t pan, int32_t a, int32_t b,     \
                                          int32_t flag))                                          \
    X(void,        Snd_SetVolume,        (int32_t percent))                                      \
    X(void,        ColEx_PolyCenter,     (OE_PolyLine *polyline))                                \
    X(float,       M_Cos,                (int32_t degrees))                                      \
    X(float,       M_Sin,                (int32_t degrees))                                      \
    X(int32_t,     M_Round,              (float value))                                          \
    X(float,       M_Distance,           (float x1, float y1, float x2, float y2))               \
    X(const char*, U_IntToStr,           (int32_t value))                                        \
    X(double,      U_GetTime,            (void))                                                 \
    X(void*,       P_GetParams,          (int32_t what))

/* Operation notes (what the game relies on):
 *  OE_RegProcedure ids: 0 frame, 1 load (once, after the window exists), 2 exit (once, at shut-down),
 *    3 splash (while starting, before load).
 *  OE_Init runs the loop: splash, load, then per pass events, due timers, frame, present; returns
 *    after OE_Quit or the window's close button, having run the exit procedure.
 *  OE_MessageBox: shows text with a caption (style 0x10 = error icon); with TARVELOK_NO_DIALOGS=1
 *    only writes it to stderr. The headless engine records it. Added for the platform layer.
 *  Key_Press: each press is reported once, latched until read, so that a logic tick between frames
 *    never misses one; a press nobody reads within 100 ms, by the end of a pass in which a timer
 *    ran, is dropped (no stale surprise later).
 *  KeyEx_Down / Mouse_Down: held now; a tap that went down and up again before any timer
 *    procedure ran (shorter than a pass, e.g. `xdotool key Escape`) also reads as held until the
 *    end of the first pass in which a timer ran, so the logic tick sees it.
 *  Mouse_Press / Mouse_Click / Mouse_DblClick: true for the whole pass whose events made them (its
 *    timers and its frame procedure), for every reader, so that several elements of one frame all
 *    see one click; cleared when the pass ends. Mouse_DeltaX likewise is this pass's movement.
 *  Snd_Play pan: -400..400, the cursor's offset from the screen's middle; 0 is centred.
 *  Snd_SetVolume: the loudness of every sound effect, playing or to come, in percent of its own
 *    (clamped to 0..100; 100 at start); 0 is silent. Added for the player's effects volume.
 *  Snd_LoadFromFile / Tex_LoadFromFile never return NULL: a file that fails to load gives a silent
 *    sound or a checker texture, with one warning on stderr.
 *  ASprite_Draw frame: 1-based cell number, cells counted left to right, top to bottom.
 *  Pr2D_Rect flags: 1 fills, 0 draws the outline with the Pr2D_LineWidth width.
 *  FX_SetBlendMode: 0 ordinary alpha blending, 1 additive.
 *  M_Round: nearest integer, halves away from zero.
 *  U_GetTime: milliseconds since the engine started.
 *  P_GetParams(18): pointer to a cell holding OE_Device*; other values return NULL.
 */

typedef struct HL_Event HL_Event;

#ifdef ENGINE_API_DECLARE_EXPORTS
#define ENGINE_API_EXPORT_DECL(ret, name, params) __attribute__((visibility("default"))) ret name params;
ENGINE_OPERATIONS(ENGINE_API_EXPORT_DECL)
#undef ENGINE_API_EXPORT_DECL
#endif

/* ---- Headless engine control (exported only by libengine_headless.so) ------------------------ */

enum HL_EventType {
    HL_KEY_DOWN = 1,   /* a = virtual-key code */
    HL_KEY_UP,         /* a = virtual-key code */
    HL_MOUSE_MOVE,     /* a = x, b = y, logical pixels */
    HL_MOUSE_DOWN,     /* a = button (1 left, 0 right) */
    HL_MOUSE_UP,       /* a = button; after a HL_MOUSE_DOWN of the same button it completes a click */
    HL_TEXT,           /* text = UTF-8, handed to the game in code page 1251 like the real engine */
    HL_QUIT            /* as the window's close button */
};
struct HL_Event {
    int32_t frame;     /* applied before that frame's timers and frame procedure (frames count from 0) */
    int32_t type;      /* HL_EventType */
    int32_t a, b;
    char    text[256];
};

#define HEADLESS_OPERATIONS(X)                                                                    \
    X(void,    HL_PushEvent,     (const HL_Event *event))   /* queue, kept in frame order */       \
    X(void,    HL_SetFrameLimit, (int32_t frames))           /* quit after that many frames; 0 none */ \
    X(int32_t, HL_SetCallLog,    (const char *path))         /* record calls to path; NULL stops; 0 = failed */ \
    X(void,    HL_SetTimerHook,  (void (*hook)(OE_Timer *timer))) /* after each timer procedure */ \
    X(int32_t, HL_FrameIndex,    (void))                     /* frames completed so far */ \
    X(void,    HL_Reset,         (void))  /* forget procedures, timers, input, cameras, options, events, \
                                             records, log, hook, limit; the clock restarts at 0 */ \
    X(int32_t, HL_MessageCount,  (void))                     /* OE_MessageBox calls recorded */   \
    X(const char*, HL_MessageText, (int32_t index))          /* its text (1251), NULL out of range */ \
    X(int32_t, HL_SoundPlayCount, (void))                    /* Snd_Play calls recorded */        \
    X(const char*, HL_SoundPlay,  (int32_t index, int32_t *pan)) /* path of that play's sound as  \
                                             loaded, pan stored when pan is not NULL; NULL out of range */

#ifdef ENGINE_API_DECLARE_EXPORTS
#define ENGINE_API_EXPORT_DECL(ret, name, params) __attribute__((visibility("default"))) ret name params;
HEADLESS_OPERATIONS(ENGINE_API_EXPORT_DECL)
#undef ENGINE_API_EXPORT_DECL
#endif

#ifdef __cplusplus
}
#endif

#ifdef __cplusplus
static_assert(offsetof(OE_Options, bpp) == 28, "OE_Options.bpp must sit at byte 28");
static_assert(offsetof(OE_Timer, time_stamp) == 8, "OE_Timer.time_stamp must sit at byte 8");
#endif

#endif /* TARVELOK_ENGINE_API_H */
