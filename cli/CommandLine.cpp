// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// quarnel-cli's commands and options, declared once in a table.
#include "CommandLine.h"

#include "Console.h"
#include "report/Listing.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>

namespace quarnel::cli {
namespace {

using Handler = CommandLine::Handler;

const std::vector<std::pair<std::string, Format>> Formats{{"table", Format::Table},
                                                          {"csv", Format::Csv},
                                                          {"json", Format::Json},
                                                          {"jsonl", Format::Jsonl}};

// --format sets the format as it is read; an Output starts as a table with
// its header, the defaults that --help names.
void AddOutputOptions(CLI::App& command, Output& output) {
    command
        .add_option_function<std::string>(
            "--format",
            [&output](const std::string& name) {
                output.format =
                    std::find_if(Formats.begin(), Formats.end(), [&](const auto& known) {
                        return known.first == name;
                    })->second;
            },
            "table, csv, json, or jsonl (one JSON object a line, each as it comes)")
        ->check(CLI::IsMember(Formats))
        ->default_str("table");
    command.add_flag("--no-header{false}", output.header,
                     "leave out the header line of the table and CSV");
}

using Problem = std::string (*)(const std::string& value);

// What `problem` finds wrong with `value` (empty: nothing), after the value.
// Values are shown as the table shows text, since they may come from a file
// or a server.
std::string Wrong(Problem problem, const std::string& value) {
    const std::string wrong = problem(value);
    return wrong.empty() ? wrong : "\"" + report::Printable(value) + "\" " + wrong;
}

// A validator from a function that says what is wrong with a value.
CLI::Validator Check(Problem problem) {
    return CLI::Validator([problem](const std::string& value) { return Wrong(problem, value); }, "",
                          "");
}

// The same check of a value that the command line's parts give together
// (SERVER and ID, by what else is given): a usage error as a validator's.
void Require(const std::string& name, const std::string& value, Problem problem) {
    if (const std::string wrong = Wrong(problem, value); !wrong.empty())
        throw CLI::ValidationError(name, wrong);
}

// An empty value is refused rather than read as "not given": a script whose
// variable is unset must not get the local computer or every file instead.
std::string Empty(const std::string& value) {
    return value.empty() ? "is empty" : "";
}

// The server that an action acts on is named first, and never taken for an
// identifier or the other way round.
std::string NoServerToActOn(const std::string& value) {
    if (ParseFileId(value))
        return "is an identifier: name the server first (one named like a number is written "
               "with its \\\\)";
    return ServerNameProblem(value);
}

std::string NoFileId(const std::string& value) {
    return ParseFileId(value) ? "" : "is not the identifier of an open file";
}

std::string NoSeconds(const std::string& value) {
    int seconds = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), seconds);
    return error != std::errc() || end != value.data() + value.size() || seconds < 1 ||
                   seconds > 3600
               ? "is no number of seconds from 1 to 3600 (--timeout, QUARNEL_TIMEOUT)"
               : "";
}

std::string NoSetting(const std::string& value) {
    const std::size_t equals = value.find('=');
    return equals == std::string::npos || value.find_first_not_of(" \t") == equals
               ? "is no NAME=VALUE"
               : "";
}

// Where `files` and `shares` take their servers from: the names given, a
// list (a file, or "-" for standard input) and the servers of a domain.
struct ServerSources {
    std::vector<std::string> names;
    std::string listFile;
    CLI::Option* domainOption = nullptr;
    std::string domain;
    int jobs = ServerSet().jobs;
};

// --servers-from, --domain-servers and --jobs: every source but the names.
void AddServerSources(CLI::App& command, ServerSources& sources) {
    command
        .add_option("--servers-from", sources.listFile,
                    "ask the servers listed in FILE as well, one a line (- reads standard "
                    "input)")
        ->type_name("FILE")
        ->check(Check(Empty));
    sources.domainOption = command.add_option(
        "--domain-servers", sources.domain,
        "ask every server of DOMAIN as well (this computer's domain when not given)");
    sources.domainOption->expected(0, 1)->type_name("[DOMAIN]")->check(Check(Empty));
    command.add_option("--jobs", sources.jobs, "ask at most N servers at a time")
        ->check(CLI::Range(1, 256))
        ->type_name("N")
        ->capture_default_str();
}

CLI::Option* AddServerOptions(CLI::App& command, ServerSources& sources) {
    auto* names = command
                      .add_option("SERVER", sources.names,
                                  "server names, with or without \\\\ (the local computer "
                                  "when none is given)")
                      ->check(Check(ServerNameProblem));
    AddServerSources(command, sources);
    return names;
}

