// key_focus.cpp - driving the menus without a mouse: a keyboard focus over the active window's
// buttons, edit boxes and lists.
//
// In: once per walk, the focus keys through Key_Press (arrows, Enter, Space, Escape; the engine
// maps the gamepad's stick and D-pad to the arrows, its south button to Space and its start
// button to Escape) and the mouse position and button 1. Out: `key_focus` of the focused element
// (buttons draw it as their hover glow), its on_key_focus / on_key_blur hooks, and key_activate
// of the focused element (Enter, Space) or of the window's cancel_element (Escape).
//
// Rules:
// - The active window is the last visible window in registry order (the one drawn on top).
// - The first focus key after the active window changed, or after the mouse was used, only shows
//   the focus; later keys move or press. A window that becomes active while the keys are in
//   charge gets the focus at once. The focus starts where it last was in that window (back from
//   a sub-window, on the button that opened it), else on the window's first_focus, else on its
//   first focusable element.
// - When the active window changes, presses of the focus keys not yet read are dropped, so the
//   key that opened a window (or an Escape that paused the game) does not act on the new one;
//   so is the typed text collected so far (keys pressed while playing or in another window
//   never reach an edit box).
// - Arrows move to the nearest focusable element in their direction; Up and Down wrap around.
// - While an edit box of the active window is focused (typing), Space and Left/Right belong to
//   the text and Enter runs the edit box's on_submit.
// - Moving the mouse or pressing its button 1 hands hovering back to the pointer: the focus is
//   cleared (without on_key_blur, so an edit box keeps typing) and clicks work as without keys.
#include <cmath>
#include <limits>
#include <map>

#include "engine/engine.h"
#include "ui/ui.h"
#include "ui/ui_internal.h"

namespace {

// Windows virtual-key codes of the focus keys.
constexpr int32_t kKeyEnter = 13;
constexpr int32_t kKeyEscape = 27;
constexpr int32_t kKeySpace = 32;
constexpr int32_t kKeyLeft = 37;
constexpr int32_t kKeyUp = 38;
constexpr int32_t kKeyRight = 39;
constexpr int32_t kKeyDown = 40;
constexpr int32_t kFocusKeys[] = {kKeyEnter, kKeyEscape, kKeySpace, kKeyLeft, kKeyUp, kKeyRight, kKeyDown};
// A candidate's distance across the direction of travel weighs this much more than along it.
constexpr float kCrossWeight = 2;

// The keyboard focus, kept in the toolkit's record (reset when the registry is cleared).
KeyFocus &kf() { return toolkit.key_focus; }

// Centre of an element on the screen.
struct Point {
    float x, y;
};
Point centre(const ielement &e) {
    return {e.screen_x() + float(e.width) / 2, e.screen_y() + float(e.height) / 2};
}

bool in_window(const ielement &e, int32_t window) { return e.has_parent && e.parent_index == window; }

// Whether the element at `index` may hold the focus in `window`.
bool focusable(int32_t index, int32_t window) {
    const ielement *e = element_at(index);
    return e && in_window(*e, window) && e->accepts_key_focus();
}

// The element the focus starts on: the one last focused in the window, else the window's
// first_focus, else its first focusable element in registry order, each only when it can take
// the focus now; -1 when the window has none.
int32_t start_element(int32_t window) {
    const auto last = kf().last_focus.find(window);
    if (last != kf().last_focus.end() && focusable(last->second, window)) return last->second;
    const auto *w = dynamic_cast<const Iwindow *>(element_at(window));
    if (w && focusable(w->first_focus, window)) return w->first_focus;
    for (int32_t i = window + 1; i < element_count(); ++i)
        if (focusable(i, window)) return i;
    return -1;
}

// Clears the focus mark; with `blur`, the element is told the focus moved away.
void drop_focus(bool blur) {
    if (ielement *e = element_at(kf().focus)) {
        e->key_focus = false;
        if (blur) e->on_key_blur();
    }
    kf().focus = -1;
}

void give_focus(int32_t index) {
    if (index == kf().focus) return;
    drop_focus(true);
    if (ielement *e = element_at(index)) {
        kf().focus = index;
        kf().last_focus[e->parent_index] = index;
        e->key_focus = true;
        e->on_key_focus();
    }
}

// The nearest focusable element from the focused one in direction (dx, dy), one of them 0.
// First choice: elements within 45 degrees of the direction, scored by the distance along it
// plus twice the distance across, lowest first. Else, for Up/Down, wrapping around: the element
// farthest the other way (the top-most when going down), with the same weight across. Else any
// element on that side. -1 when there is none.
int32_t neighbour(int32_t window, int32_t dx, int32_t dy) {
    const ielement *from = element_at(kf().focus);
    if (!from) return -1;
    const Point c = centre(*from);
    const float inf = std::numeric_limits<float>::infinity();
    float best_cone = inf, best_side = inf, best_wrap = inf;
    int32_t cone = -1, side = -1, wrap = -1;
    for (int32_t i = window + 1; i < element_count(); ++i) {
        if (i == kf().focus || !focusable(i, window)) continue;
        const Point p = centre(*element_at(i));
        const float along = dx != 0 ? (p.x - c.x) * float(dx) : (p.y - c.y) * float(dy);
        const float across = std::fabs(dx != 0 ? p.y - c.y : p.x - c.x);
        const float score = along + kCrossWeight * across;  // along <= 0 behind: farthest first
        if (along > 0) {
            if (across <= along && score < best_cone) best_cone = score, cone = i;
            if (score < best_side) best_side = score, side = i;
        } else if (dy != 0 && score < best_wrap) {
            best_wrap = score, wrap = i;
        }
    }
    if (cone >= 0) return cone;
    if (wrap >= 0) return wrap;
    return side;
}

// Index of the visible edit box of the window that has the typing focus; -1 when none.
int32_t typing_box(int32_t window) {
    for (int32_t i = window + 1; i < element_count(); ++i) {
        const auto *e = dynamic_cast<const Iedit *>(element_at(i));
        if (e && in_window(*e, window) && e->visible && e->focused) return i;
    }
    return -1;
}

int32_t find_active_window() {
    int32_t result = -1;
    for (int32_t i = 0; i < element_count(); ++i) {
        const ielement *e = element_at(i);
        if (!e->has_parent && e->visible) result = i;
    }
    return result;
}

// The mouse moved or its button went down: the pointer takes over.
void watch_mouse() {
    const int32_t mx = eng.Mouse_X(), my = eng.Mouse_Y();
    const bool moved = kf().mouse_known && (mx != kf().last_mouse_x || my != kf().last_mouse_y);
    if (moved || eng.Mouse_Press(1)) {
        kf().keys_in_charge = false;
        drop_focus(false);
    }
    kf().mouse_known = true;
    kf().last_mouse_x = mx;
    kf().last_mouse_y = my;
}

}  // namespace

