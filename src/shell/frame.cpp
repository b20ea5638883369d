// frame.cpp - what the engine shows: the splash while it starts, the load procedure, and the frame
// procedure with the menu backdrop, the status bar, the cursor, the fade overlay, the loading
// screen, the title card over a level's start and, over all of them, the notice of tell_player_once.
//
// Every picture is looked up by name in share_textures; positions are computed from the screen
// size. A picture missing from it is left out (the cursor alone is replaced, by a plain square). Nothing here changes game state: the interface walk it runs only collects the actions of
// the player's clicks and keys, which the logic tick carries out.
#include <algorithm>
#include <cmath>

#include "assets/lang.h"
#include "cp1251.h"
#include "engine/engine.h"
#include "menus/menus.h"
#include "music/music.h"
#include "platform/platform.h"
#include "render/draw_world.h"
#include "shell/shell.h"
#include "ui/ui.h"
#include "world/world.h"

namespace {
constexpr int32_t W = screen_width;
constexpr int32_t H = screen_height;

// ---- engine arguments ------------------------------------------------------------------------------
constexpr int32_t kOpaque = 255;
constexpr int32_t kPlainFlags = 1;              // ordinary sprite draw
constexpr int32_t kTintedFlags = 9;             // ordinary + colour mix
constexpr int32_t kBlendNormal = 0;             // FX_SetBlendMode: ordinary alpha blending
constexpr int32_t kBlendAdd = 1;                //                  additive
constexpr int32_t kRectFilled = 1;              // Pr2D_Rect: filled, not outlined
constexpr int32_t kNoColourKey = -1;            // Tex_LoadFromFile / fonts: no transparent colour
constexpr int32_t kDirectLoadFlags = 266;       // load flags of the splash and the fonts (by path)
constexpr int32_t kDeviceParam = 18;            // P_GetParams: the terrain drawing device
constexpr uint32_t kBlack = 0x000000;
constexpr float kTextScale = 1.0f;              // Text_Draw / Text_GetWidth: natural size ...
constexpr int32_t kTextSpacing = 0;             // ... and no extra spacing
constexpr int32_t kShadowOffset = 1;            // pixels a text shadow lies off the text

// ---- colours and timing ----------------------------------------------------------------------------
constexpr uint32_t kCompassTint = 0x00AAAA;     // yellow-olive tint of the big menu compass
constexpr int32_t kCompassAlpha = 128;
constexpr uint32_t kShadowColour = 0x333333;    // text shadows
constexpr uint32_t kTextColour = 0xFFFFFF;
constexpr uint32_t kHintColour = 0x11CCFF;      // orange loading tip
constexpr uint32_t kWarningColour = 0x0000FF;   // red health flash
constexpr int32_t kHealthWarning = 80;          // damage above which the bar flashes
constexpr float kFlashMsPerStep = 5.0f;         // flash alpha rises one step per 5 ms of world time
constexpr int32_t kFlashWrap = 255;             // ... and starts again from 0 at this alpha
constexpr int32_t kLoadingScreenBelow = 20;     // fade_level under which the loading screen shows
constexpr float kStarTurn = 4;                  // the menu's star turns this many times the sway

// ---- layout: boxes on the 800 x 600 screen, top-left corner and size in pixels ----------------------
struct Box {
    int32_t x, y, w, h;
};
constexpr int32_t kCursorSize = 64;                                 // cursor picture, hot spot top left
constexpr float kCursorStandIn = 10;                               // side of the square shown without the picture
constexpr uint32_t kCursorStandInColour = 0xFFFFFF;
constexpr Box kSplash{W / 2 - 128, H / 2 - 128, 256, 256};
// Main menu backdrop: the big compass centred on the screen, the board with the small compass and
// the star under the buttons, the title, and the two berries that bob with the sway.
constexpr Box kBigCompass{W / 2 - 512, H / 2 - 512, 1024, 1024};
constexpr Box kBoard{W / 2 - 256, 90, 512, 512};
constexpr Box kMenuTitle{140, 0, 512, 128};
constexpr Box kLeftBerry{120, 50, 48, 48}, kRightBerry{W - 175, 50, 48, 48};
// Loading screen: a small board with the clock, the title picture, the word "Загрузка" below the
// clock and the level's title above the board, the plate of the tip near the bottom.
constexpr Box kLoadingBoard{W / 2 - 128, H / 2 - 64, 256, 192};
constexpr Box kLoadingClock{W / 2 - 32, H / 2 - 16, 64, 64};
constexpr Box kLoadingTitle{140, 64, 512, 128};
constexpr int32_t kLoadingWordY = H / 2 + 48, kLevelTitleY = H / 2 - 160;
constexpr int32_t kLevelNameY = H / 2 - 104;    // the level's name, between the title and the board
constexpr Box kHintPlate{W / 2 - 324, H - 128, 648, 74};
constexpr int32_t kHintY = H - 106;
// Status bar: the health bar (full width at no damage, one pixel less per damage point) in its
// frame at the bottom left; the lives panel at the top right with the heart and the count; the
// points panel at the top middle (below).
constexpr Box kHealthBar{W - 746, H - 56, 128, 16};
constexpr Box kHealthFrame{W - 778, H - 80, 192, 64};
constexpr Box kLivesPanel{W - 160, 8, 128, 64};
constexpr Box kHeart{W - 128, 24, 32, 32};
constexpr int32_t kLivesTextX = W - 96, kStatusTextY = 24;
// The points panel: the text centred on W/2 between two coins. While the text fits the coins stand
// at W/2 - 96 and W/2 + 64 in a 256 px panel; a wider text pushes coins and panel apart by as
// much, so any points value (up to the 10 digits of an int32) keeps its gaps and stays on screen.
constexpr int32_t kPointsPanelY = 8, kPointsPanelH = 64;
constexpr int32_t kCoinY = 24;
constexpr int32_t kCoinSize = 32;
constexpr int32_t kCoinGap = 8;             // pixels at least between the text and each coin
constexpr int32_t kCoinHalfSpan = 64;       // W/2 to the right coin's left edge, narrow texts
constexpr int32_t kPanelPastCoin = 32;      // panel edge to the outer side of a coin
// The title card over a level's first seconds: a plate in the sky between the status bar and the
// hero (whom the camera keeps near the screen's middle, 96 px tall), three centred lines.
constexpr Box kTitlePlate{W / 2 - 230, 90, 460, 132};
constexpr int32_t kTitleNumberY = 105, kTitleNameY = 139, kTitleNutsY = 175;
// The notice plate (tell_player_once): centred, its bottom this far above the screen's bottom,
// as wide as the longer line plus the side margins, one line pitch a line plus the padding.
constexpr float kNoticeBottomGap = 24;
constexpr float kNoticeSideMargin = 48;
constexpr float kNoticePadding = 14;
constexpr float kNoticeLinePitch = 30;
constexpr int32_t kNoticeFadeTicks = 25;        // the last half second fades out

// The hints of the loading screen, in the chosen language.
std::string loading_hint(int32_t index) {
    switch (index) {
    case 0: return TR("Прыгайте на голову врагам, чтобы победить их.");
    case 1: return TR("Собирайте бонусы для накопления очков.");
    case 2: return TR("Ромашка может подбросить вас выше чем обычно.");
    case 3: return TR("Не пытайтесь прыгнуть на спину ежа, это опасно.");
    default: return TR("Золотые орехи обычно спрятаны на уровнях.");
    }
}

// One catalogue picture into a box; a picture missing from the catalogue is left out.
void sprite(const char *name, float x, float y, float w, float h, int32_t alpha = kOpaque,
            float angle = 0, int32_t flags = kPlainFlags) {
    OE_Texture *t = Base_Find(assets.share_textures, name);
    if (t) eng.SSprite_Draw(t, x, y, w, h, alpha, angle, flags);
}

// The same into a box of the layout, `dy` pixels lower (the bobbing berries).
void sprite(const char *name, const Box &b, int32_t alpha = kOpaque, float angle = 0, int32_t flags = kPlainFlags,
            float dy = 0) {
    sprite(name, b.x, b.y + dy, b.w, b.h, alpha, angle, flags);
}

void text(float x, float y, const std::string &s, uint32_t colour) {
    eng.Text_Draw(handles.font_cyr, x, y, s.c_str(), kTextScale, kTextSpacing, kOpaque, colour);
}

float centred_x(float centre, const std::string &s) {
    return centre - eng.Text_GetWidth(handles.font_cyr, s.c_str(), kTextScale, kTextSpacing) / 2;
}

// Shadow one pixel right of and below the text, then the text in white.
void shadowed_text(float x, float y, const std::string &s) {
    text(x + kShadowOffset, y + kShadowOffset, s, kShadowColour);
    text(x, y, s, kTextColour);
}

// A line centred on `centre` (on a whole pixel) over its shadow, one pixel right of and below it,
// both at the opacity `alpha`.
void faded_text(float centre, float y, const std::string &s, int32_t alpha, uint32_t colour) {
    const float x = static_cast<float>(eng.M_Round(centred_x(centre, s)));
    eng.Text_Draw(handles.font_cyr, x + kShadowOffset, y + kShadowOffset, s.c_str(), kTextScale, kTextSpacing, alpha, kShadowColour);
    eng.Text_Draw(handles.font_cyr, x, y, s.c_str(), kTextScale, kTextSpacing, alpha, colour);
}

void camera_off() {
    if (handles.camera) handles.camera->camera_on = 0;
}
}  // namespace

