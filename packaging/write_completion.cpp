// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// Writes quarnel-cli's bash completion from quarnel-cli's own command line,
// so that it offers exactly the commands and options that the program takes:
//   write_completion TEMPLATE OUTPUT
// copies TEMPLATE with its line @QUARNEL_CLI_TABLE@ replaced by shell
// functions that name the commands, the options of each, and what each
// option's value is.
#include "CommandLine.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

const char* const Marker = "@QUARNEL_CLI_TABLE@";

// Names and values go into the functions between single quotes, which a
// name with a quote or a blank would break.
std::string Quoted(const std::string& words) {
    for (const unsigned char c : words)
        if (!std::isalnum(c) && c != '-' && c != '_' && c != '.' && c != ' ')
            throw std::invalid_argument(words + " cannot stand in the completion");
    return "'" + words + "'";
}

std::string Join(const std::vector<std::string>& words, const std::string& between) {
    std::string joined;
    for (const std::string& word : words)
        joined += (joined.empty() ? "" : between) + word;
    return joined;
}

// What the value is called in --help: FILE or PATH is a file or folder of
// this computer.
bool NamesALocalFile(const std::string& valueName) {
    const std::string name = valueName.substr(0, valueName.find(':'));
    return name == "FILE" || name == "PATH";
}

// How an option's value is completed: "file", "words" and the values that a
// set admits (which --help shows as ":{a,b,c}"), or "any"; empty for a flag.
std::string ValueKind(const CLI::Option& option) {
    if (option.get_items_expected_max() == 0)
        return {};
    const std::string type = option.get_type_name();
    if (NamesALocalFile(type))
        return "file";
    const std::size_t set = type.find(":{");
    if (set == std::string::npos || !type.ends_with('}'))
        return "any";
    std::string words = "words " + type.substr(set + 2, type.size() - set - 3);
    std::replace(words.begin(), words.end(), ',', ' ');
    return words;
}

std::string Table(const CLI::App& program) {
    std::vector<std::string> commands;
    std::ostringstream options, values, arguments;
    std::set<std::string> global;
    // The program itself first, under the empty name: its options stand
    // before or after any command.
    std::vector<const CLI::App*> parts{&program};
    for (const CLI::App* command : program.get_subcommands([](const CLI::App*) { return true; })) {
        parts.push_back(command);
        commands.push_back(command->get_name());
    }
    for (const CLI::App* part : parts) {
        const std::string command = part == &program ? "" : part->get_name();
        std::vector<std::string> names;
        bool fileArguments = false;
        for (const CLI::Option* option : part->get_options()) {
            if (!option->nonpositional()) {
                fileArguments = fileArguments || NamesALocalFile(option->get_name());
                continue;
            }
            std::vector<std::string> spelled = option->get_snames(), cases;
            for (std::string& name : spelled)
                name = "-" + name;
            for (const std::string& name : option->get_lnames())
                spelled.push_back("--" + name);
            for (const std::string& name : spelled) {
                cases.push_back(Quoted(command + " " + name));
                if (command.empty())
                    global.insert(name);
                if (command.empty() || !global.contains(name)) // -h, --help once
                    names.push_back(name);
            }
            if (const std::string kind = ValueKind(*option); !kind.empty())
                values << "        " << Join(cases, " | ") << ") echo " << Quoted(kind) << " ;;\n";
        }
        options << "        " << Quoted(command) << ") echo " << Quoted(Join(names, " "))
                << " ;;\n";
        if (fileArguments)
            arguments << "        " << Quoted(command) << ") echo file ;;\n";
    }
    std::ostringstream table;
    table << "_quarnel_cli_commands() {\n    echo " << Quoted(Join(commands, " ")) << "\n}\n\n"
          << "# The options of command $1; those of the program itself (the command '')\n"
             "# may also follow any command.\n"
          << "_quarnel_cli_options() {\n    case $1 in\n"
          << options.str() << "    esac\n}\n\n"
          << "# What the value of command $1's option $2 is: 'file', 'any', or 'words' and\n"
             "# the words it may be; fails for an option that takes no value.\n"
          << "_quarnel_cli_value() {\n    case \"$1 $2\" in\n"
          << values.str() << "        *) return 1 ;;\n    esac\n}\n\n"
          << "# 'file' when the arguments of command $1 are files or folders.\n"
          << "_quarnel_cli_arguments() {\n    case $1 in\n"
          << arguments.str() << "    esac\n}\n";
    return table.str();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: write_completion TEMPLATE OUTPUT\n");
        return 2;
    }
    try {
        const std::string table = Table(quarnel::cli::CommandLine().App());
        std::ifstream in(argv[1]);
        std::ofstream out(argv[2]);
        for (std::string line; std::getline(in, line);)
            out << (line == Marker ? table : line + "\n");
        if (!in.eof() || !out.flush())
            throw std::runtime_error(std::string("cannot copy ") + argv[1] + " to " + argv[2]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "write_completion: %s\n", e.what());
        return 1;
    }
    return 0;
}
