// Drive 8's side of the parallel port: the port's registers as the computer
// sees them, and the drive's part of the conversation (LISTEN, TALK, the
// secondary addresses and the bytes), passed on to the DOS in drive.h.
#include "drive/bus_port.h"

#include "drive/dos.h"
#include "drive/hardware_drive.h"

namespace {

// The command codes the KERNAL puts on port A before each byte.
constexpr uint8_t CodeBusCommand = 0x81;   // TALK, LISTEN, UNTALK, UNLISTEN
constexpr uint8_t CodeSecondary = 0x82;
constexpr uint8_t CodeDataOut = 0x83;      // a byte for the listening drive
constexpr uint8_t CodeDataIn = 0x84;       // a byte from the talking drive

// The drive's status on port B bits 0-1.
constexpr uint8_t StatusOk = 0;
constexpr uint8_t StatusNoData = 2;        // the KERNAL's "time out on read"
constexpr uint8_t StatusEnd = 3;           // the last byte: the KERNAL's EOI

constexpr uint8_t StrobeBit = 0x40;        // port C, the computer's
constexpr uint8_t ReplyBit = 0x80;         // port C, the drive's

// What the drive does with the bytes it hears after LISTEN.
enum class Listening : uint8_t { No, Ignoring, Name, Data };

struct BusPortState {
    // The adapter's registers (output latches and directions, 1 = output).
    uint8_t portA = 0, portB = 0, portC = 0;
    uint8_t directionA = 0, directionB = 0, directionC = 0;
    // The lines the drive drives: port A while it talks, and the status.
    uint8_t driveData = 0xFF;
    uint8_t driveStatus = StatusOk;
    // The command code of the byte under way, 0 between bytes.
    uint8_t code = 0;
    // A drive detached in the middle of a conversation still answers the
    // handshake of its closing UNTALK or UNLISTEN.
    bool closing = false;

    Listening listening = Listening::No;
    bool talking = false;
    bool talkChannelSet = false;
    uint8_t channel = 0;
    // Per channel: a byte was sent since it was opened, so running dry is
    // the end of the file, not a missing file.
    uint16_t sentSinceOpen = 0;
    uint8_t nameLength = 0;
    uint8_t name[255] = {};
};

BusPortState Port;

// The strobe as the computer drives it; an input pin floats high.
bool StrobeHigh()
{
    return (Port.portC | static_cast<uint8_t>(~Port.directionC)) & StrobeBit;
}

uint8_t Merge(uint8_t latch, uint8_t direction, uint8_t lines)
{
    return static_cast<uint8_t>((latch & direction) | (lines & ~direction));
}

void BusCommand(uint8_t byte)
{
    if (byte == 0x3F) {   // UNLISTEN: what was heard takes effect
        if (Port.listening == Listening::Name)
            DriveOpen(Port.channel, Port.name, Port.nameLength);
        else if (Port.listening == Listening::Data)
            DriveEndListen(Port.channel);
        Port.listening = Listening::No;
    } else if (byte == 0x5F) {   // UNTALK
        Port.talking = false;
    } else if ((byte & 0xE0) == 0x20) {   // LISTEN
        Port.listening = Listening::Ignoring;
        Port.talking = false;
    } else if ((byte & 0xE0) == 0x40) {   // TALK
        Port.talking = true;
        Port.talkChannelSet = false;
        Port.listening = Listening::No;
    }
}

void Secondary(uint8_t address)
{
    const uint8_t channel = address & 0x0F;
    const uint8_t kind = address & 0xF0;
    if (Port.talking) {
        Port.talkChannelSet = kind == 0x60;
        Port.channel = channel;
        return;
    }
    if (Port.listening == Listening::No)
        return;
    Port.channel = channel;
    Port.listening = Listening::Ignoring;
    if (kind == 0xF0) {   // OPEN: the name follows
        Port.listening = Listening::Name;
        Port.nameLength = 0;
        Port.sentSinceOpen &= static_cast<uint16_t>(~(1u << channel));
    } else if (kind == 0xE0) {   // CLOSE
        DriveClose(channel);
    } else if (kind == 0x60) {
        Port.listening = Listening::Data;
    }
}

void DataOut(uint8_t byte)
{
    if (Port.listening == Listening::Name) {
        if (Port.nameLength < sizeof Port.name)
            Port.name[Port.nameLength++] = byte;
    } else if (Port.listening == Listening::Data) {
        DriveListenByte(Port.channel, byte);
    }
}

// The drive puts its next byte on port A.  A channel with nothing to send
// reports "no data", which the KERNAL's LOAD takes for a missing file; once
// the channel has sent something, running dry is the end of the file (EOI),
// so that a file cut short by a read error ends a load instead of leaving
// the KERNAL asking for ever.  A read without TALK (a snapshot restored in
// the middle of a load: the drive has forgotten it) ends the file as well.
void DataIn()
{
    uint8_t byte = 0x0D;
    bool last = false;
    const uint16_t bit = static_cast<uint16_t>(1u << Port.channel);
    const bool talking = Port.talking && Port.talkChannelSet;
    if (talking && DriveTalkByte(Port.channel, &byte, &last)) {
        Port.sentSinceOpen |= bit;
        Port.driveStatus = last ? StatusEnd : StatusOk;
    } else {
        byte = 0x0D;
        Port.driveStatus = talking && !(Port.sentSinceOpen & bit) ? StatusNoData : StatusEnd;
    }
    Port.driveData = byte;
}

// Open from TALK or LISTEN until UNTALK or UNLISTEN: the KERNAL keeps using
// the parallel bus until then.
bool InConversation()
{
    return Port.talking || Port.listening != Listening::No;
}

// The drive went away in the middle of a conversation (detached from the
// menu during a load): the KERNAL, which waits for each handshake without a
// time limit, still gets its bytes answered, a read ends the file, and the
// next UNTALK or UNLISTEN ends the conversation.  Its next TALK or LISTEN
// finds no drive.
void StrobeFallsWithoutDrive(uint8_t code)
{
    if (code == CodeDataIn) {
        Port.driveData = 0x0D;
        Port.driveStatus = StatusEnd;
    } else if (code == CodeBusCommand && (Port.portA == 0x3F || Port.portA == 0x5F)) {
        Port.talking = false;
        Port.listening = Listening::No;
        Port.closing = true;
    }
}

void StrobeFalls()
{
    const uint8_t code = Port.code;
    Port.code = 0;
    if (!StoreAttached()) {
        StrobeFallsWithoutDrive(code);
        return;
    }
    const uint8_t byte = Port.portA;
    switch (code) {
    case CodeBusCommand: BusCommand(byte); break;
    case CodeSecondary: Secondary(byte); break;
    case CodeDataOut: DataOut(byte); break;
    case CodeDataIn: DataIn(); break;
    default: break;   // the second strobe that closes a read
    }
}

// Between bytes the drive lets go of port A and the status lines: the
// KERNAL's probe wants status bit 1 clear.
void StrobeRises()
{
    Port.driveData = 0xFF;
    Port.driveStatus = StatusOk;
    Port.closing = false;
}

}  // namespace

