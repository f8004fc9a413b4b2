// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// quarnel-cli's commands and options, declared once in a table.
#include "CommandLine.h"

#include "Commands.h"
#include "Console.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>

namespace quarnel::cli {
namespace {

using Handler = CommandLine::Handler;

const std::vector<std::pair<std::string, Format>> Formats{
    {"table", Format::Table}, {"csv", Format::Csv}, {"json", Format::Json}};

// --format sets `format` as it is read; a state's Format starts as Table,
// the default that --help names.
void AddFormatOption(CLI::App& command, Format& format) {
    command
        .add_option_function<std::string>(
            "--format",
            [&format](const std::string& name) {
                format = std::find_if(Formats.begin(), Formats.end(), [&](const auto& known) {
                             return known.first == name;
                         })->second;
            },
            "table, csv or json")
        ->check(CLI::IsMember(Formats))
        ->default_str("table");
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

CLI::Option* AddServerOptions(CLI::App& command, ServerSources& sources) {
    auto* names = command
                      .add_option("SERVER", sources.names,
                                  "server names, with or without \\\\ (the local computer "
                                  "when none is given)")
                      ->check(NonEmpty);
    command
        .add_option("--servers-from", sources.listFile,
                    "ask the servers listed in FILE as well, one a line (- reads standard "
                    "input)")
        ->type_name("FILE")
        ->check(NonEmpty);
    sources.domainOption = command.add_option(
        "--domain-servers", sources.domain,
        "ask every server of DOMAIN as well (this computer's domain when not given)");
    sources.domainOption->expected(0, 1)->type_name("[DOMAIN]");
    command.add_option("--jobs", sources.jobs, "ask at most N servers at a time")
        ->check(CLI::Range(1, 256))
        ->type_name("N")
        ->capture_default_str();
    return names;
}

std::optional<std::string> ReadList(const std::string& file) {
    if (file == "-")
        return ReadInput();
    std::ifstream in(std::filesystem::path(std::u8string(file.begin(), file.end())),
                     std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof())
        return std::nullopt;
    return text;
}

// Every server to ask; false, with the reason told, when one of the sources
// fails or the sources name no server at all.
bool GatherServers(platform::Platform& platform, const ServerSources& sources, ServerSet& servers,
                   std::ostream& err) {
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

// The commands. Each declares its options on its own part of the parser,
// bound to a state of its own, and returns what runs it with that state.

Handler Files(CLI::App& command) {
    struct State {
        FilesOptions files;
        ServerSources sources;
    };
    auto state = std::make_shared<State>();
    auto* servers = AddServerOptions(command, state->sources);
    auto* base =
        command
            .add_option("--base", state->files.basePath, "only files under this path on the server")
            ->check(NonEmpty);
    command.add_option("--user", state->files.user, "only files held open by this user")
        ->check(NonEmpty);
    command
        .add_option("--path", state->files.clientPath,
                    "a file or folder as this computer sees it (mapped drive, SMB mount, "
                    "\\\\server\\share\\..., //server/share/... or smb:// URL): list the "
                    "files held open under it")
        ->type_name("PATH")
        ->check(NonEmpty)
        ->excludes(servers)
        ->excludes(base)
        ->excludes("--servers-from")
        ->excludes(state->sources.domainOption);
    AddFormatOption(command, state->files.format);
    return [state](const Context& run) {
        if (!GatherServers(run.platform, state->sources, state->files.servers, run.err))
            return Failure;
        return ListOpenFiles(run.platform, state->files, run.out, run.err);
    };
}

Handler Shares(CLI::App& command) {
    struct State {
        ServerSources sources;
        Format format = Format::Table;
    };
    auto state = std::make_shared<State>();
    AddServerOptions(command, state->sources);
    AddFormatOption(command, state->format);
    return [state](const Context& run) {
        ServerSet servers;
        if (!GatherServers(run.platform, state->sources, servers, run.err))
            return Failure;
        return ListShares(run.platform, servers, state->format, run.out, run.err);
    };
}

Handler Servers(CLI::App& command) {
    struct State {
        std::string domain;
        Format format = Format::Table;
    };
    auto state = std::make_shared<State>();
    command.add_option("--domain", state->domain, "the domain's name");
    AddFormatOption(command, state->format);
    return [state](const Context& run) {
        return ListServers(run.platform, state->domain, state->format, run.out, run.err);
    };
}

Handler Share(CLI::App& command) {
    struct State {
        std::string server, name;
        Format format = Format::Table;
    };
    auto state = std::make_shared<State>();
    command.add_option("SERVER", state->server, "server name, with or without \\\\")
        ->required()
        ->check(NonEmpty);
    command.add_option("NAME", state->name, "the share's name")->required()->check(NonEmpty);
    AddFormatOption(command, state->format);
    return [state](const Context& run) {
        return ShowShare(run.platform, state->server, state->name, state->format, run.out, run.err);
    };
}

Handler Resolve(CLI::App& command) {
    struct State {
        std::string path;
        Format format = Format::Table;
    };
    auto state = std::make_shared<State>();
    command
        .add_option("PATH", state->path,
                    "mapped drive or SMB mount path (also relative to the working folder), "
                    "\\\\server\\share\\..., //server/share/... or smb:// URL")
        ->required()
        ->check(NonEmpty);
    AddFormatOption(command, state->format);
    return [state](const Context& run) {
        return ResolvePath(run.platform, state->path, state->format, run.out, run.err);
    };
}

Handler Send(CLI::App& command) {
    struct State {
        std::vector<std::string> recipients;
        std::string message, server;
    };
    auto state = std::make_shared<State>();
    command.add_option("RECIPIENT", state->recipients, "who receives the message")
        ->required()
        ->check(NonEmpty);
    const CLI::Option* message =
        command.add_option("--message", state->message,
                           "the text; read from standard input when not given (the input's "
                           "last line break is left out)");
    command.add_option("--server", state->server,
                       "the computer that is to send it (Windows); on Linux, the host the "
                       "message is delivered to instead of resolving the recipient's name");
    return [state, message](const Context& run) {
        const std::string text = *message ? state->message : MessageFromInput(ReadInput());
        return SendMessages(run.platform, state->recipients, text, state->server, run.out, run.err);
    };
}

Handler Close(CLI::App& command) {
    auto arguments = std::make_shared<std::vector<std::string>>();
    command
        .add_option("ID", *arguments,
                    "[SERVER] ID...: the identifiers that `files` lists (as it shows them, or "
                    "unsigned); a server named like a number is written with its \\\\")
        ->required();
    return [arguments](const Context& run) {
        return CloseOpenFiles(run.platform, *arguments, run.out, run.err);
    };
}

struct Command {
    const char* name;
    const char* description;
    Handler (*declare)(CLI::App& command);
};

// In the order --help lists them.
const Command Commands[] = {
    {"files", "List the files held open on each SERVER, asking several at a time.", Files},
    {"shares", "List the shares of each SERVER, asking several at a time.", Shares},
    {"servers",
     "List the servers of a domain (the primary domain of this computer when not given).", Servers},
    {"share", "Describe one share of SERVER.", Share},
    {"resolve", "Name the server and the path on it of a file or folder as this computer sees it.",
     Resolve},
    {"send",
     "Send a network message to each RECIPIENT in turn (user, computer or other message "
     "alias), one line per recipient with the outcome.",
     Send},
    {"close",
     "Close open files on SERVER (the local computer when not given), one line per identifier "
     "with the outcome. Their holders lose what they had not saved.",
     Close},
};

const char* const AuthenticationHelp =
    "On Linux the server is asked as Samba's own tools ask it: with your Kerberos ticket when you\n"
    "hold one (kinit, or a cache named by KRB5CCNAME), else with the user name and password in\n"
    "the USER and PASSWD environment variables, or as given by -U (the password from PASSWD or\n"
    "asked for) or -A. -k (--use-kerberos=required) signs in with Kerberos alone: with -U or -A\n"
    "and a password (PASSWD, the file's), a ticket got with it; without one, the ticket in the\n"
    "cache, which must be that user's. Kerberos needs the server's name, not its address.\n"
    "--use-kerberos=off never uses the ticket cache. On Windows, with your logon.\n"
    "Exit codes: 0 done (also when nothing is listed), 1 failed, 2 usage error.\n";

} // namespace

CommandLine::CommandLine()
    : app_("Lists the files held open on an SMB server, and by whom.", "quarnel-cli") {
    app_.require_subcommand(1);
    app_.set_version_flag("--version", "quarnel-cli " QUARNEL_VERSION);
    app_.footer(AuthenticationHelp);

    // These stand before or after the command, as in Samba's tools.
    app_.fallthrough();
    app_.add_option("--timeout", timeout_,
                    "seconds to wait for a server to answer (default: QUARNEL_TIMEOUT, else 20)")
        ->check(CLI::Range(1, 3600).description(""))
        ->type_name("SECONDS");
    auto* user =
        app_.add_option("-U,--user-auth", signIn_.user,
                        "sign in as this user (DOMAIN\\user or user@REALM); the password comes "
                        "from PASSWD or is asked for on the terminal")
            ->check([](const std::string& name) {
                return name.find('%') == std::string::npos
                           ? std::string()
                           : std::string("a password never goes on the command line: give it "
                                         "in PASSWD, in an authentication file (-A) or when "
                                         "asked");
            });
    app_.add_option("-A,--authentication-file", signIn_.authFile,
                    "sign in with the username, password and domain lines of this file, which "
                    "only its owner may read")
        ->type_name("FILE")
        ->excludes(user);
    auto* kerberos = app_.add_flag_callback(
        "-k,--kerberos", [this] { signIn_.kerberos = KerberosUse::Required; },
        "sign in with Kerberos alone (--use-kerberos=required)");
    app_.add_option_function<std::string>(
            "--use-kerberos",
            [this](const std::string& use) {
                signIn_.kerberos = use == "required" ? KerberosUse::Required
                                   : use == "off"    ? KerberosUse::Off
                                                     : KerberosUse::Desired;
            },
            "required: Kerberos alone; desired: Kerberos when it can (the default); off: never "
            "the ticket cache")
        ->check(CLI::IsMember({"required", "desired", "off"}))
        ->type_name("required|desired|off")
        ->excludes(kerberos);

    for (const Command& command : Commands) {
        CLI::App* parsed = app_.add_subcommand(command.name, command.description);
        commands_.emplace_back(parsed, command.declare(*parsed));
    }
}

int CommandLine::Run(std::vector<std::string> arguments, std::ostream& out, std::ostream& err) {
    std::reverse(arguments.begin(), arguments.end()); // CLI11 takes them last first
    try {
        app_.parse(arguments);
    } catch (const CLI::ParseError& e) {
        // --help and --version end the run as well, with 0.
        return app_.exit(e, out, err) == 0 ? 0 : UsageError;
    }

    auto& platform = platform::SystemPlatform();
    if (const int refused = ApplySignIn(platform, signIn_, err); refused != 0)
        return refused;
    if (timeout_ > 0)
        platform.SetTimeout(std::chrono::seconds(timeout_));
    for (const auto& [command, run] : commands_)
        if (*command)
            return run({platform, out, err});
    return UsageError;
}

} // namespace quarnel::cli
