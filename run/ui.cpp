#include "run/ui.h"

#include <dlfcn.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <string_view>

#include "run/window_module.h"

// The window module's bytes, carried inside the program (see CMakeLists.txt).
extern "C" const char window_module_image_start[];
extern "C" const char window_module_image_end[];

namespace scenario {

ConsoleUi::ConsoleUi() {
    std::cerr << "Attendere" << std::endl;
}

void ConsoleUi::show_message(const std::string& text) {
    std::cerr << text << std::endl;
}

namespace {

// The window, shown by the module's code.
class WindowUi : public Ui {
  public:
    WindowUi(void* module, void* window)
        : message_(reinterpret_cast<decltype(&window_message)>(dlsym(module, "window_message"))),
          close_(reinterpret_cast<decltype(&window_close)>(dlsym(module, "window_close"))),
          window_(window) {}
    ~WindowUi() override { close_(window_); }
    WindowUi(const WindowUi&) = delete;
    WindowUi& operator=(const WindowUi&) = delete;

    void show_message(const std::string& text) override { message_(window_, text.c_str()); }

  private:
    decltype(&window_message) message_;
    decltype(&window_close) close_;
    void* window_;
};

bool write_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// The program travels as one file, so the module is handed to the dynamic loader through a
// file that lives only in memory. Returns null, with the reason on standard error, when the
// module cannot be loaded (FLTK missing, say): the run then goes on without a window.
void* load_window_module() {
    const int fd = ::memfd_create("brenzola_window", MFD_CLOEXEC);
    if (fd < 0) return nullptr;
    const std::string_view image(
        window_module_image_start,
        static_cast<std::size_t>(window_module_image_end - window_module_image_start));
    void* module = nullptr;
    if (write_all(fd, image)) {
        const std::string path = "/proc/self/fd/" + std::to_string(fd);
        module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (module == nullptr) std::cerr << ::dlerror() << std::endl;
    }
    ::close(fd);  // the loader keeps its own mapping
    return module;
}

std::unique_ptr<Ui> open_window(const std::string& title) {
    void* module = load_window_module();
    if (module == nullptr) return nullptr;
    auto open = reinterpret_cast<decltype(&window_open)>(dlsym(module, "window_open"));
    void* window = open(title.c_str());
    if (window == nullptr) return nullptr;
    return std::make_unique<WindowUi>(module, window);
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
