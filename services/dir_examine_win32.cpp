// Folder examination: numbered listings with one current examination, whose first entry is held
// back until the first dir_next_entry.
#include <windows.h>
#include <vector>
#include "services/dir_examine.h"
#include "services/file_services.h"
#include "services/path_rules.h"

namespace {

struct Examination {
    HANDLE find = INVALID_HANDLE_VALUE;
    bool first_delivered = false;
    WIN32_FIND_DATAA entry;
};

constexpr int kMaxExaminationNumber = 1024;
std::vector<Examination> examinations;
int current_number = -1;
std::string current_name;

void end_search(Examination& examination) {
    if (examination.find != INVALID_HANDLE_VALUE) FindClose(examination.find);
    examination.find = INVALID_HANDLE_VALUE;
}

} // namespace

int dir_examine(int number, const std::string& path, const std::string& pattern) {
    if (number < 0 || number > kMaxExaminationNumber) return 0;
    if (size_t(number) >= examinations.size()) examinations.resize(size_t(number) + 1);
    Examination& examination = examinations[size_t(number)];
    end_search(examination);
    current_number = number;
    current_name.clear();
    enter_installer_folder();
    std::string search = search_text(path, pattern);
    if (!within_path_limit(search)) return 0;
    examination.first_delivered = false;
    examination.find = FindFirstFileA(search.c_str(), &examination.entry);
    return examination.find != INVALID_HANDLE_VALUE ? 1 : 0;
}

int dir_next_entry() {
    if (current_number < 0 || size_t(current_number) >= examinations.size()) return 0;
    Examination& examination = examinations[size_t(current_number)];
    if (examination.find == INVALID_HANDLE_VALUE) return 0;
    if (examination.first_delivered && !FindNextFileA(examination.find, &examination.entry)) {
        end_search(examination);
        current_name.clear();
        return 0;
    }
    examination.first_delivered = true;
    current_name = examination.entry.cFileName;
    return (examination.entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? kEntryFolder
                                                                           : kEntryFile;
}

std::string dir_entry_name() {
    return current_name;
}

void dir_examine_shutdown() {
    for (Examination& examination : examinations)
        end_search(examination);
    examinations.clear();
    current_number = -1;
    current_name.clear();
}

bool folder_exists(const std::string& path) {
    return dir_examine(0, path, "*.*") != 0;
}
