// engine_common.h - what both engine libraries (libengine.so and libengine_headless.so) must do
// identically, so that a run on the headless engine behaves like a run on the real one.
//
// In: calls from the engine libraries' exports (registrations, timer creation, input events with
// their time, file paths). Out: the records the game reads (OE_Timer, OE_Options, OE_Camera),
// input answers, parsed fonts and their glyph quads, RGBA pictures, 16-bit PCM, sprite corners.
// Not here: windows, OpenGL, audio devices, the clock itself (each engine passes "now" in
// U_GetTime milliseconds), call recording. One engine per process: the state below is
// process-wide, grouped in a few records; common_reset() empties all of it.
//
// Linked as the static PIC library engine_common into both engine libraries, compiled with
// hidden visibility: nothing here is exported from them. It contains the stb_image
// implementation (static): the engines must not define STB_IMAGE_IMPLEMENTATION again; load
// pictures through image_load_rgba / image_info.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine_api.h"

namespace ec {

// ---- Tuning ---------------------------------------------------------------------------------

constexpr int kTimerCapacity = 64;          // timers per process
constexpr int kTimerMaxRunsPerPass = 5;     // runs of one timer in one pass before it skips ahead
constexpr int kKeyCount = 256;              // virtual-key codes 0..255
constexpr int kMouseButtons = 3;            // 0 right, 1 left, 2 middle
constexpr double kDoubleClickMs = 500.0;    // max time between two clicks' completions
constexpr int kDoubleClickDistance = 4;     // max pixels (each axis) between two clicks
constexpr double kKeyPressKeepMs = 100.0;   // an unread Key_Press latch is dropped after this
constexpr std::size_t kTypedTextCapacity = 1024;  // bytes of collected typed text (1251)
constexpr int kCameraCapacity = 16;         // cameras per process
constexpr int kCheckerSize = 64;            // side of the checker picture, pixels
constexpr int kCheckerCell = 8;             // side of one checker square, pixels

// Empties every record of this file (procedures, timers, input, options, cameras, the font
// descriptions already told about, the picture side limit). For a second run in one process
// (the headless engine's HL_Reset). Frees timers and cameras.
void common_reset();

// ---- Procedures (OE_RegProcedure) ---------------------------------------------------------------

enum ProcId { PROC_FRAME = 0, PROC_LOAD = 1, PROC_EXIT = 2, PROC_SPLASH = 3, PROC_COUNT = 4 };

// Registers proc under id 0..3; other ids are ignored (returns false). NULL unregisters.
bool procedure_register(int32_t id, OE_Proc proc);
OE_Proc procedure(int32_t id);            // NULL when none or id out of range
void procedure_run(int32_t id);           // runs it when registered

// ---- Timers ---------------------------------------------------------------------------------
//
// Each timer counts whole intervals from its record's time_stamp. A pass (timers_run_due) runs,
// timer by timer in creation order, each due timer once per whole interval elapsed since its
// time_stamp: before each run the stamp advances by one interval, so a procedure that stores
// U_GetTime() into its own stamp makes the next interval count from that moment. After
// kTimerMaxRunsPerPass runs in one pass a timer still behind skips ahead: its stamp becomes now.
// An interval below 1 ms runs once per pass (stamp = now).

// Makes a timer whose first interval counts from `now`. NULL when kTimerCapacity is reached.
OE_Timer *timer_create(OE_Proc proc, int32_t interval_ms, int32_t flags, double now);
int timer_count();
OE_Timer *timer_at(int index);            // creation order; NULL out of range
int timer_index(const OE_Timer *timer);   // creation index, or -1 when not a timer of ours

using TimerHook = void (*)(OE_Timer *timer);
// One pass at time `now` (ms). `after_each` (may be NULL) is called right after every run.
// Does nothing while paused. Returns the number of procedure runs.
int timers_run_due(double now, TimerHook after_each);
// Counts every timer's next interval from `now` (start of the loop, after a window opens).
void timers_restart(double now);
// Minimised or unfocused window: timers stop. Resume shifts every stamp by the paused time, so
// nothing is caught up. Nested calls are not counted: one resume ends any pause.
void timers_pause(double now);
void timers_resume(double now);
bool timers_paused();

// ---- Input ----------------------------------------------------------------------------------
//
// Lifetimes:
//  - key and button "down" states follow the events; KeyEx_Down / Mouse_Down also answer 1 for a
//    key or button that went down and came up again before any timer procedure ran (a tap
//    shorter than a pass, as `xdotool key Escape` makes): such a tap reads as held until the end
//    of the first pass in which a timer procedure ran, so the logic tick, which polls held keys,
//    never misses it;
//  - Key_Press: latched at the key-down event, cleared when read; a latch nobody reads is dropped
//    at the end of the first pass that ends kKeyPressKeepMs or more after it and in which a timer
//    procedure ran (so an old press never surprises a later reader, and a slow pass without a
//    tick never loses one);
//  - with no timer running (none made, or paused) taps and latches go by age alone;
//  - Mouse_Press / Mouse_Click / Mouse_DblClick and the mouse delta: belong to the pass whose
//    events made them; every reader in that pass (timers and frame procedure) sees them, however
//    many read; input_end_pass clears them. Several elements of one frame therefore all see one
//    click;
//  - a click is a button-up after a button-down of the same button; a double click is the second
//    of two clicks of one button completed within kDoubleClickMs and kDoubleClickDistance of
//    each other (a third click starts a new pair);
//  - typed text (UTF-8) is converted to 1251 and collected only between Key_BeginReadText and
//    Key_EndReadText; characters 1251 cannot hold are dropped; capacity kTypedTextCapacity.

struct InputState {
    uint8_t key_down[kKeyCount];
    uint8_t key_latched[kKeyCount];
    double  key_latched_at[kKeyCount];       // also the time of the key's tap
    uint8_t key_tapped[kKeyCount];           // went down since the last pass a timer ran in
    int32_t mouse_x, mouse_y;               // logical pixels
    int32_t mouse_delta_x, mouse_delta_y;   // movement in this pass
    uint8_t button_down[kMouseButtons];
    uint8_t button_press[kMouseButtons];    // went down in this pass
    uint8_t button_click[kMouseButtons];    // a click completed in this pass
    uint8_t button_dblclick[kMouseButtons]; // a double click completed in this pass
    uint8_t button_pending[kMouseButtons];  // down seen, waiting for its up
    uint8_t button_tapped[kMouseButtons];   // went down since the last pass a timer ran in
    double  button_tapped_at[kMouseButtons];
    bool    timers_ran;                     // a timer procedure ran in this pass
    double  last_click_at[kMouseButtons];   // completion time of the last single click, <0 none
    int32_t last_click_x[kMouseButtons], last_click_y[kMouseButtons];
    bool    reading_text;
    std::string typed;                      // 1251 bytes
    std::string text_result;                // what the last Key_EndReadText returned
};
const InputState &input();

// Events, with the time they are handled at (ms, U_GetTime units).
void input_key_down(int32_t vk, double now);     // a repeat while held latches nothing new
void input_key_up(int32_t vk);
void input_mouse_move(int32_t x, int32_t y);     // logical pixels, absolute
void input_mouse_button(int32_t button, bool down, double now);
void input_text_utf8(const char *utf8);
void input_release_all();                        // focus lost: every key and button up, no clicks
// Ends a pass: clears this pass's mouse press/click/double click and delta, drops old key latches
// and the taps that a timer procedure has had the chance to see (or that are old).
void input_end_pass(double now);

// Queries, as the exports answer them (out-of-range codes answer 0).
uint8_t input_key_held(int32_t vk);              // held, or tapped and not yet seen by a tick
uint8_t input_key_take_press(int32_t vk);        // clears the latch
uint8_t input_mouse_held(int32_t button);        // held, or tapped and not yet seen by a tick
uint8_t input_mouse_pressed(int32_t button);
uint8_t input_mouse_clicked(int32_t button);
uint8_t input_mouse_double_clicked(int32_t button);
void input_begin_text(const char *initial_1251); // NULL is ""
const char *input_end_text();                    // valid until the next call; collecting stops

// ---- Options (OE_GetOptions) ------------------------------------------------------------------

// Stores the six arguments of OE_SetScreenOptions / OE_ChangeScreenOptions (fullscreen: nonzero
// becomes 1). The engine then applies them. Before any call: 800 x 600, 32 bpp, windowed.
void options_set(int32_t width, int32_t height, int32_t bpp, int32_t refresh, int32_t fullscreen,
                 int32_t vsync);
OE_Options *options();                            // the record handed to the game

// ---- Camera ---------------------------------------------------------------------------------

OE_Camera *camera_create();                       // x = y = 0, camera_on = 0; NULL when full
int camera_index(const OE_Camera *camera);        // creation index, or -1
void camera_set(OE_Camera *camera);               // NULL: none in use
OE_Camera *camera_current();
// A position the game gave for drawing -> logical screen pixels: shifted by the current
// camera's x, y while its camera_on is 1, unchanged otherwise.
void camera_to_screen(float &x, float &y);

// ---- Fonts ----------------------------------------------------------------------------------

constexpr std::size_t kMaxFontDescriptionBytes = 1u << 20;  // larger description files are refused
constexpr int kFontWarningLines = 3;  // bad lines named one by one; the rest are only counted

struct Glyph {
    bool    present;
    int32_t x, y, w, h;      // cell in the glyph picture, pixels
    int32_t ox, oy;          // drawn at (pen + ox, top + oy)
    int32_t advance;         // pen movement, pixels
};
struct FontDesc {
    std::string path;        // description file it came from
    int32_t texture_w = 0, texture_h = 0;
    int32_t line_h = 0;
    Glyph glyphs[256] = {};
};

// Parses an .ofi description (format in engine_api.h). A missing, unreadable or non-regular
// file is one message on stderr and an empty font (returns false). A bad line is skipped; the
// first kFontWarningLines bad lines are named "file:line: reason" on stderr, the rest are counted
// in one more line. A description without any glyph gives one warning (its text is invisible).
// The messages about one description path are written once per process (common_reset forgets
// them): two fonts sharing a description do not repeat them.
bool font_parse_file(const char *path, FontDesc &font);
// Same, from text already in memory; `name` is used in the messages (always written).
bool font_parse_text(const std::string &text, const char *name, FontDesc &font);
// Forgets which descriptions were told about (part of common_reset).
void font_warnings_reset();

// Width as Text_Draw draws it: (sum of the advances of the text's bytes + spacing x (bytes - 1))
// x scale; bytes without a glyph advance 0 but still count for the spacing; "" is 0.
float text_width(const FontDesc &font, const char *text, float scale, int32_t spacing);

struct GlyphQuad {
    float x0, y0, x1, y1;    // screen box of the glyph (before any camera shift)
    float u0, v0, u1, v1;    // texture coordinates of its cell, 0..1
};
// Lays out `text` with its top-left at x, y: the pen starts at x and moves
// (advance + spacing) x scale per byte; glyph boxes are (pen + ox*scale, y + oy*scale, w*scale,
// h*scale). Empty cells (w or h 0) and bytes without a glyph give no quad. Appends to `out`.
void text_layout(const FontDesc &font, const char *text, float x, float y, float scale,
                 int32_t spacing, std::vector<GlyphQuad> &out);

// ---- Files and messages ---------------------------------------------------------------------

// Reads a whole file (path as opened here: UTF-8, forward slashes) only if it is a regular file
// of at most max_bytes: a FIFO, a device or a folder is refused without blocking. On failure
// `why` says why (no file name in it) and `out` is empty.
bool read_regular_file(const std::string &native, std::size_t max_bytes, std::vector<uint8_t> &out,
                       std::string &why);

// Text for a message on stderr: control bytes (C0, DEL, and the UTF-8 forms of C1) become \xNN,
// so that a name or a file line cannot send escape sequences to the terminal. With
// keep_line_breaks, '\n' and '\t' stay as they are (message box texts).
std::string quote_for_log(const std::string &text, bool keep_line_breaks = false);

// ---- Pictures -------------------------------------------------------------------------------

constexpr int32_t kMaxPictureSide = 16384;                // widest / tallest picture, pixels
constexpr std::size_t kMaxPictureBytes = 64u << 20;       // RGBA bytes of the largest picture
constexpr std::size_t kMaxPictureFileBytes = kMaxPictureBytes + (1u << 20);  // its file, bytes

// RGBA bytes in one block from malloc (as the picture decoder hands them out), freed with free.
// Moving hands the block on without copying it.
class Pixels {
public:
    Pixels() = default;
    Pixels(uint8_t *block, std::size_t size) : block_(block), size_(size) {}
    Pixels(Pixels &&other) noexcept : block_(other.block_), size_(other.size_) { other.block_ = nullptr; other.size_ = 0; }
    Pixels &operator=(Pixels &&other) noexcept;
    Pixels(const Pixels &) = delete;
    Pixels &operator=(const Pixels &) = delete;
    ~Pixels() { reset(); }
    void reset();
    uint8_t *data() { return block_; }
    const uint8_t *data() const { return block_; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    uint8_t &operator[](std::size_t i) { return block_[i]; }
    const uint8_t &operator[](std::size_t i) const { return block_[i]; }

private:
    uint8_t *block_ = nullptr;
    std::size_t size_ = 0;
};

struct Image {
    int32_t width = 0, height = 0;
    Pixels rgba;                 // width * height * 4, rows top to bottom
};
// A path as the game gives it (1251 bytes, backslashes) -> as files are opened here (UTF-8,
// forward slashes). ASCII paths only change their separators. Every loader below uses it.
std::string path_native(const char *path);
// The largest side a picture may have: kMaxPictureSide, or less once the real engine knows its
// texture limit. Values below 1 restore kMaxPictureSide.
void image_set_side_limit(int32_t side);
int32_t image_side_limit();
// Loads TGA / JPG / PNG (path as the game gives it). Refused without decoding: a file that is not
// a regular file or is larger than kMaxPictureFileBytes, a picture wider or taller than
// image_side_limit() or of more than kMaxPictureBytes RGBA bytes, and one whose data ends early
// (a TGA shorter than its pixels, a PNG cut inside a chunk or before its end chunk, a JPG
// without its end marker).
// On failure fills `out` with the checker picture, writes one warning naming the file on stderr
// and returns false.
bool image_load_rgba(const char *path, Image &out);
// Reads the file and checks it as image_load_rgba does, without decoding the pixels. On failure:
// the checker's size, one warning, false.
bool image_info(const char *path, int32_t &width, int32_t &height);
void image_checker(Image &out);  // kCheckerSize square, magenta and black kCheckerCell squares

// ---- Sound files ----------------------------------------------------------------------------

constexpr int32_t kSoundMinRate = 4000;     // slowest sample rate accepted, samples per second
constexpr int32_t kSoundMaxRate = 192000;   // fastest
constexpr int32_t kSoundMixRate = 44100;    // rate every sound is converted to for the mix
constexpr std::size_t kMaxSoundMixBytes = 64u << 20;   // a sound at the mix rate, 16-bit stereo
constexpr std::size_t kMaxSoundFileBytes = 64u << 20;  // a WAV file

struct Pcm16 {
    int32_t rate = 0;            // samples per second per channel
    int32_t channels = 0;        // 1 or 2
    std::vector<int16_t> samples;  // interleaved
};
// Bytes the sound takes once converted to kSoundMixRate, 16-bit stereo.
std::size_t wav_mix_bytes(int32_t rate, std::size_t frames);
// Parses a RIFF WAVE file: PCM (format 1, or extensible with the PCM sub-format), 8-bit unsigned
// or 16-bit signed, mono or stereo, kSoundMinRate..kSoundMaxRate samples per second, at most
// kMaxSoundMixBytes once converted for the mix; 8-bit samples are widened to 16. A truncated data
// chunk keeps what is there. Anything else: false with `error` set; never reads out of bounds.
bool wav_parse(const uint8_t *data, std::size_t size, Pcm16 &out, std::string &error);
// The file must be a regular file of at most kMaxSoundFileBytes. `error` names the file.
bool wav_load(const char *path, Pcm16 &out, std::string &error);

// ---- Maths and text helpers -----------------------------------------------------------------

float math_cos(int32_t degrees);     // exact at multiples of 90
float math_sin(int32_t degrees);
int32_t math_round(float value);     // halves away from zero; NaN 0; clamped to int32
float math_distance(float x1, float y1, float x2, float y2);
// Decimal text of value into buf (at least 12 bytes); returns buf.
char *int_to_str(int32_t value, char *buf);
// The same into the engine's own buffer (U_IntToStr): valid until the next call.
const char *int_text(int32_t value);
// Centre = mean of the count + 1 points; nothing happens for a NULL record, NULL points or a
// negative count.
void poly_center(OE_PolyLine *polyline);

// ---- Sprite geometry ------------------------------------------------------------------------

struct SpriteInput {
    float x = 0, y = 0, w = 0, h = 0;   // box, top-left origin (after the camera shift)
    float angle = 0;                    // degrees, clockwise on screen, about the box centre
    int32_t flags = 1;                  // OE_FX_*: mirror, flip and vertex offsets are used here
    int32_t frame = 0;                  // 0: whole picture; n >= 1: 1-based cell
    int32_t frame_w = 0, frame_h = 0;   // cell size (Tex_SetFramesSize); 0: whole picture
    int32_t texture_w = 0, texture_h = 0;
    int32_t corner[8] = {};             // FX_SetVertexes: TL x y, TR x y, BR x y, BL x y
};
struct SpriteQuad {
    float x[4], y[4];                   // corners TL, TR, BR, BL on screen
    float u[4], v[4];                   // their texture coordinates, 0..1
};
// Corner offsets (flag 32) move the corners first, then all four rotate about the centre of the
// unmoved box. Mirror swaps u left/right, flip swaps v top/bottom. Cells are counted left to
// right, top to bottom, cols = texture_w / frame_w; a frame beyond the last cell wraps around;
// a frame below 1, or no frame size, gives the whole picture.
void sprite_geometry(const SpriteInput &in, SpriteQuad &out);

}  // namespace ec
