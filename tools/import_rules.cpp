#include "import_rules.h"

#include <algorithm>
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

// One line of Windows: its releases oldest first, "-" (never) last, and the oldest release the
// programs must start on.
struct Line {
    std::vector<std::string> releases;
    std::string oldest, oldest_text, never_text;
};
const Line kConsumerLine = {
    {"95", "98", "ME", "-"}, "95", "95", "missing from Windows 95, 98 and ME"};
const Line kNtLine = {
    {"NT3.1", "NT3.5", "NT3.51", "NT4", "2000", "XP", "Vista", "7", "8", "10", "-"},
    "NT4",
    "NT 4",
    "missing from every Windows NT"};

// The release's place in the line; past the end for a name the line does not have.
size_t rank(const Line& line, const std::string& release) {
    return size_t(std::find(line.releases.begin(), line.releases.end(), release) -
                  line.releases.begin());
}

// Why a function that first came with this release keeps a program from starting on the line's
// oldest release; empty when it does not.
std::string too_new(const Line& line, const std::string& release) {
    if (rank(line, release) <= rank(line, line.oldest)) return "";
    if (release == "-") return line.never_text;
    return "needs Windows " + release + " (missing from " + line.oldest_text + ")";
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
        if (rank(kConsumerLine, consumer) == kConsumerLine.releases.size())
            return fail("unknown release " + consumer + " (95, 98, ME, -)");
        if (rank(kNtLine, nt) == kNtLine.releases.size())
            return fail("unknown release " + nt + " (NT3.1 ... 10, -)");
        if (!list.emplace(std::make_pair(upper(library), function), OldestWindows{consumer, nt})
                 .second)
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
        auto found = list.find({library, import.function});
        if (found == list.end()) {
            problems.push_back(what + "not on the allow-list");
            continue;
        }
        for (const std::string& problem :
             {too_new(kConsumerLine, found->second.consumer), too_new(kNtLine, found->second.nt)})
            if (!problem.empty()) problems.push_back(what + problem);
    }
    return problems;
}