// Whether any source but the names was given.
bool ListsServers(const ServerSources& sources) {
    return !sources.listFile.empty() || *sources.domainOption;
}

// A list of servers within the bounds is never longer than this.
constexpr std::size_t MaxListBytes = (MaxListLine + 1) * MaxListedServers;

// The text of a server list: a file, or standard input for "-"; nothing,
// with the reason, when it cannot be read or is longer than a list can be.
std::optional<std::string> ReadList(const std::string& file, std::string& reason) {
    const std::string tooLong = "longer than a list of " + std::to_string(MaxListedServers) +
                                " servers can be (" + std::to_string(MaxListBytes) + " bytes)";
    if (file == "-") {
        auto input = ReadInput(MaxListBytes);
        if (!input)
            reason = tooLong;
        return input;
    }
    const std::filesystem::path path(std::u8string(file.begin(), file.end()));
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        reason = "is a folder";
        return std::nullopt;
    }
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        reason = errno != 0 ? std::strerror(errno) : "cannot be opened";
        return std::nullopt;
    }
    std::string text;
    char chunk[65536];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        text.append(chunk, static_cast<std::size_t>(in.gcount()));
        if (text.size() > MaxListBytes) {
            reason = tooLong;
            return std::nullopt;
        }
    }
    if (in.bad()) {
        reason = "cannot be read";
        return std::nullopt;
    }
    return text;
}

// Every server to ask; false, with the reason told, when one of the sources
// fails or the sources name no server at all.
bool GatherServers(Context& run, const ServerSources& sources, ServerSet& servers) {
    servers.names = sources.names;
    servers.jobs = sources.jobs;
    servers.showProgress = StandardErrorIsTerminal();
    const bool listed = ListsServers(sources);
    if (!sources.listFile.empty()) {
        std::string reason;
        const std::optional<std::string> text = ReadList(sources.listFile, reason);
        if (!text || !ServerNamesFromList(*text, servers.names, reason)) {
            run.Fail("the server list " + sources.listFile + ": " + reason);
            return false;
        }
    }
    if (*sources.domainOption && !DomainServers(run, sources.domain, servers.names))
        return false;
    if (listed && servers.names.empty()) {
        run.Fail("no server to ask");
        return false;
    }
    return true;
}

// The commands. Each declares its options on its own part of the parser,
// bound to a state of its own, and returns what runs it with that state.

// --interval of the commands that list again and again.
CLI::Option* AddInterval(CLI::App& command, FilesOptions& files) {
    return command
        .add_option_function<int>(
            "--interval", [&files](int seconds) { files.interval = std::chrono::seconds(seconds); },
            "seconds between one listing and the next")
        ->check(CLI::Range(1, 3600))
        ->type_name("SECONDS")
        ->default_str(std::to_string(files.interval.count()));
}

Handler Files(CLI::App& command) {
    struct State {
        FilesOptions files;
        ServerSources sources;
        bool watch = false;
    };
    auto state = std::make_shared<State>();
    auto* servers = AddServerOptions(command, state->sources);
    auto* base =
        command
            .add_option("--base", state->files.basePath, "only files under this path on the server")
            ->check(Check(Empty));
    command.add_option("--holder", state->files.holder, "only files held open by this user")
        ->type_name("USER")
        ->check(Check(Empty));
    command
        .add_option("--path", state->files.clientPath,
                    "a file or folder as this computer sees it (mapped drive, SMB mount, "
                    "\\\\server\\share\\..., //server/share/... or smb:// URL): list the "
                    "files held open under it")
        ->type_name("PATH")
        ->check(Check(Empty))
        ->excludes(servers)
        ->excludes(base)
        ->excludes("--servers-from")
        ->excludes(state->sources.domainOption);
    AddOutputOptions(command, state->files.output);
    auto* watch = command.add_flag("--watch", state->watch,
                                   "then list again every interval and tell each file opened and "
                                   "closed since, until stopped (Ctrl+C)");
    AddInterval(command, state->files)->needs(watch);
    command.parse_complete_callback([state] {
        const Format format = state->files.output.format;
        if (state->watch && format != Format::Table && format != Format::Jsonl)
            throw CLI::ValidationError("--watch",
                                       "writes the table or JSON Lines (--format jsonl)");
    });
    return [state](Context& run) {
        if (GatherServers(run, state->sources, state->files.servers))
            (state->watch ? WatchOpenFiles : ListOpenFiles)(run, state->files);
    };
}

