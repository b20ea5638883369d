// xm_player.h - the XM replay: plays a loaded Module as FastTracker 2 does and mixes it.
//
// In: a Module (which must outlive the player). Out: stereo frames at XM_OUTPUT_RATE added as
// floats (16-bit scale) into a caller's buffer. Every call renders exactly the frames asked for;
// rows, ticks, effects and envelopes advance as the frames go by.
// Mixing: each channel reads its sample at a position with a 31-bit fraction, interpolates
// linearly between neighbouring 16-bit points, applies left/right gains (volume 0..255 / 255) and
// spreads every gain change over XM_RAMP_FRAMES frames; loops wrap inside the mix. A sound cut by a
// new note fades out over the same ramp on a second voice of its channel instead of stopping dead.
// Level: volume 64 panned hard to one side gives that side half the sample, centred a quarter.
// Does not: allocate while rendering, convert to 16 bits, or touch any device.
#pragma once
#include <cstdint>

#include "music/xm_module.h"

namespace xm {

constexpr int XM_OUTPUT_RATE = 48000;  // frames per second
constexpr int XM_RAMP_FRAMES = 64;     // frames over which a gain change is spread (1.3 ms)

// Something that fills blocks of stereo float frames (the ring's source; tests use fakes).
class BlockSource {
public:
    virtual ~BlockSource() = default;
    // Adds `frames` stereo frames (left, right interleaved, 16-bit scale) into `out`.
    virtual void render(float *out, int frames) = 0;
};

struct Voice;    // mixing state of one channel (internal)
struct Channel;  // replay state of one channel (internal)
struct RowFlow;  // what a row's effects ask of the song's flow (internal)

// The song-wide state that rows and effects change.
struct SongState {
    int order = 0, row = 0, tick = 0;  // position; tick 0 is the first of the row
    int speed = 6, bpm = 125;          // ticks per row; a tick is floor(120000 / bpm) frames
    int global_volume = 64;            // 0..64
    uint8_t global_slide_memory = 0;   // Hxy
    int pattern_delay = 0;             // extra row repeats asked for by EEx
    int pattern_delay_left = 0;        // repeats of the row still to play
};

class Player : public BlockSource {
public:
    explicit Player(const Module &module);
    ~Player() override;
    Player(const Player &) = delete;
    Player &operator=(const Player &) = delete;

    void render(float *out, int frames) override;

    // With looping off, the song falls silent at its end instead of starting over.
    void set_looping(bool on) { looping_ = on; }
    // True once the song has come to a row it already played (its end or a jump back): from here
    // it repeats. Stays true.
    bool song_ended() const { return song_ended_; }
    // True once a song without looping has reached its end: from here it renders nothing.
    bool finished() const { return stopped_; }
    // Frames rendered so far.
    uint64_t frames_rendered() const { return frames_rendered_; }

    // Position, for tests and tools.
    int order() const { return song_.order; }
    int row() const { return song_.row; }
    int speed() const { return song_.speed; }
    int bpm() const { return song_.bpm; }
    int global_volume() const { return song_.global_volume; }

private:
    void tick();
    bool note_row_played();
    void start_row();
    void apply_flow(const RowFlow &flow);
    void advance_row();
    void forget_pattern_loops();
    void update_voice(Channel &c, Voice &v);
    void mix(float *out, int frames);

    const Module &mod_;
    Channel *ch_;   // [mod_.channels]
    Voice *voice_;  // [XM_MAX_CHANNELS] playing voices, then [XM_MAX_CHANNELS] fading ones
    bool looping_ = true;
    bool song_ended_ = false;
    bool stopped_ = false;  // no looping and the end was reached
    uint64_t frames_rendered_ = 0;
    SongState song_;
    int tick_frames_left_ = 0;  // frames until the next tick
    bool jump_ = false;         // a jump or break is due at the end of the row
    int jump_order_ = 0, jump_row_ = 0;
    bool loop_jump_ = false;                                // the row change comes from a pattern loop (E6x)
    uint8_t visited_[XM_MAX_ORDERS][XM_MAX_ROWS / 8] = {};  // rows already played
};

// Turns the vector mixing kernels off (false) or on (the default): the scalar kernel computes the
// same frames, so tests compare the two. Process-wide; not for use while a song is mixed.
void xm_use_simd(bool on);

}  // namespace xm
