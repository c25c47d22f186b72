// SPDX-License-Identifier: GPL-3.0-or-later
// What the tool needs of libsrecord beyond its installed headers.
#pragma once

#include <cstdarg>
#include <string>

#include <srecord/input/file.h>
#include <srecord/output.h>
#include <srecord/quit.h>

namespace srecord {
// Debian's libsrecord-dev leaves out the headers of the Motorola S-record
// reader and writer, though the library holds both; these are their factories
// as the library defines them.
class input_file_motorola {
public:
    static input_file::pointer create(const std::string& file_name);
};
class output_file_motorola {
public:
    static output::pointer create(const std::string& file_name);
};
}  // namespace srecord

namespace eeprom24c01 {

// libsrecord reports a fault in a file through a quit object whose exit()
// must not return; the default one ends the process. This one throws the
// fault's text instead, so that a bad file ends the load and not the tool.
// Warnings are kept only until the next message; one that says the reader
// skipped lines as none of its format's is noted.
class srecord_throwing_quit : public srecord::quit {
public:
    struct fault {
        std::string text;  // "FILE: LINE: what is wrong", as the library words it
    };
    void message_v(const char* format, va_list args) override;
    [[noreturn]] void exit(int status) override;
    // The first warning that the reader skipped lines, "FILE: LINE: ...", or "".
    const std::string& skipped_lines() const { return skipped_; }

private:
    std::string last_;
    std::string skipped_;
};

}  // namespace eeprom24c01
