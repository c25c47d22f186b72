// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/load_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cctype>
#include <cstring>
#include <optional>

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
#include <srecord/record.h>

#include "util/interruption.h"
#include "image/address_text.h"
#include "image/srecord_support.h"
#include "text/printable_name.h"
#include "util/memory_file.h"
#include "util/unique_fd.h"

namespace {

using srecord::input_file;

struct reader {
    input_file::pointer (*create)(const std::string&);
    bool checksummed;  // a record that reads is good evidence of the format
    // The character its records begin with, where that tells them from other
    // formats' records; 0 where it does not.
    char lead;
};

// libsrecord's own guessing order, text formats only: a binary format such as
// MsBin takes an all-zero raw image for one of its own.
const reader READERS[] = {
    {srecord::input_file_ascii_hex::create, false, 0},
    {srecord::input_file_atmel_generic::create_be, false, 0},
    {srecord::input_file_brecord::create, false, 0},
    {srecord::input_file_cosmac::create, false, 0},
    {srecord::input_file_emon52::create, true, 0},
    {srecord::input_file_fairchild::create, true, 0},
    {srecord::input_file_fastload::create, true, 0},
    {srecord::input_file_four_packed_code::create, true, '$'},
    {srecord::input_file_intel::create, true, ':'},
    {srecord::input_file_logisim::create, false, 0},
    {srecord::input_file_mif::create, false, 0},
    {srecord::input_file_mos_tech::create, true, ';'},
    {srecord::input_file_motorola::create, true, 'S'},
    {srecord::input_file_needham::create, false, 0},
    {srecord::input_file_os65v::create, false, 0},
    {srecord::input_file_signetics::create, true, ':'},
    {srecord::input_file_spasm::create_be, false, 0},
    {srecord::input_file_tektronix::create, true, '/'},
    {srecord::input_file_tektronix_extended::create, true, '%'},
    {srecord::input_file_ti_tagged::create, true, 'K'},
    {srecord::input_file_ti_txt::create, false, 0},
    {srecord::input_file_vmem::create, false, 0},
};

std::string system_failure(const std::string& what, int error) { return what + ": " + std::strerror(error); }

// At most LOAD_FILE_LIMIT + 1 bytes, so that an endless input is caught.
std::string read_bounded(int fd, const std::string& shown, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    std::uint8_t chunk[65536];
    while (bytes.size() <= LOAD_FILE_LIMIT) {
        ssize_t got = read(fd, chunk, sizeof chunk);
        // A signal the run notes ends a read that may wait on a terminal or pipe.
        if (got < 0 && errno == EINTR && interruption_signal() != 0)
            return "Interrupted while reading " + shown + "; nothing was written";
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return system_failure("Cannot read " + shown, errno);
        if (got == 0) return {};
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    return shown + " is larger than " + std::to_string(LOAD_FILE_LIMIT >> 20) + " MiB, which no 24Cxx image is";
}

// A fault as libsrecord words it, "PATH: 12: what", taken apart.
struct fault_place {
    long line = 0;  // 0: none given
    std::string what;
};

fault_place place_of(const std::string& library_text, const std::string& path) {
    fault_place place{0, library_text};
    if (place.what.starts_with(path + ": ")) place.what.erase(0, path.size() + 2);
    std::size_t digits = 0;
    while (digits < place.what.size() && std::isdigit(static_cast<unsigned char>(place.what[digits]))) ++digits;
    if (digits > 0 && digits < 10 && place.what.compare(digits, 2, ": ") == 0) {
        place.line = std::stol(place.what.substr(0, digits));
        place.what.erase(0, digits + 2);
    }
    return place;
}

// The user named the file otherwise and reads "FILE: line 12: what". A
// reader that found no data record says so in its own words.
std::string located(const fault_place& place, const std::string& shown) {
    if (place.what == "file contains no data") return shown + " holds no data for the chip";
    return shown + ": " + (place.line > 0 ? "line " + std::to_string(place.line) + ": " : "") + place.what;
}

// The file's first line that holds more than blanks: its number, as
// libsrecord counts lines, and its first two characters.
struct first_line {
    long number = 1;
    char lead = 0;
    char next = 0;
};

first_line first_line_of(const std::vector<std::uint8_t>& bytes) {
    first_line line;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') ++line.number;
        if (std::isspace(bytes[i])) continue;
        line.lead = static_cast<char>(bytes[i]);
        line.next = i + 1 < bytes.size() ? static_cast<char>(bytes[i + 1]) : 0;
        break;
    }
    return line;
}

// Throws from the reader's own position, so that the line is named.
[[noreturn]] void refuse(const srecord::input& in, const std::string& what) {
    throw srecord_throwing_quit::fault{in.filename_and_line() + ": " + what};
}

void take(const srecord::input& in, const srecord::record& record, sparse_image& image) {
    if (record.get_type() != srecord::record::type_data) return;
    std::uint64_t start = record.get_address();
    std::uint64_t end = start + record.get_length();
    if (end > image.size()) {
        std::uint64_t first_outside = start > image.size() ? start : image.size();
        refuse(in, "data at " + address_text(static_cast<std::uint32_t>(first_outside), image.size()) + " to " +
                       address_text(static_cast<std::uint32_t>(end - 1), image.size()) +
                       " lies beyond the chip's last address " + address_text(image.size() - 1, image.size()));
    }
    for (std::uint64_t a = start; a < end; ++a) {
        auto address = static_cast<std::uint32_t>(a);
        auto value = static_cast<std::uint8_t>(record.get_data(static_cast<std::size_t>(a - start)));
        if (image.covered[address] && image.bytes[address] != value)
            refuse(in, "address " + address_text(address, image.size()) + " is given two different bytes");
        image.set(address, value);
    }
}

enum class attempt { not_this_format, read, first_record_fault, later_fault };

// Tries one reader on the file: whether it takes the first record, and if so
// every record after it.
attempt try_reader(const reader& r, const std::string& path, sparse_image& image, std::string& fault_text) {
    srecord_throwing_quit quitter;
    input_file::pointer in = r.create(path);
    in->set_quit(quitter);
    srecord::record record;
    try {
        if (!in->read(record)) return attempt::not_this_format;
    } catch (const srecord_throwing_quit::fault& f) {
        fault_text = f.text;
        return attempt::first_record_fault;
    }
    try {
        do take(*in, record, image);
        while (in->read(record));
        return attempt::read;
    } catch (const srecord_throwing_quit::fault& f) {
        fault_text = f.text;
        return attempt::later_fault;
    }
}

// Keeps the source bytes, for the log's digest of what was read.
loaded_file refusal(loaded_file& result, std::string error) {
    result.error = std::move(error);
    result.image = sparse_image();
    return std::move(result);
}

}  // namespace

