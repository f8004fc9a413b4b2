// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "Listing.h"

#include "utf.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <string_view>

namespace quarnel::report {

namespace {

// The number of characters a terminal gives a UTF-8 text: one per code
// point, which is right for the letters of file and user names.
std::size_t DisplayWidth(const std::string& text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// The columns that people see: all but those kept for JSON.
Listing Visible(const Listing& listing) {
    Listing visible;
    for (std::size_t i = 0; i < listing.columns.size(); ++i)
        if (!listing.columns[i].jsonOnly)
            visible.columns.push_back(listing.columns[i]);
    for (const auto& row : listing.rows) {
        std::vector<std::string> cells;
        for (std::size_t i = 0; i < listing.columns.size(); ++i)
            if (!listing.columns[i].jsonOnly)
                cells.push_back(row[i]);
        visible.rows.push_back(std::move(cells));
    }
    return visible;
}

// A plain decimal number, such as a negative file identifier: a spreadsheet
// reads it as the number it is.
bool IsNumber(std::string_view text) {
    if (text.starts_with('-'))
        text.remove_prefix(1);
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The code point that starts `text` and the number of its bytes; 0 bytes for
// what is no UTF-8.
std::pair<char32_t, std::size_t> FirstCodePoint(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    if (lead >= 0x80 && (lead < 0xC2 || lead > 0xF4 || text.size() < length))
        return {0, 0};
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[i]);
        if ((next & 0xC0) != 0x80)
            return {0, 0};
        c = (c << 6) | (next & 0x3F);
    }
    return {c, length};
}

// Shows nothing where it stands, or changes how what follows is shown.
bool Hides(char32_t c) {
    return c == 0xAD || c == 0x61C || c == 0x180E || (c >= 0x200B && c <= 0x200F) ||
           (c >= 0x2028 && c <= 0x202E) || (c >= 0x2060 && c <= 0x206F) || c == 0xFEFF ||
           (c >= 0xFFF9 && c <= 0xFFFB) || (c >= 0xE0000 && c <= 0xE007F);
}

std::string Hex(char32_t c, int digits) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string text(static_cast<std::size_t>(digits), '0');
    for (int i = digits - 1; i >= 0; --i, c >>= 4)
        text[static_cast<std::size_t>(i)] = hex[c & 0xF];
    return text;
}

// Writes the header line, when asked for, and then a line a row until
// `stopped` says so: `line` writes the line of the cells its argument gives.
template <typename Line>
void HeaderAndRows(const Listing& listing, bool header, const std::function<bool()>& stopped,
                   const Line& line) {
    if (header)
        line([&](std::size_t i) { return listing.columns[i].header; });
    for (const auto& row : listing.rows) {
        if (stopped && stopped())
            return;
        line([&](std::size_t i) { return row[i]; });
    }
}

void WriteTable(std::ostream& out, const Listing& raw, bool header,
                const std::function<bool()>& stopped) {
    Listing listing = raw;
    for (auto& row : listing.rows)
        for (auto& cell : row)
            cell = Printable(cell);
    std::vector<std::size_t> widths;
    for (const Column& c : listing.columns)
        widths.push_back(header ? DisplayWidth(c.header) : 0);
    for (const auto& row : listing.rows)
        for (std::size_t i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], DisplayWidth(row[i]));
    auto line = [&](auto cellOf) {
        std::string text;
        for (std::size_t i = 0; i < listing.columns.size(); ++i) {
            const std::string cell = cellOf(i);
            const std::size_t pad = widths[i] - DisplayWidth(cell);
            if (i > 0)
                text += "  ";
            if (listing.columns[i].numeric)
                text += std::string(pad, ' ') + cell;
            else
                text += cell + std::string(pad, ' ');
        }
        while (!text.empty() && text.back() == ' ')
            text.pop_back();
        out << text << '\n';
    };
    HeaderAndRows(listing, header, stopped, line);
}

void WriteCsv(std::ostream& out, const Listing& listing, bool header,
              const std::function<bool()>& stopped) {
    auto line = [&](auto cellOf) {
        for (std::size_t i = 0; i < listing.columns.size(); ++i)
            out << (i > 0 ? "," : "") << CsvField(cellOf(i));
        out << "\r\n";
    };
    HeaderAndRows(listing, header, stopped, line);
}

nlohmann::ordered_json JsonObject(const Listing& listing, const std::vector<std::string>& row) {
    nlohmann::ordered_json object = nlohmann::ordered_json::object();
    for (std::size_t i = 0; i < listing.columns.size(); ++i) {
        const Column& c = listing.columns[i];
        if (c.numeric)
            object[c.jsonKey] = std::stoll(row[i]);
        else
            object[c.jsonKey] = row[i];
    }
    return object;
}

// One object of a JSON array, as an array's dump would indent it.
std::string IndentedObject(const Listing& listing, const std::vector<std::string>& row) {
    const std::string object =
        JsonObject(listing, row)
            .dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    std::string text = "  ";
    for (char c : object) {
        text += c;
        if (c == '\n')
            text += "  ";
    }
    return text;
}

} // namespace

std::string CsvField(const std::string& given) {
    // A field that starts like a formula is one to a spreadsheet: an
    // apostrophe in front makes it text, as spreadsheet exports do.
    std::string text = given;
    if (!text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string::npos &&
        !IsNumber(text))
        text.insert(0, 1, '\'');
    const bool quote = text.find_first_of(",\"\r\n") != std::string::npos ||
                       (!text.empty() && (text.front() == ' ' || text.back() == ' '));
    if (!quote)
        return text;
    std::string field = "\"";
    for (char c : text) {
        if (c == '"')
            field += '"';
        field += c;
    }
    return field + '"';
}