// ---- splash and load ------------------------------------------------------------------------------
void splash_procedure() {
    if (!handles.splash) handles.splash = eng.Tex_LoadFromFile(platform::native_path("gfx/share/splash.tga").c_str(), kNoColourKey, kDirectLoadFlags);
    eng.SSprite_Draw(handles.splash, kSplash.x, kSplash.y, kSplash.w, kSplash.h, kOpaque, 0, kPlainFlags);
    eng.FX_SetBlendMode(kBlendNormal);
}

void load_procedure() {
    if (void *cell = eng.P_GetParams(kDeviceParam)) {
        OE_Device *device = *static_cast<OE_Device **>(cell);
        if (device) {
            device->vtbl->AddRef(device);
            handles.direct3d_device = device;
        }
    }
    eng.Snd_Init();
    apply_volumes();
    Base_LoadDir(assets.share_textures, "gfx\\share\\");
    const std::string glyphs = platform::native_path("fnt/cyr.tga"), glow = platform::native_path("fnt/cyrl.tga");
    const std::string layout = platform::native_path("fnt/cyr.ofi");
    handles.font_cyr = eng.Text_LoadFontFromFile(glyphs.c_str(), layout.c_str(), kNoColourKey, kDirectLoadFlags);
    handles.font_cyrl = eng.Text_LoadFontFromFile(glow.c_str(), layout.c_str(), kNoColourKey, kDirectLoadFlags);
    handles.camera = eng.Cam2D_Create();
    eng.Cam2D_Set(handles.camera);
    SList_Load(assets.sounds, "snd\\", "*.wav");
    build_menus();
    load_scene_catalogue();
}