Handler Shares(CLI::App& command) {
    struct State {
        ServerSources sources;
        Output output;
    };
    auto state = std::make_shared<State>();
    AddServerOptions(command, state->sources);
    AddOutputOptions(command, state->output);
    return [state](Context& run) {
        ServerSet servers;
        if (GatherServers(run, state->sources, servers))
            ListShares(run, servers, state->output);
    };
}

Handler Servers(CLI::App& command) {
    struct State {
        std::string domain;
        Output output;
    };
    auto state = std::make_shared<State>();
    command.add_option("--domain", state->domain, "the domain's name")->check(Check(Empty));
    AddOutputOptions(command, state->output);
    return [state](Context& run) { ListServers(run, state->domain, state->output); };
}

Handler Share(CLI::App& command) {
    struct State {
        std::string server, name;
        Output output;
    };
    auto state = std::make_shared<State>();
    command.add_option("SERVER", state->server, "server name, with or without \\\\")
        ->required()
        ->check(Check(ServerNameProblem));
    command.add_option("NAME", state->name, "the share's name")->required()->check(Check(Empty));
    AddOutputOptions(command, state->output);
    return [state](Context& run) { ShowShare(run, state->server, state->name, state->output); };
}

Handler Resolve(CLI::App& command) {
    struct State {
        std::string path;
        Output output;
    };
    auto state = std::make_shared<State>();
    command
        .add_option("PATH", state->path,
                    "mapped drive or SMB mount path (also relative to the working folder), "
                    "\\\\server\\share\\..., //server/share/... or smb:// URL")
        ->required()
        ->check(Check(Empty));
    AddOutputOptions(command, state->output);
    return [state](Context& run) { ResolvePath(run, state->path, state->output); };
}

// More than any message that can be sent: smbclient takes 1,598 bytes.
constexpr std::size_t MaxMessageInput = 65536;

Handler Send(CLI::App& command) {
    struct State {
        std::vector<std::string> recipients;
        std::string message, server;
    };
    auto state = std::make_shared<State>();
    command.add_option("RECIPIENT", state->recipients, "who receives the message")
        ->required()
        ->check(Check(Empty));
    const CLI::Option* message =
        command.add_option("--message", state->message,
                           "the text; read from standard input when not given (the input's "
                           "last line break is left out)");
    command
        .add_option("--server", state->server,
                    "the computer that is to send it (Windows); on Linux, the host the "
                    "message is delivered to instead of resolving the recipient's name")
        ->type_name("HOST")
        ->check(Check(ServerNameProblem));
    return [state, message](Context& run) {
        std::string text = state->message;
        if (!*message) {
            const std::optional<std::string> input = ReadInput(MaxMessageInput);
            if (!input)
                return run.Fail("the message on standard input is longer than " +
                                std::to_string(MaxMessageInput) + " bytes; nothing was sent");
            text = MessageFromInput(*input);
        }
        if (text.find_first_not_of(' ') == std::string::npos)
            throw CLI::ValidationError("Can not send an empty message!");
        SendMessages(run, state->recipients, text, state->server);
    };
}

// The options that select open files to act on, as `files` selects them to
// list: --path (a path on the servers, or alone a client path that names
// the server), --holder, and the servers, named or listed.
struct Selection {
    FilesOptions files;
    ServerSources sources;
    CLI::Option* path = nullptr;
    CLI::Option* holder = nullptr;
};

void AddSelection(CLI::App& command, Selection& selection, const std::string& pathHelp) {
    selection.path = command.add_option("--path", selection.files.basePath, pathHelp)
                         ->type_name("PATH")
                         ->check(Check(Empty));
    selection.holder =
        command.add_option("--holder", selection.files.holder, "only files held open by this user")
            ->type_name("USER")
            ->check(Check(Empty));
    AddServerSources(command, selection.sources);
}

// Checks each server given as an argument; with none, --path alone is a
// client path, which names the server.
void SelectServers(Selection& selection, const std::vector<std::string>& servers) {
    for (const std::string& server : servers)
        Require("SERVER", server, ServerNameProblem);
    selection.sources.names = servers;
    if (servers.empty() && !ListsServers(selection.sources) && *selection.path)
        std::swap(selection.files.clientPath, selection.files.basePath);
}

