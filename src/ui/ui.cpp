// ui.cpp - the toolkit's record (the element registry, the settings, the collected actions), the base
// element and the per-frame walk.
//
// In: elements added by the menu construction; the mouse through `eng`. Out: each active
// element's update and overlay, once per frame, in creation order, and the actions they start
// (run at once, or collected for their owner). A lookup of an unknown name is reported, never
// answered with another element. The registry owns its
// elements; indices never change while it lives (nothing is removed or inserted in between).
// The element classes are in their own files; the keyboard focus is in key_focus.cpp.
#include "ui/ui.h"

#include <memory>
#include <vector>

#include "engine/engine.h"
#include "platform/platform.h"
#include "ui/ui_internal.h"

Toolkit toolkit;

void reset_toolkit() {
    const uint32_t clearings = toolkit.generation;
    toolkit = Toolkit{};
    toolkit.generation = clearings + 1;
}

namespace {

void report_unknown_name(const std::string &name) {
    platform::warn_once("ui-name:" + name, "interface: no element is named " + platform::quote(name) +
                                               "; nothing is changed");
}

// Whether the walk reaches the element now: windows always (they test their own visibility),
// others while the element at their parent_index is visible.
bool active(const ielement &e) {
    if (!e.has_parent) return true;
    const ielement *parent = element_at(e.parent_index);
    return parent && parent->visible;
}

}  // namespace

// ==== Base element =============================================================================

ielement::ielement(const std::string &name_, int32_t x_, int32_t y_, int32_t w, int32_t h,
                   const std::string &text_, bool visible_)
    : name(name_), parent_index(toolkit.current_parent), visible(visible_), x(float(x_)),
      y(float(y_)), width(w), height(h), text(text_) {}

void ielement::update() {
    if (!hit_test(screen_x(), screen_y(), width, height) && eng.Mouse_Down(1)) {
        focused = false;
        eng.Key_BeginReadText("");
    }
}

void ielement::overlay() {}

bool ielement::accepts_key_focus() const { return false; }
void ielement::on_key_focus() {}
void ielement::on_key_blur() {}
void ielement::key_activate() {}
bool ielement::key_step(int32_t) { return false; }

// Windows sit on the screen; everything else adds its window's corner. An element whose
// parent_index names no element (created before any window) is placed on the screen.
float ielement::screen_x() const {
    const ielement *parent = has_parent ? element_at(parent_index) : nullptr;
    return parent ? x + parent->x : x;
}

float ielement::screen_y() const {
    const ielement *parent = has_parent ? element_at(parent_index) : nullptr;
    return parent ? y + parent->y : y;
}

// ==== Registry =================================================================================

void add_element(ielement *element) {
    if (element) toolkit.elements.emplace_back(element);
}

ielement *element_at(int32_t index) {
    if (index < 0 || index >= element_count()) return nullptr;
    return toolkit.elements[static_cast<std::size_t>(index)].get();
}

int32_t find_element(const std::string &name) {
    int32_t result = -1;
    for (int32_t i = 0; i < element_count(); ++i)
        if (toolkit.elements[static_cast<std::size_t>(i)]->name == name) result = i;
    if (result < 0) (toolkit.unknown_name ? toolkit.unknown_name : report_unknown_name)(name);
    return result;
}

void set_unknown_name_handler(UnknownNameHandler handler) { toolkit.unknown_name = handler; }

int32_t element_count() { return static_cast<int32_t>(toolkit.elements.size()); }

uint32_t registry_generation() { return toolkit.generation; }

void begin_window() { toolkit.current_parent = element_count() - 1; }

void clear_elements() {
    toolkit.elements.clear();
    toolkit.current_parent = 0;
    toolkit.actions.clear();
    toolkit.actions_deferred = false;
    ++toolkit.generation;
    toolkit.key_focus = KeyFocus{};
}

void run_interface() {
    ui_detail::keyboard_step();
    // The count is read once per pass; visibility is read when each element is reached, so an
    // action that shows a later window makes its elements active in the same pass.
    const int32_t count = element_count();
    for (int32_t i = 0; i < count; ++i) {
        ielement *e = element_at(i);
        if (e && active(*e)) e->update();
    }
    const int32_t count2 = element_count();
    for (int32_t i = 0; i < count2; ++i) {
        ielement *e = element_at(i);
        if (e && active(*e)) e->overlay();
    }
}

bool hit_test(float x, float y, int32_t w, int32_t h) {
    const int32_t mx = eng.Mouse_X(), my = eng.Mouse_Y();
    return mx > x && mx < x + w && my < y + h && my > y;
}

ielement *element_named(const std::string &name) { return element_at(find_element(name)); }

bool is_visible(const std::string &name) {
    ielement *e = element_named(name);
    return e && e->visible;
}

void set_visible(const std::string &name, bool visible) {
    if (ielement *e = element_named(name)) e->visible = visible;
}

// ==== Actions ==================================================================================

void set_actions_deferred(bool deferred) { toolkit.actions_deferred = deferred; }

std::vector<OE_Proc> take_actions() {
    std::vector<OE_Proc> taken;
    taken.swap(toolkit.actions);
    return taken;
}

// ==== Helpers shared by the element files ======================================================

namespace ui_detail {

namespace {
constexpr uint32_t kMissingPictureColour = 0x808080;  // grey: a box whose picture is missing
constexpr int32_t kRectFilled = 1;                    // Pr2D_Rect: filled
}  // namespace

void draw_text(OE_Font *font, float x, float y, const std::string &text, int32_t alpha,
               uint32_t colour) {
    eng.Text_Draw(font, x, y, text.c_str(), 1.0f, 0, alpha, colour);
}

void draw_picture(OE_Texture *texture, float x, float y, float w, float h, int32_t alpha, float angle,
                  int32_t flags) {
    if (texture) {
        eng.SSprite_Draw(texture, x, y, w, h, alpha, angle, flags);
        return;
    }
    eng.Pr2D_Rect(x, y, w, h, kMissingPictureColour, alpha, kRectFilled);
}

float text_width(OE_Font *font, const std::string &text) {
    return eng.Text_GetWidth(font, text.c_str(), 1.0f, 0);
}

void play(OE_Sound *sound, int32_t pan) { eng.Snd_Play(sound, pan, 0, 0, 0); }

void act(OE_Proc action) {
    if (!action) return;
    if (toolkit.actions_deferred)
        toolkit.actions.push_back(action);
    else
        action();
}

}  // namespace ui_detail
