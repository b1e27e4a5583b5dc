// The scenario package: writes the carried scenario's texts and documents beside itself,
// compiles them into the files the simulator loads, and exits.
#include "io/file_output.h"
#include "run/program_folder.h"
#include "run/run_sequence.h"
#include "run/ui.h"

int main() {
    scenario::ignore_file_size_signal();
    auto ui = scenario::open_waiting_window("Brenzola_Tessalto 917");
    return scenario::run_package(scenario::program_folder(), *ui);
}
