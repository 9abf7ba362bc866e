#include "core/startup.h"
#include "log/log_lines.h"
#include "services/text_rules.h"

RecordedVersion compare_recorded_version(bool value_read, const std::string& recorded_text,
                                         int32_t own_number) {
    if (!value_read) return RecordedVersion::kNone;
    int32_t recorded = parse_whole_number(recorded_text);
    if (recorded == own_number) return RecordedVersion::kSame;
    return recorded > own_number ? RecordedVersion::kNewer : RecordedVersion::kOlder;
}

std::string same_version_message(const std::string& version_text) {
    return "Die Programme Kavento-Producer " + version_text + " und Kavento-Player " +
           version_text + " sind bereits installiert!";
}

std::string newer_version_message(const std::string& recorded_version,
                                  const std::string& version_text) {
    return "Auf ihrem Computer ist bereits die Version " + recorded_version +
           " installiert! Mit diesem Installer installieren Sie die Version " + version_text + ".";
}

bool is_recorded_folder_text(const std::string& text) {
    // The registry may hold anything; a network path is no installation of this computer's.
    const std::string folder = without_trailing_backslash(text);
    return folder.size() > 3 && folder[1] == ':' && is_removable_file_path(folder);
}
