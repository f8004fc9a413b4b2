// The commands of quarnel-cli, written against the platform interface so
// that the tests can run them over the scripted platform.
#pragma once

#include "Output.h"
#include "platform/platform.h"

#include <ostream>
#include <string>

namespace quarnel::cli {

struct FilesOptions {
    std::string server; // empty: the local computer
    std::string basePath;
    std::string user;
    Format format = Format::Table;
};

// Lists the files held open on a server. Returns the exit code: 0 when the
// listing is complete (also when it is empty), 1 with a one-line reason on
// `err` when it failed or stopped early.
int ListOpenFiles(platform::Platform& platform, const FilesOptions& options, std::ostream& out,
                  std::ostream& err);

} // namespace quarnel::cli
