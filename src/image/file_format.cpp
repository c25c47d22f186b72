// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/file_format.h"

#include <algorithm>
#include <cctype>

#include <srecord/input/file/ascii_hex.h>
#include <srecord/input/file/atmel_generic.h>
#include <srecord/input/file/brecord.h>
#include <srecord/input/file/cosmac.h>
#include <srecord/input/file/emon52.h>
#include <srecord/input/file/fairchild.h>
#include <srecord/input/file/fastload.h>
#include <srecord/input/file/four_packed_code.h>
#include <srecord/input/file/intel.h>
#include <srecord/input/file/logisim.h>
#include <srecord/input/file/mif.h>
#include <srecord/input/file/mos_tech.h>
#include <srecord/input/file/needham.h>
#include <srecord/input/file/os65v.h>
#include <srecord/input/file/signetics.h>
#include <srecord/input/file/spasm.h>
#include <srecord/input/file/tektronix.h>
#include <srecord/input/file/tektronix_extended.h>
#include <srecord/input/file/ti_tagged.h>
#include <srecord/input/file/ti_txt.h>
#include <srecord/input/file/vmem.h>

#include "image/srecord_support.h"

namespace eeprom24c01 {

namespace {

using namespace srecord;

// Text formats only: a binary format such as MsBin takes an all-zero raw
// image for one of its own. Fast Load and TI-Tagged carry checksums only
// where a file chooses to, so a record of theirs that reads proves nothing.
// Atmel Generic reads as srec_cat reads and writes it by default.
constexpr file_format FORMATS[] = {
    {"ascii-hex", std::nullopt, input_file_ascii_hex::create, false},
    {"atmel-generic", std::nullopt, [](const std::string& path) { return input_file_atmel_generic::create(path, endian_little); },
     false},
    {"brecord", std::nullopt, input_file_brecord::create, false},
    {"cosmac", std::nullopt, input_file_cosmac::create, false},
    {"emon52", std::nullopt, input_file_emon52::create, true},
    {"fairchild", std::nullopt, input_file_fairchild::create, true},
    {"fastload", std::nullopt, input_file_fastload::create, false},
    {"four-packed-code", std::nullopt, input_file_four_packed_code::create, true},
    {"hexdump", output_format::hexdump, nullptr, false},
    {"ihex", output_format::ihex, input_file_intel::create, true},
    {"logisim", std::nullopt, input_file_logisim::create, false},
    {"mif", std::nullopt, input_file_mif::create, false},
    {"mos-tech", std::nullopt, input_file_mos_tech::create, true},
    {"needham", std::nullopt, input_file_needham::create, false},
    {"os65v", std::nullopt, input_file_os65v::create, false},
    {"raw", output_format::raw, nullptr, false},
    {"signetics", std::nullopt, input_file_signetics::create, true},
    {"spasm", std::nullopt, input_file_spasm::create_be, false},
    {"srec", output_format::srec, input_file_motorola::create, true, true},
    {"tektronix", std::nullopt, input_file_tektronix::create, true, true},
    {"tektronix-extended", std::nullopt, input_file_tektronix_extended::create, true, true},
    {"ti-tagged", std::nullopt, input_file_ti_tagged::create, false},
    {"ti-txt", output_format::ti_txt, input_file_ti_txt::create, false},
    {"vmem", std::nullopt, input_file_vmem::create, false},
};
static_assert(std::ranges::is_sorted(FORMATS, {}, &file_format::name), "--format list prints the table as it is");

struct extension {
    std::string_view suffix;
    std::string_view format;
};
constexpr extension EXTENSIONS[] = {
    {".hex", "ihex"}, {".ihex", "ihex"}, {".srec", "srec"}, {".s19", "srec"}, {".s28", "srec"},
    {".s37", "srec"}, {".bin", "raw"},   {".raw", "raw"},   {".dat", "raw"},  {".rom", "raw"},
};

bool ends_with_any_case(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           std::ranges::equal(text.substr(text.size() - suffix.size()), suffix,
                              [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

}  // namespace

std::span<const file_format> file_formats() { return FORMATS; }

const file_format* find_file_format(std::string_view name) {
    auto found = std::ranges::find(FORMATS, name, &file_format::name);
    return found == std::end(FORMATS) ? nullptr : &*found;
}

const file_format* format_of_name(std::string_view file_name) {
    for (const extension& e : EXTENSIONS)
        if (ends_with_any_case(file_name, e.suffix)) return find_file_format(e.format);
    return nullptr;
}

std::string written_format_names() {
    std::string names;
    std::string_view last;
    for (const file_format& f : FORMATS) {
        if (!f.written) continue;
        if (!last.empty()) names += (names.empty() ? "" : ", ") + std::string(last);
        last = f.name;
    }
    return names + " or " + std::string(last);
}

}  // namespace eeprom24c01
