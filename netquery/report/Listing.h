// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// How Quarnel writes what it found, in the window's export and in
// quarnel-cli alike: an aligned table for people, CSV (RFC 4180), JSON and
// JSON Lines (one object a line) for scripts. All text is UTF-8.
#pragma once

#include "modApi.h"

#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace quarnel::report {

enum class Format { Table, Csv, Json, Jsonl };

// A result as rows of cells under a header; a cell marked numeric is written
// as a JSON number.
struct Column {
    std::string header;  // table and CSV header
    std::string jsonKey; // key of the JSON object
    bool numeric = false;
    bool jsonOnly = false; // left out of the table and CSV
};

struct Listing {
    std::vector<Column> columns;
    std::vector<std::vector<std::string>> rows;
};

// The five columns of the open-file list, as the window shows them.
std::vector<Column> OpenFileColumns();

// One open file's cells under OpenFileColumns.
std::vector<std::string> OpenFileRow(const OpenFileInfo& file);

// The five columns of the open-file list, one row per entry of the table.
Listing OpenFilesListing(const std::vector<OpenFileInfo>& files, std::int32_t count);

// Shares: name, remark, current uses and path for people; every field but
// the password in JSON. `everyField` shows them all in the table and CSV too.
Listing SharesListing(const std::vector<ShareInfo>& shares, std::int32_t count,
                      bool everyField = false);

// Server names for people; with the platform identifier in JSON.
Listing ServersListing(const std::vector<ServerInfo>& servers, std::int32_t count);

// A server and the path on it, as a resolution gives them.
Listing ResolutionListing(const std::u16string& server, const std::u16string& localPath);

// Writes every row; in JSON an array of objects, or with `single` the one
// object of the first row. Without `header` the table and CSV leave out
// their header line.
void Write(std::ostream& out, const Listing& listing, Format format, bool single = false,
           bool header = true);

// Writes a listing that arrives in parts, such as one server's rows at a
// time, each part as soon as it is given. CSV and JSON make one document (one
// header, one array) of all parts. A table column is as wide as its widest
// cell, which is known only once the rows are, so each part becomes an
// aligned block of its own under its own header, the blocks parted by an
// empty line (without headers the blocks follow each other). JSON Lines
// writes each row as it comes. Once `stopped` answers true, no further row is
// begun: what is out stays whole, and Finish still ends the document.
class ListingWriter {
  public:
    ListingWriter(std::ostream& out, std::vector<Column> columns, Format format, bool header = true,
                  std::function<bool()> stopped = {});
    void Add(const std::vector<std::vector<std::string>>& rows);
    // Ends the document; with no row at all, the header alone (the table and
    // CSV) or an empty array.
    void Finish();

  private:
    std::ostream& out_;
    std::vector<Column> columns_;
    Format format_;
    bool header_;
    std::function<bool()> stopped_;
    bool started_ = false; // a header, a block or the array's opening is out
};

// One CSV field, quoted when it holds a separator, a quote, a line break or
// blanks at either end. A field that a spreadsheet would take for a formula
// (it starts with =, +, -, @, a tab or a carriage return, and is no plain
// number) gets an apostrophe in front.
std::string CsvField(const std::string& text);

// A text as a terminal may show it, as the table shows every cell: control
// characters (C0, DEL, C1) as \x1B or \u0085, so that text from a server can
// neither send the terminal commands nor break a line in two; and characters
// that show as nothing or reorder what follows (bidi controls, zero-width and
// other format characters, line and paragraph separators) as \u202E or
// \U000E0041, so that a name cannot hide what it holds.
std::string Printable(std::string_view text);

} // namespace quarnel::report
