// SPDX-License-Identifier: GPL-3.0-or-later
#include "transport/group_advice.h"

#include <grp.h>
#include <sys/stat.h>

std::string join_group_advice(const std::string& device, const char* usual_group) {
    std::string group = usual_group;
    struct stat info {};
    if (stat(device.c_str(), &info) == 0)
        if (const struct group* owner = getgrgid(info.st_gid)) group = owner->gr_name;
    return "Join its group " + group + " (sudo adduser $USER " + group + "), then log out and in again.";
}
