// quarnel-cli: Quarnel's query layer for scripts.
#include "Commands.h"
#include "Console.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>
#include <map>

int main(int argc, char** argv) {
    using namespace quarnel::cli;
    PrepareConsole();

    CLI::App app{"Lists the files held open on an SMB server, and by whom.", "quarnel-cli"};
    app.require_subcommand(1);

    const std::map<std::string, Format> formats{
        {"table", Format::Table}, {"csv", Format::Csv}, {"json", Format::Json}};

    FilesOptions files;
    CLI::App* filesCommand = app.add_subcommand(
        "files", "List the files held open on SERVER (the local computer when not given).");
    filesCommand->add_option("SERVER", files.server, "server name, with or without \\\\");
    filesCommand->add_option("--base", files.basePath, "only files under this path on the server");
    filesCommand->add_option("--user", files.user, "only files held open by this user");
    std::string format = "table";
    filesCommand->add_option("--format", format, "table, csv or json")
        ->check(CLI::IsMember({"table", "csv", "json"}))
        ->capture_default_str();

    std::vector<std::string> arguments = Arguments(argc, argv);
    std::reverse(arguments.begin(), arguments.end()); // CLI11 takes them last first
    try {
        app.parse(arguments);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    }

    auto& platform = quarnel::platform::SystemPlatform();
    files.format = formats.at(format);
    if (*filesCommand)
        return ListOpenFiles(platform, files, std::cout, std::cerr);
    return 2;
}
