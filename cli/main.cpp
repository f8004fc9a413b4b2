// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// quarnel-cli: Quarnel's query layer for scripts.
#include "Commands.h"
#include "Console.h"
#include "FileStream.h"
#include "SignIn.h"

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

// An empty value is refused rather than read as "not given": a script whose
// variable is unset must not get the local computer or every file instead.
const CLI::Validator NonEmpty(
    [](const std::string& value) { return value.empty() ? "an empty value is not allowed" : ""; },
    "", "NonEmpty");

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
    auto* names = command
                      ->add_option("SERVER", sources.names,
                                   "server names, with or without \\\\ (the local computer "
                                   "when none is given)")
                      ->check(NonEmpty);
    command
        ->add_option("--servers-from", sources.listFile,
                     "ask the servers listed in FILE as well, one a line (- reads standard "
                     "input)")
        ->type_name("FILE")
        ->check(NonEmpty);
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
                   quarnel::cli::ServerSet& servers, std::ostream& err) {
    using namespace quarnel::cli;
    servers.names = sources.names;
    servers.jobs = sources.jobs;
    servers.showProgress = StandardErrorIsTerminal();
    const bool listed = !sources.listFile.empty() || *sources.domainOption;
    if (!sources.listFile.empty()) {
        const std::optional<std::string> text = ReadList(sources.listFile);
        if (!text) {
            err << "quarnel-cli: cannot read the server list " << sources.listFile << ": "
                << std::strerror(errno) << '\n';
            return false;
        }
        for (std::string& name : ServerNamesFromList(*text))
            servers.names.push_back(std::move(name));
    }
    if (*sources.domainOption && !DomainServers(platform, sources.domain, servers.names, err))
        return false;
    if (listed && servers.names.empty()) {
        err << "quarnel-cli: no server to ask\n";
        return false;
    }
    return true;
}

constexpr int UsageError = 2;
constexpr int Failure = 1;

const char* const AuthenticationHelp =
    "On Linux the server is asked as Samba's own tools ask it: with your Kerberos ticket when you\n"
    "hold one (kinit, or a cache named by KRB5CCNAME), else with the user name and password in\n"
    "the USER and PASSWD environment variables, or as given by -U (the password from PASSWD or\n"
    "asked for) or -A. -k (--use-kerberos=required) signs in with Kerberos alone: with -U or -A\n"
    "and a password (PASSWD, the file's), a ticket got with it; without one, the ticket in the\n"
    "cache, which must be that user's. Kerberos needs the server's name, not its address.\n"
    "--use-kerberos=off never uses the ticket cache. On Windows, with your logon.\n"
    "Exit codes: 0 done (also when nothing is listed), 1 failed, 2 usage error.\n";

