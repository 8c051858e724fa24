#include <gtest/gtest.h>

#include <string>

#include "capture/recording_keys.h"

namespace {

std::string NameOf(RecordingKey key) {
    char name[64];
    return recording_key_name(key, name, sizeof name);
}

std::string Hints(RecordingKey pause, RecordingKey stop, bool pause_held, bool stop_held,
                  bool paused) {
    RecordingOptions options = {pause, stop, 0, false};
    char text[128];
    format_key_hints(text, sizeof text, options, {pause_held, stop_held}, paused);
    return text;
}

TEST(RecordingKeys, KeysAreNamedAndThoseThatWouldTakeTypingAreRefused) {
    EXPECT_EQ(NameOf(DEFAULT_PAUSE_KEY), "F7");
    EXPECT_EQ(NameOf(DEFAULT_STOP_KEY), "F8");
    EXPECT_EQ(NameOf(make_recording_key(0x87, 0)), "F24");
    EXPECT_EQ(NameOf(make_recording_key('P', KEY_MODIFIER_SHIFT | KEY_MODIFIER_ALT |
                                                  KEY_MODIFIER_CONTROL)),
              "Ctrl+Alt+Shift+P");
    EXPECT_EQ(NameOf(make_recording_key(0x2E, KEY_MODIFIER_CONTROL | KEY_MODIFIER_EXTENDED)),
              "Ctrl+Delete");
    EXPECT_EQ(NameOf(make_recording_key(0x65, KEY_MODIFIER_ALT)), "Alt+Num 5");
    EXPECT_EQ(NameOf(make_recording_key(0xBA, KEY_MODIFIER_ALT)), "Alt+Key 186");
    char small[5];
    EXPECT_STREQ(recording_key_name(make_recording_key('P', KEY_MODIFIER_CONTROL), small,
                                    sizeof small),
                 "Ctrl");
    // The registration's modifiers are not the control's.
    EXPECT_EQ(recording_key_system_modifiers(make_recording_key('P', KEY_MODIFIER_SHIFT)), 4u);
    EXPECT_EQ(recording_key_system_modifiers(
                  make_recording_key('P', KEY_MODIFIER_ALT | KEY_MODIFIER_EXTENDED)),
              1u);
    EXPECT_EQ(recording_key_system_modifiers(make_recording_key('P', KEY_MODIFIER_CONTROL)), 2u);

    EXPECT_EQ(recording_keys_problem(DEFAULT_PAUSE_KEY, DEFAULT_STOP_KEY), RECORDING_KEYS_USABLE);
    EXPECT_EQ(recording_keys_problem(0, 0), RECORDING_KEYS_USABLE);
    EXPECT_EQ(recording_keys_problem(make_recording_key(0x13, 0), make_recording_key(0x2C, 0)),
              RECORDING_KEYS_USABLE);
    EXPECT_EQ(recording_keys_problem(make_recording_key('S', KEY_MODIFIER_CONTROL |
                                                                 KEY_MODIFIER_SHIFT),
                                     make_recording_key(0x91, 0)),
              RECORDING_KEYS_USABLE);
    EXPECT_EQ(recording_keys_problem(DEFAULT_STOP_KEY, DEFAULT_STOP_KEY), RECORDING_KEYS_SAME);
    EXPECT_EQ(recording_keys_problem(make_recording_key(0x2E, KEY_MODIFIER_ALT),
                                     make_recording_key(0x2E, KEY_MODIFIER_ALT |
                                                                  KEY_MODIFIER_EXTENDED)),
              RECORDING_KEYS_SAME);
    EXPECT_EQ(recording_keys_problem(DEFAULT_PAUSE_KEY, make_recording_key(0x1B, KEY_MODIFIER_ALT)),
              RECORDING_KEY_ESCAPE);
    EXPECT_EQ(recording_keys_problem(make_recording_key(0x7B, 0), DEFAULT_STOP_KEY),
              RECORDING_KEY_F12);
    EXPECT_EQ(recording_keys_problem(make_recording_key(0x7B, KEY_MODIFIER_CONTROL), 0),
              RECORDING_KEYS_USABLE);
    for (RecordingKey typing :
         {make_recording_key('A', 0), make_recording_key('A', KEY_MODIFIER_SHIFT),
          make_recording_key(0x20, 0), make_recording_key(0x25, 0), make_recording_key(0x0D, 0),
          make_recording_key(0x65, 0)}) {
        EXPECT_EQ(recording_keys_problem(typing, DEFAULT_STOP_KEY), RECORDING_KEY_TYPES)
            << NameOf(typing);
        EXPECT_EQ(recording_keys_problem(0, typing), RECORDING_KEY_TYPES) << NameOf(typing);
    }
}

TEST(RecordingKeys, CountdownCountsWholeSecondsDownAndTheStatusSaysWhatEachKeyDoes) {
    char text[16];
    countdown_choice_text(0, text, sizeof text);
    EXPECT_STREQ(text, "0 s");
    countdown_choice_text(3, text, sizeof text);
    EXPECT_STREQ(text, "10 s");
    EXPECT_EQ(countdown_choice_index(5), 2u);
    EXPECT_EQ(countdown_choice_index(7), 0u);
    EXPECT_EQ(countdown_seconds_left(3, 0), 3u);
    EXPECT_EQ(countdown_seconds_left(3, 1), 3u);
    EXPECT_EQ(countdown_seconds_left(3, 1000), 2u);
    EXPECT_EQ(countdown_seconds_left(3, 2999), 1u);
    EXPECT_EQ(countdown_seconds_left(3, 3000), 0u);
    EXPECT_EQ(countdown_seconds_left(0, 0), 0u);
    EXPECT_EQ(countdown_seconds_left(10, 0xFFFFFFFFu), 0u);

    EXPECT_EQ(Hints(DEFAULT_PAUSE_KEY, DEFAULT_STOP_KEY, true, true, false),
              " - F7 pauses, F8 stops");
    EXPECT_EQ(Hints(DEFAULT_PAUSE_KEY, DEFAULT_STOP_KEY, true, true, true),
              " - Paused: F7 resumes, F8 stops");
    EXPECT_EQ(Hints(DEFAULT_PAUSE_KEY, DEFAULT_STOP_KEY, true, false, false),
              " - F7 pauses, F8 taken by another program, Esc stops");
    EXPECT_EQ(Hints(DEFAULT_PAUSE_KEY, DEFAULT_STOP_KEY, false, true, true),
              " - Paused: F7 taken by another program, F8 stops");
    EXPECT_EQ(Hints(0, 0, false, false, false), " - Esc stops");
    EXPECT_EQ(Hints(0, 0, false, false, true), " - Paused: Esc stops");
    EXPECT_EQ(Hints(0, make_recording_key('S', KEY_MODIFIER_CONTROL), false, true, false),
              " - Ctrl+S stops");
    char cut[12];
    RecordingOptions options = {DEFAULT_PAUSE_KEY, DEFAULT_STOP_KEY, 3, true};
    format_key_hints(cut, sizeof cut, options, {true, true}, false);
    EXPECT_STREQ(cut, " - F7 pause");

    char hint[32];
    format_countdown_hint(hint, sizeof hint, options, {true, true});
    EXPECT_STREQ(hint, "Esc or F8 cancels");
    format_countdown_hint(hint, sizeof hint, options, {true, false});
    EXPECT_STREQ(hint, "Esc cancels");
}

}  // namespace
