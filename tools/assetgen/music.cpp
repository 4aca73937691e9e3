// final.mp3: an electronic track in A minor, synthesised sample by sample and
// encoded with LAME.
//
// The track is cut into the show's parts: every part is one section with its
// own whole number of beats, and every section starts exactly at its part's
// time, on a beat. The beat counts are chosen so the tempo stays near 120 BPM
// (118-128) and moves by at most 5 BPM from one section to the next; a
// section ends on a bar line wherever its length allows one at that tempo.
// The credits slow to 115 BPM as the show winds down, and the track fades
// to silence by the show's last frame. The kick is the show's
// conductor: the picture reacts to spectrum bins 0-4 (0-190 Hz), so the kick
// is the only sound that is loud down there, it lands on the beats, and each
// section sets its level and decay so that the part's thresholds are crossed
// for a few frames after each beat and not in between. Bass, pads and lead
// are ducked under the kick and kept quiet below 190 Hz.
#include "assetgen/assetgen.h"
#include "assetgen/music.h"

#include <lame/lame.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

const double kPartTimes[PART_COUNT + 1] = {0,     11.4,  23.4,   30,     39.5,   43.5,
                                           51.5,  73,    84.78,  91.4,   101.28, 109.6,
                                           113.6, 120.6, 129.78, 154.78, 180.78, 186};
const char *const kPartNames[PART_COUNT] = {
    "Part One",    "Part Two",  "Part Three", "Part Four",   "Part Five", "Part Six",
    "Part Seven",  "lake loop", "Part Eight", "Part Nine",   "Part Ten",  "Part eleven",
    "Part Twelve", "Part 13",   "Part 15",    "butterflyes", "credits"};

