// kvimports: the import guard of the shipped programs.
//   kvimports list FILE...              every imported function, one "FILE LIBRARY FUNCTION" a line
//   kvimports check ALLOW-LIST FILE...  every import that Windows 95 or NT 4 would refuse; exit 1
//                                       when there is one
#include <cstdio>
#include <string>
#include <vector>
#include "file_bytes.h"
#include "import_rules.h"
#include "pe_imports.h"

namespace {

bool read_header(const std::string& path, PeHeader& header) {
    std::vector<uint8_t> bytes;
    std::string err;
    if (!read_file(path, bytes, err) || !read_pe_header(bytes, header, err)) {
        std::printf("kvimports: %s: %s\n", path.c_str(), err.c_str());
        return false;
    }
    return true;
}

int list(int count, char** files) {
    int status = 0;
    for (int i = 0; i < count; ++i) {
        PeHeader header;
        if (!read_header(files[i], header)) {
            status = 1;
            continue;
        }
        for (const PeImport& import : header.imports)
            std::printf("%s %s %s\n", base_name(files[i]).c_str(), import.library.c_str(),
                        import.function.c_str());
    }
    return status;
}

int check(const char* list_path, int count, char** files) {
    std::vector<uint8_t> bytes;
    std::string err;
    AllowList allowed;
    if (!read_file(list_path, bytes, err) ||
        !parse_allow_list(std::string(bytes.begin(), bytes.end()), allowed, err)) {
        std::printf("kvimports: %s: %s\n", list_path, err.c_str());
        return 1;
    }
    int problems = 0;
    for (int i = 0; i < count; ++i) {
        PeHeader header;
        if (!read_header(files[i], header)) {
            ++problems;
            continue;
        }
        std::vector<std::string> found = import_problems(allowed, header);
        for (const std::string& problem : found)
            std::printf("%s: %s\n", base_name(files[i]).c_str(), problem.c_str());
        if (found.empty())
            std::printf("%s: %zu imports, all on the allow-list and in Windows 95 and NT 4\n",
                        base_name(files[i]).c_str(), header.imports.size());
        problems += int(found.size());
    }
    return problems ? 1 : 0;
}

} // namespace

int main(int argc, char** argv) {
    std::string command = argc > 1 ? argv[1] : "";
    if (command == "list" && argc > 2) return list(argc - 2, argv + 2);
    if (command == "check" && argc > 3) return check(argv[2], argc - 3, argv + 3);
    std::printf("usage: kvimports list FILE...\n"
                "       kvimports check ALLOW-LIST FILE...\n");
    return 2;
}
