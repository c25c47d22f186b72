// SPDX-License-Identifier: GPL-3.0-or-later
// Whether a chip took a write cycle after each write of an action: the
// first answer after a write comes at once from a chip that took none, as
// from one whose write-protect pin is held high.
#pragma once

namespace eeprom24c01 {

class write_cycles {
public:
    // A write was sent; the next answer tells whether its cycle ran.
    void written() {
        ++writes_;
        pending_ = true;
    }
    // The chip answered after tries attempts (0: it never did).
    void answered(unsigned tries) {
        if (pending_ && tries > 0) at_once_ += tries == 1;
        pending_ = false;
    }
    // Every write of the action was answered at once; false without writes.
    bool none_taken() const { return writes_ > 0 && at_once_ == writes_; }

private:
    int writes_ = 0;
    int at_once_ = 0;
    bool pending_ = false;
};

}  // namespace eeprom24c01
