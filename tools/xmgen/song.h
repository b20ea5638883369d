// song.h - the song files of content/music and their arrangement into an XM module.
//
// A song file is plain text, one statement per line; '#' after a space starts a comment:
//   title menu            stored module title (the game compares it exactly)
//   speed 6 / bpm 96      ticks per row and beats per minute of the tracker clock
//   lead flute            instruments of the melody, echo/counter and arpeggio voices
//   echo bell / arp arp
//   section A             a section is one pattern: 4 bars of 16 rows (a row is a 16th note)
//   chords F | Am | Bb | C,C7    one chord per bar, or two separated by a comma (half bars)
//   melody c5 . f5 . a5 . g5 f5 | ...   8 eighth notes per bar: a note, '.' hold, '-' rest
//   counter ...           optional second line for the echo voice (else it echoes the melody)
//   bass long|bounce|pulse|walk   arp none|up8|up16|updown8   drums none|soft|pop|mine
//   end
//   order I A A2 B        the song as a list of sections; it loops back to the first
// In: the file's text. Out: a Song, or an error naming the file and line.
#pragma once
#include "xm_module.h"

#include <string>
#include <vector>

namespace xmgen {

struct Chord {
    int root = 0;                  // pitch class 0..11 (0 = C)
    std::vector<int> intervals;    // semitones above the root, root (0) included
    int bass = 0;                  // pitch class of the bass note (the root unless "/X")
};

struct ChordSpan {
    int row = 0, rows = 16;        // where it starts in the section and how long it lasts
    Chord chord;
};

struct Section {
    std::string name;
    int line = 0;                  // line of "section", for messages
    std::vector<ChordSpan> chords;
    std::vector<int> melody;       // one entry per eighth: MIDI note, kHold or kRest
    std::vector<int> counter;      // same, may be empty
    std::string bass = "long", arp = "none", drums = "none";
};

constexpr int kHold = -1;          // melody token '.': the previous note goes on
constexpr int kRest = -2;          // melody token '-': silence (key off)

struct Song {
    std::string title;
    int speed = 6, bpm = 125;
    int lead = 0, echo = 0, arp = 0;   // instrument numbers
    std::vector<Section> sections;
    std::vector<int> order;            // indices into sections
};

// Reads a song from `text`; `file` names it in messages. False with `error` set
// ("FILE:LINE: what is wrong") on the first fault.
bool parse_song(const std::string &text, const std::string &file, Song &song, std::string &error);

// The song as a looping XM module with the given instruments: one pattern per section, plus a
// copy of the last ordered section that jumps back to the start.
Module arrange(const Song &song, const std::vector<Instrument> &instruments);

}  // namespace xmgen
