// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// quarnel-cli's command line: what it refuses as a usage error before
// anything is asked, and its manual page and bash completion held to it:
// every command and option that the program takes is documented and offered
// where it applies, so that one added without them fails here.
#include "CommandLine.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sstream>
#include <unistd.h>

namespace quarnel::cli {
namespace {

using Words = std::set<std::string>;

// The spelled names of the options of the program ("") and of each command.
std::map<std::string, Words> OptionsByCommand() {
    static const CommandLine line;
    std::vector<const CLI::App*> parts{&line.App()};
    for (const CLI::App* command : line.App().get_subcommands([](const CLI::App*) { return true; }))
        parts.push_back(command);
    std::map<std::string, Words> options;
    for (const CLI::App* part : parts) {
        Words& names = options[part == parts[0] ? "" : part->get_name()];
        for (const CLI::Option* option : part->get_options()) {
            for (const std::string& name : option->get_snames())
                names.insert("-" + name);
            for (const std::string& name : option->get_lnames())
                names.insert("--" + name);
        }
    }
    return options;
}

std::string Output(const std::string& command) {
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    for (char chunk[4096]; std::size_t n = std::fread(chunk, 1, sizeof chunk, pipe);)
        output.append(chunk, n);
    EXPECT_EQ(::pclose(pipe), 0) << command;
    return output;
}

// Whether `text` holds `word` on its own, not as part of a longer name.
bool Names(const std::string& text, const std::string& word) {
    const auto inName = [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '-';
    };
    for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1))
        if ((at == 0 || !inName(text[at - 1])) &&
            (at + word.size() == text.size() || !inName(text[at + word.size()])))
            return true;
    return false;
}

// A command line that a script got wrong (an unset variable, a value in the
// wrong place) is refused with exit code 2 before any server is asked or any
// file read; a value from elsewhere is shown as the table shows text.
TEST(CliCommandLineTest, UsageErrorsExitWithTwoAndAskNothing) {
    const struct {
        std::vector<std::string> arguments;
        std::string says;
        const char* timeout = nullptr; // QUARNEL_TIMEOUT, read when --timeout is not given
    } usages[] = {
        {{"close", "srv", "abc"}, "ID: \"abc\" is not the identifier of an open file"},
        {{"close", "srv"}, "ID is required"},
        {{"close", "", "5"}, "SERVER: \"\" names no server"},
        {{"close", "5", "6"}, "SERVER: \"5\" is an identifier"},
        {{"close", "srv", "5", "--holder", "ann"}, "ID: \"5\" is an identifier: --path and"},
        {{"close", "--holder", "ann"}, "SERVER is required"},
        {{"close", "--servers-from", "-", "srv", "5"}, "--servers-from and --domain-servers go"},
        {{"wait", "a", "b"}, "PATH: give one path"},
        {{"files", "--watch", "--format", "csv"}, "--watch: writes the table or JSON Lines"},
        {{"files", "--interval", "5"}, "--interval requires --watch"},
        {{"files", "a\x1B]0;x\x07"}, "\"a\\x1B]0;x\\x07\" holds a character"},
        {{"files", "--holder", ""}, "--holder: \"\" is empty"},
        {{"send", "ann", "--message", "  "}, "Can not send an empty message!"},
        {{"--option", "client min protocol", "files"}, "is no NAME=VALUE"},
        {{"--option", "no such option=1", "files"}, "Samba does not take the option"},
        {{"-d", "loud", "files"}, "Samba does not take the debug level \"loud\""},
        {{"files"}, "\"5x\" is no number of seconds from 1 to 3600", "5x"},
    };
    for (const auto& usage : usages) {
        std::ostringstream out, err;
        if (usage.timeout)
            ::setenv("QUARNEL_TIMEOUT", usage.timeout, 1);
        EXPECT_EQ(CommandLine().Run(usage.arguments, out, err), UsageError) << usage.says;
        ::unsetenv("QUARNEL_TIMEOUT");
        EXPECT_EQ(out.str(), "");
        EXPECT_NE(err.str().find(usage.says), std::string::npos) << err.str();
    }
}

