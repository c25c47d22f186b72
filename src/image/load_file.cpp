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
};

// libsrecord's own guessing order, text formats only: a binary format such as
// MsBin takes an all-zero raw image for one of its own.
const reader READERS[] = {
    {srecord::input_file_ascii_hex::create, false},
    {srecord::input_file_atmel_generic::create_be, false},
    {srecord::input_file_brecord::create, false},
    {srecord::input_file_cosmac::create, false},
    {srecord::input_file_emon52::create, true},
    {srecord::input_file_fairchild::create, true},
    {srecord::input_file_fastload::create, true},
    {srecord::input_file_four_packed_code::create, true},
    {srecord::input_file_intel::create, true},
    {srecord::input_file_logisim::create, false},
    {srecord::input_file_mif::create, false},
    {srecord::input_file_mos_tech::create, true},
    {srecord::input_file_motorola::create, true},
    {srecord::input_file_needham::create, false},
    {srecord::input_file_os65v::create, false},
    {srecord::input_file_signetics::create, true},
    {srecord::input_file_spasm::create_be, false},
    {srecord::input_file_tektronix::create, true},
    {srecord::input_file_tektronix_extended::create, true},
    {srecord::input_file_ti_tagged::create, true},
    {srecord::input_file_ti_txt::create, false},
    {srecord::input_file_vmem::create, false},
};

std::string system_failure(const std::string& what, int error) { return what + ": " + std::strerror(error); }

// At most LOAD_FILE_LIMIT + 1 bytes, so that an endless input is caught.
std::string read_bounded(int fd, const std::string& shown, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    std::uint8_t chunk[65536];
    while (bytes.size() <= LOAD_FILE_LIMIT) {
        ssize_t got = read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return system_failure("Cannot read " + shown, errno);
        if (got == 0) return {};
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    return shown + " is larger than " + std::to_string(LOAD_FILE_LIMIT >> 20) + " MiB, which no 24Cxx image is";
}

// libsrecord says "PATH: 12: what"; the user named the file otherwise and
// reads "FILE: line 12: what".
std::string located(const std::string& library_text, const std::string& path, const std::string& shown) {
    std::string rest = library_text;
    if (rest.starts_with(path + ": ")) rest.erase(0, path.size() + 2);
    std::size_t digits = 0;
    while (digits < rest.size() && std::isdigit(static_cast<unsigned char>(rest[digits]))) ++digits;
    if (digits > 0 && rest.compare(digits, 2, ": ") == 0) rest = "line " + rest;
    return shown + ": " + rest;
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

enum class attempt { not_this_format, read, fault };

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
        // A record whose only fault is its checksum is of this format.
        if (!r.checksummed || f.text.find("checksum") == std::string::npos) return attempt::not_this_format;
        fault_text = f.text;
        return attempt::fault;
    }
    try {
        do take(*in, record, image);
        while (in->read(record));
        return attempt::read;
    } catch (const srecord_throwing_quit::fault& f) {
        fault_text = f.text;
        return attempt::fault;
    }
}

loaded_file refusal(std::string error) {
    loaded_file refused;
    refused.error = std::move(error);
    return refused;
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
        if (!file) return refusal(system_failure("Cannot read " + shown, errno));
        fd = file.get();
    }
    result.error = read_bounded(fd, shown, result.source);
    if (!result.error.empty()) return result;

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
        if (!problem.empty()) return refusal("Cannot read " + shown + ": " + problem);
        path = copy->path();
    }

    std::string first_fault;
    for (const reader& r : READERS) {
        sparse_image image(chip_size);
        std::string fault;
        attempt outcome = try_reader(r, path, image, fault);
        if (outcome == attempt::not_this_format) continue;
        if (outcome == attempt::fault) {
            if (r.checksummed) return refusal(located(fault, path, shown));
            if (first_fault.empty()) first_fault = located(fault, path, shown);
            continue;
        }
        if (image.covered_count() == 0) return refusal(shown + " holds no data for the chip");
        result.image = std::move(image);
        result.format = r.create(path)->get_file_format_name();
        return result;
    }
    if (result.source.size() == chip_size) {
        for (std::uint32_t a = 0; a < chip_size; ++a) result.image.set(a, result.source[a]);
        result.format = "raw";
        return result;
    }
    if (!first_fault.empty()) return refusal(first_fault);
    return refusal(shown + " holds " + std::to_string(result.source.size()) +
                     " bytes and is no load file libsrecord knows; a raw image is exactly " +
                     std::to_string(chip_size) + " bytes");
}