// ---- pieces of the frame --------------------------------------------------------------------------
void draw_loading_screen() {
    eng.FX_SetBlendMode(kBlendNormal);
    sprite("bg", 0, 0, W, H);
    sprite("menu", kLoadingBoard);
    sprite("clock", kLoadingClock);
    sprite("gtit", kLoadingTitle);
    const std::string loading = TR("Загрузка");
    shadowed_text(centred_x(W / 2, loading), kLoadingWordY, loading);
    eng.FX_SetBlendMode(kBlendAdd);
    const std::string title = tr(level_title(profile.level_index));
    text(centred_x(W / 2, title), kLevelTitleY, title, kTextColour);
    const std::string name = tr(level_name(profile.level_index));
    text(centred_x(W / 2, name), kLevelNameY, name, kHintColour);
    eng.FX_SetBlendMode(kBlendNormal);
    sprite("gbut", kHintPlate);
    eng.FX_SetBlendMode(kBlendAdd);
    // Chosen when the load was requested (request()): the frame only reads it.
    const std::string hint = loading_hint(std::clamp(session.loading_hint, 0, kLoadingHintCount - 1));
    text(centred_x(W / 2, hint), kHintY, hint, kHintColour);
    eng.FX_SetBlendMode(kBlendNormal);
}

void draw_title_card() {
    const int32_t alpha = title_card_alpha();
    if (alpha <= 0 || !eng.Text_GetWidth) return;
    const int32_t level = profile.level_index;
    eng.FX_SetBlendMode(kBlendNormal);
    sprite("gbut", kTitlePlate, alpha);
    faded_text(W / 2, kTitleNumberY, TR("Уровень ") + std::to_string(level + 1), alpha, kTextColour);
    faded_text(W / 2, kTitleNameY, tr(level_name(level)), alpha, kHintColour);
    const std::string nuts = TR("Золотых орехов: ") + std::to_string(profile.total_nuts) + TR(" из ") +
                             std::to_string(playable_level_count());
    faded_text(W / 2, kTitleNutsY, nuts, alpha, kTextColour);
}

