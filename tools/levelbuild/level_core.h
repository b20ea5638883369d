// level_core.h - the level tools' shared model: level sources (content/levels/*.lvs) in, level
// files (the game's text format, CR LF lines) out, plus the checks that refuse what the game's
// terrain fill and world rules cannot take.
//
// In: source text, the picture folder gfx/obj (names and sizes). Out: a Level record, the level
// file text, error messages of the form "FILE:LINE: what is wrong". Used by levelbuild (writes the
// files), leveloverview (reads them back for pictures) and the tests. It does not simulate the
// world: the reachability model here is a coarse over-estimate of what a player can do, used
// only to find places a hero could fall into and never leave.
#pragma once

#include <array>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace lv {

constexpr int kLayerCapacity = 4097;   // items a world layer holds

enum Layer { kBack = 0, kGround = 1, kFront = 2, kObjects = 3, kLayerCount = 4 };  // file order

struct Point {
    double x = 0, y = 0;
};

// One level item as the level file carries it; `line` is the source line that made it (0 when
// read back from a level file).
struct Item {
    std::string kind;
    int x = 0, y = 0, angle = 0, mirror = 0;
    std::vector<Point> pts;   // empty: no outline
    int line = 0;
    bool low_roof = false;    // marked "low" in the source: a roof over a jump the level teaches
                              // (not written to the level file)
    std::string text;         // a sign's ("znak") text, code page 1251: its name line is "znak TEXT"
};

constexpr int kSignTextCapacity = 64;   // bytes of a sign's text, as the game reads it

struct Level {
    std::string backdrop;
    std::array<std::vector<Item>, kLayerCount> layers;
    bool final_scene = false;   // the scene after the last level: only the hero is required
};

// Picture names of gfx/obj with their sizes in pixels (width, height of the whole file).
struct Pictures {
    std::map<std::string, std::pair<int, int>> size;
    bool has(const std::string &name) const { return size.count(name) != 0; }
    int height(const std::string &name) const;   // 0 when unknown
};

// Reads the TGA headers of every *.tga in `dir`. False with `error` when the folder cannot be read.
bool load_pictures(const std::string &dir, Pictures &pics, std::string &error);

// Parses a level source. Every problem is appended to `errors` as "SOURCE:LINE: message"; returns
// true when there was none. Kinds are checked against `pics`; positions given relative to the
// ground ("g") are resolved against the terrain of the ground section.
bool parse_source(const std::string &text, const std::string &source, const Pictures &pics, Level &level,
                  std::vector<std::string> &errors);

// The level rules: fan-drawable outlines, the required objects, layer capacity, and no place the
// hero can reach and never leave without a hazard that kills it there. Appends to `errors`.
bool check_level(const Level &level, const std::string &source, std::vector<std::string> &errors);

// True when the fan around the first point covers the polygon exactly (convex, or star-shaped
// around its first point, turning one way).
bool fan_drawable(const std::vector<Point> &pts);

// The level file text (CR LF lines), and reading one back (for the overview); the reader takes
// what the game's loader takes and refuses a file that ends inside a section.
std::string write_level_file(const Level &level);
bool read_level_file(const std::string &text, Level &level, std::string &error);

// Topmost solid terrain surface crossing the vertical line at x at or below y `from` (world
// pixels, y down); false when there is none. Solid: ground items with an outline, not "bgcarst".
bool surface_below(const Level &level, double x, double from, double &surface_y);

// A coarse model of where the hero can go: the terrain cut into columns kSample px apart, each
// with the places a hero can stand in it (a solid crossing with room above), and the moves a walk,
// a jump, a spring or a cart ride makes between places. Generous: it errs towards "can get there".
class ReachModel {
public:
    struct Node {
        int column;
        double y;    // the surface; infinite for open air with no floor below
        int line;    // source line of the terrain (0 for open air or a file read back)
    };
    // False when the level has no solid terrain.
    bool build(const Level &level);
    int columns() const { return n_; }
    int column_of(double x) const;            // nearest column, clamped
    double column_x(int column) const;
    int node_below(int column, double y) const;   // first place at or below y (else the lowest)
    const std::vector<Node> &nodes() const { return nodes_; }
    const std::vector<int> &nodes_at(int column) const { return nodes_at_[column]; }
    // Calls to(place, cost in px) for every move from `from`.
    void moves(int from, const std::function<void(int, double)> &to) const;
    // Travel cost in px from every place to the nearest goal; infinity where no moves lead there.
    std::vector<double> costs_to(const std::vector<int> &goals) const;

private:
    double lo_ = 0;
    int n_ = 0;
    std::vector<std::vector<double>> cross_at_;
    std::vector<std::vector<int>> nodes_at_;
    std::vector<std::vector<std::pair<double, double>>> solid_at_;
    std::vector<Node> nodes_;
    std::vector<char> spring_;
    std::vector<double> cart_floor_;   // rails of a cart boardable from this column; infinity: none
};

// Offset from an object's centre down to the ground it rests on, in pixels, for placing kinds on
// the terrain: the world's probe for the walkers, half the picture's frame otherwise.
int rest_offset(const std::string &kind, const Pictures &pics);

}  // namespace lv
