// The TED's sound on its way to the device: levels at the chip's rate in,
// samples at the device's rate out, through the same band-limited filter
// and the output stage's DC-blocking high-pass on every backend.
//
// The chip's output is a staircase: it holds a level and changes it only on
// a sound clock.  Each change is drawn into the output as a band-limited step
// (the integral of a Kaiser-windowed sinc low-pass), placed at its exact
// time between output samples, so the work follows the number of changes,
// not the chip's rate, and nothing above the device's Nyquist limit folds
// back into the audible band.
//
// Threads: one writer (the emulation) and one reader (the audio callback,
// the browser's audio node, or the headless backend's clock) share a queue
// of output samples through two counters; neither waits for the other.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/devices.h"

constexpr int StreamStepTaps = 64;        // output samples one level change reaches
constexpr int StreamStepPhases = 128;     // tabulated places between two samples
constexpr uint32_t StreamQueueSamples = 1u << 15;
// A paced stream (a real device) starts playing once this much sound is
// queued.  Then it steers its conversion rate, by up to StreamSteerLimit,
// so that the least sound left after any of the device's takes, over half
// a second, is StreamPacedSpareSeconds: the queue follows whatever bursts
// the writer (a frame at a time) and the device (a period, or two at once)
// make, and no more.  The limit is wide enough for a machine that runs a
// few percent slow on a busy computer (its sound then plays that much
// lower, as the machine itself runs); a device's own clock is off by far
// less.
constexpr double StreamPacedQueueSeconds = 0.025;
constexpr double StreamPacedSpareSeconds = 0.004;
constexpr double StreamSteerLimit = 0.05;
// The output stage: a first-order high-pass, as the coupling capacitor.
constexpr double StreamHighPassHz = 16.0;
// One voice at full volume is this fraction of full scale.
constexpr float StreamVoiceScale = 0.4f;

struct SoundStream {
    std::atomic<bool> ready{false};
    bool paced = false;
    // The device's rate; the reader sets it, the writer follows.
    std::atomic<uint32_t> outputRate{0};

    // The writer's own.
    double inputRate = 0;
    uint32_t filterRate = 0;     // output rate the step table was made for
    double step = 0;             // output samples per input level
    double steer = 0;            // relative change of step, paced streams
    // Where the next level falls among the pending samples, in 32.32 fixed
    // point.
    uint64_t position = 0;
    float level = 0;             // input level held since the last change
    float settled = 0;           // level reached by the samples already sent
    float highPassIn = 0, highPassOut = 0, highPassPole = 0;
    std::vector<float> stepTable;   // (Phases + 1) rows of Taps: a step's ripple
    std::vector<float> ripple;      // pending output samples: the steps' ripple, in banks
    uint32_t bank = 0;              // the bank the next step goes to
    std::vector<float> changes;     // pending output samples: level changes
    std::vector<float> finished;

    // The queue.
    std::vector<float> queue;
    std::atomic<uint64_t> written{0};
    std::atomic<uint64_t> taken{0};
    std::atomic<uint64_t> dropped{0};

    // The reader's own, and what it counts for the log.
    bool primed = false;
    float lastSample = 0;
    // The least left after a take: over the current half second (the
    // reader's), and over the last ones, smoothed (for the writer).
    int64_t spareLeast = INT64_MAX;
    uint64_t spareSince = 0;
    std::atomic<float> spare{0};
    std::atomic<uint64_t> underruns{0};
    std::atomic<uint64_t> reads{0};
    std::atomic<uint64_t> queuedSum{0};   // samples queued at each read, summed
};

// Prepares the stream for the writer's first level (the writer's thread).
// A paced stream steers its rate to keep StreamPacedQueueSeconds queued and
// starts playing only once that much is there; an unpaced one converts at
// exactly the two rates and hands out what it has.
bool StreamSetInputRate(SoundStream& s, double levelsPerSecond, bool paced);
bool StreamWrite(SoundStream& s, const SoundLevelRun* runs, uint32_t count);
// Back to nothing (after the reader has stopped for good).
void StreamClose(SoundStream& s);
// Where the band-limited step's stop band begins for the rate the converter
// last made its filter for (the writer's thread); 0 until it has made one.
// A tone above it comes out as its mean level and nothing else, so the
// generator can hand such a voice over as its mean instead of its edges.
float StreamStopBandHz();

// Samples waiting for the reader.
size_t StreamQueued(const SoundStream& s);
// Up to `frames` samples at outputRate into out (full scale ±1); the rest,
// if the queue runs dry, repeats the last sample and counts an underrun.
// Returns false, writing nothing, while the stream is not ready.
bool StreamRead(SoundStream& s, float* out, size_t frames, uint32_t outputRate);

// One line in the log: underruns, the average queue and the samples shed.
void StreamLogSummary(const SoundStream& s, uint32_t deviceRate, uint32_t periodFrames);
