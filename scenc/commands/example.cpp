#include "scenc/commands/example.h"

#include <ostream>
#include <vector>

#include "compiler/identity.h"
#include "io/exit_status.h"
#include "io/file_output.h"
#include "scenc/common/identity_from_names.h"
#include "scenc/common/input_files.h"
#include "sources/line_table.h"
#include "sources/notes.h"
#include "sources/route_text.h"
#include "sources/slowdown_order.h"
#include "sources/timetable_card.h"
#include "sources/train_text.h"

namespace scenario::scenc {

namespace {

std::vector<TextDocument> carried_documents(const Identity& id) {
    return {dati_linea(id), dati_treno(id), dati_note(id), dati_rallentamenti(id), dati_scheda(id)};
}

void refuse_replacing(const ExampleRequest& request, const std::vector<TextDocument>& documents) {
    if (request.force) return;
    for (const TextDocument& doc : documents) {
        std::filesystem::path path = request.folder / doc.file_name;
        std::error_code ignored;
        if (std::filesystem::exists(path, ignored)) {
            throw UsageProblem(path.string() + " already exists: give --force to replace it");
        }
    }
}

}  // namespace

int run_example(const ExampleRequest& request, std::ostream& out, std::ostream& err) {
    return report_problems(err, [&] {
        std::error_code ignored;
        if (std::filesystem::exists(request.folder, ignored) &&
            !std::filesystem::is_directory(request.folder, ignored)) {
            throw UsageProblem(request.folder.string() + ": not a folder");
        }
        check_usable_identity(request.identity);
        std::vector<TextDocument> documents = carried_documents(request.identity);
        refuse_replacing(request, documents);
        make_folders(request.folder);
        for (const TextDocument& doc : documents) {
            std::filesystem::path path = request.folder / doc.file_name;
            write_file_replacing(path, line_table_bytes(doc.lines));
            out << "wrote " << path.string() << "\n";
        }
        return 0;
    });
}

}  // namespace scenario::scenc