loaded_file load_file(const std::string& name, std::uint32_t chip_size) {
    loaded_file result;
    result.image = sparse_image(chip_size);
    std::string shown = name == "-" ? "standard input" : printable_name(name);
    unique_fd file;
    int fd = 0;
    if (name != "-") {
        file.reset(open(name.c_str(), O_RDONLY | O_CLOEXEC));
        if (!file) return refusal(result, system_failure("Cannot read " + shown, errno));
        fd = file.get();
    }
    result.error = read_bounded(fd, shown, result.source);
    if (!result.error.empty()) {
        result.source.clear();
        return result;
    }
    result.read_whole = true;

    // The readers open files by name. A regular file is read again through
    // its open descriptor, so the bytes are the ones just read whatever
    // happens to the name; a pipe or device is read once, and its bytes are
    // handed on in memory.
    struct stat info {};
    std::optional<memory_file> copy;
    std::string path = "/proc/self/fd/" + std::to_string(fd);
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        copy.emplace();
        std::string problem = copy->valid() ? copy->assign(result.source) : copy->error();
        if (!problem.empty()) return refusal(result, "Cannot read " + shown + ": " + problem);
        path = copy->path();
    }

    // A file of the chip's size is a raw image unless a format with
    // checksums reads it, or has read its first record: -r's raw files,
    // whatever the chip holds, must load as they were read.
    const bool chip_sized = result.source.size() == chip_size;
    const first_line start = first_line_of(result.source);
    std::string first_fault;     // of a format without checksums, after a record read
    std::string start_fault;     // in the first record of a checksummed format the file begins like
    bool start_fault_is_checksum = false;
    for (const reader& r : READERS) {
        sparse_image image(chip_size);
        std::string fault;
        attempt outcome = try_reader(r, path, image, fault);
        if (outcome == attempt::not_this_format) continue;
        if (outcome == attempt::read) {
            if (chip_sized && !r.checksummed) continue;
            if (image.covered_count() == 0) return refusal(result, shown + " holds no data for the chip");
            result.image = std::move(image);
            result.format = r.create(path)->get_file_format_name();
            return result;
        }
        const fault_place place = place_of(fault, path);
        const bool led = r.lead != 0 && start.lead == r.lead;
        if (!r.checksummed) {
            if (outcome == attempt::later_fault && first_fault.empty()) first_fault = located(place, shown);
            continue;
        }
        // A record handed over, or a first line of its kind that read without
        // a fault (an extended-address record hands nothing over), makes the
        // file this format's, and any later fault its error.
        if (outcome == attempt::later_fault || (led && place.line > start.number))
            return refusal(result, located(place, shown));
        // A record whose only fault is its checksum is surely of this format.
        const bool checksum = place.what.find("checksum") != std::string::npos;
        if (led && std::isxdigit(static_cast<unsigned char>(start.next)) &&
            (start_fault.empty() || (checksum && !start_fault_is_checksum))) {
            start_fault = located(place, shown);
            start_fault_is_checksum = checksum;
        }
    }
    if (chip_sized) {
        for (std::uint32_t a = 0; a < chip_size; ++a) result.image.set(a, result.source[a]);
        result.format = "raw";
        return result;
    }
    if (!start_fault.empty()) return refusal(result, start_fault);
    if (!first_fault.empty()) return refusal(result, first_fault);
    return refusal(result, shown + " holds " + std::to_string(result.source.size()) +
                               " bytes and is no load file libsrecord knows; a raw image is exactly " +
                               std::to_string(chip_size) + " bytes");
}
