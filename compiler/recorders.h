// The feature recorders: each marks one parsed row on the track cells.
#pragma once

#include <cstdint>

#include "compiler/errors.h"
#include "compiler/model.h"

namespace scenario {

// Parameters taken by reference are written back where the recorder changes them. The
// recorders that may refuse a row return the error number of the refusal, 0 when they
// accept it; the caller raises it with the row's position and place.
void memo_montagna(Model& model, std::int32_t& inizio, std::int32_t& fine, std::int32_t& tipo);
std::int32_t memo_rallentamento(Model& model, std::int32_t x, std::int32_t& v, std::int32_t& l,
                                std::int32_t& f_tt, std::int32_t f_ta, std::int32_t& d_v);
std::int32_t memo_segnale(Model& model, std::int32_t posizione, std::int32_t& sx, std::int32_t& s1,
                          std::int32_t& s2, std::int32_t& s3, std::int32_t& rapp, std::int32_t& dx,
                          std::int32_t& d1, std::int32_t& d2, std::int32_t& d3,
                          std::int32_t& tempo);
// A board's speed pair whose packed value does not fit 16 bits: a read fault of the route text.
// It says which pair, so that the parser can point at the field the author wrote.
class PackedSpeedFault : public RunTimeFault {
  public:
    PackedSpeedFault(int which_pair, std::int64_t packed_value)
        : RunTimeFault("maximum-speed board value " + std::to_string(packed_value) +
                       " does not fit 16 bits"),
          pair(which_pair),
          packed(packed_value) {}
    int pair;  // 0, 1 or 2: the speeds for rank A, B or C, left and right
    std::int64_t packed;
};

// Throws PackedSpeedFault when a packed speed value does not fit 16 bits.
std::int32_t memo_indicatori_v_max(Model& model, std::int32_t posizione, std::int32_t& vas,
                                   std::int32_t& vbs, std::int32_t& vcs, std::int32_t& strisces,
                                   std::int32_t& vad, std::int32_t& vbd, std::int32_t& vcd,
                                   std::int32_t& strisced);
// The smaller of two values; the first on a tie.
std::int32_t minimo(std::int32_t x, std::int32_t y);

}  // namespace scenario
