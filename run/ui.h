// The program's face: the "Attendere" window and its message boxes, or their text on
// standard error when there is no display.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace scenario {

class Ui {
  public:
    virtual ~Ui() = default;
    // A modal message with one OK button; returns once the user has closed it.
    virtual void show_message(const std::string& text) = 0;
};

// Shows the waiting window (drawn before this returns) when a display can be opened,
// otherwise prints "Attendere" on standard error. The window goes when the Ui is destroyed.
std::unique_ptr<Ui> open_waiting_window(const std::string& title);

// The headless face, also used by tests: everything goes to standard error.
class ConsoleUi : public Ui {
  public:
    ConsoleUi();
    void show_message(const std::string& text) override;
};

// Writes text and a line end to standard error. C's stdio rather than std::cerr: a program that
// names no iostream skips building the C++ stream objects and their locale at every start.
void print_line_on_standard_error(std::string_view text);

}  // namespace scenario