bool BusPortAnswers()
{
    // With the 1541 on drive 8 the parallel port is an empty socket.
    return (StoreAttached() || InConversation() || Port.closing) && !HardwareDriveOnBus();
}

uint8_t BusPortRead(uint16_t address)
{
    switch (address - BusPortBase) {
    case 0: return Merge(Port.portA, Port.directionA, Port.driveData);
    case 1: return Merge(Port.portB, Port.directionB, static_cast<uint8_t>(0xFC | Port.driveStatus));
    case 2: {
        // The drive's reply is the inverse of the strobe: it has always just
        // taken the byte.  The other inputs float high.
        const uint8_t reply = StrobeHigh() ? 0 : ReplyBit;
        return Merge(Port.portC, Port.directionC, static_cast<uint8_t>(0x7F | reply));
    }
    case 3: return Port.directionA;
    case 4: return Port.directionB;
    default: return Port.directionC;
    }
}

void BusPortWrite(uint16_t address, uint8_t value)
{
    const bool strobeWasHigh = StrobeHigh();
    switch (address - BusPortBase) {
    case 0:
        // The first byte after a handshake is the command code; the next is
        // the byte it announces.
        if (Port.code == 0 && value >= CodeBusCommand && value <= CodeDataIn)
            Port.code = value;
        Port.portA = value;
        return;
    case 1: Port.portB = value; return;
    case 2: Port.portC = value; break;
    case 3: Port.directionA = value; return;
    case 4: Port.directionB = value; return;
    default: Port.directionC = value; break;
    }
    const bool strobeHigh = StrobeHigh();
    if (strobeWasHigh && !strobeHigh)
        StrobeFalls();
    else if (!strobeWasHigh && strobeHigh)
        StrobeRises();
}

void DriveBusReset()
{
    Port.driveData = 0xFF;
    Port.driveStatus = StatusOk;
    Port.code = 0;
    Port.closing = false;
    Port.listening = Listening::No;
    Port.talking = false;
    Port.talkChannelSet = false;
    Port.sentSinceOpen = 0;
    Port.nameLength = 0;
    DriveReset();
    HardwareDriveReset();
}

void ResetDriveState()
{
    Port = BusPortState{};
    DriveDetach();
    ResetHardwareDriveState();
    DriveReset();
}
