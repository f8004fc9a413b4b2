// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The writers of the report layer: whatever the cells hold, CSV and
// JSON read back to the same fields (in CSV, a field that a spreadsheet
// would take for a formula behind one apostrophe), and so does the table
// wherever its cells can be told apart (nothing it shows as an escape,
// and no blanks at either end).
#include "FuzzInput.h"
#include "report/Listing.h"
#include "utf.h"

#include <cstdlib>
#include <nlohmann/json.hpp>
#include <sstream>

using namespace quarnel;

namespace {

using Rows = std::vector<std::vector<std::string>>;

void Require(bool condition) {
    if (!condition)
        std::abort();
}

// RFC 4180, as a spreadsheet reads it: quoted fields may hold anything.
Rows ParseCsv(const std::string& text) {
    Rows rows(1);
    std::string field;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"')
                field += text[++i];
            else if (c == '"')
                quoted = false;
            else
                field += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            rows.back().push_back(std::move(field));
            field.clear();
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            rows.back().push_back(std::move(field));
            field.clear();
            rows.emplace_back();
            ++i;
        } else {
            field += c;
        }
    }
    Require(rows.back().empty() && field.empty()); // every line ends in CR LF
    rows.pop_back();
    return rows;
}

std::u32string CodePoints(const std::string& utf8) {
    std::u32string points;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if ((c & 0xC0) != 0x80)
            points.push_back(c);
        else
            points.back() = (points.back() << 8) | c; // distinct, which is all we need
    }
    return points;
}

// The table's columns start where their headers do (numbers and their
// headers stand right-aligned, so only listings without numeric columns are
// read back); cells are padded with blanks.
Rows ParseTable(const std::string& text, const report::Listing& listing) {
    std::vector<std::u32string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(CodePoints(line));
    std::vector<std::size_t> starts;
    for (const report::Column& c : listing.columns) {
        const std::size_t from = starts.empty() ? 0 : starts.back() + 1;
        starts.push_back(lines.at(0).find(CodePoints(c.header), from));
        Require(starts.back() != std::u32string::npos);
    }
    Rows rows;
    for (const std::u32string& line : lines) {
        std::vector<std::string> cells;
        for (std::size_t i = 0; i < starts.size(); ++i) {
            const std::size_t end = i + 1 < starts.size() ? starts[i + 1] - 2 : line.size();
            std::u32string cell =
                starts[i] < line.size() ? line.substr(starts[i], end - starts[i]) : U"";
            while (!cell.empty() && cell.back() == U' ')
                cell.pop_back();
            while (!cell.empty() && cell.front() == U' ')
                cell.erase(0, 1);
            std::string bytes;
            for (char32_t p : cell)
                for (int shift = 24; shift >= 0; shift -= 8)
                    if ((p >> shift) != 0 || shift == 0)
                        bytes.push_back(static_cast<char>((p >> shift) & 0xFF));
            cells.push_back(bytes);
        }
        rows.push_back(cells);
    }
    return rows;
}

// A cell the table shows as it is: nothing escaped, no blanks at either end.
bool TableSafe(const std::string& cell) {
    const bool blankEnd = !cell.empty() && (cell.front() == ' ' || cell.back() == ' ');
    return !blankEnd && report::Printable(cell) == cell;
}

// The field as a spreadsheet is to read it: one that starts like a formula
// (and is no plain integer) behind an apostrophe that makes it text.
std::string AsCsvReadsIt(const std::string& cell) {
    if (cell.empty() || std::string_view("=+-@\t\r").find(cell.front()) == std::string::npos)
        return cell;
    const std::string_view digits = std::string_view(cell).substr(cell.front() == '-' ? 1 : 0);
    const bool integer =
        !digits.empty() && digits.find_first_not_of("0123456789") == std::string_view::npos;
    return integer ? cell : "'" + cell;
}

std::string Written(const report::Listing& listing, report::Format format) {
    std::ostringstream out;
    report::Write(out, listing, format);
    return out.str();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput input(data, size);
    report::Listing listing;
    const int columns = 1 + input.Byte() % 4;
    for (int i = 0; i < columns; ++i) {
        const std::string name = "C" + std::to_string(i);
        listing.columns.push_back({name, "k" + std::to_string(i), (input.Byte() & 1) != 0});
    }
    Rows expected{{}};
    for (const report::Column& c : listing.columns)
        expected[0].push_back(c.header);
    bool tableSafe = true;
    while (!input.Empty()) {
        std::vector<std::string> row;
        for (const report::Column& c : listing.columns) {
            row.push_back(c.numeric ? std::to_string(static_cast<std::int32_t>(input.Word()))
                                    : ToUtf8(input.Text(16)));
            tableSafe = tableSafe && TableSafe(row.back());
        }
        listing.rows.push_back(row);
        expected.push_back(row);
    }

    Rows csvExpected = expected;
    for (std::size_t r = 1; r < csvExpected.size(); ++r)
        for (std::string& cell : csvExpected[r])
            cell = AsCsvReadsIt(cell);
    Require(ParseCsv(Written(listing, report::Format::Csv)) == csvExpected);

    const nlohmann::json json = nlohmann::json::parse(Written(listing, report::Format::Json));
    Require(json.size() == listing.rows.size());
    for (std::size_t r = 0; r < listing.rows.size(); ++r)
        for (std::size_t i = 0; i < listing.columns.size(); ++i) {
            const nlohmann::json& value = json[r][listing.columns[i].jsonKey];
            Require(listing.columns[i].numeric
                        ? value.get<std::int64_t>() == std::stoll(listing.rows[r][i])
                        : value.get<std::string>() == listing.rows[r][i]);
        }

    report::Listing leftAligned = listing;
    for (report::Column& c : leftAligned.columns)
        c.numeric = false;
    const std::string table = Written(leftAligned, report::Format::Table);
    if (tableSafe)
        Require(ParseTable(table, leftAligned) == expected);
    return 0;
}