TEST(CliCommandLineTest, ManualPageNamesEveryCommandAndOptionAndRendersCleanly) {
    std::ifstream file(QUARNEL_MANUAL_PAGE);
    std::string page((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    // Without roff's escapes for a minus and for fonts: \- and \fB, \fI, \fR, \fP.
    for (std::size_t at; (at = page.find('\\')) != std::string::npos;)
        page.erase(at, page.compare(at, 2, "\\f") == 0 ? 3 : page[at + 1] == '-' ? 1 : 2);
    const std::size_t commands = page.find(".SH COMMANDS");
    const std::string described = page.substr(commands, page.find(".SH", commands + 1) - commands);
    for (const auto& [command, options] : OptionsByCommand()) {
        if (!command.empty()) {
            EXPECT_NE(described.find(".TP\n.B " + command + "\n"), std::string::npos) << command;
        }
        for (const std::string& option : options)
            EXPECT_TRUE(Names(page, option)) << command << " " << option;
    }
    EXPECT_EQ(Output("groff -ww -man -Tutf8 '" QUARNEL_MANUAL_PAGE "' 2>&1 >/dev/null"), "");
}

// What bash offers at the end of a command line given as bash splits it
// ("--format=" is "--format", "=", ""), in a folder that holds servers.txt
// and sub/.
struct Line {
    std::vector<std::string> words;
    Words offered;
};

TEST(CliCommandLineTest, CompletionOffersCommandsFirstThenWhatTheCommandInEffectTakes) {
    const auto options = OptionsByCommand();
    const Words files{"servers.txt", "sub"};
    std::vector<Line> lines{
        {{"-U", "admin", ""}, {}}, // every command, added below
        {{"--timeout", "=", "5", "-"}, options.at("")},
        {{"close", ""}, {}},
        {{"files", "--format", "=", ""}, {"table", "csv", "json", "jsonl"}},
        {{"shares", "--format", "c"}, {"csv"}},
        {{"files", "--servers-from", ""}, files},
        {{"-A", ""}, files},
        {{"files", "srv", "--path", "=", ""}, files},
        {{"resolve", ""}, files},
        {{"wait", ""}, files},
        {{"send", "--message", ""}, {}},
    };
    for (const auto& [command, names] : options) {
        if (command.empty())
            continue;
        lines[0].offered.insert(command);
        Words all = options.at("");
        all.insert(names.begin(), names.end());
        lines.push_back({{command, "-"}, all});
    }

    const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                         ("quarnel-completion-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder / "files" / "sub");
    std::ofstream(folder / "files" / "servers.txt").close();
    std::ofstream script(folder / "complete.sh");
    script << ". /usr/share/bash-completion/bash_completion && . '" QUARNEL_COMPLETION "' &&\n"
           << "cd '" << (folder / "files").string() << "' || exit 1\n"
           << R"(offer() {
    COMP_WORDS=(quarnel-cli "$@") COMP_CWORD=$# COMP_LINE="quarnel-cli $*"
    COMP_LINE=${COMP_LINE// = /=} COMP_POINT=${#COMP_LINE} COMPREPLY=()
    _quarnel_cli quarnel-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf '%s\n' "${COMPREPLY[@]}" .
}
)";
    for (const Line& line : lines) {
        script << "offer";
        for (const std::string& word : line.words)
            script << " '" << word << "'";
        script << '\n';
    }
    script.close();
    std::istringstream offered(
        Output("bash --norc --noprofile '" + (folder / "complete.sh").string() + "'"));
    std::filesystem::remove_all(folder);

    for (const Line& line : lines) {
        Words got;
        for (std::string word; std::getline(offered, word) && word != ".";)
            got.insert(word);
        EXPECT_EQ(got, line.offered) << testing::PrintToString(line.words);
    }
}

} // namespace
} // namespace quarnel::cli
