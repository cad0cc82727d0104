#include "platform/key_input.h"

#include <cstring>
#include <deque>

#include "input/key_codes.h"
#include "input/keyboard.h"
#include "machine/settings.h"
#include "platform/devices.h"

namespace {

// The machine's keyboard is scanned once a frame; a press is held for two
// scans and followed by one scan with no new key, so that the KERNAL sees
// it go down, stay, and (for the same key twice) go up again.
constexpr int HoldFrames = 2;
constexpr int GapFrames = 1;

constexpr uint8_t NoKey = 0xFF;

enum Shift : uint8_t { ShiftAsHeld, ShiftOn, ShiftOff };

// The keys whose state is read as the press's modifiers.
enum Modifier : uint8_t { LeftShift = 1, RightShift = 2, Control = 4, Commodore = 8 };
constexpr struct {
    uint8_t position;
    uint8_t bit;
} Modifiers[] = {
    {DIK_LSHIFT, LeftShift}, {DIK_RSHIFT, RightShift}, {DIK_LCONTROL, Control}, {DIK_LMENU, Commodore}};

// What a character needs on the machine: the PC key (by the positional
// map's code) at the machine key's place, and its Shift.  From the KERNAL's
// own key tables: the signs on the digits are shifted as on the PC, but
// @ * + - = : ; have keys of their own, [ ] are Shift with : and ;, the
// up-arrow is Shift+0 and the left-arrow Shift+=.
struct CharacterKey {
    uint32_t character;
    uint8_t key;
    Shift shift;
};
constexpr CharacterKey SignKeys[] = {
    {' ', DIK_SPACE, ShiftAsHeld},
    {'!', DIK_1, ShiftOn},         {'"', DIK_2, ShiftOn},         {'#', DIK_3, ShiftOn},
    {'$', DIK_4, ShiftOn},         {'%', DIK_5, ShiftOn},         {'&', DIK_6, ShiftOn},
    {'\'', DIK_7, ShiftOn},        {'(', DIK_8, ShiftOn},         {')', DIK_9, ShiftOn},
    {'^', DIK_0, ShiftOn},         {'@', DIK_MINUS, ShiftOff},    {'*', DIK_BACKSLASH, ShiftOff},
    {'+', DIK_LBRACKET, ShiftOff}, {'-', DIK_RBRACKET, ShiftOff}, {'=', DIK_EQUALS, ShiftOff},
    {'_', DIK_EQUALS, ShiftOn},    {':', DIK_SEMICOLON, ShiftOff}, {'[', DIK_SEMICOLON, ShiftOn},
    {';', DIK_APOSTROPHE, ShiftOff}, {']', DIK_APOSTROPHE, ShiftOn}, {',', DIK_COMMA, ShiftOff},
    {'<', DIK_COMMA, ShiftOn},     {'.', DIK_PERIOD, ShiftOff},   {'>', DIK_PERIOD, ShiftOn},
    {'/', DIK_SLASH, ShiftOff},    {'?', DIK_SLASH, ShiftOn},     {0xA3, DIK_POUND_PLACE, ShiftOff},   // £
    {'\n', DIK_RETURN, ShiftOff},  {'\r', DIK_RETURN, ShiftOff},
};
constexpr uint8_t LetterKeys[26] = {DIK_A, DIK_B, DIK_C, DIK_D, DIK_E, DIK_F, DIK_G, DIK_H, DIK_I,
                                    DIK_J, DIK_K, DIK_L, DIK_M, DIK_N, DIK_O, DIK_P, DIK_Q, DIK_R,
                                    DIK_S, DIK_T, DIK_U, DIK_V, DIK_W, DIK_X, DIK_Y, DIK_Z};
constexpr uint8_t DigitKeys[10] = {DIK_0, DIK_1, DIK_2, DIK_3, DIK_4, DIK_5, DIK_6, DIK_7, DIK_8, DIK_9};

// The keys that type no character keep one place in the symbolic map:
// the PC key, the machine key it holds, and that key's Shift.
struct FixedKey {
    uint8_t position;
    uint8_t key;
    Shift shift;
};
constexpr FixedKey FixedKeys[] = {
    {DIK_ESCAPE, DIK_GRAVE, ShiftAsHeld},     // ESC
    {DIK_HOME, DIK_HOME, ShiftAsHeld},        // CLEAR/HOME
    {DIK_BACK, DIK_BACK, ShiftAsHeld},        // INST/DEL
    {DIK_DELETE, DIK_BACK, ShiftOff},         // DEL
    {DIK_INSERT, DIK_BACK, ShiftOn},          // INST
    {DIK_RETURN, DIK_RETURN, ShiftAsHeld},
    {DIK_NUMPADENTER, DIK_RETURN, ShiftAsHeld},
    {DIK_UP, DIK_UP, ShiftAsHeld},            {DIK_DOWN, DIK_DOWN, ShiftAsHeld},
    {DIK_LEFT, DIK_LEFT, ShiftAsHeld},        {DIK_RIGHT, DIK_RIGHT, ShiftAsHeld},
    {DIK_F1, DIK_F1, ShiftAsHeld},            {DIK_F2, DIK_F2, ShiftAsHeld},
    {DIK_F3, DIK_F3, ShiftAsHeld},            {DIK_F4, DIK_F4, ShiftAsHeld},   // HELP
    {DIK_TAB, DIK_TAB, ShiftAsHeld},          // RUN/STOP
    {DIK_SPACE, DIK_SPACE, ShiftAsHeld},
};

struct Press {
    uint8_t position;    // the PC key that holds it; NoKey for a typed character
    uint8_t key;         // the machine key, by the positional map's code
    uint8_t alsoKey;     // a key without a machine place that menus look for, or NoKey
    Shift shift;
    uint8_t modifiers;   // the modifiers held when it was pressed
    bool held;
    int frames;          // frames handed on; -1 while waiting
};

// The presses of one owner, in order: the handed ones first.
struct PressQueue {
    std::deque<Press> presses;
    int gap = 0;   // frames of no new key still to come
};

enum Owner : uint8_t { Up, MachineOwns, MenuOwns };

struct KeyInput {
    PressQueue machine;
    PressQueue menu;
    uint8_t owner[256] = {};     // who each PC key that is down belongs to
    int physicalDown = 0;        // how many keys are down
    bool menuOpen = false;
    bool machineReading = false;
    bool unpaced = false;        // as the last frame end said
    bool machineTimeEvents = false;
    int64_t lastMenuFrame = 0;   // counter at the menu's last frame
    Press lastPress[256] = {};   // each key's last press, for the PC's repeats
};

KeyInput& K()
{
    static KeyInput input;
    return input;
}

bool HasMachinePlace(uint8_t position) { return DefaultKeyMap[position] < 64; }

bool IsModifier(uint8_t position)
{
    for (const auto& m : Modifiers)
        if (m.position == position)
            return true;
    return false;
}

uint8_t HeldModifiers(Owner owner)
{
    uint8_t bits = 0;
    for (const auto& m : Modifiers)
        if (K().owner[m.position] == owner)
            bits |= m.bit;
    return bits;
}

const FixedKey* FixedKeyAt(uint8_t position)
{
    for (const FixedKey& f : FixedKeys)
        if (f.position == position)
            return &f;
    return nullptr;
}

bool Symbolic() { return Config.KeyboardMap != 0; }

bool IsKeypad(uint8_t position)
{
    return (position >= DIK_NUMPAD7 && position <= DIK_DECIMAL) || position == DIK_MULTIPLY;
}

// How a letter's Shift is chosen: as the PC's Shift is held (a key press:
// so Caps Lock types letters), by its case (text without a key), or never.
enum class LetterShift : uint8_t { AsHeld, ByCase, Never };

// The machine key for a character, or false.
bool KeyForCharacter(uint32_t c, LetterShift letters, uint8_t* key, Shift* shift)
{
    const bool capital = c >= 'A' && c <= 'Z';
    if (capital || (c >= 'a' && c <= 'z')) {
        // On the machine a letter typed with Shift is the shifted letter (a
        // capital in its lower-case set, a graphic sign in the other).
        *key = LetterKeys[c - (capital ? 'A' : 'a')];
        *shift = letters == LetterShift::AsHeld ? ShiftAsHeld
                 : letters == LetterShift::ByCase && capital ? ShiftOn
                                                             : ShiftOff;
        return true;
    }
    if (c >= '0' && c <= '9') {
        *key = DigitKeys[c - '0'];
        *shift = ShiftOff;
        return true;
    }
    for (const CharacterKey& k : SignKeys) {
        if (k.character == c) {
            *key = k.key;
            *shift = k.shift;
            return true;
        }
    }
    return false;
}

Owner CurrentOwner() { return K().menuOpen ? MenuOwns : MachineOwns; }
PressQueue& CurrentQueue() { return K().menuOpen ? K().menu : K().machine; }

void Queue(PressQueue& queue, Owner owner, uint8_t position, uint8_t key, uint8_t alsoKey, Shift shift, bool held)
{
    const Press press{position, key, alsoKey, shift, HeldModifiers(owner), held, -1};
    queue.presses.push_back(press);
    if (position != NoKey)
        K().lastPress[position] = press;
}

void Queue(uint8_t position, uint8_t key, uint8_t alsoKey, Shift shift, bool held)
{
    Queue(CurrentQueue(), CurrentOwner(), position, key, alsoKey, shift, held);
}

// The next waiting press is handed on once every handed one has been held
// long enough and the gap after the last release is over.
void HandNext(PressQueue& queue)
{
    if (queue.gap > 0)
        return;
    for (Press& p : queue.presses) {
        if (p.frames < 0) {
            p.frames = 0;
            return;
        }
        if (p.frames < HoldFrames)
            return;
    }
}

// One frame of the queue's owner has passed.  With `tapsOnly` a press
// ends after its frames whether or not its key is still held.
void Tick(PressQueue& queue, bool tapsOnly)
{
    for (auto it = queue.presses.begin(); it != queue.presses.end() && it->frames >= 0;) {
        it->frames++;
        if ((!it->held || tapsOnly) && it->frames >= HoldFrames) {
            it = queue.presses.erase(it);
            queue.gap = GapFrames + 1;   // this frame end counts as the first
            continue;
        }
        ++it;
    }
    if (queue.gap > 0)
        queue.gap--;
    HandNext(queue);
}

bool TypeCharacter(PressQueue& queue, Owner owner, uint32_t character, LetterShift letters)
{
    uint8_t key;
    Shift shift;
    if (!KeyForCharacter(character, letters, &key, &shift))
        return false;
    Queue(queue, owner, NoKey, key, NoKey, shift, false);
    return true;
}

// The state one owner's keys make.
void OwnersState(const PressQueue& queue, Owner owner, uint8_t state[256])
{
    const KeyInput& k = K();
    for (int position = 0; position < 256; position++)
        if (!HasMachinePlace(static_cast<uint8_t>(position)) && k.owner[position] == owner)
            state[position] = 0x80;

    uint8_t modifiers = 0;
    bool anyHanded = false, shiftOn = false, shiftOff = false;
    for (const Press& p : queue.presses) {
        if (p.frames < 0)
            break;
        anyHanded = true;
        modifiers |= p.modifiers;
        shiftOn = shiftOn || p.shift == ShiftOn;
        shiftOff = shiftOff || p.shift == ShiftOff;
        state[p.key] = 0x80;
        if (p.alsoKey != NoKey)
            state[p.alsoKey] = 0x80;
    }
    if (!anyHanded)
        modifiers = HeldModifiers(owner);
    for (const auto& m : Modifiers)
        if (modifiers & m.bit)
            state[m.position] = 0x80;
    if (shiftOn) {
        if (!state[DIK_LSHIFT] && !state[DIK_RSHIFT])
            state[DIK_LSHIFT] = 0x80;
    } else if (shiftOff) {
        state[DIK_LSHIFT] = state[DIK_RSHIFT] = 0;
    }
}

}  // namespace

