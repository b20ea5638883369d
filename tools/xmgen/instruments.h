// instruments.h - the generated instrument set every Tarvelok module carries.
//
// Out: XM instruments whose samples are synthesized here (no recordings): plucked FM lead,
// flute, reed, bell, bass, pad, arpeggio pluck and three soft drums. Each pitched sample is
// tuned (relative note + finetune) so that the XM note C-4 sounds middle C (261.63 Hz).
// Deterministic: the same bytes on every run.
#pragma once
#include "xm_module.h"

#include <string>
#include <vector>

namespace xmgen {

// Instrument numbers as written in pattern cells (1-based, in the order make_instruments returns).
enum InstrumentId : int {
    kInsPluck = 1,
    kInsFlute,
    kInsReed,
    kInsBell,
    kInsBass,
    kInsPad,
    kInsArp,
    kInsKick,
    kInsSnare,
    kInsHat,
    kInstrumentCount = kInsHat
};

std::vector<Instrument> make_instruments();

// Instrument number for a name used in song files ("pluck", "flute", ...); 0 if unknown.
int instrument_by_name(const std::string &name);

}  // namespace xmgen
