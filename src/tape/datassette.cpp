#include "tape/datassette.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "drive/hardware_drive.h"
#include "files/safe_save.h"
#include "machine/machine_state.h"
#include "machine/settings.h"
#include "tape/tap_image.h"
#include "tape/tape_clock.h"

uint8_t TapeMoving = 0;

namespace {

// Fast forward and rewind run this many times faster than play.
constexpr uint64_t WindSpeed = 20;
// Moving between two keys takes a hand this long: the sense line shows no
// key for it, and the KERNAL's interrupt, which switches the motor, sees the
// release (two of its 50 Hz runs).
constexpr uint64_t KeyChangeFrames = 3;
// Room for a recording's half waves made at once, so that the write line's
// changes rarely allocate: a minute of the KERNAL's shortest waves.
constexpr size_t RecordingReserve = 1 << 18;

struct Deck {
    bool present = true;
    const char* absentReason = "";
    bool attached = false;
    bool writeProtected = false;
    bool dirty = false;
    std::string path;
    TapImage image;
    DeckKey key = DeckKey::Stop;
    uint64_t senseUpUntilFrame = 0;
    uint64_t releaseSeenUntilFrame = 0;   // after STOP: when a hand could press again
    bool motorLine = false;
    bool writeHigh = false;

    // The position: the wave (or half of a full wave) under the head, the
    // tape time at its start and end, and the tape time now, all in cycles
    // of the image's clock from the start of the tape.
    size_t index = 0;
    uint8_t half = 0;
    uint64_t waveStart = 0, waveEnd = 0;
    uint64_t now = 0;
    uint64_t fraction = 0;   // of a tape cycle, in 1/2^32
    uint64_t rate = 0;       // tape cycles per machine cycle, 32.32

    // Recording: from recordStart on, the waves between the write line's
    // changes; the last change at lastEdge.
    bool recording = false;
    uint64_t recordStart = 0, lastEdge = 0;
    std::vector<uint32_t> recorded;

