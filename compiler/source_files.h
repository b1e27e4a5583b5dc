// Access to the two scenario texts that a compile reads and then deletes.
#pragma once

#include <optional>
#include <string>

namespace scenario {

// The two texts as the layer above the parsers sees them: memorizza_dati reads each text and
// deletes it through this interface, in the order a run leaves them, and hands the parsers
// plain text. The compiler itself never touches a file: the package program gives it the
// texts on disk (run/), tests and the authors' tool give it texts held in memory.
class SourceFiles {
  public:
    virtual ~SourceFiles() = default;
    // The whole text, or nothing when the file does not exist. May throw RunTimeFault when
    // the file exists but cannot be read.
    virtual std::optional<std::string> read_route() = 0;
    virtual std::optional<std::string> read_train() = 0;
    // Deleting a file that is already gone does nothing.
    virtual void delete_route() = 0;
    virtual void delete_train() = 0;
    // Names shown in messages.
    virtual std::string route_name() const = 0;
    virtual std::string train_name() const = 0;
};

// Texts held in memory; "deleting" one only marks it gone, so tests can see what is left.
class MemorySourceFiles : public SourceFiles {
  public:
    MemorySourceFiles(std::optional<std::string> route, std::optional<std::string> train,
                      std::string route_display = "linea.txt",
                      std::string train_display = "treno.txt")
        : route_(std::move(route)),
          train_(std::move(train)),
          route_display_(std::move(route_display)),
          train_display_(std::move(train_display)) {}

    std::optional<std::string> read_route() override { return route_; }
    std::optional<std::string> read_train() override { return train_; }
    void delete_route() override { route_.reset(); }
    void delete_train() override { train_.reset(); }
    std::string route_name() const override { return route_display_; }
    std::string train_name() const override { return train_display_; }

    bool route_exists() const { return route_.has_value(); }
    bool train_exists() const { return train_.has_value(); }

  private:
    std::optional<std::string> route_;
    std::optional<std::string> train_;
    std::string route_display_;
    std::string train_display_;
};

}  // namespace scenario
