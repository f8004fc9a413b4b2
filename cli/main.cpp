// quarnel-cli: Quarnel's query layer for scripts.
#include "Commands.h"
#include "Console.h"
#include "SignIn.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>
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

} // namespace

int main(int argc, char** argv) {
    using namespace quarnel::cli;
    PrepareConsole();

    CLI::App app{"Lists the files held open on an SMB server, and by whom.", "quarnel-cli"};
    app.require_subcommand(1);
    app.set_version_flag("--version", "quarnel-cli " QUARNEL_VERSION);
    std::string format = "table";

    // Sign-in options stand before or after the command, as in Samba's tools.
    app.fallthrough();
    SignInOptions signIn;
    auto* userOption =
        app.add_option("-U,--user-auth", signIn.user,
                       "sign in as this user (DOMAIN\\user or user@REALM); the password comes "
                       "from PASSWD or is asked for on the terminal")
            ->check([](const std::string& name) {
                return name.find('%') == std::string::npos
                           ? std::string()
                           : std::string("a password never goes on the command line: give it "
                                         "in PASSWD, in an authentication file (-A) or when "
                                         "asked");
            });
    app.add_option("-A,--authentication-file", signIn.authFile,
                   "sign in with the username, password and domain lines of this file, which "
                   "only its owner may read")
        ->excludes(userOption);
    app.add_flag("-k,--kerberos", signIn.kerberos, "sign in with the Kerberos ticket cache");

    FilesOptions files;
    CLI::App* filesCommand = app.add_subcommand(
        "files", "List the files held open on SERVER (the local computer when not given).");
    auto* serverOption =
        filesCommand->add_option("SERVER", files.server, "server name, with or without \\\\");
    auto* baseOption = filesCommand->add_option("--base", files.basePath,
                                                "only files under this path on the server");
    filesCommand->add_option("--user", files.user, "only files held open by this user");
    filesCommand
        ->add_option("--path", files.clientPath,
                     "a file or folder as this computer sees it (mapped drive, SMB mount, "
                     "\\\\server\\share\\... or smb:// URL): list the files held open under it")
        ->excludes(serverOption)
        ->excludes(baseOption);
    AddFormatOption(filesCommand, format);

    std::string server;
    CLI::App* sharesCommand = app.add_subcommand(
        "shares", "List the shares of SERVER (the local computer when not given).");
    sharesCommand->add_option("SERVER", server, "server name, with or without \\\\");
    AddFormatOption(sharesCommand, format);

    std::string domain;
    CLI::App* serversCommand = app.add_subcommand(
        "servers", "List the servers of a domain (the primary domain of this computer when not "
                   "given).");
    serversCommand->add_option("--domain", domain, "the domain's name");
    AddFormatOption(serversCommand, format);

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

    std::vector<std::string> closeArguments;
    CLI::App* closeCommand = app.add_subcommand(
        "close", "Close open files on SERVER (the local computer when not given), one line per "
                 "identifier with the outcome. Their holders lose what they had not saved.");
    closeCommand
        ->add_option("ID", closeArguments,
                     "[SERVER] ID...: the identifiers that `files` lists (as it shows them, or "
                     "unsigned); a server named like a number is written with its \\\\")
        ->required();

    std::vector<std::string> arguments = Arguments(argc, argv);
    std::reverse(arguments.begin(), arguments.end()); // CLI11 takes them last first
    try {
        app.parse(arguments);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    }

    auto& platform = quarnel::platform::SystemPlatform();
    if (const int refused = ApplySignIn(platform, signIn, std::cerr); refused != 0)
        return refused;
    const Format chosen = ParseFormat(format);
    if (*filesCommand) {
        files.format = chosen;
        return ListOpenFiles(platform, files, std::cout, std::cerr);
    }
    if (*sharesCommand)
        return ListShares(platform, server, chosen, std::cout, std::cerr);
    if (*serversCommand)
        return ListServers(platform, domain, chosen, std::cout, std::cerr);
    if (*shareCommand)
        return ShowShare(platform, server, shareName, chosen, std::cout, std::cerr);
    if (*resolveCommand)
        return ResolvePath(platform, path, chosen, std::cout, std::cerr);
    if (*sendCommand) {
        const std::string text = *messageOption ? message : MessageFromInput(ReadInput());
        return SendMessages(platform, recipients, text, messageServer, std::cout, std::cerr);
    }
    if (*closeCommand)
        return CloseOpenFiles(platform, closeArguments, std::cout, std::cerr);
    return 2;
}
