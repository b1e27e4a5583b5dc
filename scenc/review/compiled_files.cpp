#include "scenc/review/compiled_files.h"

#include <string>

#include "compiler/identity.h"
#include "compiler/numeric.h"
#include "scenc/common/identity_from_names.h"
#include "scenc/common/input_files.h"
#include "scenc/common/units.h"

namespace scenario::scenc {

CompiledFileKind checked_compiled_kind(const std::filesystem::path& path, std::string_view bytes) {
    std::optional<CompiledFileKind> named = compiled_file_kind(path);
    std::optional<CompiledFileKind> content = compiled_kind_from_content(bytes);
    std::string size = std::to_string(bytes.size()) + " bytes";
    if (!content) {
        std::string promise =
            named ? "named as a " + kind_description(*named) + ", but its " : "its ";
        throw UsageProblem(path.string() + ": " + promise + size +
                           " look like no compiled file (no marker or layout fits)");
    }
    if (named && *named != *content) {
        throw UsageProblem(path.string() + ": named as a " + kind_description(*named) +
                           ", but it looks like a " + kind_description(*content) + " (" + size +
                           ")");
    }
    return *content;
}

std::optional<CompiledFileKind> compiled_file_kind(const std::filesystem::path& path) {
    std::string name = path.filename().string();
    if (name.ends_with("_linea.dat")) return CompiledFileKind::plan;
    if (name.ends_with(".sim")) return CompiledFileKind::records;
    if (name.ends_with(".dat")) return CompiledFileKind::cells;
    return std::nullopt;
}

namespace {

// The content must show the expected kind, whatever the file is called.
template <typename Decoded>
Decoded decode_named_file(const std::filesystem::path& path, CompiledFileKind expected,
                          Decoded (*decode)(std::string_view)) {
    std::string bytes = read_compiled_file(path);
    std::optional<CompiledFileKind> content = compiled_kind_from_content(bytes);
    if (content && *content != expected) {
        throw UsageProblem(path.string() + ": taken as the " + kind_description(expected) +
                           ", but it looks like a " + kind_description(*content));
    }
    if (!content) checked_compiled_kind(path, bytes);  // throws, naming what is missing
    return decode_file_bytes(path, bytes, decode);
}

struct CompiledFileNames {
    std::optional<std::filesystem::path> plan;
    std::optional<std::filesystem::path> records;
    std::optional<std::filesystem::path> cells;
};

void take_file(CompiledFileNames& names, const std::filesystem::path& path) {
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored)) {
        throw UsageProblem(path.string() + ": a folder must be given alone");
    }
    std::optional<CompiledFileKind> kind = compiled_file_kind(path);
    if (!kind) {
        throw UsageProblem(path.string() +
                           ": not a compiled file name (STEM_linea.dat, STEM_N.sim or STEM_N.dat)");
    }
    std::optional<std::filesystem::path>& slot = *kind == CompiledFileKind::plan ? names.plan
                                                 : *kind == CompiledFileKind::records
                                                     ? names.records
                                                     : names.cells;
    if (slot) throw UsageProblem(path.string() + ": " + slot->string() + " is of the same kind");
    slot = path;
}

std::filesystem::path only_record_file_in(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> found;
    std::error_code error;
    std::filesystem::directory_iterator entry(folder, error);
    for (; !error && entry != std::filesystem::directory_iterator(); entry.increment(error)) {
        if (entry->path().extension() == ".sim") found.push_back(entry->path());
    }
    if (error) throw UsageProblem(folder.string() + ": cannot be listed: " + error.message());
    if (found.empty()) throw UsageProblem(folder.string() + ": holds no record file (STEM_N.sim)");
    if (found.size() > 1) {
        std::sort(found.begin(), found.end());
        throw UsageProblem(folder.string() + ": holds several record files (" +
                           found[0].filename().string() + ", " + found[1].filename().string() +
                           ", ...); name the files to use");
    }
    return found.front();
}

void refuse_unusable_identity(const std::filesystem::path& source, const Identity& id) {
    try {
        check_usable_identity(id);
    } catch (const UsageProblem& problem) {
        throw UsageProblem(source.string() + ": " + problem.what());
    }
}

// In a folder, the identity (given, or held by the only record file) names the files.
CompiledFileNames names_in_folder(const std::filesystem::path& folder,
                                  const std::optional<Identity>& given) {
    CompiledFileNames names;
    Identity id;
    if (given) {
        id = *given;
        refuse_unusable_identity(folder, id);
        names.records = folder / file_name::records(id);
    } else {
        names.records = only_record_file_in(folder);
        auto records =
            decode_named_file(*names.records, CompiledFileKind::records, decode_record_file);
        id = {records[record_slot::route_identity].text, records[record_slot::train_identity].text};
        refuse_unusable_identity(*names.records, id);
    }
    names.cells = folder / file_name::cells(id);
    std::filesystem::path plan = folder / file_name::plan(id);
    std::error_code ignored;
    if (std::filesystem::exists(plan, ignored)) names.plan = plan;
    return names;
}

CompiledScenario load_named(const CompiledFileNames& names) {
    if (!names.records || !names.cells) {
        throw UsageProblem(
            "both the record file (STEM_N.sim) and the cell file (STEM_N.dat) "
            "are needed; the plan file is optional");
    }
    CompiledScenario scenario;
    Model& model = scenario.model;
    model.records =
        decode_named_file(*names.records, CompiledFileKind::records, decode_record_file);
    model.cells = decode_named_file(*names.cells, CompiledFileKind::cells, decode_cell_file);
    model.cell_upper = static_cast<std::int32_t>(model.cells.size()) - 1;
    if (names.plan) {
        scenario.plan = decode_named_file(*names.plan, CompiledFileKind::plan, decode_plan_file);
        model.plan_upper = scenario.plan.upper();
        model.plan_option = 1;
    }
    model.route_stem = model.records[record_slot::route_identity].text;
    model.train_number = model.records[record_slot::train_identity].text;
    scenario.records_file = *names.records;
    scenario.cells_file = *names.cells;
    scenario.plan_file = names.plan;
    return scenario;
}

}  // namespace

CompiledScenario load_compiled_folder(const std::filesystem::path& folder,
                                      const std::optional<Identity>& identity) {
    std::error_code ignored;
    if (!std::filesystem::is_directory(folder, ignored)) {
        throw UsageProblem(folder.string() + ": not a folder");
    }
    return load_named(names_in_folder(folder, identity));
}

void refuse_mixed_set(const CompiledScenario& scenario) {
    const Plan& plan = scenario.plan;
    const std::vector<TrackCell>& cells = scenario.model.cells;
    if (!plan.exists() || cells.empty() || !scenario.plan_file) return;
    const auto expected_cells = round_half_even(plan.upper() / double{cell_length}) + 1;
    if (expected_cells == static_cast<std::int64_t>(cells.size())) return;
    throw UsageProblem(scenario.cells_file.string() + " and " + scenario.plan_file->string() +
                       " are not one compiled set: the cell file covers " +
                       units::km_and_metres(static_cast<std::int64_t>(cells.size()) * cell_length) +
                       ", the plan file " + units::km_and_metres(plan.upper()));
}

CompiledScenario load_compiled_scenario(const std::vector<std::filesystem::path>& inputs) {
    std::error_code ignored;
    if (inputs.size() == 1 && std::filesystem::is_directory(inputs.front(), ignored)) {
        return load_compiled_folder(inputs.front());
    }
    CompiledFileNames names;
    for (const auto& path : inputs) take_file(names, path);
    return load_named(names);
}

}  // namespace scenario::scenc
