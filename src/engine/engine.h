// engine.h - the game's table of engine operations.
//
// The game never links an engine library. At start it loads one by file name from the folder of
// its own executable (libengine.so for the game, libengine_headless.so for the simulator) and fills
// this table by export name. Every call the game makes to the engine goes through `eng`.
// The records and the meaning of each argument are in engine_api.h; here, one line per entry says
// what the game relies on.
#pragma once

#include "engine_api.h"

// The logical screen the engine letterboxes into its window, fixed for the whole run; every screen
// position of the game is computed from these.
constexpr int32_t screen_width = 800;
constexpr int32_t screen_height = 600;

struct EngineTable {
    // Window and main loop
    void (*OE_SetWndName)(const char *caption);                 // window caption
    void (*OE_SetScreenOptions)(int32_t w, int32_t h, int32_t bpp, int32_t refresh,
                                int32_t fullscreen, int32_t vsync); // mode used when the window opens
    void (*OE_ChangeScreenOptions)(int32_t w, int32_t h, int32_t bpp, int32_t refresh,
                                   int32_t fullscreen, int32_t vsync); // switches the running window
    OE_Options *(*OE_GetOptions)();                             // fullscreen at byte 0, bpp at byte 28
    void (*OE_SetAdvancedOptions)(int32_t a, int32_t b, int32_t c); // accepted, no effect relied on
    void (*OE_Disable)(int32_t what);                           // accepted, no effect relied on
    void (*OE_RegProcedure)(int32_t id, OE_Proc proc);          // 0 frame, 1 load, 2 exit, 3 splash
    OE_Timer *(*Timer_Create)(OE_Proc proc, int32_t interval_ms, int32_t flags); // runs proc per interval; time stamp at byte 8
    void (*OE_Init)(int32_t a, int32_t b);                      // runs the loop; returns when it quits
    void (*OE_Quit)();                                          // ends the loop after this pass
    void (*OE_MessageBox)(const char *text, const char *caption, int32_t style); // shown, or recorded/stderr
    // Keyboard
    uint8_t (*KeyEx_Down)(int32_t key);                         // held now, or tapped since the last tick
    uint8_t (*Key_Press)(int32_t key);                          // pressed since last asked, once per press
    void (*Key_BeginReadText)(const char *initial);             // restart collecting typed text
    const char *(*Key_EndReadText)();                           // 1251 text typed since the restart
    // Mouse (button 1 = left, 0 = right)
    int32_t (*Mouse_X)();                                       // logical pixels
    int32_t (*Mouse_Y)();
    int32_t (*Mouse_DeltaX)();                                  // movement since the previous frame; sign used
    uint8_t (*Mouse_Down)(int32_t button);                      // held now, or tapped since the last tick
    uint8_t (*Mouse_Press)(int32_t button);                     // went down, once per press
    uint8_t (*Mouse_Click)(int32_t button);                     // down and up completed, once per click
    uint8_t (*Mouse_DblClick)(int32_t button);                  // second click within the double-click time
    void (*Mouse_Lock)();                                       // called at level start; no effect relied on
    // Textures and sprites
    OE_Texture *(*Tex_LoadFromFile)(const char *path, int32_t transparent, int32_t flags); // never NULL
    void (*Tex_Free)(OE_Texture **texture);                     // frees, clears the variable
    void (*Tex_SetFramesSize)(OE_Texture *texture, int32_t fw, int32_t fh); // cut into frames
    void (*SSprite_Draw)(OE_Texture *t, float x, float y, float w, float h, int32_t alpha,
                         float angle, int32_t flags);           // whole picture into the box
    void (*ASprite_Draw)(OE_Texture *t, float x, float y, float w, float h, int32_t frame,
                         int32_t alpha, float angle, int32_t flags); // one 1-based frame into the box
    void (*Pr2D_Rect)(float x, float y, float w, float h, uint32_t colour, int32_t alpha,
                      int32_t flags);                           // 1 filled, 0 outline
    void (*Pr2D_LineWidth)(float width);                        // outline width
    void (*FX_SetBlendMode)(int32_t mode);                      // 0 alpha, 1 additive
    void (*FX_SetColorMix)(uint32_t colour);                    // tint for flag 8
    void (*FX_SetVertexes)(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3,
                           int32_t x4, int32_t y4);             // corner offsets for flag 32: TL TR BR BL
    // Text
    OE_Font *(*Text_LoadFontFromFile)(const char *picture, const char *description,
                                      int32_t transparent, int32_t flags); // bitmap font
    void (*Text_Draw)(OE_Font *font, float x, float y, const char *text, float scale,
                      int32_t spacing, int32_t alpha, uint32_t colour); // top-left at x, y
    float (*Text_GetWidth)(OE_Font *font, const char *text, float scale, int32_t spacing); // as drawn
    // Camera
    OE_Camera *(*Cam2D_Create)();                               // x, y, camera_on written by the game
    void (*Cam2D_Set)(OE_Camera *camera);                       // camera in use
    // Sound effects
    void (*Snd_Init)();                                         // before any sound is loaded
    OE_Sound *(*Snd_LoadFromFile)(const char *path, int32_t buffers); // never NULL
    void (*Snd_SetBuffersCount)(OE_Sound *sound, int32_t buffers); // how many copies may overlap
    void (*Snd_Play)(OE_Sound *sound, int32_t pan, int32_t a, int32_t b, int32_t flag); // pan -400..400
    void (*Snd_SetVolume)(int32_t percent);  // effects loudness 0..100 %, for every sound
    // Helpers
    void (*ColEx_PolyCenter)(OE_PolyLine *polyline);            // fills cx, cy
    float (*M_Cos)(int32_t degrees);
    float (*M_Sin)(int32_t degrees);
    int32_t (*M_Round)(float value);                            // nearest, halves away from zero
    float (*M_Distance)(float x1, float y1, float x2, float y2);
    const char *(*U_IntToStr)(int32_t value);                   // decimal text
    double (*U_GetTime)();                                      // milliseconds
    void *(*P_GetParams)(int32_t what);                         // 18: cell holding the OE_Device*
};

// The table in use; all entries are null until engine_load succeeds.
extern EngineTable eng;

// Loads `library_file` (a bare file name such as "libengine.so") from the folder of the running
// executable and fills `eng`; a name containing '/' is opened as given. On failure it reports
// "Error while loading the engine library" (a message box where a person can answer, skipped when
// TARVELOK_NO_DIALOGS=1 or no display is set; always on stderr; a missing export is named),
// leaves every entry null, calls nothing in the library and returns false. A library loaded
// before is closed first. Also masks every floating-point exception for the run (engine.cpp).
bool engine_load(const char *library_file);

// Address of another export of the loaded library (the simulator's control entries), or null.
void *engine_symbol(const char *name);