bool KeyInputWantsCharacter(uint8_t position)
{
    return Symbolic() && !IsModifier(position) && !FixedKeyAt(position) && HasMachinePlace(position);
}

void KeyInputDown(uint8_t position, uint32_t character)
{
    KeyInput& k = K();
    if (k.owner[position])
        return;   // already down: a repeat
    k.owner[position] = CurrentOwner();
    k.physicalDown++;
    if (IsModifier(position) || !HasMachinePlace(position)) {
        // Modifiers and keys without a machine place are read as they are;
        // in the symbolic map some of the latter hold a fixed machine key.
        // A menu keeps even a quick tap of one for its next look.
        const FixedKey* fixed = Symbolic() ? FixedKeyAt(position) : nullptr;
        if (fixed)
            Queue(position, fixed->key, position, fixed->shift, true);
        else if (k.menuOpen && !IsModifier(position))
            Queue(position, position, NoKey, ShiftAsHeld, true);
        return;
    }
    if (!Symbolic()) {
        Queue(position, position, NoKey, ShiftAsHeld, true);
        return;
    }
    if (const FixedKey* fixed = FixedKeyAt(position)) {
        Queue(position, fixed->key, NoKey, fixed->shift, true);
        return;
    }
    uint8_t key;
    Shift shift;
    if (character == 0) {
        // The key typed nothing (a dead key waiting for the next one, say).
        // The keypad without NumLock is the cursor keys: those go by place.
        if (IsKeypad(position))
            Queue(position, position, NoKey, ShiftAsHeld, true);
    } else if (KeyForCharacter(character, LetterShift::AsHeld, &key, &shift)) {
        Queue(position, key, NoKey, shift, true);
    }
}

