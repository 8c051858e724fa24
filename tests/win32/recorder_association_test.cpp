// The ".zuv" association read back from the registry. The tests hand in keys
// of their own as the machine's and the user's classes; a volatile key
// stands for a place that refuses the association (it accepts no lasting
// subkeys), as HKEY_CLASSES_ROOT does for a standard user on current Windows.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "file_association.h"
#include "recorder_globals.h"

namespace {

constexpr char kTestRoot[] = "Software\\MorvaneAssociationTests";
constexpr char kProgramPath[] = "C:\\Program Files\\Morvane Recorder\\morvane.exe";

void DeleteTree(HKEY parent, const char* name) {
    HKEY key;
    if (RegOpenKeyExA(parent, name, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        char child[256];
        DWORD length = sizeof child;
        while (RegEnumKeyExA(key, 0, child, &length, nullptr, nullptr, nullptr, nullptr) ==
               ERROR_SUCCESS) {
            DeleteTree(key, child);
            length = sizeof child;
        }
        RegCloseKey(key);
    }
    RegDeleteKeyA(parent, name);
}

HKEY CreateKey(HKEY parent, const char* name, DWORD options = REG_OPTION_NON_VOLATILE) {
    HKEY key = nullptr;
    RegCreateKeyExA(parent, name, 0, nullptr, options, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    return key;
}

// "<none>" when the key or the value does not exist.
std::string Value(HKEY root, const char* subkey, const char* name = nullptr) {
    HKEY key;
    if (RegOpenKeyExA(root, subkey, 0, KEY_READ, &key) != ERROR_SUCCESS) return "<none>";
    char text[1100] = {};
    DWORD size = sizeof text - 1;
    LONG result = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? text : "<none>";
}

bool KeyExists(HKEY root, const char* subkey) {
    HKEY key;
    if (RegOpenKeyExA(root, subkey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

FILETIME LastWrite(HKEY root, const char* subkey) {
    FILETIME time = {};
    HKEY key;
    if (RegOpenKeyExA(root, subkey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr, &time);
        RegCloseKey(key);
    }
    return time;
}

void SetDefault(HKEY root, const char* subkey, const char* text) {
    HKEY key = CreateKey(root, subkey);
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   static_cast<DWORD>(strlen(text) + 1));
    RegCloseKey(key);
}

class Association : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteTree(HKEY_CURRENT_USER, kTestRoot);
        root_ = CreateKey(HKEY_CURRENT_USER, kTestRoot);
        machine_ = CreateKey(root_, "machine");
        user_ = CreateKey(root_, "user");
        strcpy(program_path, kProgramPath);
    }
    void TearDown() override {
        RegCloseKey(machine_);
        RegCloseKey(user_);
        RegCloseKey(root_);
        DeleteTree(HKEY_CURRENT_USER, kTestRoot);
    }
    void Start() {
        char extension[] = ".ZUV";
        EXPECT_EQ(set_file_association(extension, "ZeVEVIZ Video File", 3, machine_, user_), 1);
        EXPECT_STREQ(extension, ".zuv");
    }
    void Restore() {
        char extension[] = ".Zuv";
        EXPECT_EQ(restore_file_association(extension, machine_, user_), 1);
        EXPECT_STREQ(extension, ".zuv");
    }
    void ExpectAssociation(HKEY place) {
        EXPECT_EQ(Value(place, ".zuv"), "Morvane.zuv");
        EXPECT_EQ(Value(place, "Morvane.zuv"), "ZeVEVIZ Video File");
        EXPECT_EQ(Value(place, "Morvane.zuv\\shell\\open\\command"),
                  std::string("\"") + kProgramPath + "\" \"%1\"");
        EXPECT_EQ(Value(place, "Morvane.zuv\\DefaultIcon"), std::string(kProgramPath) + " ,3");
    }
    HKEY root_ = nullptr, machine_ = nullptr, user_ = nullptr;
};

TEST_F(Association, FirstStartOnACleanSystemRegistersWithoutBackup) {
    Start();
    ExpectAssociation(machine_);
    EXPECT_EQ(Value(machine_, ".zuv", "_old"), "<none>");
    EXPECT_FALSE(KeyExists(user_, ".zuv"));
}

TEST_F(Association, SecondStartWritesNothingAndNeverBacksUpItsOwnKey) {
    Start();
    FILETIME before[4] = {LastWrite(machine_, ".zuv"), LastWrite(machine_, "Morvane.zuv"),
                          LastWrite(machine_, "Morvane.zuv\\shell\\open\\command"),
                          LastWrite(machine_, "Morvane.zuv\\DefaultIcon")};
    Sleep(20);
    Start();
    FILETIME after[4] = {LastWrite(machine_, ".zuv"), LastWrite(machine_, "Morvane.zuv"),
                         LastWrite(machine_, "Morvane.zuv\\shell\\open\\command"),
                         LastWrite(machine_, "Morvane.zuv\\DefaultIcon")};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(CompareFileTime(&before[i], &after[i]), 0) << i;
    EXPECT_EQ(Value(machine_, ".zuv", "_old"), "<none>");

    // Restore then leaves the extension as it was: there is nothing to restore.
    Restore();
    EXPECT_EQ(Value(machine_, ".zuv"), "Morvane.zuv");
    EXPECT_FALSE(KeyExists(machine_, "Morvane.zuv"));
}

TEST_F(Association, AnotherProgramsAssociationIsKeptAndRestored) {
    SetDefault(machine_, ".zuv", "OtherPlayer.zuv");
    Start();
    ExpectAssociation(machine_);
    EXPECT_EQ(Value(machine_, ".zuv", "_old"), "OtherPlayer.zuv");
    Start();
    EXPECT_EQ(Value(machine_, ".zuv", "_old"), "OtherPlayer.zuv");

    Restore();
    EXPECT_EQ(Value(machine_, ".zuv"), "OtherPlayer.zuv");
    EXPECT_EQ(Value(machine_, ".zuv", "_old"), "<none>");
    // The program key goes with its subkeys.
    EXPECT_FALSE(KeyExists(machine_, "Morvane.zuv"));

    // The next start takes over again and keeps the other program once more.
    Start();
    EXPECT_EQ(Value(machine_, ".zuv"), "Morvane.zuv");
    EXPECT_EQ(Value(machine_, ".zuv", "_old"), "OtherPlayer.zuv");
}

TEST_F(Association, MovedProgramRewritesCommandAndIcon) {
    Start();
    strcpy(program_path, "D:\\elsewhere\\morvane.exe");
    Start();
    EXPECT_EQ(Value(machine_, "Morvane.zuv\\shell\\open\\command"),
              "\"D:\\elsewhere\\morvane.exe\" \"%1\"");
    EXPECT_EQ(Value(machine_, "Morvane.zuv\\DefaultIcon"), "D:\\elsewhere\\morvane.exe ,3");
}

TEST_F(Association, RefusedMachinePlaceFallsBackToTheUsersClasses) {
    // A volatile key stands for the refusing place; the other program's
    // association lives there.
    HKEY refusing = CreateKey(root_, "refusing", REG_OPTION_VOLATILE);
    HKEY existing = CreateKey(refusing, ".zuv", REG_OPTION_VOLATILE);
    ASSERT_NE(existing, nullptr);
    RegSetValueExA(existing, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>("OtherPlayer.zuv"), 16);
    RegCloseKey(existing);
    HKEY probe = nullptr;
    ASSERT_NE(RegCreateKeyExA(refusing, "probe", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                              nullptr, &probe, nullptr), ERROR_SUCCESS);

    char extension[] = ".zuv";
    set_file_association(extension, "ZeVEVIZ Video File", 3, refusing, user_);
    ExpectAssociation(user_);
    EXPECT_EQ(Value(user_, ".zuv", "_old"), "OtherPlayer.zuv");
    // The refusing place is left as it was.
    EXPECT_EQ(Value(refusing, ".zuv"), "OtherPlayer.zuv");
    EXPECT_FALSE(KeyExists(refusing, "Morvane.zuv"));

    // A second start writes nothing and keeps the backup.
    FILETIME before = LastWrite(user_, ".zuv");
    Sleep(20);
    set_file_association(extension, "ZeVEVIZ Video File", 3, refusing, user_);
    FILETIME after = LastWrite(user_, ".zuv");
    EXPECT_EQ(CompareFileTime(&before, &after), 0);
    EXPECT_EQ(Value(user_, ".zuv", "_old"), "OtherPlayer.zuv");

    restore_file_association(extension, refusing, user_);
    EXPECT_EQ(Value(user_, ".zuv"), "OtherPlayer.zuv");
    EXPECT_EQ(Value(user_, ".zuv", "_old"), "<none>");
    EXPECT_FALSE(KeyExists(user_, "Morvane.zuv"));
    EXPECT_EQ(Value(refusing, ".zuv"), "OtherPlayer.zuv");
    RegCloseKey(refusing);
}

TEST_F(Association, RegistryStringWritesOnlyWhatDiffers) {
    EXPECT_EQ(set_registry_string(machine_, "k", nullptr, "text"), 1);
    EXPECT_EQ(set_registry_string(machine_, "k", nullptr, "text"), 0);
    EXPECT_EQ(set_registry_string(machine_, "k", nullptr, "Text"), 1);  // case counts
    EXPECT_EQ(set_registry_string(machine_, "k", "named", "Text"), 1);
    EXPECT_EQ(Value(machine_, "k", "named"), "Text");

    // A current value too long for the comparison buffer, and one stored
    // without its terminator, are read within bounds.
    HKEY key = CreateKey(machine_, "k");
    std::string long_text(900, 'q');
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(long_text.c_str()),
                   static_cast<DWORD>(long_text.size() + 1));
    EXPECT_EQ(set_registry_string(machine_, "k", nullptr, "short"), 1);
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>("Morvane.zuv"), 11);
    EXPECT_EQ(set_registry_string(machine_, "k", nullptr, "Morvane.zuv"), 0);
    EXPECT_EQ(set_registry_string(machine_, "k", nullptr, "Morvane.zu"), 1);
    // Filling the whole buffer leaves no room for a terminator: rewritten.
    std::string unterminated(511, 'u');
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(unterminated.data()), 511);
    EXPECT_EQ(set_registry_string(machine_, "k", nullptr, unterminated.c_str()), 1);
    EXPECT_EQ(Value(machine_, "k"), unterminated);
    RegCloseKey(key);

    HKEY refusing = CreateKey(root_, "refusing", REG_OPTION_VOLATILE);
    EXPECT_EQ(set_registry_string(refusing, "new", nullptr, "text"), 0);
    RegCloseKey(refusing);
}

}  // namespace
