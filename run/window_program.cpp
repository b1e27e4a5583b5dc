// The waiting window and its message boxes: a program of its own, built with FLTK, that the
// package program carries inside itself and starts only when a display is there. Keeping FLTK
// and the X libraries in another process lets the package program be linked statically, with
// no dynamic loading at all on a headless run.
//
// Usage: brenzola_window TITLE, with standard input a socket to the package program. Once the
// window is on screen it writes 'R'; then each message, its text ended by a NUL byte, is shown
// in a modal box, and 'K' goes back when the user has closed it. The end of input closes the
// window. When no display can be opened it writes nothing and exits with status 1.
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Window.H>
#include <FL/fl_ask.H>
#include <FL/x.H>
#include <X11/Xlib.h>
#include <unistd.h>

#include <chrono>
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

// The package program starts its work once told the window is there, so the label must be
// on screen first. A window manager that never maps the window must not hang us.
void wait_until_drawn(const WaitingWindow& window) {
    auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (!window.drawn && std::chrono::steady_clock::now() < give_up) Fl::wait(0.05);
    Fl::flush();
}

bool reply(char answer) {
    return ::write(STDIN_FILENO, &answer, 1) == 1;
}

// What the package program has sent so far, and whether it has finished.
struct Channel {
    std::string title;
    std::string pending;
    bool ended = false;
};

// Reads what has arrived and shows each whole message. The event loop keeps running between
// messages, so the window is redrawn whenever it is uncovered while the work goes on.
void on_input(int fd, void* data) {
    auto& channel = *static_cast<Channel*>(data);
    char piece[4096];
    const ssize_t got = ::read(fd, piece, sizeof piece);
    if (got <= 0) {
        channel.ended = true;
        return;
    }
    channel.pending.append(piece, static_cast<std::size_t>(got));
    for (std::size_t end; (end = channel.pending.find('\0')) != std::string::npos;) {
        const std::string text = channel.pending.substr(0, end);
        channel.pending.erase(0, end + 1);
        fl_close = "OK";
        fl_message_title(channel.title.c_str());
        fl_alert("%s", text.c_str());
        if (!reply('K')) channel.ended = true;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    // FLTK itself would end the process if the display cannot be opened.
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return 1;
    fl_open_display(display);
    Channel channel;
    channel.title = argv[1];
    // Client area 280 x 179; the label box at 64,64, 177 x 53.
    WaitingWindow window(280, 179, channel.title.c_str());
    auto* label = new Fl_Box(64, 64, 177, 53, "Attendere");  // owned by the window
    label->labelfont(FL_HELVETICA_BOLD);
    label->labelsize(32);  // 24 points at 96 dots per inch
    label->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
    window.end();
    window.show();
    wait_until_drawn(window);
    if (!reply('R')) return 1;
    Fl::add_fd(STDIN_FILENO, FL_READ, on_input, &channel);
    while (!channel.ended) Fl::wait();
    window.hide();
    Fl::flush();
    return 0;
}
