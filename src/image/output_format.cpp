// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/output_format.h"

#include <srecord/output/file/hexdump.h>
#include <srecord/output/file/intel.h>
#include <srecord/output/file/ti_txt.h>

#include <srecord/record.h>

#include "image/file_format.h"
#include "image/srecord_support.h"
#include "util/in_child.h"
#include "util/memory_file.h"

namespace eeprom24c01 {

namespace {

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
    const file_format* format = find_file_format(name);
    return format ? format->written : std::nullopt;
}

output_format implied_output_format(std::string_view file_name) {
    const file_format* format = format_of_name(file_name);
    return format && format->written ? *format->written : output_format::raw;
}

rendered_image render_image(std::span<const std::uint8_t> contents, output_format format) {
    rendered_image result;
    if (format == output_format::raw) {
        result.bytes.assign(contents.begin(), contents.end());
        return result;
    }
    // The writers write only to named files, and end the process when one
    // fails: they write into a file in memory, in a child process whose end
    // says whether they could. The file size limit is tried first with room
    // for the wordiest format (a hex dump, under 5 characters a byte).
    memory_file target;
    result.error = target.error() ? target.error() : target.room_for(8 * contents.size() + 4096);
    if (result.error) return result;
    result.error = run_in_child([&] {
        srecord::output::pointer out = writer_for(format, target.path());
        // The header (an S-record's S0) names the tool. An EEPROM image has no
        // start address, but an S-record file ends with one (S9, address 0).
        const std::string_view tool = "eeprom24c01";
        srecord::record header(srecord::record::type_header, 0, reinterpret_cast<const srecord::record::data_t*>(tool.data()),
                               tool.size());
        out->write_header(&header);
        out->write_data(0, contents.data(), contents.size());
        if (format == output_format::srec) out->write_execution_start_address();
    });  // the writer finishes the file (end record, flush) as it goes
    if (result.error) return result;
    result.error = target.contents(result.bytes);
    return result;
}

}  // namespace eeprom24c01
