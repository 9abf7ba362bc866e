#include "import_rules.h"

#include <cctype>
#include <set>
#include <sstream>

namespace {

// The libraries that every Windows from 95 and NT 4 on keeps in its system folder and never
// takes from the program's folder. Any other library named in the import table can be planted
// beside the program.
const std::set<std::string> kKnownLibraries = {
    "KERNEL32.DLL", "USER32.DLL",   "GDI32.DLL",  "ADVAPI32.DLL", "SHELL32.DLL",
    "OLE32.DLL",    "OLEAUT32.DLL", "MSVCRT.DLL", "COMDLG32.DLL", "SHLWAPI.DLL"};

struct Release {
    const char* name;
    int rank;
};
const Release kConsumerReleases[] = {{"95", 1}, {"98", 2}, {"ME", 3}, {"-", kAbsent}};
const Release kNtReleases[] = {{"NT3.1", 1}, {"NT3.5", 2}, {"NT3.51", 3}, {"NT4", 4},
                               {"2000", 5},  {"XP", 6},    {"Vista", 7},  {"7", 8},
                               {"8", 9},     {"10", 10},   {"-", kAbsent}};
// The oldest the programs must start on.
constexpr int kOldestConsumer = 1; // Windows 95
constexpr int kOldestNt = 4;       // Windows NT 4

template <size_t N> int rank_of(const Release (&releases)[N], const std::string& name) {
    for (const Release& r : releases)
        if (name == r.name) return r.rank;
    return 0;
}

std::string upper(std::string text) {
    for (char& c : text)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

bool parse_allow_list(const std::string& text, AllowList& list, std::string& err) {
    list.clear();
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        std::istringstream words(line);
        std::string library, function, consumer, nt, extra;
        if (!(words >> library) || library[0] == '#') continue;
        auto fail = [&](const std::string& why) {
            err = "line " + std::to_string(number) + ": " + why;
            return false;
        };
        if (!(words >> function >> consumer >> nt))
            return fail("expected LIBRARY FUNCTION OLDEST-95-LINE OLDEST-NT-LINE");
        if (words >> extra && extra[0] != '#') return fail("more than four words");
        OldestWindows oldest{rank_of(kConsumerReleases, consumer), rank_of(kNtReleases, nt),
                             consumer, nt};
        if (oldest.consumer == 0) return fail("unknown release " + consumer + " (95, 98, ME, -)");
        if (oldest.nt == 0) return fail("unknown release " + nt + " (NT3.1 ... 10, -)");
        if (!list[upper(library)].emplace(function, oldest).second)
            return fail(function + " listed twice");
    }
    return true;
}

std::vector<std::string> import_problems(const AllowList& list, const PeHeader& header) {
    std::vector<std::string> problems;
    // Windows 95 and NT 4 refuse a program that asks for a newer system.
    if (header.os_major != 4 || header.os_minor != 0 || header.subsystem_major != 4 ||
        header.subsystem_minor != 0)
        problems.push_back("header asks for Windows " + std::to_string(header.os_major) + "." +
                           std::to_string(header.os_minor) + ", subsystem " +
                           std::to_string(header.subsystem_major) + "." +
                           std::to_string(header.subsystem_minor) + " (must be 4.0 and 4.0)");
    if (header.has_delay_imports)
        problems.push_back("delay-loaded imports (the guard cannot vouch for them)");
    std::set<std::string> reported_libraries;
    for (const PeImport& import : header.imports) {
        const std::string library = upper(import.library);
        const std::string what = import.library + " " + import.function + ": ";
        if (!kKnownLibraries.count(library)) {
            if (reported_libraries.insert(library).second)
                problems.push_back(import.library +
                                   ": not a library the system loads only from its own folder; "
                                   "load it at run time by full path");
            continue;
        }
        auto functions = list.find(library);
        auto found = functions == list.end()
                         ? std::map<std::string, OldestWindows>::const_iterator()
                         : functions->second.find(import.function);
        if (functions == list.end() || found == functions->second.end()) {
            problems.push_back(what + "not on the allow-list");
            continue;
        }
        const OldestWindows& oldest = found->second;
        if (oldest.consumer > kOldestConsumer)
            problems.push_back(
                what + (oldest.consumer == kAbsent
                            ? std::string("missing from Windows 95, 98 and ME")
                            : "needs Windows " + oldest.consumer_name + " (missing from 95)"));
        if (oldest.nt > kOldestNt)
            problems.push_back(what +
                               (oldest.nt == kAbsent
                                    ? std::string("missing from every Windows NT")
                                    : "needs Windows " + oldest.nt_name + " (missing from NT 4)"));
    }
    return problems;
}