void KeyInputRepeat(uint8_t position)
{
    KeyInput& k = K();
    const Press& last = k.lastPress[position];
    if (!k.unpaced || k.machineTimeEvents || k.menuOpen || k.owner[position] != MachineOwns ||
        last.position != position)
        return;
    Queue(k.machine, MachineOwns, position, last.key, last.alsoKey, last.shift, false);
}

void KeyInputUp(uint8_t position)
{
    KeyInput& k = K();
    if (k.owner[position]) {
        k.owner[position] = Up;
        k.physicalDown--;
    }
    for (PressQueue* queue : {&k.machine, &k.menu})
        for (Press& p : queue->presses)
            if (p.position == position)
                p.held = false;
}

bool KeyInputType(uint32_t character, bool anyCaseLetters)
{
    return TypeCharacter(CurrentQueue(), CurrentOwner(), character,
                         anyCaseLetters ? LetterShift::Never : LetterShift::ByCase);
}

size_t KeyInputTypeText(std::string_view utf8)
{
    size_t skipped = 0;
    uint32_t previous = 0;
    for (size_t i = 0; i < utf8.size();) {
        // One UTF-8 sequence; a malformed byte counts as one skipped character.
        auto byte = static_cast<uint8_t>(utf8[i]);
        int length = byte < 0x80 ? 1 : (byte >> 5) == 6 ? 2 : (byte >> 4) == 14 ? 3 : (byte >> 3) == 30 ? 4 : 0;
        uint32_t c = length == 1 ? byte : length == 2 ? byte & 0x1F : length == 3 ? byte & 0x0F : byte & 0x07;
        bool valid = length > 0 && i + length <= utf8.size();
        for (int n = 1; valid && n < length; n++) {
            auto next = static_cast<uint8_t>(utf8[i + n]);
            valid = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        i += valid ? length : 1;
        bool lineEnd = c == '\n' && previous == '\r';
        previous = c;
        if (lineEnd)
            continue;   // CR LF is one RETURN
        if (!valid || !TypeCharacter(K().machine, MachineOwns, c, LetterShift::Never))
            skipped++;
    }
    return skipped;
}

void KeyInputReleaseAll()
{
    for (int position = 0; position < 256; position++)
        KeyInputUp(static_cast<uint8_t>(position));
}

size_t KeyInputPending() { return K().machine.presses.size(); }
bool KeyInputAnyDown() { return K().physicalDown > 0; }

bool KeyInputQuiet()
{
    const KeyInput& k = K();
    return k.physicalDown == 0 && k.machine.presses.empty() && k.menu.presses.empty();
}

void KeyInputFrame(bool unpaced)
{
    KeyInput& k = K();
    k.unpaced = unpaced;
    Tick(k.machine, unpaced && !k.machineTimeEvents);
}

void KeyInputEventsInMachineTime(bool on) { K().machineTimeEvents = on; }

void KeyInputMenuOpen()
{
    KeyInput& k = K();
    if (k.menuOpen)
        return;
    k.menuOpen = true;
    // What the machine holds is let go: it sees the release when it runs
    // again.  The keys themselves are the menu's now (the hot key that
    // opened it among them).
    for (uint8_t& owner : k.owner)
        if (owner == MachineOwns)
            owner = MenuOwns;
    for (Press& p : k.machine.presses)
        p.held = false;
    k.menu = PressQueue();
    k.lastMenuFrame = QueryPerformanceCounter();
}

void KeyInputMenuClose()
{
    KeyInput& k = K();
    k.menuOpen = false;
    // The presses the menu has seen were its own.  Those it never saw came
    // after the key that closed it (typed on at once): they are the
    // machine's, and so are their keys.
    for (Press p : k.menu.presses) {
        if (p.frames >= 0)
            continue;
        p.modifiers = HeldModifiers(MachineOwns);   // the menu's Shift stays the menu's
        k.machine.presses.push_back(p);
        if (p.position != NoKey && k.owner[p.position] == MenuOwns)
            k.owner[p.position] = MachineOwns;
    }
    k.menu = PressQueue();
}

void KeyInputMenuFrame()
{
    KeyInput& k = K();
    if (!k.menuOpen)
        return;
    k.lastMenuFrame = QueryPerformanceCounter();
    Tick(k.menu, false);
}

void KeyInputReadForMachine(bool on) { K().machineReading = on; }

void KeyInputState(uint8_t state[256])
{
    KeyInput& k = K();
    std::memset(state, 0, 256);
    if (KeyInputQuiet())
        return;   // the usual case: nothing down, nothing to come
    if (!k.menuOpen || k.machineReading) {
        OwnersState(k.machine, MachineOwns, state);
        return;
    }
    // A menu has no frames of its own between its pictures (it may wait
    // for a key's release, or run the machine in the debugger): there the
    // counter's 1/50 s count as its frames.  A press is handed on at once
    // when it may be, for the menu looks at the keys when it likes.
    const int64_t period = QueryPerformanceFrequency() / 50;
    const int64_t now = QueryPerformanceCounter();
    if (now - k.lastMenuFrame >= period) {
        k.lastMenuFrame = now;
        Tick(k.menu, false);
    }
    HandNext(k.menu);
    OwnersState(k.menu, MenuOwns, state);
}

void ResetKeyInput() { K() = KeyInput(); }