void draw_fade_overlay() {
    if (session.fade_level < kOpaque) eng.Pr2D_Rect(0, 0, W, H, kBlack, kOpaque - session.fade_level, kRectFilled);
}

// The pointer's picture; without one (the engine hides the system's pointer) a plain square, so
// that the player still sees where the pointer is.
void draw_cursor() {
    OE_Texture *cur = Base_Find(assets.share_textures, "cur");
    if (cur) eng.Tex_SetFramesSize(cur, kCursorSize, kCursorSize);
    const int32_t mx = eng.Mouse_X();  // read in this order: the call log must not depend on the
    const int32_t my = eng.Mouse_Y();  // compiler's argument evaluation order
    if (!cur) {
        eng.Pr2D_Rect(static_cast<float>(mx), static_cast<float>(my), kCursorStandIn, kCursorStandIn,
                      kCursorStandInColour, kOpaque, kRectFilled);
        return;
    }
    eng.SSprite_Draw(cur, static_cast<float>(mx), static_cast<float>(my), kCursorSize, kCursorSize,
                     kOpaque, 0, kPlainFlags);
}

void draw_notice() {
    if (presentation.notice_ticks <= 0 || !eng.Text_GetWidth) return;
    const int32_t alpha = std::min(kOpaque, presentation.notice_ticks * kOpaque / kNoticeFadeTicks);
    const std::string &l1 = presentation.notice_line1, &l2 = presentation.notice_line2;
    const float w1 = eng.Text_GetWidth(handles.font_cyr, l1.c_str(), kTextScale, kTextSpacing);
    const float w2 = l2.empty() ? 0 : eng.Text_GetWidth(handles.font_cyr, l2.c_str(), kTextScale, kTextSpacing);
    const float width = std::max(w1, w2) + 2 * kNoticeSideMargin;
    const float height = (l2.empty() ? 1 : 2) * kNoticeLinePitch + 2 * kNoticePadding;
    const float top = H - kNoticeBottomGap - height;
    eng.FX_SetBlendMode(kBlendNormal);
    sprite("gbut", static_cast<float>(eng.M_Round(W / 2 - width / 2)), top, width, height, alpha);
    // The first line white over its shadow, the second in the orange of the loading tips.
    const float y1 = top + kNoticePadding;
    faded_text(W / 2, y1, l1, alpha, kTextColour);
    if (!l2.empty()) faded_text(W / 2, y1 + kNoticeLinePitch, l2, alpha, kHintColour);
}

