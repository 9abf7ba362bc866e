#include "uninstall/uninstall_file_types.h"

#include <cstring>
#include "log/document_types.h"
#include "log/product.h"
#include "services/text_rules.h"

namespace {

struct Decision {
    const std::vector<RegistryReading>& now;
    std::string program;
    std::vector<RegistryReading> looked_at;
    std::vector<UninstallStep> values;
    std::vector<UninstallStep> keys;

    const RegistryReading* find(RegRoot root, const std::string& key, const std::string& name) {
        looked_at.push_back({root, key, name, false, std::string()});
        for (const RegistryReading& r : now)
            if (r.present && r.root == root && equal_ignoring_case(r.key, key) &&
                equal_ignoring_case(r.name, name))
                return &r;
        return nullptr;
    }

    // A class whose open command starts another program is that program's now. A class without
    // a command (the application layout writes none into its classes) goes by its icon, which
    // names the player of the installation that wrote it.
    bool is_ours(RegRoot root, const std::string& command_key, const std::string& icon_key) {
        if (const RegistryReading* r = find(root, command_key, ""))
            return is_command_for(r->text, program);
        if (icon_key.empty()) return true;
        const RegistryReading* icon = find(root, icon_key, "");
        return !icon || same_path(icon->text, program);
    }

    template <class Ours>
    void remove_value_if(RegRoot root, const std::string& key, const std::string& name, Ours ours) {
        const RegistryReading* r = find(root, key, name);
        if (!r || !ours(r->text)) return;
        UninstallStep s;
        s.action = UninstallAction::kDeleteRegValue;
        s.root = root;
        s.path = key;
        s.value_name = name;
        values.push_back(s);
    }

    void prune(RegRoot root, const std::string& key) {
        UninstallStep s;
        s.action = UninstallAction::kPruneRegKey;
        s.root = root;
        s.path = key;
        keys.push_back(s);
    }
};

void decide(Decision& d) {
    const std::string open = std::string("\\shell\\") + kOpenVerb;
    auto is_our_command = [&](const std::string& text) { return is_command_for(text, d.program); };
    auto is_our_icon = [&](const std::string& text) { return same_path(text, d.program); };
    auto is_player_name = [](const std::string& text) {
        return equal_ignoring_case(text, kPlayerExe);
    };

    // The application layout.
    const std::string app = std::string(kApplicationsKey) + kPlayerExe;
    const std::string app_command = app + open + "\\command";
    const bool app_ours = d.is_ours(kHkeyClassesRoot, app_command, "");
    if (app_ours) d.remove_value_if(kHkeyClassesRoot, app_command, "", is_our_command);
    for (const DocumentType& type : kDocumentTypes) {
        const std::string dot_key = std::string(".") + type.extension;
        const std::string cls = type.extension + std::string(kAutoClassSuffix);
        if (d.is_ours(kHkeyClassesRoot, cls + open + "\\command", cls + "\\DefaultIcon")) {
            d.remove_value_if(kHkeyClassesRoot, cls, "",
                              [&](const std::string& text) { return text == type.description; });
            d.remove_value_if(kHkeyClassesRoot, cls + "\\DefaultIcon", "", is_our_icon);
            d.remove_value_if(kHkeyClassesRoot, dot_key, "", [&](const std::string& text) {
                return equal_ignoring_case(text, cls);
            });
        }
        if (app_ours)
            d.remove_value_if(kHkeyCurrentUser, kFileExtsKey + std::string(type.extension),
                              "Application", is_player_name);
    }
    d.prune(kHkeyClassesRoot, app_command);
    d.prune(kHkeyClassesRoot, app + open);
    d.prune(kHkeyClassesRoot, app + "\\shell");
    d.prune(kHkeyClassesRoot, app);
    d.prune(kHkeyClassesRoot, std::string(kApplicationsKey, std::strlen(kApplicationsKey) - 1));
    for (const DocumentType& type : kDocumentTypes) {
        const std::string cls = type.extension + std::string(kAutoClassSuffix);
        d.prune(kHkeyClassesRoot, cls + "\\DefaultIcon");
        d.prune(kHkeyClassesRoot, cls);
        d.prune(kHkeyClassesRoot, std::string(".") + type.extension);
        d.prune(kHkeyCurrentUser, kFileExtsKey + std::string(type.extension));
    }
    // A profile that had never chosen a program for any extension had no FileExts key either.
    d.prune(kHkeyCurrentUser, std::string(kFileExtsKey, std::strlen(kFileExtsKey) - 2));

    // The class layout: one class for both extensions.
    const std::string cls = std::string(kClassesKey) + kPlayerExe;
    const std::string cls_command = cls + open + "\\command";
    if (d.is_ours(kHkeyLocalMachine, cls_command, cls + "\\DefaultIcon")) {
        d.remove_value_if(kHkeyLocalMachine, cls_command, "", is_our_command);
        d.remove_value_if(kHkeyLocalMachine, cls, "", [](const std::string& text) {
            for (const DocumentType& type : kDocumentTypes)
                if (text == type.description) return true;
            return false;
        });
        d.remove_value_if(kHkeyLocalMachine, cls + "\\DefaultIcon", "", is_our_icon);
        for (const DocumentType& type : kDocumentTypes)
            d.remove_value_if(kHkeyLocalMachine, kClassesKey + std::string(".") + type.extension,
                              "", is_player_name);
    }
    d.prune(kHkeyLocalMachine, cls_command);
    d.prune(kHkeyLocalMachine, cls + open);
    d.prune(kHkeyLocalMachine, cls + "\\shell");
    d.prune(kHkeyLocalMachine, cls + "\\DefaultIcon");
    d.prune(kHkeyLocalMachine, cls);
    for (const DocumentType& type : kDocumentTypes)
        d.prune(kHkeyLocalMachine, kClassesKey + std::string(".") + type.extension);
}

} // namespace

bool is_command_for(const std::string& text, const std::string& program) {
    const std::string tail = "\" \"%1\"";
    if (text.size() < 1 + tail.size() || text[0] != '"' ||
        text.compare(text.size() - tail.size(), tail.size(), tail) != 0)
        return false;
    std::string quoted = text.substr(1, text.size() - 1 - tail.size());
    return quoted.find('"') == std::string::npos && is_removable_file_path(quoted) &&
           same_path(quoted, program);
}

std::vector<RegistryReading> file_type_readings() {
    // With nothing present no class is anybody else's, so the decision looks at every value it
    // can ever look at.
    std::vector<RegistryReading> nothing;
    Decision d{nothing, std::string(), {}, {}, {}};
    decide(d);
    std::vector<RegistryReading> unique;
    for (const RegistryReading& r : d.looked_at) {
        bool seen = false;
        for (const RegistryReading& u : unique)
            seen |= u.root == r.root && u.key == r.key && u.name == r.name;
        if (!seen) unique.push_back(r);
    }
    return unique;
}

std::vector<UninstallStep> file_type_removals(const std::vector<RegistryReading>& now,
                                              const std::string& target_folder) {
    Decision d{now, target_folder + "\\" + kPlayerExe, {}, {}, {}};
    decide(d);
    std::vector<UninstallStep> steps = d.values;
    steps.insert(steps.end(), d.keys.begin(), d.keys.end());
    return steps;
}
