// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/output_format.h"

#include <algorithm>
#include <cctype>

#include <srecord/output/file/hexdump.h>
#include <srecord/output/file/intel.h>
#include <srecord/output/file/ti_txt.h>

#include <srecord/record.h>

#include "image/srecord_support.h"
#include "util/memory_file.h"

namespace {

struct named_format {
    std::string_view name;
    output_format format;
};
constexpr named_format NAMES[] = {
    {"raw", output_format::raw},   {"ihex", output_format::ihex},       {"srec", output_format::srec},
    {"ti-txt", output_format::ti_txt}, {"hexdump", output_format::hexdump},
};
constexpr named_format SUFFIXES[] = {
    {".hex", output_format::ihex}, {".ihex", output_format::ihex}, {".srec", output_format::srec},
    {".s19", output_format::srec}, {".s28", output_format::srec},
};

bool ends_with_any_case(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           std::ranges::equal(text.substr(text.size() - suffix.size()), suffix,
                              [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

srecord::output::pointer writer_for(output_format format, const std::string& path) {
    switch (format) {
        case output_format::ihex: return srecord::output_file_intel::create(path);
        case output_format::srec: return srecord::output_file_motorola::create(path);
        case output_format::ti_txt: return srecord::output_file_ti_txt::create(path);
        case output_format::hexdump: return srecord::output_file_hexdump::create(path);
        case output_format::raw: break;
    }
    return nullptr;
}

}  // namespace

std::optional<output_format> parse_output_format(std::string_view name) {
    for (const named_format& n : NAMES)
        if (n.name == name) return n.format;
    return std::nullopt;
}

output_format implied_output_format(std::string_view file_name) {
    for (const named_format& s : SUFFIXES)
        if (ends_with_any_case(file_name, s.name)) return s.format;
    return output_format::raw;
}

rendered_image render_image(std::span<const std::uint8_t> contents, output_format format) {
    rendered_image result;
    if (format == output_format::raw) {
        result.bytes.assign(contents.begin(), contents.end());
        return result;
    }
    // The writers write only to named files, and end the process when one
    // fails. A file in memory fails only past a file size limit, which is
    // tried first with room for the wordiest format (a hex dump, under 5
    // characters a byte).
    memory_file target;
    result.error = target.valid() ? target.room_for(8 * contents.size() + 4096) : target.error();
    if (!result.error.empty()) return result;
    {
        srecord::output::pointer out = writer_for(format, target.path());
        // The header (an S-record's S0) names the tool. An EEPROM image has no
        // start address, but an S-record file ends with one (S9, address 0).
        const std::string_view tool = "eeprom24c01";
        srecord::record header(srecord::record::type_header, 0, reinterpret_cast<const srecord::record::data_t*>(tool.data()),
                               tool.size());
        out->write_header(&header);
        out->write_data(0, contents.data(), contents.size());
        if (format == output_format::srec) out->write_execution_start_address();
    }  // the writer finishes the file (end record, flush) as it goes
    result.error = target.contents(result.bytes);
    return result;
}
