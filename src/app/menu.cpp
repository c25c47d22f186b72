// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/menu.h"

#include <sys/stat.h>

#include <cstdio>

#include "app/menu_actions.h"
#include "console/console_input.h"
#include "console/editor.h"
#include "image/image.h"
#include "console/file_dialogue.h"
#include "image/image_files.h"

namespace eeprom24c01 {

namespace {

const char BANNER[] =
    "                       QUELOR COMMUNICATIONS\n"
    "                       7 Harbour Lane, Porthbrook\n"
    "                       TEL: 01632 960418\n"
    "                         P. Ansel 6/2000 V1.0\n\n\n"
    "                       24C01 EEPROM PROGRAMMER\n\n"
    "Connect a DB25 cable from parallel printer port to ZQ7031A demo board.\n"
    "Set printer port to NORMAL mode.\n\n\n"
    "Push ENTER to continue.\n";

const char MENU[] =
    "\n"
    "\nEnter Option:\n"
    "1. Write EEPROM\n"
    "2. Change buffer data\n"
    "3. Save buffer to file (Enter file name)\n"
    "4. Read custom file\n"
    "5. Read EEPROM to buffer \n"
    "6. Verify EEPROM\n"
    "7. Program default values\n"
    "8. Exit\n";

struct console_state {
    menu_session session;
    std::string chip_file;  // the simulated chip's, kept from option 3
};

// False when standard input ended inside the option's dialogue.
using menu_action = bool (*)(console_state&);

// Options 1 to 7, in menu order.
constexpr menu_action MENU_ACTIONS[] = {
    [](console_state& s) { return write_eeprom(s.session), true; },
    [](console_state& s) { return change_buffer_data(s.session.image); },
    [](console_state& s) { return save_buffer_to_file(s.session.image, s.chip_file); },
    [](console_state& s) { return read_custom_file(s.session.image); },
    [](console_state& s) { return read_eeprom_to_buffer(s.session), true; },
    [](console_state& s) { return verify_eeprom(s.session), true; },
    [](console_state& s) { return program_default_values(s.session), true; },
};
constexpr int ACTION_COUNT = sizeof MENU_ACTIONS / sizeof MENU_ACTIONS[0];

// Fills the image from the default file while printing it slot by slot;
// slots past the end of a short file (or a failed read) hold 0xFF.
void load_default_image(std::FILE* file, std::vector<std::uint8_t>& image) {
    std::fputs("Contents of default data:\n", stdout);
    std::fputs(DUMP_HEADER, stdout);
    for (std::size_t i = 0; i < image.size(); ++i) {
        int c = std::fgetc(file);
        image[i] = c == EOF ? 0xFF : static_cast<std::uint8_t>(c);
        print_dump_entry(static_cast<int>(i), image[i], dump_index::hexadecimal);
    }
}

}  // namespace

default_image_file open_default_image() {
    default_image_file file(std::fopen(DEFAULT_IMAGE_FILE, "rb"));
    struct stat info {};
    // A folder opens but reads nothing: it is no more a default image than
    // a missing file.
    if (file && (fstat(fileno(file.get()), &info) != 0 || S_ISDIR(info.st_mode))) file.reset();
    if (!file) std::fputs("file open failed. \n", stdout);
    return file;
}

int run_console(eeprom_device& device, default_image_file default_image, const std::string& chip_file) {
    console_state state{menu_session(device), chip_file};
    std::fputs(BANNER, stdout);
    read_raw_char();  // the wait for ENTER; end of input goes on the same way
    load_default_image(default_image.get(), state.session.image);
    default_image.reset();

    // Every way out but a signal: 0, or 1 after a write the chip did not keep.
    const auto finished = [&state] { return state.session.write_not_kept ? 1 : 0; };
    for (;;) {
        std::fputs(MENU, stdout);
        int option = 0;
        switch (read_decimal(option)) {
            case input_result::end:
                return finished();
            case input_result::not_a_number:
                discard_line();
                continue;
            case input_result::ok:
                break;
        }
        if (option < 1 || option > ACTION_COUNT) return finished();  // 8 and anything out of range
        if (!MENU_ACTIONS[option - 1](state)) return finished();
        if (state.session.ending) return *state.session.ending;
    }
}

}  // namespace eeprom24c01
