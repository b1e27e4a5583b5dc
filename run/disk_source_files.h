// The scenario texts as files in the program's folder.
#pragma once

#include <filesystem>

#include "compiler/identity.h"
#include "compiler/source_files.h"

namespace scenario {

class DiskSourceFiles : public SourceFiles {
  public:
    DiskSourceFiles(const std::filesystem::path& folder, const Identity& id);

    std::optional<std::string> read_route() override { return read(route_); }
    std::optional<std::string> read_train() override { return read(train_); }
    void delete_route() override;
    void delete_train() override;
    std::string route_name() const override { return route_.string(); }
    std::string train_name() const override { return train_.string(); }

  private:
    static std::optional<std::string> read(const std::filesystem::path& path);

    std::filesystem::path route_;
    std::filesystem::path train_;
};

}  // namespace scenario
