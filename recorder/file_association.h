// The ".zuv" association: the shell opens video files with this program and
// shows them with its document icon. Rewritten at every start; the
// extension's previous owner is kept in the value "_old" until restored.
//
// The entries go under classes_root (HKEY_CLASSES_ROOT in the program). Where
// that place refuses a write, as it does for a standard user on current
// Windows, the same entries go under user_classes (by default
// HKEY_CURRENT_USER\Software\Classes, which the shell merges into
// HKEY_CLASSES_ROOT). Both roots are parameters so that tests hand in keys of
// their own. All failures are silent.
#pragma once

#include <windows.h>

// Writes text as the REG_SZ value value_name (nullptr: the default value) of
// root\subkey, creating the key. Returns 1 if it wrote the value, 0 if the key
// cannot be created, the write is refused or the value already held the text.
int set_registry_string(HKEY root, const char* subkey, const char* value_name, const char* text);

// Lower-cases extension (".zuv") in place and points it at the program key
// "Morvane" + extension, with description, open command and document icon
// (icon index of program_path). A start that finds everything in place writes
// nothing. Returns 1.
int set_file_association(char* extension, const char* description, int icon_index,
                         HKEY classes_root = HKEY_CLASSES_ROOT, HKEY user_classes = nullptr);

// Lower-cases extension in place, deletes the program key with its subkeys
// and gives the extension back its previous owner from "_old", in each place
// that holds them. Returns 1.
int restore_file_association(char* extension, HKEY classes_root = HKEY_CLASSES_ROOT,
                             HKEY user_classes = nullptr);
