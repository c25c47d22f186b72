// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/load_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cctype>
#include <cstring>
#include <cstdlib>
#include <optional>
#include <span>
#include <utility>

#include <srecord/record.h>

#include "util/interruption.h"
#include "text/address_text.h"
#include "image/file_format.h"
#include "image/srecord_support.h"
#include "text/printable_name.h"
#include "util/memory_file.h"
#include "util/unique_fd.h"

namespace eeprom24c01 {

namespace {

std::string system_failure(const std::string& what, int error) { return what + ": " + std::strerror(error); }

// The sentence as the one line a refusal is.
std::string line_of_sentence(std::string sentence) { return sentence + ".\n"; }

// At most LOAD_FILE_LIMIT + 1 bytes, so that an endless input is caught.
// "" or why not, as a sentence.
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

// The line a reader is on, from its "PATH: N".
long line_of(const srecord::input& in, const std::string& path) {
    const std::string place = in.filename_and_line();
    return place.starts_with(path + ": ") ? std::atol(place.c_str() + path.size() + 2) : 0;
}

// "" or why the chip cannot take the record, "PATH: N: what", from the
// reader's own position, so that the line is named.
std::string take(const srecord::input& in, const srecord::record& record, sparse_image& image) {
    if (record.get_type() != srecord::record::type_data) return {};
    std::uint64_t start = record.get_address();
    std::uint64_t end = start + record.get_length();
    const std::string place = in.filename_and_line() + ": ";
    if (end > image.size()) {
        std::uint64_t first_outside = start > image.size() ? start : image.size();
        return place + "data at " + address_text(static_cast<std::uint32_t>(first_outside), image.size()) + " to " +
               address_text(static_cast<std::uint32_t>(end - 1), image.size()) + " lies beyond the chip's last address " +
               address_text(image.size() - 1, image.size());
    }
    for (std::uint64_t a = start; a < end; ++a) {
        auto address = static_cast<std::uint32_t>(a);
        auto value = static_cast<std::uint8_t>(record.get_data(static_cast<std::size_t>(a - start)));
        if (image.covered[address] && image.bytes[address] != value)
            return place + "address " + address_text(address, image.size()) + " is given two different bytes";
        image.set(address, value);
    }
    return {};
}

// What one format's reader made of a file.
struct reading {
    sparse_image image;
    std::string fault;          // "" or the first, "PATH: N: what": the reader's, or data the chip cannot take
    bool format_fault = false;  // the reader failed: the file is not, or not a good, file of the format
    std::size_t data_records = 0;
    long last_line = 0;         // the line the last record handed over ended on
    bool end_handed = false;    // that record was the end record: nothing but white space may follow it
    std::string skipped;        // "" or the reader's warning that it passed over lines none of its format's
};

// Reads the file as the format does, to the end: past data the chip cannot
// take too, for whether the format reads the whole file.
reading read_as(const file_format& format, const std::string& path, std::uint32_t chip_size) {
    reading result;
    result.image = sparse_image(chip_size);
    srecord_throwing_quit quitter;
    srecord::input_file::pointer in = format.reader(path);
    in->set_quit(quitter);
    srecord::record record;
    try {
        while (in->read(record)) {
            result.last_line = line_of(*in, path);
            if (record.get_type() == srecord::record::type_data) ++result.data_records;
            if (result.fault.empty()) result.fault = take(*in, record, result.image);
            // Past it the reader would take a second file joined on as more of this one.
            result.end_handed = format.start_record_ends && record.get_type() == srecord::record::type_execution_start_address;
            if (result.end_handed) break;
        }
    } catch (const srecord_throwing_quit::fault& f) {
        if (result.fault.empty()) result.fault = f.text;
        result.format_fault = true;
    }
    result.skipped = quitter.skipped_lines();
    return result;
}

// The first line the reader skipped as none of its records, 0 when none.
long skipped_line(const reading& r, const std::string& path) {
    return r.skipped.empty() ? 0 : std::max(1L, place_of(r.skipped, path).line);
}

// Whether source holds nothing but white space from line on (1: the first).
bool blank_from(std::span<const std::uint8_t> source, long line) {
    std::size_t at = 0;
    for (long l = 1; l < line && at < source.size(); ++at)
        if (source[at] == '\n') ++l;
    return std::all_of(source.begin() + static_cast<std::ptrdiff_t>(at), source.end(),
                       [](std::uint8_t c) { return std::isspace(c); });
}

// The first line of the file the reader did not read, 0 when it read them
// all: one it skipped as none of its records (the readers that skip any say
// so; white space to the end is no record lost), or text after the end
// record. The readers take their end records each its own way: Intel HEX
// and Tektronix stop there, MOS Technology and Four Packed Code read on to
// the end of the file without looking, and these may follow the last record
// handed over by one line, the end record; S-records and Tektronix hand it
// over, and are stopped there (end_handed), so no line may follow it. One
// rule for all: after the end record only white space.
long unread_line(const reading& r, const std::string& path, std::span<const std::uint8_t> source) {
    if (long skipped = skipped_line(r, path); skipped > 0 && !blank_from(source, skipped)) return skipped;
    std::size_t at = 0;
    long line = 1;
    for (; line <= r.last_line && at < source.size(); ++at)
        if (source[at] == '\n') ++line;
    int lines_with_text = r.end_handed ? 1 : 0;
    for (bool text = false; at < source.size(); ++at) {
        if (source[at] == '\n') {
            lines_with_text += std::exchange(text, false);
            ++line;
        } else if (!std::isspace(source[at]) && !std::exchange(text, true) && lines_with_text == 1) {
            return line;
        }
    }
    return 0;
}

// Whether the reader read the whole file as records of its format.
bool reads_whole(const reading& r, const std::string& path, std::span<const std::uint8_t> source) {
    return !r.format_fault && r.data_records > 0 && unread_line(r, path, source) == 0;
}

// Keeps the source bytes, for the log's digest of what was read.
loaded_file refusal(loaded_file& result, std::string sentence) {
    result.error = line_of_sentence(std::move(sentence));
    result.image = sparse_image();
    return std::move(result);
}

loaded_file accepted(loaded_file& result, sparse_image image, const file_format& format) {
    result.image = std::move(image);
    result.format = format.name;
    return std::move(result);
}

}  // namespace

loaded_file load_file(const std::string& name, std::uint32_t chip_size, const file_format* named) {
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
    if (std::string problem = read_bounded(fd, shown, result.source); !problem.empty()) {
        result.error = line_of_sentence(problem);
        result.source.clear();
        return result;
    }
    result.read_whole = true;

    // The readers open files by name: they get the bytes just read, in
    // memory, so that what is checked, written and logged is one image
    // whatever happens to the file meanwhile. A raw image needs no reader.
    const file_format* format = named ? named : format_of_name(name == "-" ? "" : name);
    std::optional<memory_file> copy;
    std::string path;
    if (!format || format->reader) {
        copy.emplace();
        if (int error = copy->error() ? copy->error() : copy->assign(result.source))
            return refusal(result, system_failure("Cannot read " + shown, error));
        path = copy->path();
    }
    if (format && format->reader) {
        reading r = read_as(*format, path, chip_size);
        if (!r.fault.empty()) return refusal(result, located(place_of(r.fault, path), shown));
        if (r.image.covered_count() == 0) return refusal(result, shown + " holds no data for the chip");
        // A format with checksums is read whole or not at all: a line it
        // would pass over may be a record that lost a character.
        if (long line = format->checksums ? unread_line(r, path, result.source) : 0)
            return refusal(result, shown + ": line " + std::to_string(line) + ": " +
                                       (line != skipped_line(r, path) ? "text after the end record"
                                                                      : "no " + std::string(format->name) + " record") +
                                       ", which " + std::string(format->name) + " files may not hold");
        return accepted(result, std::move(r.image), *format);
    }
    // Otherwise the content is told only by formats with checksums, and only
    // by one that reads it whole: raw bytes, whatever the chip held, begin
    // like some format's record now and then.
    if (!format)
        for (const file_format& f : file_formats()) {
            if (!f.checksums) continue;
            reading r = read_as(f, path, chip_size);
            if (!reads_whole(r, path, result.source)) continue;
            if (!r.fault.empty()) return refusal(result, located(place_of(r.fault, path), shown));
            return accepted(result, std::move(r.image), f);
        }
    const std::string size = std::to_string(chip_size);
    if (result.source.size() != chip_size && format)
        return refusal(result, shown + " holds " + std::to_string(result.source.size()) +
                                   " bytes; a raw image is exactly " + size + " bytes");
    if (result.source.size() != chip_size)
        return refusal(result, shown + " is no load file with checksums and no " + size +
                                   "-byte raw image: name its format with --format (--format list shows them)");
    for (std::uint32_t a = 0; a < chip_size; ++a) result.image.set(a, result.source[a]);
    result.format = "raw";
    return result;
}

}  // namespace eeprom24c01
