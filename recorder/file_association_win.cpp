#include "file_association.h"

#include <cstdio>
#include <cstring>

#include "recorder_globals.h"

namespace {

constexpr DWORD STRING_VALUE_CAPACITY = 512;  // what a current value is read into
constexpr DWORD BACKUP_CAPACITY = 1024;       // the previous owner's default value
constexpr int KEY_NAME_CAPACITY = 260;
constexpr char BACKUP_VALUE[] = "_old";

struct StoredValue {
    DWORD type;
    DWORD size;
    BYTE data[BACKUP_CAPACITY];
};

bool read_value(HKEY key, const char* value_name, StoredValue* value) {
    value->size = BACKUP_CAPACITY;
    return RegQueryValueExA(key, value_name, nullptr, &value->type, value->data, &value->size) ==
           ERROR_SUCCESS;
}

bool read_default_value(HKEY root, const char* subkey, StoredValue* value) {
    HKEY key;
    if (RegOpenKeyExA(root, subkey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
    bool found = read_value(key, nullptr, value);
    RegCloseKey(key);
    return found;
}

// Whether a stored value is the text name, with or without its terminator.
bool holds_text(const StoredValue* value, const char* name) {
    size_t length = strlen(name);
    if (value->type != REG_SZ && value->type != REG_EXPAND_SZ) return false;
    if (value->size != length && value->size != length + 1) return false;
    if (memcmp(value->data, name, length) != 0) return false;
    return value->size == length || value->data[length] == '\0';
}

// Keeps the extension's previous default value in "_old", unless a backup
// exists or the value is this program's own key. In the user's place, where
// the extension may not exist yet, the previous value is the one the shell
// sees through shell_view.
void back_up_previous_owner(HKEY place, HKEY shell_view, const char* extension,
                            const char* program_key) {
    StoredValue previous;
    HKEY key;
    if (RegOpenKeyExA(place, extension, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        bool found = read_value(key, nullptr, &previous);
        if (!found && shell_view) found = read_default_value(shell_view, extension, &previous);
        StoredValue backup;
        if (found && !holds_text(&previous, program_key) && !read_value(key, BACKUP_VALUE, &backup)) {
            RegSetValueExA(key, BACKUP_VALUE, 0, previous.type, previous.data, previous.size);
        }
        RegCloseKey(key);
        return;
    }
    if (!shell_view || !read_default_value(shell_view, extension, &previous)) return;
    if (holds_text(&previous, program_key)) return;
    DWORD disposition;
    if (RegCreateKeyExA(place, extension, 0, const_cast<char*>(""), REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key, &disposition) == ERROR_SUCCESS) {
        RegSetValueExA(key, BACKUP_VALUE, 0, previous.type, previous.data, previous.size);
        RegCloseKey(key);
    }
}

struct AssociationKeys {
    char program_key[KEY_NAME_CAPACITY];
    char command_key[KEY_NAME_CAPACITY];
    char icon_key[KEY_NAME_CAPACITY];
};

bool make_key_names(const char* extension, AssociationKeys* keys) {
    int a = snprintf(keys->program_key, KEY_NAME_CAPACITY, "Morvane%s", extension);
    int b = snprintf(keys->command_key, KEY_NAME_CAPACITY, "Morvane%s\\shell\\open\\command", extension);
    int c = snprintf(keys->icon_key, KEY_NAME_CAPACITY, "Morvane%s\\DefaultIcon", extension);
    return a >= 0 && a < KEY_NAME_CAPACITY && b >= 0 && b < KEY_NAME_CAPACITY && c >= 0 &&
           c < KEY_NAME_CAPACITY;
}

// Whether every key of the association can be created or opened for writing
// in place. Asked before anything is written, so that a place that refuses
// part of it is left as it was.
bool accepts_association(HKEY place, const char* extension, const AssociationKeys* keys) {
    const char* names[] = {extension, keys->program_key, keys->command_key, keys->icon_key};
    for (const char* name : names) {
        HKEY key;
        DWORD disposition;
        if (RegCreateKeyExA(place, name, 0, const_cast<char*>(""), REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, &key, &disposition) != ERROR_SUCCESS) {
            return false;
        }
        RegCloseKey(key);
    }
    return true;
}

void associate_in(HKEY place, HKEY shell_view, const char* extension, const AssociationKeys* keys,
                  const char* description, const char* command, const char* icon) {
    back_up_previous_owner(place, shell_view, extension, keys->program_key);
    set_registry_string(place, extension, nullptr, keys->program_key);
    set_registry_string(place, keys->program_key, nullptr, description);
    set_registry_string(place, keys->command_key, nullptr, command);
    set_registry_string(place, keys->icon_key, nullptr, icon);
}

// Deletes parent\name with all its subkeys; a plain delete refuses a key
// that has subkeys.
void delete_key_tree(HKEY parent, const char* name, int depth) {
    HKEY key;
    if (depth < 32 && RegOpenKeyExA(parent, name, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        char child[KEY_NAME_CAPACITY];
        for (;;) {
            DWORD length = KEY_NAME_CAPACITY;
            if (RegEnumKeyExA(key, 0, child, &length, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS) {
                break;
            }
            child[KEY_NAME_CAPACITY - 1] = '\0';
            HKEY probe;
            delete_key_tree(key, child, depth + 1);
            // A child that survives its deletion would make this loop endless.
            if (RegOpenKeyExA(key, child, 0, KEY_READ, &probe) == ERROR_SUCCESS) {
                RegCloseKey(probe);
                break;
            }
        }
        RegCloseKey(key);
    }
    RegDeleteKeyA(parent, name);
}

void restore_in(HKEY place, const char* extension, const char* program_key) {
    delete_key_tree(place, program_key, 0);
    HKEY key;
    if (RegOpenKeyExA(place, extension, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    StoredValue backup;
    if (read_value(key, BACKUP_VALUE, &backup)) {
        // A backup naming the program key itself would point at the key just deleted.
        if (!holds_text(&backup, program_key)) {
            RegSetValueExA(key, nullptr, 0, backup.type, backup.data, backup.size);
        }
        RegDeleteValueA(key, BACKUP_VALUE);
    }
    RegCloseKey(key);
}

HKEY open_user_classes(bool create) {
    HKEY key = nullptr;
    DWORD disposition;
    LONG result = create ? RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Classes", 0,
                                           const_cast<char*>(""), REG_OPTION_NON_VOLATILE,
                                           KEY_ALL_ACCESS, nullptr, &key, &disposition)
                         : RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Classes", 0, KEY_ALL_ACCESS, &key);
    return result == ERROR_SUCCESS ? key : nullptr;
}

}  // namespace

int set_registry_string(HKEY root, const char* subkey, const char* value_name, const char* text) {
    HKEY key;
    DWORD disposition;
    if (RegCreateKeyExA(root, subkey, 0, const_cast<char*>(""), REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key, &disposition) != ERROR_SUCCESS) {
        return 0;
    }
    // A value that cannot be read, or is no string, counts as different.
    char current[STRING_VALUE_CAPACITY] = "*";
    DWORD type = 0;
    DWORD size = STRING_VALUE_CAPACITY - 1;
    if (RegQueryValueExA(key, value_name, nullptr, &type, reinterpret_cast<BYTE*>(current),
                         &size) == ERROR_SUCCESS &&
        type == REG_SZ && size < STRING_VALUE_CAPACITY) {
        current[size] = '\0';
    } else {
        strcpy(current, "*");
    }
    if (strcmp(current, text) == 0) {
        RegCloseKey(key);
        return 0;
    }
    LONG result = RegSetValueExA(key, value_name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                                 static_cast<DWORD>(strlen(text) + 1));
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? 1 : 0;
}


int set_file_association(char* extension, const char* description, int icon_index,
                         HKEY classes_root, HKEY user_classes) {
    CharLowerA(extension);
    AssociationKeys keys;
    char command[PROGRAM_PATH_CAPACITY + 16];
    char icon[PROGRAM_PATH_CAPACITY + 16];
    int c = snprintf(command, sizeof command, "\"%s\" \"%%1\"", program_path);
    int i = snprintf(icon, sizeof icon, "%s ,%i", program_path, icon_index);
    if (!make_key_names(extension, &keys) || c < 0 || c >= static_cast<int>(sizeof command) ||
        i < 0 || i >= static_cast<int>(sizeof icon)) {
        return 1;
    }
    if (accepts_association(classes_root, extension, &keys)) {
        associate_in(classes_root, nullptr, extension, &keys, description, command, icon);
        return 1;
    }
    HKEY user = user_classes ? user_classes : open_user_classes(true);
    if (user) {
        associate_in(user, classes_root, extension, &keys, description, command, icon);
        if (!user_classes) RegCloseKey(user);
    }
    return 1;
}

int restore_file_association(char* extension, HKEY classes_root, HKEY user_classes) {
    CharLowerA(extension);
    AssociationKeys keys;
    if (!make_key_names(extension, &keys)) return 1;
    restore_in(classes_root, extension, keys.program_key);
    HKEY user = user_classes ? user_classes : open_user_classes(false);
    if (user) {
        restore_in(user, extension, keys.program_key);
        if (!user_classes) RegCloseKey(user);
    }
    return 1;
}
