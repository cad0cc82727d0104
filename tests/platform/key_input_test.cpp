// The key translation as backends feed it: what the machine's keyboard
// holds, frame by frame, for the key streams of US, UK and German layouts,
// and the press queue that loses no tap.  Then the real KERNAL reading a
// pasted listing.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "input/key_codes.h"
#include "input/keyboard.h"
#include "machine/machine_state.h"
#include "machine/settings.h"
#include "machine/startup.h"
#include "platform/devices.h"
#include "platform/desktop.h"
#include "platform/headless/headless_control.h"
#include "platform/key_input.h"
#include "support/test_support.h"

namespace {

// One machine key as it reaches the matrix: its code and the machine's Shift.
struct MachineKey {
    uint8_t key;
    bool shift;
    bool operator==(const MachineKey&) const = default;
};

void PrintTo(const MachineKey& k, std::ostream* os) { *os << "0x" << std::hex << int(k.key) << (k.shift ? "+shift" : ""); }

// A PC key stroke: Shift (or AltGr's character) held or not, the key's place
// and the character the layout makes of it.
struct Stroke {
    bool shift;
    uint8_t position;
    uint32_t character;
};

class KeyInput : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetMachineToPowerOn();
        Config = DefaultSettings();
    }
    void TearDown() override { ResetMachineToPowerOn(); }

    static void Send(const Stroke& s)
    {
        if (s.shift)
            KeyInputDown(DIK_LSHIFT, 0);
        KeyInputDown(s.position, s.character);
        KeyInputUp(s.position);
        if (s.shift)
            KeyInputUp(DIK_LSHIFT);
    }

    // Frame by frame until the queue is empty: each machine key pressed, in
    // order, and the frames it stayed down.
    static std::vector<MachineKey> Arrivals(std::vector<int>* frames = nullptr, std::vector<int>* gaps = nullptr)
    {
        std::vector<MachineKey> keys;
        int gap = 0;
        for (int frame = 0; frame < 2000 && (KeyInputPending() > 0 || frame == 0); frame++) {
            KeyInputFrame(false);
            uint8_t state[256];
            KeyInputState(state);
            MachineKey now{0xFF, state[DIK_LSHIFT] || state[DIK_RSHIFT]};
            for (int k = 0; k < 256; k++)
                if (state[k] && DefaultKeyMap[k] < 64 && k != DIK_LSHIFT && k != DIK_RSHIFT)
                    now.key = static_cast<uint8_t>(k);
            if (now.key == 0xFF) {
                gap++;
                continue;
            }
            if (gap == 0 && !keys.empty() && keys.back() == now) {
                if (frames)
                    frames->back()++;
                continue;
            }
            keys.push_back(now);
            if (frames)
                frames->push_back(1);
            if (gaps)
                gaps->push_back(gap);
            gap = 0;
        }
        return keys;
    }
};

struct LayoutCase {
    const char* layout;
    std::vector<Stroke> strokes;
    std::vector<MachineKey> expected;
};

TEST_F(KeyInput, TheSymbolicMapTypesWhatTheLayoutTyped)
{
    const LayoutCase cases[] = {
        // print 6*7:"ok" on a US layout: * is Shift+8, : Shift+;, " Shift+'.
        {"US",
         {{false, DIK_P, 'p'}, {false, DIK_6, '6'}, {true, DIK_8, '*'}, {false, DIK_7, '7'},
          {true, DIK_SEMICOLON, ':'}, {true, DIK_APOSTROPHE, '"'}, {true, DIK_O, 'O'}, {false, DIK_EQUALS, '='},
          {true, DIK_6, '^'}, {true, DIK_MINUS, '_'}},
         {{DIK_P, false}, {DIK_6, false}, {DIK_BACKSLASH, false}, {DIK_7, false}, {DIK_SEMICOLON, false},
          {DIK_2, true}, {DIK_O, true}, {DIK_EQUALS, false}, {DIK_0, true}, {DIK_EQUALS, true}}},
        // UK: " is Shift+2, @ Shift+', £ Shift+3, # the key beside Return.
        {"UK",
         {{true, DIK_2, '"'}, {true, DIK_APOSTROPHE, '@'}, {true, DIK_3, 0xA3}, {false, DIK_BACKSLASH, '#'},
          {false, DIK_GRAVE, '`'}, {false, DIK_LBRACKET, '['}},
         {{DIK_2, true}, {DIK_MINUS, false}, {DIK_POUND_PLACE, false}, {DIK_3, true}, {DIK_SEMICOLON, true}}},
        // Caps Lock on: capitals without Shift are the letters themselves,
        // and with Shift (which Caps Lock turns to small letters) shifted.
        {"Caps Lock",
         {{false, DIK_L, 'L'}, {false, DIK_O, 'O'}, {true, DIK_A, 'a'}, {false, DIK_1, '1'}},
         {{DIK_L, false}, {DIK_O, false}, {DIK_A, true}, {DIK_1, false}}},
        // German: Y and Z swapped, ( ) = on Shift+8 9 0, * on Shift++, : on
        // Shift+., ? on Shift+ß; ö has no key on the machine.
        {"German",
         {{false, DIK_Y, 'z'}, {false, DIK_Z, 'y'}, {true, DIK_8, '('}, {true, DIK_0, '='}, {true, DIK_RBRACKET, '*'},
          {true, DIK_PERIOD, ':'}, {true, DIK_MINUS, '?'}, {false, DIK_SEMICOLON, 0xF6}, {false, DIK_GRAVE, 0},   // dead ^
          {false, DIK_RBRACKET, '+'}, {false, DIK_NUMPAD8, 0}},
         {{DIK_Z, false}, {DIK_Y, false}, {DIK_8, true}, {DIK_EQUALS, false}, {DIK_BACKSLASH, false},
          {DIK_SEMICOLON, false}, {DIK_SLASH, true}, {DIK_LBRACKET, false}, {DIK_NUMPAD8, false}}},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.layout);
        for (const Stroke& s : c.strokes)
            Send(s);
        EXPECT_EQ(Arrivals(), c.expected);
    }
    // The keys that type nothing keep their place: Escape is the machine's
    // ESC (and still Escape for the menus), Insert is Shift+INST/DEL.
    KeyInputDown(DIK_ESCAPE, 0);
    KeyInputFrame(false);
    uint8_t state[256];
    KeyInputState(state);
    EXPECT_TRUE(state[DIK_GRAVE] && state[DIK_ESCAPE]);
    KeyInputUp(DIK_ESCAPE);
    Send({false, DIK_INSERT, 0});
    Send({true, DIK_RETURN, 0});
    EXPECT_EQ(Arrivals(), (std::vector<MachineKey>{{DIK_GRAVE, false}, {DIK_BACK, true}, {DIK_RETURN, true}}));
}

