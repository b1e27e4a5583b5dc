#include "scenc/serve/file_watch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "scenc/common/input_files.h"

namespace scenario::scenc {

namespace {

// Editors replace a file by renaming another over it, so the name is watched in its folder:
// a watch on the file itself would follow the old file away.
std::filesystem::path folder_of(const std::filesystem::path& file) {
    const std::filesystem::path folder = file.parent_path();
    return folder.empty() ? std::filesystem::path(".") : folder;
}

}  // namespace

std::uint32_t file_change_events() {
    return IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE;
}

FileWatch::FileWatch(const std::vector<std::filesystem::path>& files)
    : descriptor_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    if (descriptor_ < 0) {
        throw UsageProblem(std::string("cannot watch files: ") + std::strerror(errno));
    }
    for (const std::filesystem::path& file : files) {
        const std::filesystem::path folder = folder_of(file);
        // The same folder twice gives the same watch.
        const int watch = inotify_add_watch(descriptor_, folder.c_str(), file_change_events());
        if (watch < 0) {
            const int error = errno;
            ::close(descriptor_);
            throw UsageProblem(folder.string() + ": cannot be watched: " + std::strerror(error));
        }
        watched_.push_back({watch, file.filename().string()});
    }
}

FileWatch::~FileWatch() {
    ::close(descriptor_);
}

bool FileWatch::read_changes() {
    bool changed = false;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t length = ::read(descriptor_, buffer, sizeof buffer);
        if (length <= 0) return changed;  // EAGAIN: nothing more waiting
        for (ssize_t at = 0; at < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            const std::string name = event->len > 0 ? event->name : "";
            for (const Watched& watched : watched_) {
                if (watched.folder_watch == event->wd && watched.name == name) changed = true;
            }
            // A full queue has lost events, which may have been ours.
            if ((event->mask & IN_Q_OVERFLOW) != 0) changed = true;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
}

}  // namespace scenario::scenc
