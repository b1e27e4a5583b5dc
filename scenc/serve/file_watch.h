// Hears when files are saved, through inotify on their folders: a save that writes a new file
// and renames it over the old one is seen as well as one that writes in place.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace scenario::scenc {

// The inotify events that change what a file's name holds: written and closed, created,
// moved in or out, deleted.
std::uint32_t file_change_events();

class FileWatch {
  public:
    // Throws UsageProblem when a folder cannot be watched.
    explicit FileWatch(const std::vector<std::filesystem::path>& files);
    ~FileWatch();
    FileWatch(const FileWatch&) = delete;
    FileWatch& operator=(const FileWatch&) = delete;

    // Readable when events are waiting, for poll().
    int descriptor() const { return descriptor_; }

    // Reads the waiting events without blocking; true when one of them concerns a watched file.
    bool read_changes();

  private:
    struct Watched {
        int folder_watch;
        std::string name;
    };
    int descriptor_;
    std::vector<Watched> watched_;
};

}  // namespace scenario::scenc
