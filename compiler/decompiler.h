// From compiled files back to texts: bytes in, a route text and a train text out. Every value
// is read from the files; the texts are then compiled again in memory and their files compared
// byte for byte with the ones given, so a compiled set that no text produces is named at the
// first place where it differs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "compiler/identity.h"

namespace scenario {

// The compiled files of one scenario, as bytes. Without a plan file the scenario was compiled
// with the plan option off.
struct CompiledSet {
    std::optional<std::string> plan;
    std::string records;
    std::string cells;
};

struct DecompiledScenario {
    Identity identity;             // from the record file's texts
    std::int32_t plan_option = 0;  // 1 when a plan file was given
    std::string route_text;
    std::string train_text;
    // Empty when the texts compile to the given files byte for byte; otherwise one line naming
    // the first place where they fall short (the texts are still the nearest ones found).
    std::string problem;
    // Whether that place is one that no text at all can produce (a text no field can carry, a
    // plan point no step reaches), not only one the texts written miss.
    bool no_text_gives = false;
};

// Throws CompiledFileError when a file does not have its layout at all.
DecompiledScenario decompile(const CompiledSet& files);

}  // namespace scenario
