#include <gtest/gtest.h>

#include "frame_rate.h"

namespace {

TEST(FrameRate, ListEntriesTypedNumbersAndRefusals) {
    struct Case {
        const char* text;
        uint32_t rate;
    } cases[] = {
        // The capture settings' list, as the combo box shows its entries.
        {"2 fps (Stills)", 2}, {"5 fps (Low)", 5}, {"10 fps (Medium)", 10},
        {"15 fps (Film)", 15}, {"24 fps (Movie)", 24}, {"25 fps (PAL)", 25},
        {"30 fps (NTSC)", 30},
        // Typed: a number, with blanks before it or other text after it.
        {"7", 7}, {"7abc", 7}, {" 12", 12}, {"\t 3 fps", 3}, {"1000", 1000}, {"0007", 7},
        // Refused: no digit first, zero, an interval that would be 0 ms.
        {"abc", 0}, {"", 0}, {"   ", 0}, {"0", 0}, {"-5", 0}, {"+5", 0}, {"1001", 0},
        {"65535", 0}, {"99999999999999999999", 0}, {nullptr, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FrameRateParse(c.text), c.rate) << (c.text ? c.text : "(null)");
}

}  // namespace
