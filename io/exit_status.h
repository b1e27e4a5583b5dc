// The exit statuses that both programs share.
#pragma once

namespace scenario::exit_status {
constexpr int clean = 0;
constexpr int scenario_error = 1;  // compiled files written, but the scenario has an error
constexpr int stopped = 2;         // errore ended the run, or there was no cell table
constexpr int system_failure = 3;  // a file could not be created, written, renamed or deleted
}  // namespace scenario::exit_status