Handler Close(CLI::App& command) {
    struct State {
        std::string server;
        std::vector<std::string> ids;
        Selection selection;
        bool yes = false;
    };
    auto state = std::make_shared<State>();
    auto* server = command.add_option("SERVER", state->server, "the server, with or without \\\\");
    command.add_option("ID", state->ids,
                       "the identifiers that `files` lists (as it shows them, or unsigned); with "
                       "--path or --holder, more servers");
    AddSelection(command, state->selection,
                 "close every file held open under this path on the servers; without SERVER, "
                 "a path as this computer sees it (as `files --path` takes it), which names the "
                 "server");
    command.add_flag("--yes", state->yes,
                     "close them; without it, nothing is closed: the files are listed");
    AddOutputOptions(command, state->selection.files.output);
    command.parse_complete_callback([state, server] {
        Selection& selection = state->selection;
        if (*selection.path || *selection.holder) {
            std::vector<std::string> servers = state->ids;
            if (*server)
                servers.insert(servers.begin(), state->server);
            for (const std::string& id : servers)
                if (ParseFileId(id))
                    throw CLI::ValidationError(
                        "ID", "\"" + id +
                                  "\" is an identifier: --path and --holder select the "
                                  "files to close (a server named like a number is written "
                                  "with its \\\\)");
            SelectServers(selection, servers);
            if (selection.sources.names.empty() && !ListsServers(selection.sources) &&
                selection.files.clientPath.empty())
                throw CLI::ValidationError("SERVER is required: the servers to close on");
            return;
        }
        if (ListsServers(selection.sources))
            throw CLI::ValidationError("--servers-from and --domain-servers go with --path or "
                                       "--holder");
        if (!*server)
            throw CLI::ValidationError("SERVER is required");
        Require("SERVER", state->server, NoServerToActOn);
        if (state->ids.empty())
            throw CLI::ValidationError("ID is required (or --path, --holder)");
        for (const std::string& id : state->ids)
            Require("ID", id, NoFileId);
    });
    return [state](Context& run) {
        Selection& selection = state->selection;
        if (!*selection.path && !*selection.holder)
            CloseOpenFiles(run, state->server, state->ids);
        else if (GatherServers(run, selection.sources, selection.files.servers))
            CloseSelectedFiles(run, selection.files, state->yes);
    };
}

Handler Wait(CLI::App& command) {
    struct State {
        std::vector<std::string> targets;
        Selection selection;
        std::optional<std::chrono::seconds> timeout;
    };
    auto state = std::make_shared<State>();
    command.add_option("PATH", state->targets,
                       "the file or folder as this computer sees it (mapped drive or SMB mount "
                       "path, \\\\server\\share\\..., //server/share/... or smb:// URL); with "
                       "--path, the servers to ask");
    AddSelection(command, state->selection, "the file or folder on the servers");
    AddInterval(command, state->selection.files);
    command
        .add_option_function<int>(
            "--timeout", [state](int seconds) { state->timeout = std::chrono::seconds(seconds); },
            "give up after this many seconds and name who still holds what (exit 1); without "
            "it, wait until they are released")
        ->check(CLI::Range(1, 7 * 24 * 3600))
        ->type_name("SECONDS");
    command.parse_complete_callback([state] {
        Selection& selection = state->selection;
        if (*selection.path) {
            SelectServers(selection, state->targets);
            return;
        }
        if (ListsServers(selection.sources))
            throw CLI::ValidationError("--servers-from and --domain-servers go with --path");
        if (state->targets.size() != 1)
            throw CLI::ValidationError("PATH", "give one path as this computer sees it, or the "
                                               "servers and --path");
        Require("PATH", state->targets[0], Empty);
        selection.files.clientPath = state->targets[0];
    });
    return [state](Context& run) {
        Selection& selection = state->selection;
        if (GatherServers(run, selection.sources, selection.files.servers))
            WaitUntilReleased(run, selection.files, state->timeout);
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
     "Close open files on SERVER by identifier, or every file that --path and --holder select "
     "(without --yes, they are only listed), one line per file with the outcome. Their holders "
     "lose what they had not saved; every close is written to the system log.",
     Close},
    {"wait",
     "Wait until no file under PATH is held open (exit 0), asking again every interval; after "
     "--timeout, name who still holds what (exit 1).",
     Wait},
};

const char* const Footer =
    "On Linux the server is asked as Samba's own tools ask it: with your Kerberos ticket when you\n"
    "hold one (kinit, or a cache named by KRB5CCNAME), else with the user name and password in\n"
    "the USER and PASSWD environment variables, or as given by -U (the password from PASSWD or\n"
    "asked for; -N: none) or -A. -k (--use-kerberos=required) signs in with Kerberos alone: with\n"
    "-U or -A and a password (PASSWD, the file's), a ticket got with it; without one, the ticket\n"
    "in the cache, which must be that user's. Kerberos needs the server's name, not its address.\n"
    "--use-kerberos=off never uses the ticket cache. On Windows, with your logon.\n"
    "Results go to standard output, each failure's reason to standard error.\n"
    "Exit codes: 0 done (also when nothing is listed), 1 failed (a closed pipe too), 2 usage\n"
    "error; 128 and the signal's number when SIGINT or SIGTERM stopped the run.\n";

} // namespace

