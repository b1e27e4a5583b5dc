// The scenario identity of an author's texts, from the options or from the texts' names.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "compiler/identity.h"

namespace scenario::scenc {

// The stem is --stem, else what a route text named STEM_linea.txt says; the train number is
// --train-number, else what a train text named STEM_N-.txt says for that same stem. Throws
// UsageProblem naming the option that is needed, or when a part cannot be in a file name.
Identity identity_from_names(const std::filesystem::path& route, const std::filesystem::path& train,
                             const std::optional<std::string>& stem,
                             const std::optional<std::string>& train_number);

// Both parts of an identity become parts of file names: UsageProblem when one cannot.
void check_usable_identity(const Identity& id);

}  // namespace scenario::scenc
