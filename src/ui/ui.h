// ui.h - the interface toolkit: the element registry, the toolkit settings, the seven element
// classes and the keyboard focus that lets the menus be driven without a mouse.
//
// In: the engine's mouse and keyboard state (through `eng`), once per drawn frame from
// run_interface. Out: engine draw calls and sounds, and the elements' actions (on_click,
// on_submit) run when the player clicks or presses keys. The toolkit knows no menu: which windows
// exist, what their buttons do and which button Escape presses are set by the menu code.
//
// Conventions: positions are screen pixels (origin top left, y down); every non-window element is
// placed relative to the window that was added just before it (begin_window). Colours are 24-bit
// 0xBBGGRR, passed to the engine unchanged. Strings are code page 1251.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "assets/assets.h"
#include "engine_api.h"

// ==== Toolkit settings (in the toolkit's record; set once by the menu construction) ============

struct UiSettings {
    OE_Font *gui_font = nullptr;            // captions, labels, list rows, edit text
    OE_Font *gui_glow_font = nullptr;       // the additive glow drawn over button captions
    OE_Texture *list_arrow_texture = nullptr;  // list arrows (one picture, flipped for "down")
    OE_Texture *window_texture = nullptr;   // window background; none draws no background
    OE_Texture *button_texture = nullptr;   // button face, glow, edit frame, list frame and bar
    OE_Sound *click_sound = nullptr;        // a click on a button, image or list arrow
    OE_Sound *select_sound = nullptr;       // the pointer (or the keyboard focus) entering
    uint32_t caption_colour = 0xFFFFFF;     // labels, window captions, list rows, edit text
    uint32_t title_colour = 0xFFFFFF;       // window title bar
    uint32_t button_caption_colour = 0xFFFFFF;  // button captions, their glow and tooltips
};

// ==== Base element =============================================================================

// Base of every interface element. Windows have has_parent false; every other element belongs to
// the window at parent_index and is positioned relative to it. Created with (name, x, y, width,
// height, text, visible); the creator adds it with add_element right after.
class ielement {
public:
    ielement(const std::string &name, int32_t x, int32_t y, int32_t width, int32_t height,
             const std::string &text, bool visible);
    virtual ~ielement() = default;
    // Once per frame while the element may be active: input and drawing. The base version ends
    // `focused` (and restarts the engine's typed-text buffer) when mouse button 1 is held with
    // the pointer outside the element.
    virtual void update();
    // Once per frame after every element's update: what lies above all elements. Base: nothing.
    virtual void overlay();

    // ---- keyboard focus hooks (called by run_interface; the base versions refuse / do nothing)
    // Whether the element can hold the keyboard focus now.
    virtual bool accepts_key_focus() const;
    // The keyboard focus arrived on the element / left it for another element of its window.
    // (When the mouse takes over, key_focus is only cleared; these are not called.)
    virtual void on_key_focus();
    virtual void on_key_blur();
    // Enter, Space or the gamepad's south button while the element holds the keyboard focus, or
    // Escape when the element is its window's cancel_element: acts as a click.
    virtual void key_activate();
    // Left (-1) or Right (+1) while the element holds the keyboard focus. True when the element
    // used the key itself (a list rotates); false lets the focus move.
    virtual bool key_step(int32_t direction);

    // Screen position of the element's top-left corner: its own x, y plus its window's.
    float screen_x() const;
    float screen_y() const;

    bool has_parent = true;
    std::string name;
    int32_t parent_index = 0;
    bool visible = false;
    float x = 0, y = 0;
    int32_t width = 0, height = 0;
    std::string text;
    bool hovered = false;
    OE_Proc on_click = nullptr;
    bool focused = false;
    bool fixed = false;
    int32_t glow = 0;             // 0..255
    bool key_focus = false;       // holds the keyboard focus (set by run_interface only)
};

// ==== Window ===================================================================================

// The container: full-screen, captionless and fixed in this game, so it draws nothing. Its title
// strip (top 20 pixels) can be dragged unless fixed and double-clicked to run on_click.
class Iwindow : public ielement {
public:
    Iwindow(const std::string &name, int32_t x, int32_t y, int32_t width, int32_t height,
            const std::string &text, bool visible);
    void update() override;

    bool dragging = false;
    int32_t grab_x = 0, grab_y = 0;   // pointer minus window corner at the grab
    // Keyboard: the registry index of the element Escape presses while this window is the active
    // one (its "back" button), and of the element the keyboard focus starts on; -1 = none (Escape
    // does nothing; the focus starts on the window's first focusable element).
    int32_t cancel_element = -1;
    int32_t first_focus = -1;
};

// ==== Image and text ===========================================================================

// A texture stretched over the element's box with a caption 8 pixels below it; when clickable,
// also a picture button (select sound on entering, redraw under the pointer, click sound, action).
class Iimage : public ielement {
public:
    using ielement::ielement;
    void update() override;

    bool clickable = false;
    bool tinted = false;
    uint32_t tint_colour = 0;
    OE_Texture *texture = nullptr;
    int32_t angle = 0;            // degrees
};

// A label: text centred in its box with a drop shadow; reacts to nothing.
class Itext : public ielement {
public:
    using ielement::ielement;
    void update() override;
};

// ==== Button ===================================================================================

// The menu button: face, glow under the pointer or the keyboard focus (32 frames up, 32 down),
// pressed-in look, select and click sounds, action, and an optional two-line tooltip that grows
// with the glow. caption_only: no face, white caption.
class Ibutton : public ielement {
public:
    using ielement::ielement;
    void update() override;
    void overlay() override;
    bool accepts_key_focus() const override;
    void key_activate() override;

