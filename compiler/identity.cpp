#include "compiler/identity.h"

namespace scenario {

Identity carried_identity() {
    return {"Brenzola_Tessalto", "917"};
}

namespace file_name {

namespace {
std::string train_prefix(const Identity& id) {
    return id.route_stem + "_" + id.train_number;
}
}  // namespace

std::string route_text(const Identity& id) {
    return id.route_stem + "_linea.txt";
}
std::string train_text(const Identity& id) {
    return train_prefix(id) + "-.txt";
}
std::string notes(const Identity& id) {
    return train_prefix(id) + "_note.txt";
}
std::string slowdown_order(const Identity& id) {
    return train_prefix(id) + "_rallentamenti.txt";
}
std::string timetable_card(const Identity& id) {
    return train_prefix(id) + "_scheda_treno.txt";
}
std::string plan(const Identity& id) {
    return id.route_stem + "_linea.dat";
}
std::string records(const Identity& id) {
    return train_prefix(id) + ".sim";
}
std::string cells(const Identity& id) {
    return train_prefix(id) + ".dat";
}

}  // namespace file_name
}  // namespace scenario
