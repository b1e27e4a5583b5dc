#include "run/ui.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "io/file_output.h"

// The window program's bytes, carried inside the program (see CMakeLists.txt).
extern "C" const char window_program_image_start[];
extern "C" const char window_program_image_end[];

namespace scenario {

void print_line_on_standard_error(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fputc('\n', stderr);
}

ConsoleUi::ConsoleUi() {
    print_line_on_standard_error("Attendere");
}

void ConsoleUi::show_message(const std::string& text) {
    print_line_on_standard_error(text);
}

namespace {

// The window, shown by the window program in a process of its own, told what to show through
// a socket (a socket rather than a pipe: a send to a window program that has died fails with
// EPIPE instead of raising SIGPIPE).
class WindowUi : public Ui {
  public:
    WindowUi(pid_t window_program, int channel) : program_(window_program), channel_(channel) {}
    ~WindowUi() override {
        ::close(channel_);  // the window program closes its window and ends
        ::waitpid(program_, nullptr, 0);
    }
    WindowUi(const WindowUi&) = delete;
    WindowUi& operator=(const WindowUi&) = delete;

    // Waits until the user has closed the box. Should the window program be gone, the text
    // goes to standard error, so that it is never lost.
    void show_message(const std::string& text) override {
        const std::string message = text + '\0';
        char answer = 0;
        const bool shown = ::send(channel_, message.data(), message.size(), MSG_NOSIGNAL) ==
                               static_cast<ssize_t>(message.size()) &&
                           ::read(channel_, &answer, 1) == 1 && answer == 'K';
        if (!shown) print_line_on_standard_error(text);
    }

  private:
    pid_t program_;
    int channel_;
};

// A program started with its standard input closed gets the lowest free descriptor, 0, from
// its next open; the child's own standard input must not replace it. Moves fd to 3 or above
// (close-on-exec), closing the original; -1 stays -1.
int above_standard_streams(int fd) {
    if (fd < 0 || fd > STDERR_FILENO) return fd;
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    ::close(fd);
    return moved;
}

// The program travels as one file, so the window program's bytes go into a file that lives
// only in memory, and the child runs that.
int window_program_file() {
    const int fd = above_standard_streams(::memfd_create("brenzola_window", MFD_CLOEXEC));
    if (fd < 0) return -1;
    try {
        write_all(fd,
                  std::string_view(window_program_image_start,
                                   static_cast<std::size_t>(window_program_image_end -
                                                            window_program_image_start)),
                  "brenzola_window");
    } catch (const SystemFailure&) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Starts the window program and waits until its window is drawn. Null when it cannot start or
// cannot open the display; the reason, if any, is already on standard error (the dynamic
// loader's, when FLTK is missing, say), and the run goes on without a window.
std::unique_ptr<Ui> open_window(const std::string& title) {
    const int program = window_program_file();
    if (program < 0) return nullptr;
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        ::close(program);
        return nullptr;
    }
    ends[1] = above_standard_streams(ends[1]);
    const pid_t child = ::fork();
    if (child == 0) {
        // Standard input becomes the child's end of the socket (dup2 clears close-on-exec).
        if (::dup2(ends[1], STDIN_FILENO) == STDIN_FILENO) {
            char* const argv[] = {const_cast<char*>("brenzola_window"),
                                  const_cast<char*>(title.c_str()), nullptr};
            ::fexecve(program, argv, environ);
        }
        ::_exit(127);
    }
    ::close(program);
    ::close(ends[1]);
    char answer = 0;
    if (child > 0 && ::read(ends[0], &answer, 1) == 1 && answer == 'R') {
        return std::make_unique<WindowUi>(child, ends[0]);
    }
    ::close(ends[0]);
    if (child > 0) ::waitpid(child, nullptr, 0);
    return nullptr;
}

}  // namespace

std::unique_ptr<Ui> open_waiting_window(const std::string& title) {
    const char* display = std::getenv("DISPLAY");
    if (display != nullptr && *display != '\0') {
        if (std::unique_ptr<Ui> window = open_window(title)) return window;
    }
    return std::make_unique<ConsoleUi>();
}

}  // namespace scenario
