#include "Commands.h"

#include "RecordingPlatform.h"
#include "modApi.h"
#include "utf.h"

namespace quarnel::cli {

namespace {

// The server as the reason names it: with its two backslashes, as the
// platform was asked.
std::string ServerForMessage(const std::string& server) {
    if (server.empty())
        return "the local computer";
    return ToUtf8(modApi::PrepareServerName(FromUtf8(server)));
}

// "Access is denied." and the like, with the status number for searching.
std::string Reason(platform::Platform& platform, platform::NetStatus status) {
    std::string text = ToUtf8(platform.StatusText(status));
    while (!text.empty() && (text.back() == '.' || text.back() == ' ' || text.back() == '\n'))
        text.pop_back();
    return text + " (error " + std::to_string(status) + ")";
}

} // namespace

int ListOpenFiles(platform::Platform& platform, const FilesOptions& options, std::ostream& out,
                  std::ostream& err) {
    RecordingPlatform recorder(platform);
    modApi api(recorder);
    const bool listed = api.EnumOpenFiles(FromUtf8(options.server), FromUtf8(options.basePath),
                                          FromUtf8(options.user));
    const std::string server = ServerForMessage(options.server);
    if (!listed) {
        err << "quarnel-cli: cannot list the open files on " << server << ": "
            << Reason(platform, recorder.LastFailure()) << '\n';
        return 1;
    }
    Write(out, OpenFilesListing(api.OpenFiles, api.OpenFileCount), options.format);
    if (recorder.LastFailure() != platform::NERR_Success) {
        err << "quarnel-cli: the listing of the open files on " << server
            << " stopped early: " << Reason(platform, recorder.LastFailure()) << '\n';
        return 1;
    }
    return 0;
}

} // namespace quarnel::cli