namespace {

const int kRate = 44100;
const double kPi = 3.14159265358979323846;

double NoteHz(int midi) {
    return 440.0 * std::pow(2.0, (midi - 69) / 12.0);
}

// Stereo mix buses: the dry mix, a reverb send and a delay send.
struct Mix {
    std::vector<float> l, r, revL, revR, dly; // Per sample: dry, reverb send, delay send
    std::vector<float> duck;                  // 1 - kick envelope: how much the pumping parts keep
    Rng noise;                                // The drums' noise source
};

int Index(double t) {
    return (int)std::lround(t * kRate);
}

// Zavalishin's topology-preserving state-variable filter: stable at any cutoff.
struct Svf {
    double ic1 = 0, ic2 = 0; // The two integrators' states
    // Runs one sample with cutoff hz and damping k (2 = no resonance); writes
    // the low-pass, band-pass and high-pass outputs.
    void Run(double x, double hz, double k, double *lp, double *bp, double *hp) {
        double g = std::tan(kPi * std::min(hz, kRate * 0.45) / kRate);
        double a1 = 1 / (1 + g * (g + k)), a2 = g * a1, a3 = g * a2;
        double v3 = x - ic2, v1 = a1 * ic1 + a2 * v3, v2 = ic2 + a2 * ic1 + a3 * v3;
        ic1 = 2 * v1 - ic1;
        ic2 = 2 * v2 - ic2;
        *lp = v2;
        *bp = v1;
        *hp = x - k * v1 - v2;
    }
};

// Band-limited sawtooth step (polyBLEP), phase in [0, 1).
double Saw(double phase, double inc) {
    double v = 2 * phase - 1;
    if (phase < inc) {
        double t = phase / inc;
        v -= t + t - t * t - 1;
    } else if (phase > 1 - inc) {
        double t = (phase - 1) / inc;
        v -= t * t + t + t + 1;
    }
    return v;
}

float White(Mix *m) {
    return RngFloat(&m->noise) * 2 - 1;
}

void Put(Mix *m, int i, double l, double r) {
    if (i < 0 || i >= (int)m->l.size()) return;
    m->l[i] += (float)l;
    m->r[i] += (float)r;
}

// Kick: a sine falling from 2.5 x low to low Hz in a few milliseconds, held
// at full level for `hold` seconds and then decaying with time constant
// `decay`; a short click on top, and optionally a thump (a single positive
// half-sine of 45 ms, felt more than heard) that fills spectrum bin 0. Mono;
// it ducks the pumping parts.
void Kick(Mix *m, double t0, double amp, double low, double hold, double decay, double thump) {
    int start = Index(t0), n = Index(hold + decay * 5 + 0.05);
    double phase = 0;
    for (int k = 0; k < n; k++) {
        double t = (double)k / kRate;
        double hz = low + low * 1.5 * std::exp(-t / 0.008);
        phase += hz / kRate;
        double env = std::min(1.0, t / 0.0015) * (t < hold ? 1.0 : std::exp(-(t - hold) / decay));
        double click = k < 150 ? White(m) * 0.25 * (1 - k / 150.0) : 0;
        double v = amp * env * std::sin(2 * kPi * phase) + click * amp;
        if (t < 0.045) v += thump * std::sin(kPi * t / 0.045);
        Put(m, start + k, v, v);
        int i = start + k;
        if (i < (int)m->duck.size()) {
            double d = 1 - 0.8 * std::exp(-t / 0.11) * std::min(1.0, t / 0.004);
            m->duck[i] = (float)std::min((double)m->duck[i], d);
        }
    }
}

// Snare: a tuned body (190 Hz unless a part wants bin 3) and band-passed noise; a little goes to
// the reverb.
void Snare(Mix *m, double t0, double amp, double body, double bodyHz) {
    int start = Index(t0), n = Index(0.3);
    Svf f;
    for (int k = 0; k < n; k++) {
        double t = (double)k / kRate, lp, bp, hp;
        f.Run(White(m), 2600, 0.9, &lp, &bp, &hp);
        double v = amp * (0.8 * bp * std::exp(-t / 0.075) +
                          body * std::sin(2 * kPi * bodyHz * t) * std::exp(-t / 0.07));
        Put(m, start + k, v, v);
        if (start + k < (int)m->revL.size()) {
            m->revL[start + k] += (float)(0.3 * v);
            m->revR[start + k] += (float)(0.3 * v);
        }
    }
}

// Hi-hat: high-passed noise, closed (short) or open, panned a little right.
void Hat(Mix *m, double t0, double amp, bool open) {
    int start = Index(t0), n = Index(open ? 0.35 : 0.06);
    Svf f;
    double decay = open ? 0.09 : 0.018;
    for (int k = 0; k < n; k++) {
        double t = (double)k / kRate, lp, bp, hp;
        f.Run(White(m), 8000, 1.2, &lp, &bp, &hp);
        double v = amp * hp * std::exp(-t / decay);
        Put(m, start + k, v * 0.8, v);
    }
}

// Crash: long high-passed noise, wide; marks the start of a section.
void Crash(Mix *m, double t0, double amp) {
    int start = Index(t0), n = Index(2.5);
    Svf fl, fr;
    for (int k = 0; k < n; k++) {
        double t = (double)k / kRate, lp, bp, hl, hr;
        fl.Run(White(m), 5000, 1.0, &lp, &bp, &hl);
        fr.Run(White(m), 5000, 1.0, &lp, &bp, &hr);
        double e = amp * std::exp(-t / 0.6) * std::min(1.0, t / 0.002);
        Put(m, start + k, hl * e, hr * e);
    }
}

// Riser: noise swept up through a band-pass over len seconds, ending at t1.
void Riser(Mix *m, double t1, double len, double amp) {
    int start = Index(t1 - len), n = Index(len);
    Svf f;
    for (int k = 0; k < n; k++) {
        double x = (double)k / n, lp, bp, hp;
        f.Run(White(m), 400 * std::pow(20.0, x), 1.2, &lp, &bp, &hp);
        double v = amp * bp * x * x;
        Put(m, start + k, v * (1 - 0.3 * x), v * (0.7 + 0.3 * x));
        if (start + k < (int)m->revL.size()) {
            m->revL[start + k] += (float)(0.2 * v);
            m->revR[start + k] += (float)(0.2 * v);
        }
    }
}

// Bass: two slightly detuned saws through a resonant low-pass whose cutoff
// opens at the note's start; fundamental kept under 0.2, ducked by the kick.
void Bass(Mix *m, double t0, double len, int midi, double amp, double bright) {
    int start = Index(t0), n = Index(len + 0.03);
    double hz = NoteHz(midi), p1 = 0, p2 = 0.3;
    Svf f, hp;
    for (int k = 0; k < n; k++) {
        double t = (double)k / kRate, lp, bp, h;
        double inc1 = hz / kRate, inc2 = hz * 1.004 / kRate;
        double x = Saw(p1, inc1) + Saw(p2, inc2);
        p1 += inc1, p2 += inc2;
        p1 -= std::floor(p1), p2 -= std::floor(p2);
        f.Run(x, 180 + bright * 2500 * std::exp(-t / 0.09), 0.5, &lp, &bp, &h);
        double y, dummy;
        // A gentle high-pass at 45 Hz keeps the lowest bins for the kick.
        hp.Run(lp, 45, 1.4, &dummy, &dummy, &y);
        double env =
            std::min(1.0, t / 0.004) * (t < len ? 1.0 : std::max(0.0, 1 - (t - len) / 0.03));
        int i = start + k;
        double d = i < (int)m->duck.size() ? m->duck[i] : 1;
        double v = amp * env * y * d;
        Put(m, i, v, v);
    }
}

// Pad: every note as three detuned saws spread across the stereo field,
// low-passed, with slow attack and release; a share goes to the reverb.
void Pad(Mix *m, double t0, double len, const std::vector<int> &notes, double amp, double cutoff) {
    const double attack = std::min(0.6, len * 0.4), release = 0.9;
    int start = Index(t0), n = Index(len + release);
    for (size_t v = 0; v < notes.size(); v++) {
        double hz = NoteHz(notes[v]);
        for (int s = 0; s < 3; s++) {
            double detune = 1 + (s - 1) * 0.006, pan = 0.5 + 0.4 * (s - 1) * (v % 2 ? -1 : 1);
            double phase = (v * 3 + s) * 0.37, inc = hz * detune / kRate;
            Svf f;
            for (int k = 0; k < n; k++) {
                double t = (double)k / kRate, lp, bp, hp;
                double env =
                    std::min(1.0, t / attack) * (t < len ? 1.0 : std::exp(-(t - len) / 0.3));
                f.Run(Saw(phase, inc), cutoff, 1.0, &lp, &bp, &hp);
                phase += inc;
                phase -= std::floor(phase);
                int i = start + k;
                if (i >= (int)m->l.size()) break;
                double d = 0.55 + 0.45 * m->duck[i];
                double x = amp * env * lp * d / 3;
                m->l[i] += (float)(x * (1 - pan));
                m->r[i] += (float)(x * pan);
                m->revL[i] += (float)(x * 0.5 * (1 - pan));
                m->revR[i] += (float)(x * 0.5 * pan);
            }
        }
    }
}

// Pluck: a bright saw with a fast filter and volume decay, sent to the delay.
void Pluck(Mix *m, double t0, int midi, double amp, double pan) {
    int start = Index(t0), n = Index(0.35);
    double hz = NoteHz(midi), phase = 0, inc = hz / kRate;
    Svf f;
    for (int k = 0; k < n; k++) {
        double t = (double)k / kRate, lp, bp, hp;
        f.Run(Saw(phase, inc), 300 + 5000 * std::exp(-t / 0.05), 0.8, &lp, &bp, &hp);
        phase += inc;
        phase -= std::floor(phase);
        double v = amp * lp * std::exp(-t / 0.12) * std::min(1.0, t / 0.002);
        int i = start + k;
        Put(m, i, v * (1 - pan), v * pan);
        if (i < (int)m->dly.size()) m->dly[i] += (float)(v * 0.5);
    }
}

// Lead: a square-ish voice (two pulse-like saws) with delayed vibrato.
void Lead(Mix *m, double t0, double len, int midi, double amp) {
    int start = Index(t0), n = Index(len + 0.25);
    double hz = NoteHz(midi), p1 = 0, p2 = 0.5;
    Svf f;
    for (int k = 0; k < n; k++) {
        double t = (double)k / kRate, lp, bp, hp;
        double vib = 1 + 0.006 * std::sin(2 * kPi * 5.5 * t) * std::min(1.0, t / 0.4);
        double inc1 = hz * vib / kRate, inc2 = hz * vib * 1.003 / kRate;
        double x = Saw(p1, inc1) - Saw(p2, inc2); // two saws half a cycle apart: a pulse
        p1 += inc1, p2 += inc2;
        p1 -= std::floor(p1), p2 -= std::floor(p2);
        f.Run(x, 3200, 1.1, &lp, &bp, &hp);
        double env = std::min(1.0, t / 0.01) * (t < len ? 1.0 : std::exp(-(t - len) / 0.06));
        double v = amp * lp * env;
        int i = start + k;
        Put(m, i, v * 0.9, v);
        if (i < (int)m->l.size()) {
            m->revL[i] += (float)(v * 0.35);
            m->revR[i] += (float)(v * 0.35);
            m->dly[i] += (float)(v * 0.4);
        }
    }
}

// Pedal: a sine on the given note from t0 to t1, with fades of a few
// cycles, so one section's pedal hands over to the next's without a gap: it holds
// the low bins steady, so what they drive holds steady too. A note on a bin
// fills that bin and half of each neighbour; a note between two bins fills
// both nearly alike. It is ducked under the kick `duckDepth` times as deep
// as the pumping parts: two tones in one bin beat at their difference, which
// would make the bin, and what it drives, swing from frame to frame all
// through each kick. With `swell` above 0 the pedal itself swells by that
// share on every beat (beat seconds apart from t0) and dies back within a
// tenth of a second: one tone, so its bins rise and fall with the beat
// without beating against anything, and a section without a kick in those
// bins still moves on its beats.
void Pedal(Mix *m, double t0, double t1, double amp, int midi, double duckDepth, double swell,
           double beat) {
    int start = Index(t0), n = Index(t1 - t0);
    double hz = NoteHz(midi);
    for (int k = 0; k < n; k++) {
        double t = (double)k / kRate;
        double env = std::min({1.0, t / 0.04, (t1 - t0 - t) / 0.04});
        if (swell > 0) {
            double since = t - beat * std::floor(t / beat); // seconds since the last beat
            env *= 1 + swell * std::min(1.0, since / 0.005) * std::exp(-since / 0.1);
        }
        int i = start + k;
        double d =
            i < (int)m->duck.size() ? std::max(0.0, 1 - duckDepth * (1 - (double)m->duck[i])) : 1;
        double v = amp * env * d * std::sin(2 * kPi * hz * t);
        Put(m, i, v, v);
    }
}

// Chords of the progressions, as pad voicings from A3 up (no pad note falls
// in the kick's bins) and the bass root an octave or two below.
struct Chord {
    int root;     // Bass note (MIDI), 36-47
    int notes[4]; // Pad voicing (MIDI), 57 and above
};
const Chord kAm{45, {57, 60, 64, 69}}, kF{41, {57, 60, 65, 69}}, kC{36, {60, 64, 67, 72}},
    kG{43, {59, 62, 67, 71}}, kEm{40, {59, 64, 67, 71}}, kDm{38, {57, 62, 65, 69}},
    kE{40, {59, 64, 68, 71}};

// Melodies: notes as "E5:2" (name, octave, length in eighths) or "-:2" for a rest.
std::vector<std::pair<int, int>> ParseMelody(const char *text) {
    std::vector<std::pair<int, int>> out;
    const char *p = text;
    while (*p) {
        while (*p == ' ' || *p == '|') p++;
        if (!*p) break;
        int midi = -1;
        if (*p == '-') {
            p++;
        } else {
            static const int base[7] = {9, 11, 0, 2, 4, 5, 7}; // A B C D E F G
            int n = base[*p - 'A'];
            p++;
            if (*p == '#') n++, p++;
            midi = 12 * (*p - '0' + 1) + n;
            p++;
        }
        int len = 0;
        if (*p == ':') p++;
        while (*p >= '0' && *p <= '9') len = len * 10 + (*p++ - '0');
        out.push_back({midi, len});
    }
    return out;
}

// The main theme over Am F C G (4 bars of 8 eighths) and its answer.
const char *kThemeA = "E5:2 D5:1 C5:1 D5:2 E5:2 | F5:2 E5:1 D5:1 C5:3 A4:1 | "
                      "G4:2 C5:1 D5:1 E5:2 G5:2 | D5:3 B4:1 D5:2 -:2";
const char *kThemeB = "A5:2 G5:1 E5:1 G5:2 A5:2 | C6:2 A5:1 G5:1 F5:4 | "
                      "E5:2 G5:1 A5:1 G5:2 E5:1 D5:1 | D5:4 B4:2 -:2";
const char *kThemeC = "A4:3 C5:1 E5:2 A5:2 | G5:3 E5:1 C5:4 | "
                      "D5:2 E5:2 F5:2 A5:2 | G#5:4 E5:4";

// One section of the track: one part of the show.
struct Section {
    int beats;              // Whole beats in the part (sets the tempo)
    const char *kick;       // 16 steps per bar: 'x' a kick
    double kickAmp;         // Kick level, 0-1
    double kickLow;         // Kick's resting pitch, Hz
    double kickDecay;       // Kick's decay, seconds
    const char *snare;      // 16 steps: 'x' a snare
    double snareAmp;        //
    const char *hats;       // 16 steps: 'x' closed, 'o' open
    double hatAmp;          //
    const char *bass;       // 16 steps: 'x' a bass note (one sixteenth), 'l' a long one
    double bassAmp;         //
    double padAmp;          // 0: no pad
    double padCutoff;       // Hz
    int arp;                // 1: sixteenth plucks through the chord
    const char *melody;     // Null: no lead
    double leadAmp;         //
    const Chord *chords[4]; // The progression, one chord a bar
    int crash;              // 1: a crash at the section's start
    double riser;           // Length of a riser ending at the section's end, 0: none
    double kickHold = 0.04; // Seconds the kick holds its full level
    double thump = 0;       // Level of the kick's bin-0 thump
    double snareBody = 190; // Pitch of the snare's body, Hz
    double snareTone = 0.5; // Level of the snare's body against its noise
    int pickup = 0;         // Beats of lead-in before the drums, the crash and the bass come in
    double offKick = 1;     // Level of the kicks on beats 2 and 4 against kickAmp
    double offLow = 0;      // Their resting pitch, Hz; 0: kickLow
    double drone = 0;       // Level of a sustained pedal sine under the section
    double kickRest = 0;    // Seconds at the section's end without kicks
    const char *kickPhrase = nullptr; // Whole bars of steps played instead of kick, if set
    int breakFrom = 0;                // Beat of the section where its drums and bass rest
    int breakBeats = 0;               // Beats they rest for, 0: no break; a riser leads back
    int droneNote = 41;               // The pedal's note (MIDI): F2, 87.3 Hz, on spectrum bin 2
    double droneDuck = 2;             // How deep the kick ducks it, against the pumping parts
    double droneSwell = 0;            // Its swell on every beat, a share of its level; 0: none
};

// True when t (seconds) falls in section s's break, which starts at start.
bool InBreak(const Section &s, double start, double beat, double t) {
    return s.breakBeats > 0 && t >= start + s.breakFrom * beat - 1e-6 &&
           t < start + (s.breakFrom + s.breakBeats) * beat - 1e-6;
}

const char *kFour = "x...x...x...x...";
const char *kNone = "................";
const char *kHalf = "x.......x.......";
// The finale builds: a cut every other beat-pair for four bars, then on
// beats 1 and 3 to the end (the last bar's third beat rests, kickRest). 17
// cuts in all: the strobe's count ends even, on the forest.
const char *kFinalePhrase = "x...............x...............x...............x..............."
                            "x.......x.......x.......x.......x.......x.......x.......x......."
                            "x.......x.......x.......x.......x.......x.......";

// clang-format off
const Section kSections[PART_COUNT + 1] = {
    // Part One: pads swell and the theme is stated over them, loud enough
    // that the bar of each of its notes rises behind the subtitle and the
    // key's bow: the card moves with the tune through its whole hold. A soft
    // pulse from the third bar shakes the mosaic, soft enough that the title
    // and the key stay legible.
    {23, kFour, 0.2, 55, 0.12, kNone, 0, kNone, 0, kNone, 0, 0.5, 1800, 0, kThemeA, 0.3,
     {&kAm, &kF, &kC, &kG}, 0, 0, 0.03, 0.04},
    // Part Two: arpeggio and hats build over the pad; no kick yet.
    {24, kNone, 0, 55, 0.1, kNone, 0, "..x...x...x...x.", 0.12, "..x...x...x...x.", 0.16, 0.45, 2200, 1,
     nullptr, 0, {&kAm, &kF, &kC, &kG}, 1, 2.0},
    // Part Three: the groove starts. The snare's body sits on C3 (bin 3):
    // every snare throws the smoke's wave, which follows bin 3.
    {13, kFour, 0.6, 60, 0.1, "....x.......x...", 0.35, "..x...x...x...x.", 0.14, "..x...x...x...x.",
     0.2, 0.35, 2500, 1, nullptr, 0, {&kAm, &kEm, &kF, &kG}, 1, 0, 0.04, 0, 130, 2.0},
    // Part Four: the groove with the theme's answer; a riser to the flash.
    // The snare's body, loud on bin 3, washes the knot into the smoke on
    // beats 2 and 4: the feedback layer dims and clears on the backbeat
    // instead of clotting into still white blobs.
    {19, kFour, 0.6, 60, 0.1, "....x.......x...", 0.38, "x.x.x.x.x.x.x.xo", 0.14,
     "..x...x...x...x.", 0.2, 0.35, 3000, 1, kThemeC, 0.16, {&kAm, &kEm, &kF, &kG}, 1, 2.0, 0.04, 0, 130, 3.5},
    // Part Five: the drums stop; pad and a falling arpeggio under the fade to
    // black and a riser through its last three seconds. Nothing sounds in
    // bin 3, so the knot's trail is never washed into the smoke: it piles up
    // white at the middle of the layer, the one spot the lens leaves still,
    // and the beads of it that the lens gathers from all round stream into
    // rings tightening on that bright core as it fades. The dark is a held
    // breath, and the ferns open on the crash it leads to.
    {8, kNone, 0, 55, 0.1, kNone, 0, kNone, 0, kNone, 0, 0.5, 1400, 1, nullptr, 0,
     {&kF, &kG, &kF, &kG}, 1, 3.0, 0.04, 0, 190, 0.5, 0, 1, 0, 0, 0, nullptr},
    // Part Six: ferns; a crash as the mosaic opens, then calm plucks and pad,
    // a heartbeat kick.
    {16, kHalf, 0.35, 55, 0.12, kNone, 0, "....x.......x...", 0.06, kNone, 0, 0.5, 2000, 1, nullptr, 0,
     {&kDm, &kAm, &kF, &kE}, 1, 0},
    // Part Seven: two bars of pad and a riser while the crystal turns over
    // the still ferns (the picture has nothing to answer drums with), then
    // the full groove and the main theme land a beat before the ripple
    // starts to bend the ferns; its bars then turn with the picture: the
    // ripple at full strength (59.5 s), the mosaic growing (61.5 s). While
    // the mosaic holds and the ferns go to smoke (63.5 s) the drums and bass
    // break for two bars under the theme, and a riser and a crash bring the
    // groove back as the blocks resolve (67.5 s) for the last bars.
    {43, kFour, 0.6, 60, 0.1, "....x.......x...", 0.4, "..x...x...x...xo", 0.15,
     "..x...x...x...x.", 0.2, 0.35, 3000, 1, kThemeA, 0.18, {&kAm, &kF, &kC, &kG}, 1, 0, 0.04, 0,
     190, 0.5, 8, 1, 0, 0, 0, nullptr, 24, 8},
    // The lake: half-time and dreamy.
    {24, kHalf, 0.45, 55, 0.14, "........x.......", 0.25, "x.x.x.x.x.x.x.x.", 0.07,
     "l.......l.......", 0.14, 0.5, 1600, 1, nullptr, 0, {&kF, &kC, &kG, &kAm}, 1, 1.5},
    // Part Eight: the drop, the loudest section. The kick on beats 1 and 3
    // sits between bins 1 and 2 for both tests (invert and white flash); the
    // one on beats 2 and 4 is lighter and higher, on bin 2 alone: it inverts
    // the picture but does not flash it white.
    {14, kFour, 0.5, 65, 0.08, "....x.......x...", 0.6, "x.x.x.x.x.x.x.xo", 0.26,
     "..x.x.x...x.x.x.", 0.16, 0.75, 4500, 0, kThemeB, 0.38, {&kAm, &kF, &kC, &kG}, 1, 0, 0.04, 0,
     190, 0.5, 0, 0.62, 88},
    // Part Nine: the hardest kick, right on bin 2, flashes white on beats 1
    // and 3; on beats 2 and 4 a lighter, deeper kick stays under the flash
    // and lands on bin 1 instead, which throws the spikeball's camera and
    // swells the wave: the star jumps on the beats the white leaves alone.
    {21, kFour, 0.9, 86, 0.08, "....x.......x...", 0.4, "x.x.x.x.x.x.x.xo", 0.15,
     "..x...x...x...x.", 0.16, 0.3, 3500, 1, kThemeA, 0.16, {&kAm, &kF, &kC, &kG}, 1, 0, 0.05, 0,
     190, 0.5, 0, 0.45, 43},
    // Part Ten: the pictures flip on the beats.
    {17, kFour, 0.6, 76, 0.08, "....x.......x...", 0.4, "..x...x...x...x.", 0.15,
     "..x...x...x...x.", 0.16, 0.3, 3000, 1, nullptr, 0, {&kDm, &kAm, &kF, &kE}, 1, 0},
    // Part eleven: the cube (bins 2, 1, 0 are its red, green, blue). The
    // kick drops out of the low bins: an F pedal on bin 2 (half of it on
    // bin 1) takes the bass's place under F, Dm, Am (as Fmaj7) and Dm and
    // holds the cube a steady copper (red about 0.37, green 0.18), and the
    // pedal itself swells on every beat, lifting bin 1 past the blur's test
    // for a few frames and the cube toward gold. A kick in those bins would
    // beat against the pedal and flicker the cube (and, at this colour,
    // flash it) through every decay.
    {8, kFour, 0, 64, 0.05, "....x.......x...", 0.4, "..x...x...x...x.", 0.14,
     kNone, 0, 0.3, 3000, 1, nullptr, 0, {&kF, &kDm, &kAm, &kDm}, 1, 0, 0.04, 0,
     190, 0.5, 0, 1, 0, 0.38, 0, nullptr, 0, 0, 41, 0, 1.0},
    // Part Twelve: lighter, half-time, toward the dragon, without a kick
    // (it would beat against the pedal); the pedal moves to E2 (82.4 Hz, between bins 1 and 2 but nearer 2),
    // louder and steady, so the cube holds the dusk horizon's amber (red
    // about 0.4, green 0.23): the ripple, which magnifies the cube at the
    // view's centre into rings, rings in the picture's own palette, and
    // nothing swings the colour of a cube that fills the view.
    {14, kHalf, 0, 64, 0.06, "........x.......", 0.3, "x.x.x.x.x.x.x.x.", 0.1,
     kNone, 0, 0.45, 2200, 1, nullptr, 0, {&kF, &kDm, &kAm, &kAm}, 0, 0, 0.04, 0,
     190, 0.5, 0, 1, 0, 0.42, 0, nullptr, 0, 0, 40, 0},
    // Part 13: the heart; flashes on the beats.
    {18, kFour, 0.55, 84, 0.08, "....x.......x...", 0.35, "..x...x...x...x.", 0.14,
     "..x...x...x...x.", 0.16, 0.35, 2500, 1, nullptr, 0, {&kDm, &kAm, &kF, &kE}, 1, 0},
    // Part 15: the diamond and the first butterflies; the theme again. The
    // picture is black while its zoom opens, so three beats of riser lead in
    // and the crash and the groove land as it returns (beat 3, 131.25 s);
    // twelve whole bars follow. The kick's thump moves the low wave, the
    // snare's body (on bin 3) the high one.
    {51, kFour, 0.6, 60, 0.1, "....x.......x...", 0.45, "..x...x...x...xo", 0.15,
     "..x...x...x...x.", 0.16, 0.35, 3200, 1, kThemeA, 0.17, {&kAm, &kF, &kC, &kG}, 1, 0, 0.04,
     0.45, 135, 2.2, 3},
    // The butterflies: finale. Two bars of riser over the lone butterfly on
    // white; then the drums, the crash and the theme come in at 158.78 s,
    // where the strobe starts. The strobe cuts the view on every frame the
    // kick is loud, and every frame it is fairly loud brings in one more
    // butterfly, so a short, hard kick, loud for one frame at 60 fps and
    // quiet again by the next: the flock gathers one butterfly a cut, the
    // fifth at the fourth cut, instead of all at the second. On beat 1 only
    // for four bars (a cut every two seconds while the swarm gathers), then
    // on beats 1 and 3 (a cut a second) to the end, so the finale builds.
    // The last bar's third beat rests, so the strobe ends on the forest and
    // the credits' night forest follows it.
    {52, kHalf, 0.7, 84, 0.045, "....x.......x...", 0.42, "x.x.x.x.x.x.x.xo", 0.15,
     "..x.x.x...x.x.x.", 0.16, 0.35, 3500, 1, kThemeB, 0.17, {&kAm, &kF, &kC, &kG}, 1, 0, 0.015, 0,
     190, 0.5, 8, 1, 0, 0, 1.0, kFinalePhrase},
    // Credits: pad and plucks only, slowing to 115 BPM; the fade at the
    // end of the track takes them to silence by the last frame.
    {10, kNone, 0, 55, 0.1, kNone, 0, kNone, 0, kNone, 0, 0.5, 1600, 1, nullptr, 0,
     {&kF, &kG, &kAm, &kAm}, 1, 0},
    // After the show: silence.
    {8, kNone, 0, 55, 0.1, kNone, 0, kNone, 0, kNone, 0, 0, 1200, 0, nullptr, 0,
     {&kAm, &kAm, &kAm, &kAm}, 0, 0},
};
// clang-format on

} // namespace

