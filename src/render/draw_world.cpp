// draw_world.cpp - the level's picture, back to front: backdrop, back layer, ground layer, hero
// shadow, object layer (things, then creatures, then the hero), front layer; plus the terrain fill through the device stand-in and the
// visibility tests.
//
// In: the World and the draw context (the level's pictures, the camera, the device stand-in for the
// terrain fill, the sway) and share_textures. Out: engine and device calls and the camera's
// camera_on (left at 1); nothing else is written. Pictures are looked up by name for every item
// drawn.
// Every glow sets the blend mode back to 0 after itself; the colour mix is left as last set.
// A picture missing from its catalogue (Base_Find answers null) is never handed to the engine: a
// glow, shadow or scenery sprite without its picture is left out, a terrain fill without its
// texture is filled in its plain colour, and an object (a creature, a bonus, the hero, the sign)
// is shown as a plain box, since what the hero can touch must be seen.
// Terrain outlines whose bounding box (world.h's outline_boxes, kept until the terrain changes)
// lies wholly off the screen are not sent to the device.
#include "render/draw_world.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "assets/assets.h"
#include "assets/lang.h"
#include "engine/engine.h"

namespace {

// ---- screen and sprite constants ----
constexpr float W = screen_width;
constexpr float H = screen_height;
constexpr int32_t kOpaque = 255;
constexpr int32_t kFlagPlain = 1;      // every ordinary draw
constexpr int32_t kFlagMirror = 2;     // mirrored left to right (times the item's `mirrored`)
constexpr int32_t kFlagTint = 8;       // tinted by the colour mix
constexpr int32_t kFlagCorners = 32;   // corners moved by FX_SetVertexes

// ---- backdrop ----
constexpr float kBackdropOverlap = 8;  // pixels the backdrop reaches past each screen edge

// ---- back layer: distant scenery at half size, half scroll speed, tinted grey ----
constexpr uint32_t kBackTint = 0x999999;      // sprites
constexpr int32_t kBackFillColour = 0x888888; // terrain fills
constexpr float kBackScale = 2;               // texture shown at half size on fills

// ---- ground layer ----
constexpr int32_t kGroundFillColour = 0xFFFFFF;

// ---- glows (additive) ----
constexpr uint32_t kNearLampTint = 0x11AAAA;  // warm yellow: lamps of the ground and front layers
constexpr uint32_t kFarLampTint = 0xAAAA11;   // teal: lamps of the back layer
constexpr float kLampGlowSide = 256;          // pixels, centred on the lamp
constexpr int32_t kGlowAlpha = 128;
constexpr float kRaySide = 128;               // the two rays beside a gold or silver bonus
constexpr float kRayRise = 64;                // the rays' top edge is this far above the bonus's y
constexpr float kHaloSide = 128;
constexpr float kHaloPeriodMs = 800;          // world_time / this is the halo's turn phase, radians
constexpr float kHaloTurn = 16;               // degrees the halo turns each way; opacity 128 -+ 2 x this
constexpr float kMoleLampSide = 64;
constexpr float kMoleLampBack = 16;           // pixels left of the mole's x when facing right
constexpr float kMoleLampFlip = 32;           // further left when facing left (mirrored)
constexpr float kMoleLampRise = 64;

// ---- hero shadow ----
constexpr float kShadowW = 96, kShadowH = 32;
constexpr float kShadowLeft = 48, kShadowUp = 20;  // the ground point sits this far into the sprite

// ---- animated objects ----
constexpr int32_t kHeroFrame = 96;   // side of the hero's frames, whatever its picture's size
constexpr int32_t kWormFrame = 128;  // side of the worm's frames
constexpr int32_t kFramesPerRow = 15;
constexpr uint32_t kHurtTint = 0x0000FF;  // red copy over the hurt hero
constexpr int32_t kHurtBlinkPeriod = 255; // ms: the red copy's opacity climbs 0..254 and wraps

// ---- checkpoints and signs ----
constexpr float kFlameRise = 40;              // px above a lit checkpoint post's centre: its flame
constexpr float kSignNearX = 200;             // px across from a sign within which its bubble shows
constexpr float kSignNearY = 160;             // px up or down
constexpr float kSignFadeX = 60;              // px beyond kSignNearX over which the bubble fades out
constexpr float kBubbleCap = 32;              // px: width of each end of the bubble, and of its tail
constexpr float kBubbleHeight = 64;           // px: the bubble's picture, its tail included
constexpr float kBubbleTextTop = 12;          // px from the bubble's top to the text's top
constexpr float kBubbleMinBody = 32;          // px: the narrowest middle a bubble has
constexpr float kBubbleTextSide = 4;          // px between the text and each end of the middle
constexpr float kBubbleAbove = 56;            // px from the sign's centre up to the tail's tip
constexpr uint32_t kBubbleTextColour = 0x2C1E2A;  // 0x00BBGGRR: the outlines' dark plum brown
// Cells of the "bubble" picture (four of 32 x 64, 1-based): its left end, its middle (stretched),
// its right end, and the middle with the tail pointing down.
constexpr int32_t kBubbleLeft = 1, kBubbleMiddle = 2, kBubbleRight = 3, kBubbleTail = 4;

// ---- an object whose picture is missing: a plain box where it stands ----
constexpr float kMissingSide = 64;            // pixels, centred on the object
constexpr uint32_t kMissingColour = 0xFF00FF; // magenta: plainly not a picture of the game
constexpr int32_t kMissingAlpha = 160;
constexpr int32_t kRectFilled = 1;

// ---- device stand-in ----
constexpr uint32_t kVertexStride = 28;    // x y z rhw colour u v

// Wind sway of a ground item by kind: corner offsets as multiples of r (top-left x, y, top-right
// x, y), the cosine's period divisor in ms per radian and its amplitude in pixels. Every other kind
// gets no sway. The item itself is not written (the ground layer is shared between world copies).
struct SwayRule {
    const char *kind;
    float period_ms;
    float amplitude;
    int32_t tl_x, tl_y, tr_x, tr_y;
};
constexpr SwayRule kSwayRules[] = {
    {"mush", 200, 2, -1, 1, 1, 0},  // toadstool: top-left out and down, top-right out
    {"bush", 400, 6, 1, 0, 1, 0},   // bush: the top leans, slower and further
    {"kust", 200, 2, 1, 0, 1, 0},
    {"oak", 200, 2, 1, 0, 1, 0},
    {"rast", 200, 2, 1, 0, 1, 0},
};

const SwayRule *sway_rule(const std::string &kind) {
    for (const SwayRule &r : kSwayRules)
        if (kind == r.kind) return &r;
    return nullptr;
}

bool is_lamp(const std::string &kind) { return kind == "lantern" || kind == "sslamp"; }
// A checkpoint's picture has two rows of frames (unlit, lit); every other object's one.
int32_t picture_rows(const tmin &item) { return item.role == Kind::fonar ? 2 : 1; }
bool is_bonus_with_rays(const std::string &kind) { return kind == "bgold" || kind == "bsilver"; }

float cam_x(const DrawContext &c) { return c.camera ? c.camera->x : 0.0f; }
float cam_y(const DrawContext &c) { return c.camera ? c.camera->y : 0.0f; }
void set_camera_on(const DrawContext &c, uint8_t on) {
    if (c.camera) c.camera->camera_on = on;
}

// True when an outline with box `b`, drawn at offset (ox, oy), lies wholly beyond one edge of the
// screen: fill_outline's clamp pulls far vertices only as far as half a screen beyond the edge, so
// every triangle of its fan would stay beyond that edge and show nothing. Such outlines are not
// sent to the device at all.
bool outline_off_screen(const OutlineBox &b, float ox, float oy) {
    return b.right - ox <= 0 || b.bottom - oy <= 0 || b.left - ox >= W || b.top - oy >= H;
}

OE_Texture *share(const char *name) { return Base_Find(assets.share_textures, name); }
OE_Texture *picture(const DrawContext &c, const std::string &name) { return Base_Find(c.pictures, name); }

int32_t mirror_flag(const tmin &item) { return kFlagMirror * item.mirrored; }

// A lamp's glow, additive, centred on (x, y) in the coordinates in force.
void lamp_glow(uint32_t tint, float x, float y) {
    OE_Texture *light = share("light");
    if (!light) return;
    eng.FX_SetColorMix(tint);
    eng.FX_SetBlendMode(1);
    eng.SSprite_Draw(light, x - kLampGlowSide / 2, y - kLampGlowSide / 2, kLampGlowSide,
                     kLampGlowSide, kGlowAlpha, 0, kFlagPlain + kFlagTint);
    eng.FX_SetBlendMode(0);
}

// ---- the passes, in drawing order ----

void draw_backdrop(const World &w, const DrawContext &c) {
    set_camera_on(c, 0);
    if (w.backdrop.empty()) return;
    OE_Texture *t = picture(c, w.backdrop);
    if (!t) return;
    const int32_t r = eng.M_Round(c.sway_offset);
    eng.FX_SetVertexes(-r, 0, -r, 0, r, 0, r, 0);
    eng.SSprite_Draw(t, -kBackdropOverlap, -kBackdropOverlap, W + 2 * kBackdropOverlap,
                     H + 2 * kBackdropOverlap, kOpaque, 0, kFlagCorners);
    eng.FX_SetBlendMode(0);
}

// Distant scenery: camera_on stays 0 and everything moves at half the camera's speed.
void draw_back_layer(const World &w, const DrawContext &c) {
    const float hx = cam_x(c) / 2, hy = cam_y(c) / 2;
    const std::vector<OutlineBox> &boxes = outline_boxes(w).back;
    for (int32_t i = 0; i < w.back_count; ++i) {
        const tmin &item = w.back_layer[static_cast<std::size_t>(i)];
        eng.FX_SetColorMix(kBackTint);
        OE_Texture *t = picture(c, item.kind);
        if (item.outline.count != 0) {
            const OutlineBox &box = boxes[static_cast<std::size_t>(i)];
            if (box.drawn && !outline_off_screen(box, hx, hy))
                fill_outline(c.device, item.outline, t, kBackFillColour, hx, hy, kBackScale);
            continue;
        }
        if (!t) continue;
        const int32_t w = t->width, h = t->height;
        const float left = float(item.x - w / 4) - hx, top = float(item.y - h / 4) - hy;
        if (!on_screen(left, top, float(w / 2), float(h / 2)) || item.kind.empty()) continue;
        eng.SSprite_Draw(t, left, top, float(w / 2), float(h / 2), kOpaque, float(item.angle),
                         kFlagPlain + kFlagTint + mirror_flag(item));
        if (is_lamp(item.kind)) lamp_glow(kFarLampTint, float(item.x) - hx, float(item.y) - hy);
    }
}

void draw_ground_layer(const World &world, const DrawContext &c) {
    set_camera_on(c, 1);
    const float cx = cam_x(c), cy = cam_y(c);
    const std::vector<OutlineBox> &boxes = outline_boxes(world).ground;
    for (int32_t i = 0; i < world.ground_count; ++i) {
        const tmin &item = world.ground_layer[static_cast<std::size_t>(i)];
        OE_Texture *t = picture(c, item.kind);
        if (item.outline.count != 0) {
            const OutlineBox &box = boxes[static_cast<std::size_t>(i)];
            if (box.drawn && !outline_off_screen(box, cx, cy)) fill_outline(c.device, item.outline, t, kGroundFillColour, cx, cy, 1);
            continue;
        }
        if (!t) continue;
        const int32_t w = t->width, h = t->height;
        const float left = float(item.x - w / 2), top = float(item.y - h / 2);
        if (!on_screen_world(c, left, top, float(w + h), float(w + h)) || item.kind.empty()) continue;
        int32_t corner[4] = {0, 0, 0, 0};
        if (const SwayRule *rule = sway_rule(item.kind)) {
            const float sway = std::cos(world.level.world_time / rule->period_ms) * rule->amplitude;
            const int32_t r = eng.M_Round(sway);
            corner[0] = rule->tl_x * r;
            corner[1] = rule->tl_y * r;
            corner[2] = rule->tr_x * r;
            corner[3] = rule->tr_y * r;
        }
        eng.FX_SetVertexes(corner[0], corner[1], corner[2], corner[3], 0, 0, 0, 0);
        eng.SSprite_Draw(t, left, top, float(w), float(h), kOpaque, float(item.angle),
                         kFlagPlain + kFlagCorners + mirror_flag(item));
        if (is_lamp(item.kind)) lamp_glow(kNearLampTint, float(item.x), float(item.y));
    }
}

// Drawn every frame, without a visibility test; at alpha 0 it cannot be seen.
void draw_hero_shadow(const World &w) {
    OE_Texture *shadow = share("shadow");
    if (!shadow) return;
    eng.FX_SetColorMix(0);
    eng.SSprite_Draw(shadow, w.level.shadow_x - kShadowLeft, w.level.shadow_y - kShadowUp, kShadowW, kShadowH,
                     eng.M_Round(w.level.shadow_alpha), 0, kFlagPlain + kFlagTint);
}

// Two rays left and right of a gold or silver bonus and a halo that turns to and fro.
void draw_bonus_rays(const World &w, const tmin &item) {
    const float x = float(item.x), y = float(item.y);
    eng.FX_SetColorMix(kNearLampTint);
    eng.FX_SetBlendMode(1);
    const float turn = std::cos(w.level.world_time / kHaloPeriodMs) * kHaloTurn;
    if (OE_Texture *ray = share("ray")) {
        eng.SSprite_Draw(ray, x, y - kRayRise, kRaySide, kRaySide, kGlowAlpha, 0, kFlagPlain);
        eng.SSprite_Draw(ray, x - kRaySide, y - kRayRise, kRaySide, kRaySide, kGlowAlpha, 0, kFlagPlain + kFlagMirror);
    }
    if (OE_Texture *halo = share("finn"))
        eng.SSprite_Draw(halo, x - kHaloSide / 2, y - kHaloSide / 2, kHaloSide, kHaloSide,
                         eng.M_Round(float(kGlowAlpha) - 2 * turn), turn, kFlagPlain + kFlagMirror);
    eng.FX_SetBlendMode(0);
}

// The small lamp on the side the mole faces.
void draw_mole_lamp(const tmin &item) {
    OE_Texture *light = share("light");
    if (!light) return;
    eng.FX_SetColorMix(kNearLampTint);
    eng.FX_SetBlendMode(1);
    eng.SSprite_Draw(light, float(item.x) - kMoleLampBack - kMoleLampFlip * float(item.mirrored),
                     float(item.y) - kMoleLampRise, kMoleLampSide, kMoleLampSide, kGlowAlpha, 0,
                     kFlagPlain + mirror_flag(item));
    eng.FX_SetBlendMode(0);
}

// Objects are drawn in three passes, each in layer order: the things (bonuses and their glowing
// rays, springs, thorns, the sign), then the creatures and carts, then the hero, so that no glow or
// bonus later in the layer covers a creature or the hero.
enum class Pass { things, creatures, hero };
Pass pass_of(const tmin &item) {
    switch (item.role) {
    case Kind::enot: return Pass::hero;
    case Kind::bee: case Kind::worm: case Kind::krot: case Kind::hedge: case Kind::vag: return Pass::creatures;
    default: return Pass::things;
    }
}

// An object whose picture is missing, as a plain box where it stands.
void draw_missing_object(const DrawContext &c, const tmin &item) {
    const float left = float(item.x) - kMissingSide / 2, top = float(item.y) - kMissingSide / 2;
    if (!on_screen_world(c, left, top, kMissingSide, kMissingSide) || item.kind.empty() || item.role == Kind::removed)
        return;
    eng.Pr2D_Rect(left, top, kMissingSide, kMissingSide, kMissingColour, kMissingAlpha, kRectFilled);
}

void draw_object(const World &w, const DrawContext &c, const tmin &item) {
    // An item the level file names "delete" is removed from the start and names no picture.
    if (item.role == Kind::removed && kind_of(item.kind) == Kind::removed) return;
    OE_Texture *t = picture(c, item.kind);
    if (!t) {
        draw_missing_object(c, item);
        return;
    }
    const int32_t side = item.kind == "enot"   ? kHeroFrame
                         : item.kind == "worm" ? kWormFrame
                                               : t->height / picture_rows(item);
    eng.Tex_SetFramesSize(t, side, side);
    const float left = float(item.x - side / 2), top = float(item.y - side / 2);
    const int32_t cell = item.row * kFramesPerRow + item.frame;
    if (!on_screen_world(c, left, top, float(side), float(side)) || item.kind.empty() || item.role == Kind::removed)
        return;
    const float s = float(side), angle = float(item.angle);
    eng.ASprite_Draw(t, left, top, s, s, cell, kOpaque, angle, kFlagPlain + mirror_flag(item));
    if (item.kind == "enot" && w.level.hurt) {
        const int32_t ms = eng.M_Round(w.level.world_time);
        const int32_t blink = ((ms % kHurtBlinkPeriod) + kHurtBlinkPeriod) % kHurtBlinkPeriod;
        eng.FX_SetColorMix(kHurtTint);
        eng.ASprite_Draw(t, left, top, s, s, cell, blink, angle, kFlagPlain + kFlagTint + mirror_flag(item));
    }
    if (is_bonus_with_rays(item.kind)) draw_bonus_rays(w, item);
    if (item.kind == "krot") draw_mole_lamp(item);
    if (item.role == Kind::fonar && item.phase)
        lamp_glow(kNearLampTint, float(item.x), float(item.y) - kFlameRise);  // a lit checkpoint's flame
}

// The opacity of a sign's bubble: full while the hero is within kSignNearX across and kSignNearY
// up or down, fading out over the next kSignFadeX across; 0 farther.
int32_t bubble_alpha(const World &w, const tmin &sign) {
    const float dx = std::fabs(float(w.level.hero_x - sign.x)), dy = std::fabs(float(w.level.hero_y - sign.y));
    if (dy > kSignNearY || dx >= kSignNearX + kSignFadeX) return 0;
    if (dx <= kSignNearX) return kOpaque;
    return eng.M_Round(float(kOpaque) * (kSignNearX + kSignFadeX - dx) / kSignFadeX);
}

// A speech bubble over every sign the hero is near, holding the sign's text in the language shown,
// in screen pixels (the camera off), over everything else of the level.
void draw_sign_bubbles(const World &w, const DrawContext &c) {
    OE_Texture *bubble = share("bubble");
    if (!c.font || !bubble || !eng.Text_GetWidth) return;
    set_camera_on(c, 0);
    eng.Tex_SetFramesSize(bubble, int32_t(kBubbleCap), int32_t(kBubbleHeight));
    for (int32_t i = 0; i < w.object_count; ++i) {
        const tmin &sign = w.object_layer[static_cast<std::size_t>(i)];
        if (sign.kind != kSignKind || sign.text.empty()) continue;
        const int32_t alpha = bubble_alpha(w, sign);
        if (alpha <= 0) continue;
        const std::string text = tr(sign.text);
        const float text_w = eng.Text_GetWidth(c.font, text.c_str(), 1.0f, 0);
        const float body = std::max(kBubbleMinBody, std::ceil(text_w) + 2 * kBubbleTextSide);
        // The tail's tip over the sign; the bubble centred on it.
        const float cx = float(eng.M_Round(float(sign.x) - cam_x(c)));
        const float bottom = float(sign.y) - kBubbleAbove - cam_y(c);
        const float top = float(eng.M_Round(bottom - kBubbleHeight));
        const float left = cx - body / 2 - kBubbleCap, half = (body - kBubbleCap) / 2;
        if (!on_screen(left, top, body + 2 * kBubbleCap, kBubbleHeight)) continue;
        const auto part = [&](float x, float w, int32_t cell) {
            eng.ASprite_Draw(bubble, x, top, w, kBubbleHeight, cell, alpha, 0, kFlagPlain);
        };
        part(left, kBubbleCap, kBubbleLeft);
        part(left + kBubbleCap, half, kBubbleMiddle);
        part(cx - kBubbleCap / 2, kBubbleCap, kBubbleTail);
        part(cx + kBubbleCap / 2, half, kBubbleMiddle);
        part(left + kBubbleCap + body, kBubbleCap, kBubbleRight);
        const float text_x = float(eng.M_Round(cx - text_w / 2));
        eng.Text_Draw(c.font, text_x, top + kBubbleTextTop, text.c_str(), 1.0f, 0, alpha, kBubbleTextColour);
    }
    set_camera_on(c, 1);
}

void draw_object_layer(const World &w, const DrawContext &c) {
    for (const Pass pass : {Pass::things, Pass::creatures, Pass::hero})
        for (int32_t i = 0; i < w.object_count; ++i) {
            const tmin &item = w.object_layer[static_cast<std::size_t>(i)];
            if (pass_of(item) == pass) draw_object(w, c, item);
        }
}

void draw_front_layer(const World &w, const DrawContext &c) {
    for (int32_t i = 0; i < w.front_count; ++i) {
        const tmin &item = w.front_layer[static_cast<std::size_t>(i)];
        OE_Texture *t = picture(c, item.kind);
        if (!t) continue;
        const int32_t w = t->width, h = t->height;
        const float left = float(item.x - w / 2), top = float(item.y - h / 2);
        if (!on_screen_world(c, left, top, float(w), float(h)) || item.kind.empty()) continue;
        eng.SSprite_Draw(t, left, top, float(w), float(h), kOpaque, float(item.angle), kFlagPlain + mirror_flag(item));
        if (is_lamp(item.kind)) lamp_glow(kNearLampTint, float(item.x), float(item.y));
    }
}

}  // namespace