std::string Printable(std::string_view text) {
    std::string shown;
    for (std::size_t i = 0; i < text.size();) {
        const auto [c, length] = FirstCodePoint(text.substr(i));
        if (length == 0) { // no UTF-8: the byte as it is, which a terminal shows as a mark
            shown += text[i++];
            continue;
        }
        if (c < 0x20 || c == 0x7F)
            shown.append("\\x").append(Hex(c, 2));
        else if ((c >= 0x80 && c <= 0x9F) || Hides(c))
            shown.append(c > 0xFFFF ? "\\U" : "\\u").append(Hex(c, c > 0xFFFF ? 8 : 4));
        else
            shown.append(text.substr(i, length));
        i += length;
    }
    return shown;
}

std::vector<Column> OpenFileColumns() {
    return {{"User", "user"},
            {"Path", "path"},
            {"File ID", "id", true},
            {"Permissions", "permissions"},
            {"# locks", "locks", true}};
}

std::vector<std::string> OpenFileRow(const OpenFileInfo& file) {
    return {ToUtf8(file.UserName), ToUtf8(file.PathName), std::to_string(file.Id),
            ToUtf8(PermissionLetters(file.Permissions)), std::to_string(file.NumLocks)};
}

Listing OpenFilesListing(const std::vector<OpenFileInfo>& files, std::int32_t count) {
    Listing listing{OpenFileColumns(), {}};
    for (std::int32_t i = 0; i < count; ++i)
        listing.rows.push_back(OpenFileRow(files[static_cast<std::size_t>(i)]));
    return listing;
}

Listing SharesListing(const std::vector<ShareInfo>& shares, std::int32_t count, bool everyField) {
    const bool hidden = !everyField;
    Listing listing{{{"Name", "name"},
                     {"Type", "type", true, hidden},
                     {"Remark", "remark"},
                     {"Permissions", "permissions", true, hidden},
                     {"Max uses", "max_uses", true, hidden},
                     {"Current uses", "current_uses", true},
                     {"Path", "path"}},
                    {}};
    for (std::int32_t i = 0; i < count; ++i) {
        const ShareInfo& s = shares[static_cast<std::size_t>(i)];
        listing.rows.push_back({ToUtf8(s.NetName), std::to_string(s.ShareType), ToUtf8(s.Remark),
                                std::to_string(s.Permissions), std::to_string(s.MaxUses),
                                std::to_string(s.CurrentUses), ToUtf8(s.Path)});
    }
    return listing;
}

Listing ServersListing(const std::vector<ServerInfo>& servers, std::int32_t count) {
    Listing listing{{{"Name", "name"}, {"Platform ID", "platform_id", true, true}}, {}};
    for (std::int32_t i = 0; i < count; ++i) {
        const ServerInfo& s = servers[static_cast<std::size_t>(i)];
        listing.rows.push_back({ToUtf8(s.ServerName), std::to_string(s.PlatformId)});
    }
    return listing;
}

Listing ResolutionListing(const std::u16string& server, const std::u16string& localPath) {
    return {{{"Server", "server"}, {"Local path", "local_path"}},
            {{ToUtf8(server), ToUtf8(localPath)}}};
}

void Write(std::ostream& out, const Listing& listing, Format format, bool single, bool header) {
    if (single && (format == Format::Json || format == Format::Jsonl)) {
        const auto object = listing.rows.empty() ? nlohmann::ordered_json::array()
                                                 : JsonObject(listing, listing.rows.front());
        out << object.dump(format == Format::Json ? 2 : -1, ' ', false,
                           nlohmann::ordered_json::error_handler_t::replace)
            << '\n';
        return;
    }
    ListingWriter writer(out, listing.columns, format, header);
    writer.Add(listing.rows);
    writer.Finish();
}

ListingWriter::ListingWriter(std::ostream& out, std::vector<Column> columns, Format format,
                             bool header, std::function<bool()> stopped)
    : out_(out), columns_(std::move(columns)), format_(format), header_(header),
      stopped_(std::move(stopped)) {}

void ListingWriter::Add(const std::vector<std::vector<std::string>>& rows) {
    // A server without rows (or one that failed) writes nothing: the header
    // comes with the first rows, or from Finish when no server had any.
    if (rows.empty() || (stopped_ && stopped_()))
        return;
    const Listing part{columns_, rows};
    switch (format_) {
    case Format::Table:
        if (started_ && header_)
            out_ << '\n';
        WriteTable(out_, Visible(part), header_, stopped_);
        break;
    case Format::Csv:
        WriteCsv(out_, Visible(part), header_ && !started_, stopped_);
        break;
    case Format::Json:
    case Format::Jsonl:
        for (const auto& row : rows) {
            if (stopped_ && stopped_())
                return;
            if (format_ == Format::Jsonl)
                out_ << JsonObject(part, row).dump(-1, ' ', false,
                                                   nlohmann::ordered_json::error_handler_t::replace)
                     << '\n';
            else
                out_ << (started_ ? ",\n" : "[\n") << IndentedObject(part, row);
            started_ = true;
        }
        return;
    }
    started_ = true;
}

void ListingWriter::Finish() {
    switch (format_) {
    case Format::Table:
        if (!started_ && header_)
            WriteTable(out_, Visible({columns_, {}}), true, {});
        break;
    case Format::Csv:
        if (!started_ && header_)
            WriteCsv(out_, Visible({columns_, {}}), true, {});
        break;
    case Format::Json:
        out_ << (started_ ? "\n]\n" : "[]\n");
        break;
    case Format::Jsonl: // every row is a line of its own, written as it came
        break;
    }
    started_ = true;
}

} // namespace quarnel::report