void draw_menu_backdrop() {
    const float sway = presentation.sway_offset;
    sprite("bg", 0, 0, W, H);
    draw_effects(menus.menu_effects);
    eng.FX_SetBlendMode(kBlendAdd);
    eng.FX_SetColorMix(kCompassTint);
    sprite("compass", kBigCompass, kCompassAlpha, sway, kTintedFlags);
    sprite("compass", kBoard, kOpaque, -sway);
    sprite("str", kBoard, kOpaque, kStarTurn * sway);
    eng.FX_SetBlendMode(kBlendNormal);
    // The board stays still under the buttons that sit on it (no shear with the sway).
    sprite("menu", kBoard);
    sprite("gtit", kMenuTitle);
    sprite("berry", kLeftBerry, kOpaque, 0, kPlainFlags, sway);
    sprite("berry", kRightBerry, kOpaque, 0, kPlainFlags, -sway);
}

void draw_status_bar() {
    const Box &bar = kHealthBar;
    const float bar_width = static_cast<float>(bar.w - level_record.world.tallies.damage);
    sprite("health", bar.x, bar.y, bar_width, bar.h);
    if (level_record.world.tallies.damage > kHealthWarning) {
        const int32_t flash = eng.M_Round(level_record.world.level.world_time / kFlashMsPerStep) % kFlashWrap;
        eng.Pr2D_Rect(bar.x, bar.y, bar_width, bar.h, kWarningColour, flash, kRectFilled);
    }
    sprite("rnd", kHealthFrame);
    // Lives left; this one shadow sits left of the text.
    sprite("rnd", kLivesPanel);
    sprite("h1", kHeart);
    const std::string lives = "x" + std::to_string(int64_t(kDeathsToGameOver) - profile.deaths);
    text(kLivesTextX - kShadowOffset, kStatusTextY + kShadowOffset, lives, kShadowColour);
    text(kLivesTextX, kStatusTextY, lives, kTextColour);
    // Points of this level.
    const std::string points = TR("Очки: ") + std::to_string(level_record.world.tallies.level_points);
    const float text_w = eng.Text_GetWidth(handles.font_cyr, points.c_str(), kTextScale, kTextSpacing);
    const float half = std::max<float>(kCoinHalfSpan, std::ceil(text_w / 2) + kCoinGap);
    const float panel_half = half + kCoinSize + kPanelPastCoin;
    sprite("rnd", W / 2 - panel_half, kPointsPanelY, 2 * panel_half, kPointsPanelH);
    sprite("mon", W / 2 - half - kCoinSize, kCoinY, kCoinSize, kCoinSize);
    sprite("mon", W / 2 + half, kCoinY, kCoinSize, kCoinSize);
    shadowed_text(W / 2 - text_w / 2, kStatusTextY, points);
}

// ---- the frame procedure --------------------------------------------------------------------------
namespace {
// The level being played, with what its drawing reads.
void draw_level() {
    draw_world(level_record.world, DrawContext{level_record.pictures, handles.camera, handles.direct3d_device,
                                               presentation.sway_offset, handles.font_cyr});
}
}  // namespace

void frame_procedure() {
    music_step();  // mixes the music where the player has no thread of its own (the page)
    switch (session.game_state) {
    case GameState::menu:
        draw_menu_backdrop();
        run_menus();
        draw_cursor();
        camera_off();
        draw_fade_overlay();
        if (session.request == Request::start_level && session.fade_level < kLoadingScreenBelow) draw_loading_screen();
        break;
    case GameState::playing:
        draw_level();
        draw_effects(level_record.world.particles);
        camera_off();
        if (profile.level_index != kLastLevel) draw_status_bar();  // the final scene is a picture, not play
        draw_title_card();  // fades in with the level (the overlay is drawn over it)
        if (profile.level_index == kLastLevel) run_menus();
        if (settings.mouse_off == 0 || profile.level_index == kLastLevel) draw_cursor();
        draw_fade_overlay();
        break;
    case GameState::frozen:
        draw_level();
        camera_off();
        run_menus();
        draw_cursor();
        camera_off();
        draw_fade_overlay();
        if (session.request == Request::load_level && session.fade_level < kLoadingScreenBelow) draw_loading_screen();
        break;
    }
    draw_notice();
}
