#include "scenc/common/identity_from_names.h"

#include <string_view>

#include "scenc/common/input_files.h"

namespace scenario::scenc {

namespace {

constexpr std::string_view route_suffix = "_linea.txt";
constexpr std::string_view train_suffix = "-.txt";

std::optional<std::string> stem_from_route_name(const std::filesystem::path& route) {
    std::string name = route.filename().string();
    if (!name.ends_with(route_suffix) || name.size() == route_suffix.size()) return std::nullopt;
    return name.substr(0, name.size() - route_suffix.size());
}

std::string train_number_from_name(const std::filesystem::path& train, const std::string& stem) {
    std::string name = train.filename().string();
    std::string prefix = stem + "_";
    if (!name.ends_with(train_suffix)) {
        throw UsageProblem("cannot tell the train number from " + train.string() +
                           " (not named STEM_N-.txt): give --train-number");
    }
    if (!name.starts_with(prefix) || name.size() <= prefix.size() + train_suffix.size()) {
        throw UsageProblem("the train text " + train.string() + " is not named " + prefix +
                           "N-.txt for the route stem \"" + stem +
                           "\": rename it or give --train-number");
    }
    return name.substr(prefix.size(), name.size() - prefix.size() - train_suffix.size());
}

// Both parts become file names in the output folder.
void check_usable_in_file_name(const std::string& part, const char* what) {
    if (part.empty() || part == "." || part == ".." ||
        part.find_first_of(std::string_view("/\0", 2)) != std::string::npos) {
        throw UsageProblem(std::string("the ") + what + " \"" + part +
                           "\" cannot be part of a file name");
    }
}

}  // namespace

void check_usable_identity(const Identity& id) {
    check_usable_in_file_name(id.route_stem, "route stem");
    check_usable_in_file_name(id.train_number, "train number");
}

Identity identity_from_names(const std::filesystem::path& route, const std::filesystem::path& train,
                             const std::optional<std::string>& stem,
                             const std::optional<std::string>& train_number) {
    Identity id;
    if (stem) {
        id.route_stem = *stem;
    } else if (auto from_name = stem_from_route_name(route)) {
        id.route_stem = *from_name;
    } else {
        throw UsageProblem("cannot tell the route stem from " + route.string() +
                           " (not named STEM_linea.txt): give --stem");
    }
    check_usable_in_file_name(id.route_stem, "route stem");
    id.train_number = train_number ? *train_number : train_number_from_name(train, id.route_stem);
    check_usable_in_file_name(id.train_number, "train number");
    return id;
}

}  // namespace scenario::scenc
