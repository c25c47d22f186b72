// The menu's device actions, options 1, 5, 6 and 7: each runs one device
// action and prints the menu's texts for what came of it.
#pragma once

void write_eeprom();
void read_eeprom_to_buffer();
void verify_eeprom();
void program_default_values();
