#include "run/ui.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Window.H>
#include <FL/fl_ask.H>
#include <FL/x.H>
#include <X11/Xlib.h>

#include <chrono>
#include <cstdlib>
#include <iostream>

namespace scenario {

ConsoleUi::ConsoleUi() {
    std::cerr << "Attendere" << std::endl;
}

void ConsoleUi::show_message(const std::string& text) {
    std::cerr << text << std::endl;
}

namespace {

// A window that notes when it has been drawn, so start-up can wait for its first expose.
class WaitingWindow : public Fl_Window {
  public:
    WaitingWindow(int width, int height, const char* title) : Fl_Window(width, height, title) {}
    bool drawn = false;

  protected:
    void draw() override {
        Fl_Window::draw();
        drawn = true;
    }
};

class FltkUi : public Ui {
  public:
    explicit FltkUi(const std::string& title) : title_(title) {
        // Client area 280 x 179; the label box at 64,64, 177 x 53.
        window_ = std::make_unique<WaitingWindow>(280, 179, title_.c_str());
        auto* label = new Fl_Box(64, 64, 177, 53, "Attendere");  // owned by the window
        label->labelfont(FL_HELVETICA_BOLD);
        label->labelsize(32);  // 24 points at 96 dots per inch
        label->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
        window_->end();
        window_->show();
        wait_until_drawn();
    }

    ~FltkUi() override {
        window_->hide();
        window_.reset();
        Fl::flush();
    }

    void show_message(const std::string& text) override {
        fl_close = "OK";
        fl_message_title(title_.c_str());
        fl_alert("%s", text.c_str());
    }

  private:
    // Nothing later hands control back to the event loop, so the label must be on screen
    // before the work starts. A window manager that never maps the window must not hang us.
    void wait_until_drawn() {
        auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (!window_->drawn && std::chrono::steady_clock::now() < give_up) Fl::wait(0.05);
        Fl::flush();
    }

    std::string title_;
    std::unique_ptr<WaitingWindow> window_;
};

// Opens the display if there is one; FLTK itself would end the process on failure.
bool open_display() {
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0') return false;
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return false;
    fl_open_display(display);
    return true;
}

}  // namespace

std::unique_ptr<Ui> open_waiting_window(const std::string& title) {
    if (open_display()) return std::make_unique<FltkUi>(title);
    return std::make_unique<ConsoleUi>();
}

}  // namespace scenario
