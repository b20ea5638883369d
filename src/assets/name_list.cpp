// name_list.cpp - TF_list, the fixed list of names, and the file-name helpers (assets.h).
#include "assets/assets.h"

#include <algorithm>

#include "platform/platform.h"

void FList_Clear(TF_list &list) {
    for (auto &n : list.names) n.clear();
    list.count = 0;
}

bool FList_Add(TF_list &list, const std::string &name) {
    if (list.count < 0) list.count = 0;
    if (list.count >= kNameListCapacity) {
        platform::warn_once("FList_Add", "a name list is full (" +
                            std::to_string(kNameListCapacity) + " names); further names are ignored");
        return false;
    }
    list.names[static_cast<std::size_t>(list.count)] = name;
    ++list.count;
    return true;
}

void FList_Rotate(TF_list &list, int32_t direction) {
    if (list.count <= 0) return;
    const auto first = list.names.begin(), last = list.names.begin() + list.count;
    if (direction == -1) std::rotate(first, first + 1, last);
    else if (direction == 1) std::rotate(first, last - 1, last);
}

TF_list FList_FindFiles(const std::string &pattern) {
    TF_list list;
    std::vector<std::string> found = platform::find_files(pattern);
    if (found.empty()) {
        FList_Add(list, "");
        return list;
    }
    if (found.size() > static_cast<std::size_t>(kNameListCapacity))
        platform::warn_once("FList_FindFiles:" + pattern,
                            pattern + ": more than " + std::to_string(kNameListCapacity) +
                            " files; only the first " + std::to_string(kNameListCapacity) + " are used");
    for (const auto &name : found) {
        if (list.count >= kNameListCapacity) break;
        list.names[static_cast<std::size_t>(list.count++)] = name;
    }
    return list;
}

std::string FileStem(const std::string &name) {
    const std::size_t sep = name.find_last_of("\\/:");
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || (sep != std::string::npos && dot < sep)) return name;
    return name.substr(0, dot);
}

bool NameHasBadChars(const std::string &name) {
    return name.find_first_of("/\\:*?\"|<>") != std::string::npos;
}
