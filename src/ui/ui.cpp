// ui.cpp - element registry (placeholder).
//
// NOT BUILT YET: the interface toolkit is another issue. The registry keeps, finds and walks
// elements; update and overlay of the elements do nothing yet.
#include "ui/ui.h"

#include <memory>
#include <vector>

#include "engine/engine.h"

namespace {
std::vector<std::unique_ptr<ielement>> elements;
int32_t current_parent = 0;
}  // namespace

ielement::ielement(const std::string &name_, int32_t x_, int32_t y_, int32_t w, int32_t h,
                   const std::string &text_, bool visible_)
    : name(name_), parent_index(current_parent), visible(visible_), x(float(x_)), y(float(y_)),
      width(w), height(h), text(text_) {}
void ielement::update() {}
void ielement::overlay() {}

Iwindow::Iwindow(const std::string &name_, int32_t x_, int32_t y_, int32_t w, int32_t h,
                 const std::string &text_, bool visible_)
    : ielement(name_, x_, y_, w, h, text_, visible_) {
    has_parent = false;
}

void add_element(ielement *element) { elements.emplace_back(element); }
ielement *element_at(int32_t index) {
    if (index < 0 || index >= static_cast<int32_t>(elements.size())) return nullptr;
    return elements[static_cast<std::size_t>(index)].get();
}
int32_t find_element(const std::string &name) {
    int32_t result = 0;
    for (std::size_t i = 0; i < elements.size(); ++i)
        if (elements[i]->name == name) result = static_cast<int32_t>(i);
    return result;
}
int32_t element_count() { return static_cast<int32_t>(elements.size()); }
void begin_window() { current_parent = element_count() - 1; }
void clear_elements() {
    elements.clear();
    current_parent = 0;
}

void run_interface() {
    for (int32_t i = 0; i < element_count(); ++i) {
        ielement *e = element_at(i);
        ielement *parent = e->has_parent ? element_at(e->parent_index) : nullptr;
        if (!e->has_parent || (parent && parent->visible)) e->update();
    }
    for (int32_t i = 0; i < element_count(); ++i) {
        ielement *e = element_at(i);
        ielement *parent = e->has_parent ? element_at(e->parent_index) : nullptr;
        if (!e->has_parent || (parent && parent->visible)) e->overlay();
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