TEST_F(KeyInput, TapsArriveInOrderForTwoScansEachAndHeldKeysStayDown)
{
    for (uint32_t map : {0u, 1u}) {
        SCOPED_TRACE(map);
        Config.KeyboardMap = map;
        // Ten taps before any frame, the same key twice among them.
        const uint8_t taps[] = {DIK_P, DIK_R, DIK_I, DIK_N, DIK_T, DIK_SPACE, DIK_7, DIK_7, DIK_RETURN, DIK_HOME};
        const char characters[] = "print 77\0\0";
        std::vector<MachineKey> expected;
        for (size_t i = 0; i < 10; i++) {
            Send({false, taps[i], static_cast<uint32_t>(characters[i])});
            expected.push_back({taps[i], false});
        }
        std::vector<int> frames, gaps;
        EXPECT_EQ(Arrivals(&frames, &gaps), expected);
        EXPECT_EQ(frames, std::vector<int>(10, 2));
        for (size_t i = 1; i < gaps.size(); i++)
            EXPECT_EQ(gaps[i], 1) << i;
    }
    // A held key stays down until it is let go, whatever the frames.
    KeyInputDown(DIK_A, 'a');
    for (int i = 0; i < 40; i++)
        KeyInputFrame(false);
    uint8_t state[256];
    KeyInputState(state);
    EXPECT_TRUE(state[DIK_A]);
    KeyInputUp(DIK_A);
    KeyInputFrame(false);
    KeyInputState(state);
    EXPECT_FALSE(state[DIK_A]);
}

// Unpaced, a press from the PC is one tap of two frames however long it is
// held, and each of the PC's repeats one more; paced, or with the runner's
// keys (which count frames), the key stays down.
TEST_F(KeyInput, AnUnpacedMachineSeesAPressAsOneTap)
{
    // Unpaced, paced, and unpaced with the runner's keys: frames A is down.
    for (auto [unpaced, machineTime, framesDown] : {std::tuple{true, false, 4}, {false, false, 40}, {true, true, 40}}) {
        KeyInputEventsInMachineTime(machineTime);
        KeyInputDown(DIK_A, 'a');
        int down = 0;
        for (int frame = 0; frame < 44; frame++) {
            if (frame == 20)
                KeyInputRepeat(DIK_A);
            if (frame == 40)
                KeyInputUp(DIK_A);
            KeyInputFrame(unpaced);
            uint8_t state[256];
            KeyInputState(state);
            down += state[DIK_A] != 0;
        }
        EXPECT_EQ(down, framesDown) << unpaced << machineTime;
    }
}

// Which of Escape, Shift, F8, S and Q the machine's keyboard latch reads.
std::string MachineSees()
{
    uint8_t state[256];
    KeyInputReadForMachine(true);
    KeyInputState(state);
    KeyInputReadForMachine(false);
    const uint8_t keys[] = {DIK_GRAVE, DIK_LSHIFT, DIK_F8, DIK_S, DIK_Q};
    std::string seen;
    for (int i = 0; i < 5; i++)
        seen += state[keys[i]] ? "E^8SQ"[i] : '.';
    return seen;
}

