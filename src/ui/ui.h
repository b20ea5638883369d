// ui.h - the interface toolkit: the element registry and the element classes.
//
// NOT BUILT YET: this is the shell's placeholder with the final names and signatures the shell and
// the menus use. Elements are kept and found, and run_interface walks them, but no element draws
// or reacts yet; the widget classes carry only the fields others write.
#pragma once

#include <cstdint>
#include <string>

#include "engine_api.h"

// Base of every interface element. Windows have has_parent false; every other element belongs to
// the window at parent_index and is positioned relative to it.
class ielement {
public:
    ielement(const std::string &name, int32_t x, int32_t y, int32_t width, int32_t height,
             const std::string &text, bool visible);
    virtual ~ielement() = default;
    // Once per frame while the element may be active: input and drawing.
    virtual void update();
    // Once per frame after every element's update: what lies above all elements.
    virtual void overlay();

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
    int32_t glow = 0;
};

class Iwindow : public ielement {
public:
    Iwindow(const std::string &name, int32_t x, int32_t y, int32_t width, int32_t height,
            const std::string &text, bool visible);
};

class Ibutton : public ielement {
public:
    using ielement::ielement;
    bool has_tooltip = false;
    std::string tooltip1;  // first tooltip line
    std::string tooltip2;  // second tooltip line
};

// ---- the registry (owns its elements) ----
void add_element(ielement *element);
// Element at a registry index; null outside the registry.
ielement *element_at(int32_t index);
// Index of the last element named `name`; 0 when none is.
int32_t find_element(const std::string &name);
int32_t element_count();
// Elements created next belong to the element added last.
void begin_window();
// Frees every element and empties the registry.
void clear_elements();
// Per-frame walk: update of every active element, then overlay of every active element.
void run_interface();
// Mouse strictly inside the rectangle.
bool hit_test(float x, float y, int32_t w, int32_t h);

// Shortcuts for the callers that switch windows by name: the element find_element reaches (null
// when the registry is empty), its visibility, and a visibility write.
ielement *element_named(const std::string &name);
bool is_visible(const std::string &name);
void set_visible(const std::string &name, bool visible);
