// The waiting window and its message boxes, built with FLTK into a module of its own. The
// program loads the module only when a display is there, so a headless run never pays for
// loading FLTK and the X libraries. Its entry points use plain C types: the module and the
// program share no C++ classes.
#include "run/window_module.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Window.H>
#include <FL/fl_ask.H>
#include <FL/x.H>
#include <X11/Xlib.h>

#include <chrono>
#include <memory>
#include <string>

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

struct OpenWindow {
    std::string title;
    std::unique_ptr<WaitingWindow> window;
};

// Nothing later hands control back to the event loop, so the label must be on screen
// before the work starts. A window manager that never maps the window must not hang us.
void wait_until_drawn(const WaitingWindow& window) {
    auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (!window.drawn && std::chrono::steady_clock::now() < give_up) Fl::wait(0.05);
    Fl::flush();
}

}  // namespace

extern "C" void* window_open(const char* title) {
    // FLTK itself would end the process if the display cannot be opened.
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return nullptr;
    fl_open_display(display);
    auto opened = std::make_unique<OpenWindow>();
    opened->title = title;
    // Client area 280 x 179; the label box at 64,64, 177 x 53.
    opened->window = std::make_unique<WaitingWindow>(280, 179, opened->title.c_str());
    auto* label = new Fl_Box(64, 64, 177, 53, "Attendere");  // owned by the window
    label->labelfont(FL_HELVETICA_BOLD);
    label->labelsize(32);  // 24 points at 96 dots per inch
    label->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
    opened->window->end();
    opened->window->show();
    wait_until_drawn(*opened->window);
    return opened.release();
}

extern "C" void window_message(void* window, const char* text) {
    fl_close = "OK";
    fl_message_title(static_cast<OpenWindow*>(window)->title.c_str());
    fl_alert("%s", text);
}

extern "C" void window_close(void* window) {
    std::unique_ptr<OpenWindow> closing(static_cast<OpenWindow*>(window));
    closing->window->hide();
    closing->window.reset();
    Fl::flush();
}