    std::string message;
};

Deck& D()
{
    static Deck deck;
    return deck;
}

bool AtEnd(const Deck& d) { return d.index >= d.image.waves.size(); }

// A recorded wave: the time since the last change, at most what an image
// can hold (24 bits of cycles).
uint32_t RecordedWave(uint64_t cycles) { return static_cast<uint32_t>(std::min<uint64_t>(cycles, 0xFFFFFF)); }

uint32_t SegmentLength(const Deck& d, size_t index, uint8_t half)
{
    const uint32_t wave = d.image.waves[index];
    if (!d.image.fullWaves)
        return wave;
    return half == 0 ? wave / 2 : wave - wave / 2;
}

// Half waves alternate low and high from a low first one; a full wave is
// low, then high.
bool SegmentHigh(const Deck& d) { return d.image.fullWaves ? d.half == 1 : (d.index & 1) != 0; }

void StartSegmentAt(Deck& d, uint64_t start)
{
    d.waveStart = start;
    d.waveEnd = AtEnd(d) ? start : start + SegmentLength(d, d.index, d.half);
}

void NextSegment(Deck& d)
{
    if (d.image.fullWaves && d.half == 0) {
        d.half = 1;
    } else {
        d.half = 0;
        d.index++;
    }
    StartSegmentAt(d, d.waveEnd);
}

void PreviousSegment(Deck& d)
{
    if (d.image.fullWaves && d.half == 1) {
        d.half = 0;
    } else {
        d.index--;
        d.half = d.image.fullWaves ? 1 : 0;
    }
    const uint64_t end = d.waveStart;
    d.waveStart = end - SegmentLength(d, d.index, d.half);
    d.waveEnd = end;
}

void Rewound(Deck& d)
{
    d.index = 0;
    d.half = 0;
    d.now = 0;
    d.fraction = 0;
    StartSegmentAt(d, 0);
}

void UpdateMoving()
{
    Deck& d = D();
    TapeMoving = DatassettePresent() && d.attached && d.motorLine && d.key != DeckKey::Stop;
}

void BeginRecording(Deck& d)
{
    if (d.image.fullWaves) {
        // The position in halves: the wave's first half is index * 2.
        const size_t at = d.index * 2 + d.half;
        MakeHalfWaves(&d.image);
        d.index = at;
        d.half = 0;
    }
    // The recording starts between two waves: one under the head is cut.
    if (!AtEnd(d) && d.now > d.waveStart) {
        const uint32_t played = static_cast<uint32_t>(d.now - d.waveStart);
        d.image.waves[d.index] -= played;
        d.image.waves.insert(d.image.waves.begin() + static_cast<std::ptrdiff_t>(d.index), played);
        d.index++;
    }
    d.recording = true;
    d.recordStart = d.lastEdge = d.now;
    d.recorded.clear();
    d.recorded.reserve(RecordingReserve);
}

// The recorded stretch replaces what the tape held there; what lies past
// it stays.
void EndRecording(Deck& d)
{
    if (!d.recording)
        return;
    d.recording = false;
    if (d.now > d.lastEdge)
        d.recorded.push_back(RecordedWave(d.now - d.lastEdge));
    uint64_t covered = d.now - d.recordStart;
    std::vector<uint32_t>& waves = d.image.waves;
    size_t end = d.index;
    while (end < waves.size() && covered >= waves[end])
        covered -= waves[end++];
    if (end < waves.size())
        waves[end] -= static_cast<uint32_t>(covered);
    waves.erase(waves.begin() + static_cast<std::ptrdiff_t>(d.index), waves.begin() + static_cast<std::ptrdiff_t>(end));
    waves.insert(waves.begin() + static_cast<std::ptrdiff_t>(d.index), d.recorded.begin(), d.recorded.end());
    d.index += d.recorded.size();
    d.half = 0;
    d.recorded.clear();
    d.recorded.shrink_to_fit();
    StartSegmentAt(d, d.now);
    d.dirty = true;
}

// The tape stopped (the motor, a key, the end): a recording is finished and
// written out.
void TapeStopped(Deck& d)
{
    if (d.recording) {
        EndRecording(d);
        TapeFlush();
    }
}

// After a change of key, motor or tape.
void Changed(Deck& d)
{
    const bool wasMoving = TapeMoving != 0;
    UpdateMoving();
    if (wasMoving && !TapeMoving)
        TapeStopped(d);
    if (TapeMoving && d.key == DeckKey::Record && !d.recording)
        BeginRecording(d);
}

// The end of the tape stops the deck: its key comes up.
void ReachedEnd(Deck& d)
{
    d.key = DeckKey::Stop;
    Changed(d);
}

void Play(Deck& d)
{
    while (d.now >= d.waveEnd) {
        if (AtEnd(d)) {
            d.now = d.waveStart;
            ReachedEnd(d);
            return;
        }
        NextSegment(d);
    }
}

void Wind(Deck& d, uint64_t cycles)
{
    if (d.key == DeckKey::FastForward) {
        d.now += cycles * (WindSpeed - 1);
        Play(d);
        return;
    }
    const uint64_t back = cycles * (WindSpeed + 1);   // the play step went forward
    if (back >= d.now) {
        Rewound(d);
        ReachedEnd(d);
        return;
    }
    d.now -= back;
    while (d.now < d.waveStart)
        PreviousSegment(d);
}

bool Writable(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && (info.st_mode & 0222) != 0 && access(path.c_str(), W_OK) == 0;
}

bool FolderWritable(const std::string& path)
{
    std::string folder = std::filesystem::path(path).parent_path().string();
    return Writable(folder.empty() ? "." : folder);
}

void Insert(Deck& d, const std::string& path, TapImage image, bool writeProtected)
{
    d.attached = true;
    d.path = path;
    d.image = std::move(image);
    d.writeProtected = writeProtected;
    d.dirty = false;
    d.recording = false;
    d.rate = TapeCyclesPerMachineCycle(TapClockHz(d.image.video));
    Rewound(d);
    Changed(d);
}

}  // namespace

void TapeAdvance(uint32_t machineCycles)
{
    Deck& d = D();
    d.fraction += machineCycles * d.rate;
    const uint64_t cycles = d.fraction >> 32;
    d.fraction &= 0xFFFFFFFFu;
    d.now += cycles;
    switch (d.key) {
    case DeckKey::Play: Play(d); break;
    case DeckKey::Record: break;   // waves are made at the write line's changes
    case DeckKey::FastForward:
    case DeckKey::Rewind: Wind(d, cycles); break;
    case DeckKey::Stop: break;
    }
}

bool TapeReadLineHigh()
{
    const Deck& d = D();
    return TapeMoving && d.key == DeckKey::Play && !AtEnd(d) && SegmentHigh(d);
}

bool TapeSenseKeyDown()
{
    const Deck& d = D();
    return DatassettePresent() && d.key != DeckKey::Stop && Ted.FramesCompleted >= d.senseUpUntilFrame;
}

void TapeLinesChanged(bool motorOn, bool writeHigh)
{
    Deck& d = D();
    if (d.recording && writeHigh != d.writeHigh) {
        d.recorded.push_back(RecordedWave(d.now - d.lastEdge));
        d.lastEdge = d.now;
    }
    d.writeHigh = writeHigh;
    if (motorOn != d.motorLine) {
        d.motorLine = motorOn;
        Changed(d);
    }
}

