#include "run/ui.h"

#include <dlfcn.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <optional>
#include <string_view>

#include "io/file_output.h"
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

// The module's entry points.
struct WindowModule {
    decltype(&window_open) open = nullptr;
    decltype(&window_message) message = nullptr;
    decltype(&window_close) close = nullptr;
};

// The window, shown by the module's code.
class WindowUi : public Ui {
  public:
    WindowUi(const WindowModule& module, void* window) : module_(module), window_(window) {}
    ~WindowUi() override { module_.close(window_); }
    WindowUi(const WindowUi&) = delete;
    WindowUi& operator=(const WindowUi&) = delete;

    void show_message(const std::string& text) override { module_.message(window_, text.c_str()); }

  private:
    WindowModule module_;
    void* window_;
};

template <typename Function>
Function find_symbol(void* module, const char* name) {
    return reinterpret_cast<Function>(::dlsym(module, name));
}

// The program travels as one file, so the module is handed to the dynamic loader through a
// file that lives only in memory. Without it (FLTK missing, say) the reason goes to standard
// error and the run goes on without a window.
std::optional<WindowModule> load_window_module() {
    const int fd = ::memfd_create("brenzola_window", MFD_CLOEXEC);
    if (fd < 0) return std::nullopt;
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    void* module = nullptr;
    try {
        write_all(fd,
                  std::string_view(window_module_image_start,
                                   static_cast<std::size_t>(window_module_image_end -
                                                            window_module_image_start)),
                  path);
        module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    } catch (const SystemFailure&) {
    }
    ::close(fd);  // the loader keeps its own mapping
    if (module == nullptr) {
        if (const char* reason = ::dlerror()) std::cerr << reason << std::endl;
        return std::nullopt;
    }
    WindowModule found{find_symbol<decltype(&window_open)>(module, "window_open"),
                       find_symbol<decltype(&window_message)>(module, "window_message"),
                       find_symbol<decltype(&window_close)>(module, "window_close")};
    if (!found.open || !found.message || !found.close) return std::nullopt;
    return found;
}

std::unique_ptr<Ui> open_window(const std::string& title) {
    const std::optional<WindowModule> module = load_window_module();
    if (!module) return nullptr;
    void* window = module->open(title.c_str());
    if (window == nullptr) return nullptr;
    return std::make_unique<WindowUi>(*module, window);
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