int Run(int argc, char** argv, std::ostream& out, std::ostream& err) {
    using namespace quarnel::cli;
    CLI::App app{"Lists the files held open on an SMB server, and by whom.", "quarnel-cli"};
    app.require_subcommand(1);
    app.set_version_flag("--version", "quarnel-cli " QUARNEL_VERSION);
    app.footer(AuthenticationHelp);
    int timeout = 0;
    app.add_option("--timeout", timeout,
                   "seconds to wait for a server to answer (default: QUARNEL_TIMEOUT, else 20)")
        ->check(CLI::Range(1, 3600).description(""))
        ->type_name("SECONDS");
    std::string format = "table";

    // Sign-in options and --timeout stand before or after the command, as
    // in Samba's tools.
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
    bool kerberos = false;
    std::string kerberosUse = "desired";
    auto* kerberosFlag = app.add_flag("-k,--kerberos", kerberos,
                                      "sign in with Kerberos alone (--use-kerberos=required)");
    app.add_option("--use-kerberos", kerberosUse,
                   "required: Kerberos alone; desired: Kerberos when it can (the default); off: "
                   "never the ticket cache")
        ->check(CLI::IsMember({"required", "desired", "off"}))
        ->type_name("required|desired|off")
        ->excludes(kerberosFlag);

    FilesOptions files;
    ServerSources filesSources;
    CLI::App* filesCommand = app.add_subcommand(
        "files", "List the files held open on each SERVER, asking several at a time.");
    auto* serverOption = AddServerOptions(filesCommand, filesSources);
    auto* baseOption =
        filesCommand
            ->add_option("--base", files.basePath, "only files under this path on the server")
            ->check(NonEmpty);
    filesCommand->add_option("--user", files.user, "only files held open by this user")
        ->check(NonEmpty);
    filesCommand
        ->add_option("--path", files.clientPath,
                     "a file or folder as this computer sees it (mapped drive, SMB mount, "
                     "\\\\server\\share\\..., //server/share/... or smb:// URL): list the "
                     "files held open under it")
        ->check(NonEmpty)
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

    std::string domain;
    CLI::App* serversCommand = app.add_subcommand(
        "servers", "List the servers of a domain (the primary domain of this computer when not "
                   "given).");
    serversCommand->add_option("--domain", domain, "the domain's name");
    AddFormatOption(serversCommand, format);

    std::string server;
    std::string shareName;
    CLI::App* shareCommand = app.add_subcommand("share", "Describe one share of SERVER.");
    shareCommand->add_option("SERVER", server, "server name, with or without \\\\")
        ->required()
        ->check(NonEmpty);
    shareCommand->add_option("NAME", shareName, "the share's name")->required()->check(NonEmpty);
    AddFormatOption(shareCommand, format);

    std::string path;
    CLI::App* resolveCommand = app.add_subcommand(
        "resolve",
        "Name the server and the path on it of a file or folder as this computer sees it.");
    resolveCommand
        ->add_option("PATH", path,
                     "mapped drive or SMB mount path (also relative to the working folder), "
                     "\\\\server\\share\\..., //server/share/... or smb:// URL")
        ->required()
        ->check(NonEmpty);
    AddFormatOption(resolveCommand, format);

    std::vector<std::string> recipients;
    std::string message;
    std::string messageServer;
    CLI::App* sendCommand = app.add_subcommand(
        "send", "Send a network message to each RECIPIENT in turn (user, computer or other "
                "message alias), one line per recipient with the outcome.");
    sendCommand->add_option("RECIPIENT", recipients, "who receives the message")
        ->required()
        ->check(NonEmpty);
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
        // --help and --version end the run as well, with 0.
        return app.exit(e, out, err) == 0 ? 0 : UsageError;
    }

    signIn.kerberos = kerberos || kerberosUse == "required" ? KerberosUse::Required
                      : kerberosUse == "off"                ? KerberosUse::Off
                                                            : KerberosUse::Desired;
    auto& platform = quarnel::platform::SystemPlatform();
    if (const int refused = ApplySignIn(platform, signIn, err); refused != 0)
        return refused;
    if (timeout > 0)
        platform.SetTimeout(std::chrono::seconds(timeout));
    const Format chosen = ParseFormat(format);
    if (*filesCommand) {
        if (!GatherServers(platform, filesSources, files.servers, err))
            return Failure;
        files.format = chosen;
        return ListOpenFiles(platform, files, out, err);
    }
    if (*sharesCommand) {
        ServerSet servers;
        if (!GatherServers(platform, sharesSources, servers, err))
            return Failure;
        return ListShares(platform, servers, chosen, out, err);
    }
    if (*serversCommand)
        return ListServers(platform, domain, chosen, out, err);
    if (*shareCommand)
        return ShowShare(platform, server, shareName, chosen, out, err);
    if (*resolveCommand)
        return ResolvePath(platform, path, chosen, out, err);
    if (*sendCommand) {
        const std::string text = *messageOption ? message : MessageFromInput(ReadInput());
        return SendMessages(platform, recipients, text, messageServer, out, err);
    }
    if (*closeCommand)
        return CloseOpenFiles(platform, closeArguments, out, err);
    return UsageError;
}

} // namespace

int main(int argc, char** argv) {
    quarnel::cli::PrepareConsole();
    quarnel::cli::FileStream out(stdout);
    quarnel::cli::FileStream err(stderr);
    int code = Run(argc, argv, out, err);
    // Output that did not arrive is a failure. A reader that closed the
    // pipe has what it wanted: that ends quietly, but not with 0.
    if (const int error = out.Finish(); error != 0) {
        if (error != EPIPE)
            err << "quarnel-cli: cannot write the output: " << std::strerror(error) << '\n';
        code = code == 0 ? Failure : code;
    }
    if (err.Finish() != 0 && code == 0)
        code = Failure;
    return code;
}