uint32_t colour_to_argb(int32_t colour, int32_t alpha) {
    const uint32_t c = static_cast<uint32_t>(colour);
    return (static_cast<uint32_t>(alpha & 0xFF) << 24) | ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

bool on_screen(float x, float y, float w, float h) {
    return x > -2 * w && y > -2 * h && x < W + w / 2 && y < H + h / 2;
}

bool on_screen_world(const DrawContext &c, float x, float y, float w, float h) {
    const float sx = x - cam_x(c), sy = y - cam_y(c);
    return sx > -w && sy > -2 * h && sx < W + w / 2 && sy < H + h / 2;
}

void fill_outline(OE_Device *device, const TPolyLine2D &outline, const OE_Texture *texture, int32_t colour, float ox, float oy,
                  float scale) {
    const int32_t n = outline.count;
    if (!device || n < 2 || outline.points.size() < static_cast<std::size_t>(n) + 1) return;
    if (texture && (texture->width <= 0 || texture->height <= 0)) return;
    if (!(scale > 0)) return;
    const uint32_t argb = colour_to_argb(colour, kOpaque);
    // Without a texture the fill is its plain colour (the device draws untextured with none set).
    const float repeat_w = texture ? float(texture->width) / scale : 1.0f;
    const float repeat_h = texture ? float(texture->height) / scale : 1.0f;

    struct DeviceVertex {
        float x, y, z, rhw;
        uint32_t colour;
        float u, v;
    };
    static_assert(sizeof(DeviceVertex) == kVertexStride, "device vertices are 28 bytes");
    auto make = [&](const OE_Point &p) {
        float sx = p.x - ox, sy = p.y - oy;
        // Far-off vertices are pulled to half a screen beyond the edge; their texture follows.
        if (sx <= -W / 2) sx = -W / 2;
        if (sy <= -H / 2) sy = -H / 2;
        if (sx >= W + W / 2) sx = W + W / 2;
        if (sy >= H + H / 2) sy = H + H / 2;
        return DeviceVertex{sx, sy, 1.0f, 1.0f, argb, (sx + ox) / repeat_w, (sy + oy) / repeat_h};
    };

    // The whole fan around the first point goes to the device as one triangle list, built on the
    // stack for the usual outline and in a vector only for a long one.
    const std::size_t triangles = static_cast<std::size_t>(n - 1);
    std::array<DeviceVertex, 3 * kFanInlineTriangles> inline_fan;
    std::vector<DeviceVertex> long_fan;
    DeviceVertex *fan = inline_fan.data();
    if (triangles > kFanInlineTriangles) {
        long_fan.resize(3 * triangles);
        fan = long_fan.data();
    }
    const DeviceVertex first = make(outline.points[0]);
    DeviceVertex prev = make(outline.points[1]);
    for (std::size_t i = 0; i < triangles; ++i) {
        const DeviceVertex next = make(outline.points[i + 2]);
        fan[3 * i] = first;
        fan[3 * i + 1] = prev;
        fan[3 * i + 2] = next;
        prev = next;
    }
    device->vtbl->SetRenderState(device, OE_RENDERSTATE_EDGEANTIALIAS, 1);
    device->vtbl->SetVertexShader(device, OE_VERTEX_FORMAT_XYZRHW_DIFFUSE_TEX1);
    device->vtbl->SetTexture(device, 0, texture ? texture->device_texture : nullptr);
    device->vtbl->DrawPrimitiveUP(device, OE_PRIMITIVE_TRIANGLELIST, static_cast<uint32_t>(triangles), fan,
                                  kVertexStride);
    device->vtbl->SetTexture(device, 0, nullptr);
    device->vtbl->SetRenderState(device, OE_RENDERSTATE_EDGEANTIALIAS, 0);
}

void draw_world(const World &w, const DrawContext &c) {
    draw_backdrop(w, c);
    draw_back_layer(w, c);
    draw_ground_layer(w, c);
    draw_hero_shadow(w);
    draw_object_layer(w, c);
    draw_front_layer(w, c);
    draw_sign_bubbles(w, c);
}
