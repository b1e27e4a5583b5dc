// scenc example: the carried scenario's texts as a starting point for a new one.
#pragma once

#include <filesystem>
#include <iosfwd>

#include "compiler/identity.h"

namespace scenario::scenc {

struct ExampleRequest {
    std::filesystem::path folder;
    bool force = false;                      // replace files of the same names
    Identity identity = carried_identity();  // the names the written files carry
};

// Writes the route and train texts and the three documents, named by the request's
// identity, into the folder (created when
// missing), without compiling them. An existing file of the same name is kept and the
// command refused unless force is set: it may hold an author's edits. Returns 0, 2 when
// refused, 3 when a file could not be written.
int run_example(const ExampleRequest& request, std::ostream& out, std::ostream& err);

}  // namespace scenario::scenc