// A key pressed in a menu is the menu's: neither its press nor its
// release reaches the machine, also when it is held past the menu's end
// or the debugger runs the machine meanwhile.  What the machine held when
// the menu opened it sees let go; a press typed right after the closing
// key, before the menu saw it, goes on to the machine.
TEST_F(KeyInput, KeysPressedInAMenuNeverReachTheMachine)
{
    KeyInputDown(DIK_S, 's');
    KeyInputFrame(false);
    KeyInputDown(DIK_F8, 0);   // opens the menu
    std::string seen = MachineSees() + " ";
    KeyInputMenuOpen();
    KeyInputDown(DIK_LSHIFT, 0);
    KeyInputDown(DIK_ESCAPE, 0);
    uint8_t state[256];
    KeyInputState(state);
    EXPECT_TRUE(state[DIK_ESCAPE] && state[DIK_F8] && state[DIK_LSHIFT] && !state[DIK_S]);
    KeyInputFrame(false);   // the debugger steps the machine
    seen += MachineSees() + " ";
    KeyInputDown(DIK_Q, 'q');   // typed on at once: the menu never saw it
    KeyInputMenuClose();
    for (uint8_t key : {DIK_F8, DIK_S})
        KeyInputUp(key);
    for (int frame = 0; frame < 6; frame++) {
        if (frame == 4)
            for (uint8_t key : {DIK_ESCAPE, DIK_LSHIFT, DIK_Q})
                KeyInputUp(key);
        KeyInputFrame(false);
        seen += MachineSees() + " ";
    }
    // S had one frame of its two when the menu opened.
    EXPECT_EQ(seen, "..8S. ...S. ..... ....Q ....Q ....Q ..... ..... ");
    EXPECT_EQ(KeyInputPending(), 0u);

    // Between the menu's pictures its presses are held by the clock.
    KeyInputMenuOpen();
    Send({false, DIK_B, 'b'});
    Send({false, DIK_B, 'b'});
    std::string b;
    for (int i = 0; i < 7; i++, HeadlessAdvanceClock(20'000'000)) {
        KeyInputState(state);
        b += state[DIK_B] ? 'B' : '.';
    }
    EXPECT_EQ(b, "BB.BB..");
    KeyInputMenuClose();
}

TEST_F(KeyInput, PastedTextTypesLettersUnshiftedAndSkipsWhatTheMachineLacks)
{
    EXPECT_EQ(KeyInputTypeText("10 ?\"Hi\"\r\n\xC3\xA9{\xFF"), 3u);
    EXPECT_EQ(Arrivals(), (std::vector<MachineKey>{{DIK_1, false},
                                                   {DIK_0, false},
                                                   {DIK_SPACE, false},
                                                   {DIK_SLASH, true},
                                                   {DIK_2, true},
                                                   {DIK_H, false},
                                                   {DIK_I, false},
                                                   {DIK_2, true},
                                                   {DIK_RETURN, false}}));
}

// The screen copied as text; a listing of fifty lines pasted at once: BASIC
// stores every line.  Then a key held on the unpaced machine.
TEST_F(KeyInput, TheScreenIsCopiedAndAPastedListingOfFiftyLinesArrivesWhole)
{
    REQUIRE_REAL_ROMS();
    ScratchDirectory dir;
    dir.CopyRealRoms();
    dir.WriteText("settings", "SoundEmulation=0\nSync=0\n");
    ASSERT_TRUE(BootMachine());
    int exitCode = 0;
    ASSERT_TRUE(RunMainLoop(&exitCode, 60));
    CopyScreenToClipboard();
    std::string copied;
    ASSERT_TRUE(GetClipboardText(&copied));
    EXPECT_EQ(copied, "\n COMMODORE BASIC V3.5 60671 BYTES FREE\n\nREADY.\n");   // no empty rows after
    std::string listing;
    for (int line = 1; line <= 50; line++)
        listing += std::to_string(line) + " A=" + std::to_string(line) + "\n";
    HeadlessSetClipboard(listing);
    PasteClipboard();
    for (uint64_t frame = 100; KeyInputPending() > 0 && frame < 4000; frame += 100)
        ASSERT_TRUE(RunMainLoop(&exitCode, frame));
    ASSERT_TRUE(RunMainLoop(&exitCode, Ted.FramesCompleted + 10));
    // The program's lines, by their links from 0x1001.
    int lines = 0, last = 0;
    for (uint16_t at = 0x1001; Ram64[at] | Ram64[at + 1]; at = static_cast<uint16_t>(Ram64[at] | (Ram64[at + 1] << 8))) {
        last = Ram64[at + 2] | (Ram64[at + 3] << 8);
        if (++lines > 60)
            break;
    }
    EXPECT_EQ(lines, 50);
    EXPECT_EQ(last, 50);

    // Unpaced (Sync=0), a key held for 300 frames types one character.
    KeyInputDown(DIK_X, 'x');
    ASSERT_TRUE(RunMainLoop(&exitCode, Ted.FramesCompleted + 300));
    KeyInputUp(DIK_X);
    ASSERT_TRUE(RunMainLoop(&exitCode, Ted.FramesCompleted + 10));
    CopyScreenToClipboard();
    ASSERT_TRUE(GetClipboardText(&copied));
    EXPECT_EQ(copied.substr(copied.size() - 10), "50 A=50\nX\n");
}

}  // namespace
