// quarnel-cli: Quarnel's query layer for scripts.
#include "Commands.h"
#include "Console.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>

namespace {

using quarnel::cli::Format;

// Every command takes --format; its text is turned into a Format after parsing.
void AddFormatOption(CLI::App* command, std::string& format) {
    command->add_option("--format", format, "table, csv or json")
        ->check(CLI::IsMember({"table", "csv", "json"}))
        ->capture_default_str();
}

Format ParseFormat(const std::string& text) {
    static const std::map<std::string, Format> formats{
        {"table", Format::Table}, {"csv", Format::Csv}, {"json", Format::Json}};
    return formats.at(text);
}

// Where `files` and `shares` take their servers from: the names given, a
// list (a file, or "-" for standard input) and the servers of a domain.
struct ServerSources {
    std::vector<std::string> names;
    std::string listFile;
    CLI::Option* domainOption = nullptr;
    std::string domain;
    int jobs = 8;
};

CLI::Option* AddServerOptions(CLI::App* command, ServerSources& sources) {
    auto* names = command->add_option("SERVER", sources.names,
                                      "server names, with or without \\\\ (the local computer "
                                      "when none is given)");
    command
        ->add_option("--servers-from", sources.listFile,
                     "ask the servers listed in FILE as well, one a line (- reads standard "
                     "input)")
        ->type_name("FILE");
    sources.domainOption = command->add_option(
        "--domain-servers", sources.domain,
        "ask every server of DOMAIN as well (this computer's domain when not given)");
    sources.domainOption->expected(0, 1)->type_name("[DOMAIN]");
    command->add_option("--jobs", sources.jobs, "ask at most N servers at a time")
        ->check(CLI::Range(1, 256))
        ->type_name("N")
        ->capture_default_str();
    return names;
}

std::optional<std::string> ReadList(const std::string& file) {
    if (file == "-")
        return quarnel::cli::ReadInput();
    std::ifstream in(std::filesystem::path(std::u8string(file.begin(), file.end())),
                     std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof())
        return std::nullopt;
    return text;
}

// Every server to ask; false, with the reason told, when one of the sources
// fails or the sources name no server at all.
bool GatherServers(quarnel::platform::Platform& platform, const ServerSources& sources,
                   quarnel::cli::ServerSet& servers) {
    using namespace quarnel::cli;
    servers.names = sources.names;
    servers.jobs = sources.jobs;
    servers.showProgress = StandardErrorIsTerminal();
    const bool listed = !sources.listFile.empty() || *sources.domainOption;
    if (!sources.listFile.empty()) {
        const std::optional<std::string> text = ReadList(sources.listFile);
        if (!text) {
            std::cerr << "quarnel-cli: cannot read the server list " << sources.listFile << ": "
                      << std::strerror(errno) << '\n';
            return false;
        }
        for (std::string& name : ServerNamesFromList(*text))
            servers.names.push_back(std::move(name));
    }
    if (*sources.domainOption && !DomainServers(platform, sources.domain, servers.names, std::cerr))
        return false;
    if (listed && servers.names.empty()) {
        std::cerr << "quarnel-cli: no server to ask\n";
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    using namespace quarnel::cli;
    PrepareConsole();

    CLI::App app{"Lists the files held open on an SMB server, and by whom.", "quarnel-cli"};
    app.require_subcommand(1);
    std::string format = "table";

    FilesOptions files;
    ServerSources filesSources;
    CLI::App* filesCommand = app.add_subcommand(
        "files", "List the files held open on each SERVER, asking several at a time.");
    auto* serverOption = AddServerOptions(filesCommand, filesSources);
    auto* baseOption = filesCommand->add_option("--base", files.basePath,
                                                "only files under this path on the server");
    filesCommand->add_option("--user", files.user, "only files held open by this user");
    filesCommand
        ->add_option("--path", files.clientPath,
                     "a file or folder as this computer sees it (mapped drive, SMB mount, "
                     "\\\\server\\share\\... or smb:// URL): list the files held open under it")
        ->excludes(serverOption)
        ->excludes(baseOption)
        ->excludes("--servers-from")
        ->excludes(filesSources.domainOption);
    AddFormatOption(filesCommand, format);

    ServerSources sharesSources;
    CLI::App* sharesCommand =
        app.add_subcommand("shares", "List the shares of each SERVER, asking several at a time.");
    AddServerOptions(sharesCommand, sharesSources);
    AddFormatOption(sharesCommand, format);

    std::string server;
    std::string shareName;
    CLI::App* shareCommand = app.add_subcommand("share", "Describe one share of SERVER.");
    shareCommand->add_option("SERVER", server, "server name, with or without \\\\")->required();
    shareCommand->add_option("NAME", shareName, "the share's name")->required();
    AddFormatOption(shareCommand, format);

    std::string path;
    CLI::App* resolveCommand = app.add_subcommand(
        "resolve",
        "Name the server and the path on it of a file or folder as this computer sees it.");
    resolveCommand
        ->add_option("PATH", path,
                     "mapped drive or SMB mount path, \\\\server\\share\\... or smb:// URL")
        ->required();
    AddFormatOption(resolveCommand, format);

    std::vector<std::string> recipients;
    std::string message;
    std::string messageServer;
    CLI::App* sendCommand = app.add_subcommand(
        "send", "Send a network message to each RECIPIENT in turn (user, computer or other "
                "message alias), one line per recipient with the outcome.");
    sendCommand->add_option("RECIPIENT", recipients, "who receives the message")->required();
    auto* messageOption =
        sendCommand->add_option("--message", message,
                                "the text; read from standard input when not given (the input's "
                                "last line break is left out)");
    sendCommand->add_option("--server", messageServer,
                            "the computer that is to send it (Windows); on Linux, the host the "
                            "message is delivered to instead of resolving the recipient's name");

    std::vector<std::string> arguments = Arguments(argc, argv);
    std::reverse(arguments.begin(), arguments.end()); // CLI11 takes them last first
    try {
        app.parse(arguments);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    }

    auto& platform = quarnel::platform::SystemPlatform();
    const Format chosen = ParseFormat(format);
    if (*filesCommand) {
        if (!GatherServers(platform, filesSources, files.servers))
            return 1;
        files.format = chosen;
        return ListOpenFiles(platform, files, std::cout, std::cerr);
    }
    if (*sharesCommand) {
        ServerSet servers;
        if (!GatherServers(platform, sharesSources, servers))
            return 1;
        return ListShares(platform, servers, chosen, std::cout, std::cerr);
    }
    if (*shareCommand)
        return ShowShare(platform, server, shareName, chosen, std::cout, std::cerr);
    if (*resolveCommand)
        return ResolvePath(platform, path, chosen, std::cout, std::cerr);
    if (*sendCommand) {
        const std::string text = *messageOption ? message : MessageFromInput(ReadInput());
        return SendMessages(platform, recipients, text, messageServer, std::cout, std::cerr);
    }
    return 2;
}