bool TapeAttach(const std::string& path, std::string* message)
{
    TapeDetach();
    Deck& d = D();
    if (!DatassettePresent()) {
        *message = DatassetteAbsentReason();
        return false;
    }
    // A tape named through symbolic links is the file at their end, and is
    // written back there; a link to no file never becomes a new tape.
    std::string target;
    if (!SaveTargetOf(path, &target, message))
        return false;
    std::error_code error;
    if (!std::filesystem::exists(target, error) && !error) {
        if (!FolderWritable(target)) {
            *message = "can't make a new tape there: the folder is not writable";
            return false;
        }
        Insert(d, path, TapImage{}, false);
        return true;
    }
    TapImage image;
    if (!ReadTapFile(path, &image, message))
        return false;
    Insert(d, path, std::move(image), !Writable(target) || !FolderWritable(target));
    return true;
}

bool TapeCreate(const std::string& path, std::string* message)
{
    std::error_code error;
    if (std::filesystem::exists(path, error) || error) {
        *message = "a file of that name exists";
        return false;
    }
    TapeDetach();
    Deck& d = D();
    if (!DatassettePresent()) {
        *message = DatassetteAbsentReason();
        return false;
    }
    if (!WriteTapFile(path, TapImage{})) {
        *message = "can't write " + path + ": " + SaveFailureReason();
        return false;
    }
    Insert(d, path, TapImage{}, false);
    return true;
}

void TapeDetach()
{
    Deck& d = D();
    if (!d.attached)
        return;
    EndRecording(d);
    TapeFlush();
    d.key = DeckKey::Stop;
    d.attached = false;
    d.path.clear();
    d.image = TapImage{};
    Rewound(d);
    Changed(d);
}

bool TapeAttached() { return D().attached; }
bool TapeWriteProtected() { return D().writeProtected; }
const std::string& TapeAttachedPath() { return D().path; }

bool TapePressKey(DeckKey key)
{
    Deck& d = D();
    if (!d.attached || !DatassettePresent() || (key == DeckKey::Record && d.writeProtected))
        return false;
    if (key == d.key)
        return true;
    // Recording ends with the record key's release.
    if (d.key == DeckKey::Record) {
        EndRecording(d);
        TapeFlush();
    }
    // Between two keys the hand takes its time, also through STOP.
    if (key == DeckKey::Stop)
        d.releaseSeenUntilFrame = Ted.FramesCompleted + KeyChangeFrames;
    else if (d.key != DeckKey::Stop)
        d.senseUpUntilFrame = Ted.FramesCompleted + KeyChangeFrames;
    else
        d.senseUpUntilFrame = std::max(d.senseUpUntilFrame, d.releaseSeenUntilFrame);
    d.key = key;
    Changed(d);
    return true;
}

DeckKey TapeKeyDown() { return D().key; }
bool TapeMotorOn() { return DatassettePresent() && D().motorLine; }

double TapeSeconds()
{
    const Deck& d = D();
    if (!d.attached)
        return 0.0;
    return static_cast<double>(d.now) / TapClockHz(d.image.video);
}

unsigned TapeCounter()
{
    // The counter turns with the take-up spool, whose radius grows as tape
    // winds on: turns = (sqrt(r0^2 + v t h / pi) - r0) / h, for a hub of
    // 11 mm, tape 18 um thick running at 47.6 mm/s.
    constexpr double Hub = 11.0, Thickness = 0.018, Speed = 47.6;
    const double t = TapeSeconds();
    const double turns = (std::sqrt(Hub * Hub + Speed * t * Thickness / 3.141592653589793) - Hub) / Thickness;
    return static_cast<unsigned>(turns) % 1000;
}

bool TapeFlush()
{
    Deck& d = D();
    if (!d.attached || !d.dirty)
        return true;
    if (!WriteTapFile(d.path, d.image)) {
        d.message = "can't write the tape image " + d.path + " (" + SaveFailureReason() +
                    "); the recording is kept until it can";
        return false;
    }
    d.dirty = false;
    return true;
}

std::string TakeTapeMessage()
{
    std::string text;
    text.swap(D().message);
    return text;
}

void SetDatassettePresent(bool present, const char* absentReason)
{
    Deck& d = D();
    if (!present)
        TapeDetach();
    d.present = present;
    d.absentReason = present ? "" : absentReason;
    UpdateMoving();
}

// The older model's processor port reads all ones: no tape can be read.
bool DatassettePresent() { return D().present && Config.Accuracy != 0; }

const char* DatassetteAbsentReason()
{
    return !D().present ? D().absentReason : "the older model (Accuracy=0) has no tape support";
}

// The machine runs unpaced while a device loads with its warp on: a moving
// tape (TapeWarp) or the 1541's motor (DriveWarp).
bool TapeWarpActive() { return (TapeMoving && Config.TapeWarp != 0) || DriveWarpActive(); }

void ResetTapeState()
{
    D() = Deck{};
    TapeMoving = 0;
}
