// The package program's whole run: write the carried scenario's texts and documents,
// compile the texts, write the compiled files.
#pragma once

#include <filesystem>
#include <string>

#include "compiler/driver.h"
#include "compiler/identity.h"
#include "compiler/model.h"
#include "run/file_output.h"
#include "run/ui.h"

namespace scenario {

namespace exit_status {
constexpr int clean = 0;
constexpr int scenario_error = 1;  // compiled files written, but the scenario has an error
constexpr int stopped = 2;         // errore ended the run, or there was no cell table
constexpr int system_failure = 3;  // a file could not be created, written, renamed or deleted
}  // namespace exit_status

// Shows " Errore n. " followed by the number; the caller then ends the run.
void errore(Ui& ui, const std::string& a);

// The message for a scenario error left in the model: the " Errore n. " line, the position
// in metres where the error has one, and its meaning.
std::string scenario_error_report(const Model& model);
// The message for a system failure: its number, description and path.
std::string system_failure_report(const SystemFailure& failure);

// Writes the compiled files of an outcome into the folder, all or none.
void write_compiled_files(const std::filesystem::path& folder, const Identity& id,
                          const CompiledFiles& files);

// Turns a finished compile into the program's exit status, writing and reporting as needed.
int finish_compile(const std::filesystem::path& folder, const Identity& id, Model& model,
                   const CompileOutcome& outcome, Ui& ui);

// The whole run in the given folder; returns the exit status.
int run_package(const std::filesystem::path& folder, Ui& ui);

}  // namespace scenario