CommandLine::CommandLine()
    : app_("Lists the files held open on an SMB server, and by whom.", "quarnel-cli") {
    app_.require_subcommand(1);
    app_.set_version_flag("--version", "quarnel-cli " QUARNEL_VERSION);
    app_.footer(Footer);

    // These stand before or after the command, as in Samba's tools.
    app_.fallthrough();
    app_.add_option("--timeout", timeout_,
                    "seconds that each server may take, from the first connection to the end "
                    "of its answer")
        ->envname("QUARNEL_TIMEOUT")
        ->check(Check(NoSeconds))
        ->type_name("SECONDS")
        ->capture_default_str();
    auto* user =
        app_.add_option("-U,--user,--user-auth", signIn_.user,
                        "sign in as this user (DOMAIN\\user or user@REALM); the password comes "
                        "from PASSWD or is asked for on the terminal")
            ->type_name("USER")
            ->check([](const std::string& name) {
                return name.find('%') == std::string::npos
                           ? std::string()
                           : std::string("a password never goes on the command line: give it "
                                         "in PASSWD, in an authentication file (-A) or when "
                                         "asked");
            });
    auto* authFile =
        app_.add_option("-A,--authentication-file", signIn_.authFile,
                        "sign in with the username, password and domain lines of this file, "
                        "which only its owner may read")
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
    app_.add_flag("-N,--no-pass", signIn_.noPass,
                  "ask for no password and take none from PASSWD: sign in without one")
        ->excludes(authFile);
    app_.add_option("-W,--workgroup", workgroup_,
                    "the domain of a user name that names none, and the workgroup that "
                    "`servers` lists")
        ->type_name("WORKGROUP")
        ->check(Check(Empty));
    app_.add_option("-s,--configfile", settings_.configFile,
                    "Samba's client configuration for every call (default: QUARNEL_SMB_CONF, "
                    "else Samba's own)")
        ->type_name("FILE")
        ->check(CLI::ExistingFile.description(""));
    app_.add_option("--option", settings_.options,
                    "a setting of Samba's client configuration, over the file's")
        ->type_name("NAME=VALUE")
        ->check(Check(NoSetting));
    app_.add_option("-d,--debuglevel", settings_.debugLevel,
                    "show Samba's own messages up to this level on standard error (none "
                    "unless given)")
        ->type_name("LEVEL")
        ->check(Check(Empty));

    for (const Command& command : Commands) {
        CLI::App* parsed = app_.add_subcommand(command.name, command.description);
        commands_.emplace_back(parsed, command.declare(*parsed));
    }
}

int CommandLine::Run(std::vector<std::string> arguments, std::ostream& out, std::ostream& err) {
    // What is said before a command runs holds what was given, which may
    // come from a file or a server: shown as the table shows text.
    std::ostringstream said;
    const auto tell = [&] {
        std::istringstream lines(said.str());
        for (std::string line; std::getline(lines, line);)
            err << report::Printable(line) << '\n';
    };
    // --help and --version end the run as well, with 0.
    const auto usage = [&](const CLI::Error& e) {
        const int code = app_.exit(e, out, said);
        tell();
        return code == 0 ? 0 : UsageError;
    };
    std::reverse(arguments.begin(), arguments.end()); // CLI11 takes them last first
    try {
        app_.parse(arguments);
    } catch (const CLI::ParseError& e) {
        return usage(e);
    }

    auto& platform = platform::SystemPlatform();
    if (!workgroup_.empty()) // as Samba's tools take -W
        settings_.options.push_back("workgroup=" + workgroup_);
    if (const auto refused = platform.SetClientSettings(settings_)) {
        err << "quarnel-cli: " << report::Printable(*refused) << '\n';
        return UsageError;
    }
    if (const int refused = ApplySignIn(platform, signIn_, said); refused != 0) {
        tell();
        return refused;
    }
    platform.SetTimeout(std::chrono::seconds(timeout_));
    Context run(platform, out, err, std::chrono::seconds(timeout_));
    for (const auto& [command, handler] : commands_)
        if (*command) {
            try {
                handler(run);
            } catch (const CLI::ValidationError& e) {
                return usage(e);
            }
            return run.ExitCode();
        }
    return UsageError;
}

} // namespace quarnel::cli
