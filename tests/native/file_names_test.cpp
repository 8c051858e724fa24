#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "files/file_names.h"

namespace {

TEST(FileNames, DeviceNamesAreToldFromFileNamesAsWindowsReadsThem) {
    for (const char* device :
         {"NUL", "nul", "c:\\videos\\nul.zuv", "CON", "prn.tar.gz", "Aux", "COM1", "com9.exe",
          "LPT1", "d:\\a\\lpt9.zuv", "con .txt", "nul.", "lpt1...", "aux  ", "c:nul",
          "\\\\server\\share\\CoN.zuv", "nul:", "dir/nul.zuv"}) {
        EXPECT_EQ(is_reserved_device_name(device), 1) << device;
    }
    for (const char* file :
         {"", "null", "nul1", "c:\\nul\\video.zuv", "conx.zuv", "COM0", "COM10", "LPT", "com",
          "xcon", "video.nul", "c:\\videos\\untitled.zuv", "lpt1x.exe", " nul"}) {
        EXPECT_EQ(is_reserved_device_name(file), 0) << file;
    }
    EXPECT_EQ(is_reserved_device_name(nullptr), 0);
}

TEST(FileNames, TheProposalReplacesFromTheLastDotOfTheWholePath) {
    char name[260];
    struct Case {
        const char* path;
        const char* extension;
        const char* proposed;
    } cases[] = {
        {"c:\\videos\\demo.zuv", ".exe", "c:\\videos\\demo.exe"},
        {"c:\\videos\\demo", ".exe", "c:\\videos\\demo.exe"},
        {"c:\\my.videos\\demo", ".exe", "c:\\my.exe"},
        {"c:\\videos\\demo.tar.zuv", ".exe", "c:\\videos\\demo.tar.exe"},
        {"demo.", ".exe", "demo.exe"},
        {"c:\\apps\\demo.exe", ".zuv", "c:\\apps\\demo.zuv"},
        {"c:\\apps\\demo", ".zuv", "c:\\apps\\demo.zuv"},
        {"c:\\my.apps\\demo", ".zuv", "c:\\my.zuv"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(propose_file_name(c.path, c.extension, name, sizeof name), 1) << c.path;
        EXPECT_STREQ(name, c.proposed);
    }

    // 255 characters without a dot become 259 with ".exe": the last that fit
    // 260 bytes. Nothing is written beyond the capacity.
    std::string fits(255, 'a');
    char buffer[260 + 8];
    memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(propose_file_name(fits.c_str(), ".exe", buffer, 260), 1);
    EXPECT_EQ(std::string(buffer), fits + ".exe");
    std::string too_long(256, 'a');
    memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(propose_file_name(too_long.c_str(), ".exe", buffer, 260), 0);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(buffer[260], '#');
    // A short extension that ".exe" replaces makes the name longer too.
    std::string grows = std::string(257, 'b') + ".z";
    EXPECT_EQ(propose_file_name(grows.c_str(), ".exe", buffer, 260), 0);
    EXPECT_EQ(propose_file_name("x.zuv", ".exe", buffer, 0), 0);
}

TEST(FileNames, TheTemporaryLiesInTheDestinationsFolder) {
    char name[40];
    EXPECT_EQ(temporary_name_beside("c:\\videos\\demo.exe", 0x12ab34cdu, name, sizeof name), 1);
    EXPECT_STREQ(name, "c:\\videos\\~mv12ab34cd.tmp");
    EXPECT_EQ(temporary_name_beside("d:demo.zuv", 0, name, sizeof name), 1);
    EXPECT_STREQ(name, "d:~mv00000000.tmp");
    EXPECT_EQ(temporary_name_beside("a/b/c", 0xffffffffu, name, sizeof name), 1);
    EXPECT_STREQ(name, "a/b/~mvffffffff.tmp");
    // The folder alone is kept however the name ends; one that leaves no
    // room is refused within the buffer.
    char exact[sizeof("c:\\x\\~mv00000001.tmp")];
    EXPECT_EQ(temporary_name_beside("c:\\x\\y", 1, exact, sizeof exact), 1);
    EXPECT_EQ(temporary_name_beside("c:\\xx\\y", 1, exact, sizeof exact), 0);
    EXPECT_STREQ(exact, "");
}

}  // namespace