double BeatLength(int part) {
    double end = part < PART_COUNT ? kPartTimes[part + 1] : MUSIC_SECONDS - 0.5;
    return (end - kPartTimes[part]) / kSections[part].beats;
}

namespace {

// Everything of one section but its kicks (GenerateMusic lays those first).
void ComposeSection(Mix *m, int index) {
    const Section &s = kSections[index];
    double start = kPartTimes[index];
    double end = index < PART_COUNT ? kPartTimes[index + 1] : MUSIC_SECONDS - 0.5;
    double beat = (end - start) / s.beats, step = beat / 4;
    // The break: the drums and bass rest under the pad and the lead, and a
    // riser and a crash bring them back.
    const double sectionStart = start;
    if (s.breakBeats > 0) {
        double back = start + (s.breakFrom + s.breakBeats) * beat;
        // Softer than a section's own: they land on the groove's first kick.
        Riser(m, back, s.breakBeats * beat * 0.5, 0.3);
        Crash(m, back, 0.1);
    }
    // A pickup plays a riser into the first full bar; the bars count from there.
    double lead = s.pickup * beat;
    if (s.pickup > 0) {
        Riser(m, start + lead, lead, 0.5);
        if (s.padAmp > 0)
            Pad(m, start, lead, std::vector<int>(s.chords[3]->notes, s.chords[3]->notes + 4),
                s.padAmp * 0.6, s.padCutoff * 0.5);
        start += lead;
    }
    int bars = (s.beats - s.pickup + 3) / 4;
    if (s.crash) Crash(m, start, 0.16);
    if (s.riser > 0 && index < PART_COUNT) Riser(m, end, s.riser, 0.5);
    if (s.drone > 0) Pedal(m, start, end, s.drone, s.droneNote, s.droneDuck, s.droneSwell, beat);
    std::vector<std::pair<int, int>> melody;
    if (s.melody) melody = ParseMelody(s.melody);
    size_t note = 0;
    double melodyTime = start;
    for (int bar = 0; bar < bars; bar++) {
        const Chord &c = *s.chords[bar % 4];
        double t0 = start + bar * 4 * beat;
        double barEnd = std::min(end, t0 + 4 * beat);
        if (s.padAmp > 0)
            Pad(m, t0, barEnd - t0, std::vector<int>(c.notes, c.notes + 4), s.padAmp, s.padCutoff);
        for (int k = 0; k < 16; k++) {
            double t = t0 + k * step;
            if (t >= end - 1e-6) break;
            bool rest = InBreak(s, sectionStart, beat, t);
            if (s.snare[k] == 'x' && !rest) Snare(m, t, s.snareAmp, s.snareTone, s.snareBody);
            if (s.hats[k] != '.' && !rest)
                Hat(m, t, s.hatAmp * (k % 4 == 2 ? 1.0 : 0.7), s.hats[k] == 'o');
            if (s.bass[k] == 'x' && !rest) Bass(m, t, step * 0.9, c.root, s.bassAmp, 0.6);
            if (s.bass[k] == 'l' && !rest)
                Bass(m, t, std::min(beat * 4, barEnd - t) * 0.95, c.root, s.bassAmp, 0.25);
            if (s.arp) {
                static const int order[8] = {0, 1, 2, 3, 2, 1, 2, 3};
                int n = c.notes[order[k % 8]] + (k >= 8 ? 12 : 0);
                if (index == 4) n = c.notes[3 - k % 4] + 12; // falling in the break
                double level = 0.09 * (k % 4 == 0 ? 1.0 : 0.7);
                Pluck(m, t, n, level, k % 2 ? 0.3 : 0.7);
            }
        }
        // The lead plays its four-bar melody once per four bars.
        if (!melody.empty()) {
            if (bar % 4 == 0) note = 0, melodyTime = t0;
            while (note < melody.size()) {
                auto [midi, len] = melody[note];
                double t = melodyTime, dur = len * beat / 2;
                if (t >= barEnd - 1e-6) break;
                if (midi >= 0 && t + 0.05 < end)
                    Lead(m, t, std::min(dur * 0.92, end - t), midi, s.leadAmp);
                melodyTime += dur;
                note++;
            }
        }
    }
}

// Part Nine's camera jumps each get a chord stab.
void CameraStabs(Mix *m) {
    const double jumps[6] = {92.24, 94.01, 94.5, 95.84, 96.46, 98.83};
    for (double t : jumps) {
        for (int n : {69, 72, 76, 81}) Pluck(m, t, n, 0.08, n % 2 ? 0.2 : 0.8);
        Crash(m, t, 0.08);
    }
}

// Freeverb-style reverb on the send bus: eight combs and four all-passes per
// side, the right side's delays a little longer.
void Reverb(Mix *m) {
    static const int combs[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
    static const int passes[4] = {556, 441, 341, 225};
    size_t n = m->l.size();
    for (int side = 0; side < 2; side++) {
        std::vector<float> &in = side ? m->revR : m->revL;
        std::vector<float> &out = side ? m->r : m->l;
        std::vector<float> wet(n, 0.0f);
        for (int c = 0; c < 8; c++) {
            int len = combs[c] + side * 23;
            std::vector<float> buf(len, 0.0f);
            float store = 0;
            int pos = 0;
            for (size_t i = 0; i < n; i++) {
                float y = buf[pos];
                store = y * 0.8f + store * 0.2f; // damping
                buf[pos] = in[i] * 0.015f + store * 0.84f;
                wet[i] += y;
                if (++pos == len) pos = 0;
            }
        }
        for (int a = 0; a < 4; a++) {
            int len = passes[a] + side * 23;
            std::vector<float> buf(len, 0.0f);
            int pos = 0;
            for (size_t i = 0; i < n; i++) {
                float b = buf[pos];
                buf[pos] = wet[i] + b * 0.5f;
                wet[i] = b - wet[i];
                if (++pos == len) pos = 0;
            }
        }
        for (size_t i = 0; i < n; i++) out[i] += wet[i] * 0.6f;
    }
}

// Ping-pong delay of 0.36 s on the delay bus, high-passed so it stays out of the kick's bins.
void Delay(Mix *m) {
    const int d = Index(0.36);
    size_t n = m->l.size();
    std::vector<float> left(n, 0.0f), right(n, 0.0f);
    for (size_t i = 0; i < n; i++) {
        float fromR = i >= (size_t)d ? right[i - d] : 0, fromL = i >= (size_t)d ? left[i - d] : 0;
        left[i] = m->dly[i] + fromR * 0.45f;
        right[i] = fromL * 0.9f;
        m->l[i] += fromR * 0.5f;
        m->r[i] += fromL * 0.5f;
    }
}

int Encode(const std::vector<short> &pcm, std::vector<unsigned char> *mp3) {
    lame_global_flags *gf = lame_init();
    if (!gf) return 0;
    lame_set_in_samplerate(gf, kRate);
    lame_set_out_samplerate(gf, kRate);
    lame_set_num_channels(gf, 2);
    lame_set_mode(gf, JOINT_STEREO);
    lame_set_brate(gf, 192);
    lame_set_quality(gf, 5);
    lame_set_bWriteVbrTag(
        gf, 1); // the Info tag carries the encoder delay and padding: gapless decoding
    if (lame_init_params(gf) < 0) {
        lame_close(gf);
        return 0;
    }
    size_t frames = pcm.size() / 2;
    mp3->resize(frames * 5 / 4 + 7200 + 16384);
    size_t used = 0;
    const size_t chunk = 1152 * 64;
    for (size_t f = 0; f < frames; f += chunk) {
        int count = (int)std::min(chunk, frames - f);
        int r = lame_encode_buffer_interleaved(gf, const_cast<short *>(&pcm[f * 2]), count,
                                               mp3->data() + used, (int)(mp3->size() - used));
        if (r < 0) {
            lame_close(gf);
            return 0;
        }
        used += (size_t)r;
    }
    int r = lame_encode_flush(gf, mp3->data() + used, (int)(mp3->size() - used));
    if (r < 0) {
        lame_close(gf);
        return 0;
    }
    used += (size_t)r;
    // The Info tag goes into the empty first frame that LAME left for it.
    unsigned char tag[2880];
    size_t tagSize = lame_get_lametag_frame(gf, tag, sizeof tag);
    if (tagSize > 0 && tagSize <= used) std::memcpy(mp3->data(), tag, tagSize);
    mp3->resize(used);
    lame_close(gf);
    return 1;
}

} // namespace

const double kFadeStart = 182.6, kFadeEnd = 185.4; // Seconds

int GenerateMusic(const char *dir) {
    size_t n = (size_t)(MUSIC_SECONDS * kRate);
    Mix m;
    m.l.assign(n, 0);
    m.r.assign(n, 0);
    m.revL.assign(n, 0);
    m.revR.assign(n, 0);
    m.dly.assign(n, 0);
    m.duck.assign(n, 1);
    // Kicks first: they set the ducking that the other parts follow. Each
    // section draws its noise from its own seed, so changing one section's
    // drums leaves every other section's samples as they were.
    for (int i = 0; i <= PART_COUNT; i++) {
        const Section &s = kSections[i];
        m.noise = NewRng(1986 + i);
        if (s.kickAmp <= 0) continue;
        double start = kPartTimes[i], end = i < PART_COUNT ? kPartTimes[i + 1] : MUSIC_SECONDS;
        double step = (end - start) / s.beats / 4;
        start += s.pickup * step * 4;
        for (int k = 0; start + k * step < end - s.kickRest - 1e-6; k++) {
            char hit = s.kickPhrase ? s.kickPhrase[k % std::strlen(s.kickPhrase)] : s.kick[k % 16];
            if (hit != 'x' || (i == 0 && k < 32)) continue;
            if (InBreak(s, kPartTimes[i], step * 4, start + k * step)) continue;
            bool off = k % 8 == 4; // beats 2 and 4 of the bar
            Kick(&m, start + k * step, s.kickAmp * (off ? s.offKick : 1),
                 off && s.offLow > 0 ? s.offLow : s.kickLow, s.kickHold, s.kickDecay, s.thump);
        }
    }
    for (int i = 0; i <= PART_COUNT; i++) {
        m.noise = NewRng(2986 + i);
        ComposeSection(&m, i);
    }
    m.noise = NewRng(1986);
    CameraStabs(&m);
    Delay(&m);
    Reverb(&m);
    // Fade the tail out, then a soft clip above 0.75 keeps peaks under 0.88: the
    // encoder overshoots a little, and the decoded music must not clip.
    std::vector<short> pcm(n * 2);
    for (size_t i = 0; i < n; i++) {
        // The last chord fades out over the credits' final bars, silent by
        // kFadeEnd, before the show's last frame.
        double t = (double)i / kRate, fade = 1;
        if (t > kFadeEnd)
            fade = 0;
        else if (t > kFadeStart)
            fade = 0.5 + 0.5 * std::cos(kPi * (t - kFadeStart) / (kFadeEnd - kFadeStart));
        for (int c = 0; c < 2; c++) {
            double x = (c ? m.r[i] : m.l[i]) * fade, a = std::fabs(x);
            if (a > 0.75) a = 0.75 + 0.13 * std::tanh((a - 0.75) / 0.13);
            x = x < 0 ? -a : a;
            pcm[i * 2 + c] = (short)std::lround(x * 32767);
        }
    }
    std::vector<unsigned char> mp3;
    if (!Encode(pcm, &mp3)) {
        std::fprintf(stderr, "assetgen: LAME could not encode final.mp3\n");
        return 0;
    }
    // The strobe is checked on the music as the show will decode it.
    return WriteDataFile(dir, "final.mp3", mp3.data(), mp3.size()) && CheckFinaleStrobe(dir);
}