    bool has_tooltip = false;
    bool caption_only = false;
    std::string tooltip1;  // first tooltip line
    std::string tooltip2;  // second tooltip line
};

// ==== Edit box =================================================================================

// One-line text entry: a click (or the keyboard focus) gives it focus; while focused it appends
// what was typed since the previous frame as long as the text is narrower than width - 100
// pixels, and Backspace deletes the last character. Enter while focused runs on_submit.
class Iedit : public ielement {
public:
    using ielement::ielement;
    void update() override;
    bool accepts_key_focus() const override;
    void on_key_focus() override;
    void on_key_blur() override;
    void key_activate() override;

    OE_Proc on_submit = nullptr;  // Enter while the box is focused; none: Enter does nothing
};

// ==== List =====================================================================================

// A circular selector in rows 40 pixels apart: entry 0 is the selection, shown in row 1 under a
// highlight bar with the last entry above it; two arrows at the right edge rotate the entries.
// With no_arrows and no_highlight it is a plain multi-line text.
class Ilist : public ielement {
public:
    using ielement::ielement;
    void update() override;
    bool accepts_key_focus() const override;
    void on_key_focus() override;
    void on_key_blur() override;
    bool key_step(int32_t direction) override;

    TF_list entries;
    bool no_arrows = false;
    bool no_highlight = false;
};

// ==== The registry (owns its elements; whole run) ==============================================

// Appends; the new index is the old count.
void add_element(ielement *element);
// Element at a registry index; null outside the registry.
ielement *element_at(int32_t index);
// Index of the last element named `name`. A name no element has is a fault of the caller: the
// unknown-name handler hears of it and the result is -1, which names no element (so a write
// through it changes nothing, and never the first window).
int32_t find_element(const std::string &name);
// Told of every lookup of a name no element has. The default prints one line on stderr per name
// per run; tests set one that fails the test. Null restores the default.
using UnknownNameHandler = void (*)(const std::string &name);
void set_unknown_name_handler(UnknownNameHandler handler);
int32_t element_count();
// Counts the registry's clearings: a holder of element pointers made before the last clearing
// can tell that they are gone.
uint32_t registry_generation();
// Elements created next belong to the element added last.
void begin_window();
// Frees every element, empties the registry, forgets the keyboard focus and the collected
// actions, and runs actions at once again.
void clear_elements();
// Per-frame walk: the keyboard focus keys, then update of every active element, then overlay of
// every active element. An element is active when it is a window or its window is visible at the
// moment the walk reaches it.
void run_interface();
// Mouse strictly inside the rectangle (a pointer on an edge is outside).
bool hit_test(float x, float y, int32_t w, int32_t h);

// Shortcuts for the callers that look windows up by name (tools and tests; the game keeps typed
// pointers): the element find_element reaches, null for an unknown name; its visibility, false
// then; and a visibility write, which then changes nothing.
ielement *element_named(const std::string &name);
bool is_visible(const std::string &name);
void set_visible(const std::string &name, bool visible);

// ==== Actions (whole run) ======================================================================

// What a click, or the key acting as one, starts: an element's on_click or an edit box's
// on_submit. By default the element runs it at once, inside the walk. With deferred actions on,
// the walk only collects the actions, in the order they were triggered, and their owner runs them
// later (take_actions), so that the walk reads the state it draws and changes nothing else.
void set_actions_deferred(bool deferred);
// The actions collected since the last call, oldest first; the collection is emptied.
std::vector<OE_Proc> take_actions();

// ==== Keyboard focus (read-only views, for the menus and tests) ================================

// Registry index of the active window: the last visible window in registry order (drawn on top);
// -1 when no window is visible.
int32_t active_window();
// Registry index of the element holding the keyboard focus; -1 when none does (the mouse has
// moved since the last key, or no key was pressed since the active window changed).
int32_t key_focus_index();

// ==== The toolkit's record (whole run) =========================================================

// The keyboard focus as the walk keeps it (key_focus.cpp; read through active_window and
// key_focus_index).
struct KeyFocus {
    int32_t active = -1;       // active window at the last walk
    int32_t focus = -1;        // element holding the keyboard focus, -1 none
    bool keys_in_charge = false;
    bool mouse_known = false;  // last_mouse_x/y hold a position
    int32_t last_mouse_x = 0, last_mouse_y = 0;
    std::map<int32_t, int32_t> last_focus;  // window index -> element last focused in it
};

// Everything the toolkit keeps from frame to frame: the registry, the settings, the keyboard
// focus and the collected actions.
// Reset: filled once by the menu construction, which first empties it with clear_elements() (the
// elements, the window being filled, the focus and the actions; the settings and the unknown-name
// handler stay). reset_toolkit() gives the record a fresh program starts with; the count of
// clearings goes on rising, so pointers kept from before it are known to be gone.
struct Toolkit {
    std::vector<std::unique_ptr<ielement>> elements;  // the registry, in creation order; owns them
    int32_t current_parent = 0;     // registry index of the window new elements belong to
    UiSettings settings;
    KeyFocus key_focus;
    uint32_t generation = 0;        // clearings so far (registry_generation)
    bool actions_deferred = false;  // collect actions instead of running them (set_actions_deferred)
    std::vector<OE_Proc> actions;   // collected, oldest first
    UnknownNameHandler unknown_name = nullptr;  // null: one stderr line per name per run
    // While true the walk reads no key at all (the focus stays where it is): another owner takes
    // every press, as the keys window does while it waits for the key to bind. The mouse still works.
    bool keys_held = false;
};
extern Toolkit toolkit;
void reset_toolkit();
