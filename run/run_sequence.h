// The package program's whole run: write the carried scenario's texts and documents,
// compile the texts, write the compiled files.
#pragma once

#include <filesystem>
#include <string>

#include "compiler/driver.h"
#include "compiler/identity.h"
#include "compiler/model.h"
#include "io/exit_status.h"
#include "io/file_output.h"
#include "io/output_folder_lock.h"
#include "run/ui.h"

namespace scenario {

// Shows " Errore n. " followed by the number; the caller then ends the run.
void errore(Ui& ui, const std::string& a);

// The message for a scenario error left in the model: the " Errore n. " line, the position
// in metres where the error has one, and its meaning.
std::string scenario_error_report(const Model& model);

// Turns a finished compile into the program's exit status, writing and reporting as needed.
int finish_compile(const std::filesystem::path& folder, const Identity& id, Model& model,
                   const CompileOutcome& outcome, Ui& ui, OutputFolderLock* folder_lock = nullptr);

// The line under the system failure report when another run held the folder throughout.
std::string folder_busy_explanation(const FolderBusy& busy);

// The whole run in the given folder; returns the exit status.
int run_package(const std::filesystem::path& folder, Ui& ui);

}  // namespace scenario
