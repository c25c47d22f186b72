// SPDX-License-Identifier: GPL-3.0-or-later
#include "transport/group_advice.h"

#include <grp.h>
#include <sys/stat.h>

std::string join_group_advice(const std::string& device, const char* usual_group) {
    std::string group = usual_group;
    struct stat info {};
    if (stat(device.c_str(), &info) == 0) {
        // Membership of root would hand out far more than this device.
        if (info.st_gid == 0)
            return "It belongs to root alone: give it a group of its own with a udev rule, or ask your administrator.";
        if (const struct group* owner = getgrgid(info.st_gid)) group = owner->gr_name;
    }
    return "Join its group " + group + " (sudo adduser $USER " + group + "), then log out and in again.";
}