namespace ui_detail {

bool pointer_in_charge() { return !kf().keys_in_charge; }

void keyboard_step() {
    if (toolkit.keys_held) return;  // another owner reads the keys now
    watch_mouse();
    const int32_t window = find_active_window();
    if (window != kf().active) {
        for (int32_t key : kFocusKeys) eng.Key_Press(key);
        eng.Key_BeginReadText("");
        drop_focus(false);
        kf().active = window;
        if (kf().keys_in_charge && window >= 0) give_focus(start_element(window));
        return;
    }
    if (window < 0) return;
    if (kf().focus >= 0 && !focusable(kf().focus, window)) drop_focus(false);

    // Every focus key is read each walk, so a press never waits for a later window.
    const bool enter = eng.Key_Press(kKeyEnter), escape = eng.Key_Press(kKeyEscape);
    bool space = eng.Key_Press(kKeySpace), left = eng.Key_Press(kKeyLeft), right = eng.Key_Press(kKeyRight);
    const bool up = eng.Key_Press(kKeyUp), down = eng.Key_Press(kKeyDown);

    const int32_t typing = typing_box(window);
    if (typing >= 0) space = left = right = false;  // they belong to the text

    if (escape) {
        const auto *w = dynamic_cast<const Iwindow *>(element_at(window));
        if (w && element_at(w->cancel_element) && in_window(*element_at(w->cancel_element), window))
            element_at(w->cancel_element)->key_activate();
        return;
    }
    if (enter && typing >= 0) {
        element_at(typing)->key_activate();
        return;
    }
    if (!(enter || space || left || right || up || down)) return;

    if (!kf().keys_in_charge || kf().focus < 0) {
        kf().keys_in_charge = true;
        // Typing in a box the mouse focused: Up/Down move on from the box itself.
        if (typing >= 0 && (up || down)) {
            kf().focus = typing;
            element_at(typing)->key_focus = true;
        } else {
            give_focus(start_element(window));
            return;
        }
    }
    ielement *focused = element_at(kf().focus);
    if (!focused) return;
    if (enter || space) {
        focused->key_activate();
        return;
    }
    int32_t dx = 0, dy = 0;
    if (left) dx = -1;
    else if (right) dx = +1;
    else if (up) dy = -1;
    else dy = +1;
    if (dx != 0 && focused->key_step(dx)) return;
    const int32_t next = neighbour(window, dx, dy);
    if (next >= 0) give_focus(next);
}

}  // namespace ui_detail

int32_t active_window() { return find_active_window(); }

int32_t key_focus_index() { return kf().focus; }
