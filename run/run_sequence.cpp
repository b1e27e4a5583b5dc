#include "run/run_sequence.h"

#include "compiler/errors.h"
#include "run/disk_source_files.h"
#include "sources/line_table.h"
#include "sources/notes.h"
#include "sources/route_text.h"
#include "sources/slowdown_order.h"
#include "sources/timetable_card.h"
#include "sources/train_text.h"

namespace scenario {

void errore(Ui& ui, const std::string& a) {
    ui.show_message(" Errore n. " + a);
}

std::string scenario_error_report(const Model& model) {
    std::string report = " Errore n. " + std::to_string(model.error_code) + "\n";
    if (error_has_position(model.error_code)) {
        report += "Posizione: " + std::to_string(model.error_position) + " m\n";
    }
    return report + error_meaning_in_italian(model.error_code);
}

int finish_compile(const std::filesystem::path& folder, const Identity& id, Model& model,
                   const CompileOutcome& outcome, Ui& ui, OutputFolderLock* folder_lock) {
    switch (outcome.status) {
        case CompileOutcome::Status::stopped_by_error:
            errore(ui, outcome.errore_text);
            return exit_status::stopped;
        case CompileOutcome::Status::no_cell_table:
            ui.show_message(scenario_error_report(model));
            return exit_status::stopped;
        case CompileOutcome::Status::ready:
            break;
    }
    // What became of an interrupted earlier run's backups goes to standard error: it is
    // worth a line in a log, not a message box.
    for (const std::string& note : write_files_together(
             folder, compiled_files_by_name(id, model, outcome.files), folder_lock)) {
        print_line_on_standard_error(note);
    }
    if (model.error_code == 0) return exit_status::clean;
    ui.show_message(scenario_error_report(model));
    return exit_status::scenario_error;
}

std::string folder_busy_explanation(const FolderBusy& busy) {
    return "Un'altra esecuzione scrive in questa cartella da " +
           std::to_string(busy.waited.count() / 1000) + " s; riprovare quando avra' finito.";
}

namespace {

void write_document(const std::filesystem::path& folder, const TextDocument& document) {
    write_file_replacing(folder / document.file_name, line_table_bytes(document.lines));
}

}  // namespace

int run_package(const std::filesystem::path& folder, Ui& ui) {
    const Identity id = carried_identity();
    Model model;
    model.route_stem = id.route_stem;
    model.train_number = id.train_number;
    try {
        // Held for the whole run: another run in this folder would overwrite the texts this
        // one is about to read back.
        OutputFolderLock folder_lock(folder);
        for (const std::string& note : folder_lock.notes()) print_line_on_standard_error(note);
        write_document(folder, dati_linea(id));
        write_document(folder, dati_treno(id));
        write_document(folder, dati_note(id));
        write_document(folder, dati_rallentamenti(id));
        write_document(folder, dati_scheda(id));
        DiskSourceFiles sources(folder, id);
        CompileOutcome outcome = memorizza_percorso(model, sources, 1);
        return finish_compile(folder, id, model, outcome, ui, &folder_lock);
    } catch (const FolderBusy& busy) {
        ui.show_message(system_failure_report(busy) + "\n" + folder_busy_explanation(busy));
        return exit_status::system_failure;
    } catch (const SystemFailure& failure) {
        ui.show_message(system_failure_report(failure));
        return exit_status::system_failure;
    }
}

}  // namespace scenario
