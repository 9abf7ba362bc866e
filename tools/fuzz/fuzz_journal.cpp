// Arbitrary bytes as the journal that an earlier run left: values split at each "\n--\n". Whatever
// the reader takes must be one record it could have written (encoded again, the same bytes), and
// the plan of the next start must stay within what it was given.
#include "log/journal.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace {

ProductPlaces fixed_places() {
    ProductPlaces places;
    places.installation_folder = "C:\\Program Files\\Kavento-Producer";
    places.menu_folders = {"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs"};
    places.desktops = {"C:\\users\\Public\\Desktop"};
    places.special_folders = {"C:\\windows", "C:\\Program Files\\Kavento-Producer\\Kaventos"};
    return places;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const ProductPlaces places = fixed_places();
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::vector<UndoAction> records;
    for (size_t start = 0; start <= bytes.size();) {
        size_t end = bytes.find("\n--\n", start);
        if (end == std::string::npos) end = bytes.size();
        const std::string value = bytes.substr(start, end - start);
        UndoAction record;
        if (decode_journal_record(value, record)) {
            if (encode_journal_record(record) != value) std::abort();
            records.push_back(record);
        }
        start = end + 4;
    }
    const RecoveryPlan plan = plan_recovery(records, places, "C:\\users\\me\\Temp\\Kavento.pac");
    if (plan.undo.size() + plan.refused > records.size() || plan.kept_files.size() > records.size())
        std::abort();
    return 0;
}
