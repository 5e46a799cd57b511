// The music of the default data set: "music.mo3", a FastTracker 2 module (XM) composed from the
// readable score in data/music/songs.txt. The game loads it by content, whatever the name says.
//
// The score gives, per song, its first order position, speed and tempo, and its patterns: hand-
// written melody lines, a chord line that becomes held pads, a bass line and broken-chord
// arpeggios, and a soft rhythm line. The instruments are synthesised here (wooden bar, bell,
// plucked string, pad, round bass, soft flute, shaker, soft kick). Each song's last order plays
// a copy of its pattern that ends with a jump back to the song's loop order, so every song loops
// within its own orders; each pattern's first row sets the song's speed and tempo, so a song
// started at its order position always runs at its own pace.
#include "datagen.h"
#include "synth.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

using namespace synth;

namespace {

constexpr int CHANNELS = 8;
constexpr int CH_MELODY = 0;
constexpr int CH_COUNTER = 1;
constexpr int CH_ARP = 2;
constexpr int CH_PAD = 3;      // three channels: 3, 4, 5
constexpr int CH_BASS = 6;
constexpr int CH_RHYTHM = 7;
constexpr int MAX_ORDERS = 256;

struct XmCell {
    uint8_t note = 0;    // 1..96, 97 key off, 0 none
    uint8_t instrument = 0;
    uint8_t volume = 0;  // volume column byte (0x10 + 0..64), 0 none
    uint8_t effect = 0;
    uint8_t param = 0;
};

struct Pattern {
    std::string name;
    int rows = 64;
    std::vector<XmCell> cells;  // rows * CHANNELS
    XmCell& at(int row, int ch) { return cells[static_cast<size_t>(row * CHANNELS + ch)]; }
};

struct Song {
    int firstOrder = 0;
    int speed = 6;
    int bpm = 120;
    int loopIndex = 0;                 // index into orders that the song jumps back to
    std::vector<std::string> orders;   // pattern names
    std::string title;
};

struct Instrument {
    std::string name;
    Buffer sample;
    int baseMidi = 60;  // the pitch the sample was made at
    int panning = 128;
};

struct Score {
    std::vector<Instrument> instruments;   // numbered from 1
    std::vector<Song> songs;
    std::vector<Pattern> patterns;
    std::map<std::string, int> patternIndex;
};

// ---- Notes and chords ----

int pitchClass(char c)
{
    switch (c) {
    case 'C': return 0;
    case 'D': return 2;
    case 'E': return 4;
    case 'F': return 5;
    case 'G': return 7;
    case 'A': return 9;
    case 'B': return 11;
    default: return -1;
    }
}

// "C4" (middle C, MIDI 60), "F#5", "Bb3"; -1 when not a note.
int parseNote(const std::string& s)
{
    if (s.empty()) return -1;
    int pc = pitchClass(s[0]);
    if (pc < 0) return -1;
    size_t i = 1;
    if (i < s.size() && s[i] == '#') {
        pc++;
        i++;
    } else if (i < s.size() && s[i] == 'b') {
        pc--;
        i++;
    }
    if (i >= s.size() || s[i] < '0' || s[i] > '8') return -1;
    return 12 * (s[i] - '0' + 1) + pc;
}

// Chord tones as intervals above the root, and the root's pitch class.
bool parseChord(const std::string& s, int* root, std::vector<int>* intervals)
{
    if (s.empty()) return false;
    int pc = pitchClass(s[0]);
    if (pc < 0) return false;
    size_t i = 1;
    if (i < s.size() && s[i] == '#') {
        pc++;
        i++;
    } else if (i < s.size() && s[i] == 'b') {
        pc--;
        i++;
    }
    std::string q = s.substr(i);
    if (q.empty()) *intervals = {0, 4, 7};
    else if (q == "m") *intervals = {0, 3, 7};
    else if (q == "7") *intervals = {0, 4, 10};
    else if (q == "m7") *intervals = {0, 3, 10};
    else if (q == "maj7") *intervals = {0, 4, 11};
    else if (q == "sus4") *intervals = {0, 5, 7};
    else if (q == "sus2") *intervals = {0, 2, 7};
    else return false;
    *root = (pc + 12) % 12;
    return true;
}

// XM note number of a MIDI note: XM's C-4 (49) is middle C here.
uint8_t xmNote(int midi)
{
    int n = midi - 11;
    return static_cast<uint8_t>(n < 1 ? 1 : (n > 96 ? 96 : n));
}

// ---- Instruments ----

Instrument makeInstrument(const std::string& name)
{
    Instrument in;
    in.name = name;
    if (name == "marimba") {
        in.sample = marimba(noteHz(60), 1.6);
        in.panning = 104;
    } else if (name == "bell") {
        in.baseMidi = 72;
        in.sample = bell(noteHz(72), 2.5);
        in.panning = 156;
    } else if (name == "pluck") {
        in.sample = pluck(noteHz(60), 2.0, 0.3, 7);
        lowPass(in.sample, 5000);
        in.panning = 168;
    } else if (name == "pad") {
        in.sample = pad(noteHz(60), 4.0, 0.35, 2.8);
        lowPass(in.sample, 2500);
    } else if (name == "bass") {
        in.baseMidi = 36;
        in.sample = struck(noteHz(36), 2.0, {{1.0, 1.0, 0.9}, {2.0, 0.35, 0.4}, {3.0, 0.12, 0.2}}, 8.0);
    } else if (name == "flute") {
        in.baseMidi = 72;
        Buffer b = silence(2.5);
        double phase = 0.0;
        for (size_t i = 0; i < b.size(); i++) {
            double t = static_cast<double>(i) / RATE;
            double vib = 1.0 + 0.004 * std::sin(2.0 * 3.14159265358979 * 5.0 * t) * std::min(1.0, t / 0.4);
            phase += 2.0 * 3.14159265358979 * noteHz(72) * vib / RATE;
            double env = std::min(1.0, t / 0.06) * std::exp(-t / 1.6);
            b[i] = static_cast<float>(env * (std::sin(phase) + 0.18 * std::sin(2.0 * phase) + 0.05 * std::sin(3.0 * phase)));
        }
        Buffer breath = lowNoise(2.5, 3000, 17);
        expDecay(breath, 0.08);
        mixInto(b, breath, 0.0, 0.05f);
        fadeOut(b, 0.3);
        in.sample = b;
        in.panning = 120;
    } else if (name == "shaker") {
        in.sample = sweptNoise(0.09, 6000, 4500, 2.0, 23);
        lowPass(in.sample, 7000);
        lowPass(in.sample, 7000);
        fadeIn(in.sample, 0.006);  // a soft onset: no click across the spectrum
        expDecay(in.sample, 0.02);
        in.panning = 150;
    } else if (name == "kick") {
        in.baseMidi = 36;
        in.sample = glide(110, 48, 0.3, 0.08);
        lowPass(in.sample, 400);
    } else {
        std::fprintf(stderr, "songs.txt: unknown instrument \"%s\"\n", name.c_str());
        return in;
    }
    fadeOut(in.sample, 0.02);
    normalise(in.sample, 0.9f);
    return in;
}

// ---- The score ----

struct ParseError {
    int line = 0;
    std::string what;
};

std::vector<std::string> split(const std::string& s)
{
    std::vector<std::string> out;
    std::istringstream in(s);
    std::string w;
    while (in >> w) out.push_back(w);
    return out;
}

// "NAME:ROWS" or "NAME" (1 row).
void token(const std::string& t, std::string* name, int* rows)
{
    size_t colon = t.find(':');
    *name = t.substr(0, colon);
    *rows = colon == std::string::npos ? 1 : std::atoi(t.c_str() + colon + 1);
}

uint8_t volumeByte(int v)
{
    return static_cast<uint8_t>(0x10 + (v < 0 ? 0 : (v > 64 ? 64 : v)));
}

// The chord at each row of the pattern (from its chord line), for the pads, bass and arpeggio.
struct ChordSpan {
    int row;
    int rows;
    int root;
    std::vector<int> intervals;
};

bool parseScore(const std::string& text, Score* score, ParseError* err)
{
    std::istringstream in(text);
    std::string line;
    Song* song = nullptr;
    Pattern* pat = nullptr;
    std::vector<ChordSpan> chords;
    int lineNo = 0;
    auto fail = [&](const std::string& what) {
        err->line = lineNo;
        err->what = what;
        return false;
    };
    while (std::getline(in, line)) {
        lineNo++;
        // A comment starts at a '#' at the start of the line or after a space ("F#5" is a note).
        for (size_t i = 0; i < line.size(); i++) {
            if (line[i] == '#' && (i == 0 || line[i - 1] == ' ' || line[i - 1] == '\t')) {
                line.resize(i);
                break;
            }
        }
        std::string head = line, body;
        size_t colon = line.find(" : ");
        if (colon != std::string::npos) {
            head = line.substr(0, colon);
            body = line.substr(colon + 3);
        }
        std::vector<std::string> w = split(head);
        if (w.empty()) continue;
        const std::string& kw = w[0];
        if (kw == "instrument") {
            if (w.size() != 3 || std::atoi(w[1].c_str()) != static_cast<int>(score->instruments.size()) + 1)
                return fail("instruments are numbered 1, 2, ... in order");
            score->instruments.push_back(makeInstrument(w[2]));
            if (score->instruments.back().sample.empty()) return fail("unknown instrument");
        } else if (kw == "song") {
            if (w.size() < 4) return fail("song ORDER SPEED BPM TITLE");
            score->songs.push_back(Song{});
            song = &score->songs.back();
            song->firstOrder = std::atoi(w[1].c_str());
            song->speed = std::atoi(w[2].c_str());
            song->bpm = std::atoi(w[3].c_str());
            for (size_t i = 4; i < w.size(); i++) song->title += (i > 4 ? " " : "") + w[i];
            pat = nullptr;
        } else if (kw == "pattern") {
            if (!song || w.size() != 3) return fail("pattern NAME ROWS inside a song");
            int rows = std::atoi(w[2].c_str());
            if (rows < 16 || rows > 256) return fail("a pattern has 16..256 rows");
            if (score->patternIndex.count(w[1])) return fail("pattern named twice");
            score->patternIndex[w[1]] = static_cast<int>(score->patterns.size());
            score->patterns.push_back(Pattern{});
            pat = &score->patterns.back();
            pat->name = w[1];
            pat->rows = rows;
            pat->cells.assign(static_cast<size_t>(rows * CHANNELS), XmCell{});
            // Every pattern sets its song's pace on its first row.
            pat->at(0, CH_BASS).effect = 0x0F;
            pat->at(0, CH_BASS).param = static_cast<uint8_t>(song->speed);
            pat->at(0, CH_RHYTHM).effect = 0x0F;
            pat->at(0, CH_RHYTHM).param = static_cast<uint8_t>(song->bpm);
            chords.clear();
        } else if (kw == "order") {
            if (!song) return fail("order inside a song");
            for (size_t i = 1; i < w.size(); i++) song->orders.push_back(w[i]);
        } else if (kw == "loop") {
            if (!song || w.size() != 2) return fail("loop INDEX");
            song->loopIndex = std::atoi(w[1].c_str());
        } else if (kw == "melody" || kw == "counter") {
            if (!pat || w.size() != 3) return fail("melody INSTRUMENT VOLUME : notes");
            int ch = kw == "melody" ? CH_MELODY : CH_COUNTER;
            int ins = std::atoi(w[1].c_str()), vol = std::atoi(w[2].c_str());
            int row = 0;
            for (const std::string& t : split(body)) {
                std::string name;
                int len;
                token(t, &name, &len);
                if (len < 1) return fail("bad length in " + t);
                if (row >= pat->rows) return fail("melody runs past the pattern");
                if (name == "=") {
                    pat->at(row, ch).note = 97;
                } else if (name != ".") {
                    int midi = parseNote(name);
                    if (midi < 0) return fail("bad note " + name);
                    XmCell& c = pat->at(row, ch);
                    c.note = xmNote(midi);
                    c.instrument = static_cast<uint8_t>(ins);
                    c.volume = volumeByte(vol);
                }
                row += len;
            }
            if (row != pat->rows) return fail("melody does not fill the pattern (" + std::to_string(row) + " rows)");
        } else if (kw == "chords") {
            if (!pat || w.size() != 3) return fail("chords INSTRUMENT VOLUME : chords");
            int ins = std::atoi(w[1].c_str()), vol = std::atoi(w[2].c_str());
            int row = 0;
            for (const std::string& t : split(body)) {
                std::string name;
                int len;
                token(t, &name, &len);
                ChordSpan span{row, len, 0, {}};
                if (len < 1 || !parseChord(name, &span.root, &span.intervals)) return fail("bad chord " + t);
                if (row + len > pat->rows) return fail("chords run past the pattern");
                // Voiced between G3 and F#4 so the pads sit in the middle.
                int base = 55 + ((span.root - 7 + 12) % 12);
                if (ins > 0) {
                    for (int k = 0; k < 3; k++) {
                        XmCell& c = pat->at(row, CH_PAD + k);
                        c.note = xmNote(base + span.intervals[static_cast<size_t>(k)]);
                        c.instrument = static_cast<uint8_t>(ins);
                        c.volume = volumeByte(vol - 4 * k);
                    }
                }
                chords.push_back(span);
                row += len;
            }
            if (row != pat->rows) return fail("chords do not fill the pattern");
        } else if (kw == "bass") {
            if (!pat || w.size() != 4 || chords.empty()) return fail("bass INSTRUMENT VOLUME STYLE after the chords");
            int ins = std::atoi(w[1].c_str()), vol = std::atoi(w[2].c_str());
            const std::string& style = w[3];
            for (const ChordSpan& s : chords) {
                int root = 36 + s.root;  // C2..B2
                for (int r = 0; r < s.rows; r++) {
                    int note = -1;
                    if (r == 0) note = root;
                    else if (style == "half" && r == s.rows / 2) note = root + s.intervals[2];
                    else if (style == "pulse" && r % 4 == 0) note = (r / 4) % 2 ? root + 12 : root;
                    if (note < 0) continue;
                    XmCell& c = pat->at(s.row + r, CH_BASS);
                    c.note = xmNote(note);
                    c.instrument = static_cast<uint8_t>(ins);
                    c.volume = volumeByte(r == 0 ? vol : vol - 8);
                }
            }
        } else if (kw == "arp") {
            if (!pat || w.size() != 5 || chords.empty()) return fail("arp INSTRUMENT VOLUME EVERY up|updown after the chords");
            int ins = std::atoi(w[1].c_str()), vol = std::atoi(w[2].c_str()), every = std::atoi(w[3].c_str());
            if (every < 1) return fail("arp step of at least one row");
            bool updown = w[4] == "updown";
            for (const ChordSpan& s : chords) {
                int base = 60 + s.root;
                std::vector<int> tones = {s.intervals[0], s.intervals[1], s.intervals[2], 12};
                if (updown) tones.insert(tones.end(), {s.intervals[2], s.intervals[1]});
                int k = 0;
                for (int r = 0; r < s.rows; r += every, k++) {
                    XmCell& c = pat->at(s.row + r, CH_ARP);
                    c.note = xmNote(base + tones[static_cast<size_t>(k) % tones.size()]);
                    c.instrument = static_cast<uint8_t>(ins);
                    c.volume = volumeByte(k % 4 == 0 ? vol : vol - 6);
                }
            }
        } else if (kw == "rhythm") {
            if (!pat || w.size() != 3) return fail("rhythm SHAKER KICK : x o k .");
            int shaker = std::atoi(w[1].c_str()), kick = std::atoi(w[2].c_str());
            std::string steps;
            for (const std::string& t : split(body)) steps += t;
            if (steps.empty()) return fail("empty rhythm");
            for (int r = 0; r < pat->rows; r++) {
                char ch = steps[static_cast<size_t>(r) % steps.size()];
                if (ch == '.') continue;
                XmCell& c = pat->at(r, CH_RHYTHM);
                c.note = xmNote(ch == 'k' ? 36 : 60);
                c.instrument = static_cast<uint8_t>(ch == 'k' ? kick : shaker);
                c.volume = volumeByte(ch == 'x' ? 22 : (ch == 'k' ? 40 : 12));
            }
        } else {
            return fail("unknown line \"" + kw + "\"");
        }
    }
    return true;
}

// ---- The XM file ----

void put8(std::vector<uint8_t>& b, int v) { b.push_back(static_cast<uint8_t>(v)); }
void put16(std::vector<uint8_t>& b, int v)
{
    put8(b, v & 0xFF);
    put8(b, (v >> 8) & 0xFF);
}
void put32(std::vector<uint8_t>& b, uint32_t v)
{
    for (int i = 0; i < 4; i++) put8(b, static_cast<int>((v >> (8 * i)) & 0xFF));
}
void putText(std::vector<uint8_t>& b, const std::string& s, size_t n)
{
    for (size_t i = 0; i < n; i++) b.push_back(i < s.size() ? static_cast<uint8_t>(s[i]) : 0);
}

void packPattern(std::vector<uint8_t>& out, const Pattern& p)
{
    std::vector<uint8_t> data;
    for (const XmCell& c : p.cells) {
        uint8_t flags = 0x80;
        if (c.note) flags |= 1;
        if (c.instrument) flags |= 2;
        if (c.volume) flags |= 4;
        if (c.effect) flags |= 8;
        if (c.param) flags |= 16;
        data.push_back(flags);
        if (c.note) data.push_back(c.note);
        if (c.instrument) data.push_back(c.instrument);
        if (c.volume) data.push_back(c.volume);
        if (c.effect) data.push_back(c.effect);
        if (c.param) data.push_back(c.param);
    }
    put32(out, 9);
    put8(out, 0);
    put16(out, p.rows);
    put16(out, static_cast<int>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
}

void putInstrument(std::vector<uint8_t>& out, const Instrument& in)
{
    put32(out, 263);
    putText(out, in.name, 22);
    put8(out, 0);
    put16(out, 1);     // one sample
    put32(out, 40);    // sample header size
    for (int i = 0; i < 96; i++) put8(out, 0);        // every note plays sample 0
    for (int i = 0; i < 48 + 48; i++) put8(out, 0);   // no envelopes
    for (int i = 0; i < 2 + 6 + 2 + 4; i++) put8(out, 0);
    put16(out, 0x200);  // fade-out after a key off
    for (int i = 0; i < 22; i++) put8(out, 0);
    // The sample plays at 44,100 Hz on its base note: relative note and fine tune from
    // 12 * log2(44100 / 8363) semitones above XM's C-4, shifted by the base note.
    double shift = 12.0 * std::log2(44100.0 / 8363.0) + (60 - in.baseMidi);
    int rel = static_cast<int>(std::floor(shift));
    int fine = static_cast<int>(std::lround((shift - rel) * 128.0));
    if (fine > 127) {
        fine -= 128;
        rel++;
    }
    std::vector<int16_t> pcm(in.sample.size());
    for (size_t i = 0; i < pcm.size(); i++)
        pcm[i] = static_cast<int16_t>(std::lround(std::max(-1.0f, std::min(1.0f, in.sample[i])) * 32767.0f));
    put32(out, static_cast<uint32_t>(pcm.size() * 2));
    put32(out, 0);
    put32(out, 0);
    put8(out, 64);
    put8(out, static_cast<int8_t>(fine));
    put8(out, 0x10);  // 16-bit, no loop
    put8(out, in.panning);
    put8(out, static_cast<int8_t>(rel));
    put8(out, 0);
    putText(out, in.name, 22);
    int16_t prev = 0;
    for (int16_t s : pcm) {
        put16(out, static_cast<uint16_t>(static_cast<int16_t>(s - prev)));
        prev = s;
    }
}

bool buildModule(Score& score, std::vector<uint8_t>* out, std::string* problem)
{
    // The order list: each song's orders from its first position, the last one a copy of its
    // pattern that jumps back to the loop order.
    std::vector<int> orderList;
    for (const Song& song : score.songs) {
        if (static_cast<int>(orderList.size()) != song.firstOrder) {
            *problem = "song \"" + song.title + "\" starts at order " + std::to_string(orderList.size()) +
                       ", not " + std::to_string(song.firstOrder);
            return false;
        }
        if (song.orders.empty() || song.loopIndex < 0 || song.loopIndex >= static_cast<int>(song.orders.size())) {
            *problem = "song \"" + song.title + "\" has no orders or a bad loop";
            return false;
        }
        for (size_t i = 0; i < song.orders.size(); i++) {
            auto it = score.patternIndex.find(song.orders[i]);
            if (it == score.patternIndex.end()) {
                *problem = "unknown pattern " + song.orders[i];
                return false;
            }
            int index = it->second;
            if (i + 1 == song.orders.size()) {
                Pattern copy = score.patterns[static_cast<size_t>(index)];
                copy.name += "-end";
                XmCell& c = copy.at(copy.rows - 1, CH_RHYTHM);
                c.effect = 0x0B;
                c.param = static_cast<uint8_t>(song.firstOrder + song.loopIndex);
                index = static_cast<int>(score.patterns.size());
                score.patterns.push_back(copy);
            }
            orderList.push_back(index);
        }
    }
    if (orderList.size() > MAX_ORDERS || score.patterns.size() > 256) {
        *problem = "too many orders or patterns";
        return false;
    }
    std::vector<uint8_t>& b = *out;
    b.clear();
    putText(b, "Extended Module: ", 17);
    putText(b, "Ostrimar", 20);
    put8(b, 0x1A);
    putText(b, "ostrimar datagen", 20);
    put16(b, 0x0104);
    put32(b, 276);
    put16(b, static_cast<int>(orderList.size()));
    put16(b, 0);
    put16(b, CHANNELS);
    put16(b, static_cast<int>(score.patterns.size()));
    put16(b, static_cast<int>(score.instruments.size()));
    put16(b, 1);  // linear frequency table
    put16(b, score.songs.front().speed);
    put16(b, score.songs.front().bpm);
    for (int i = 0; i < 256; i++) put8(b, i < static_cast<int>(orderList.size()) ? orderList[static_cast<size_t>(i)] : 0);
    for (const Pattern& p : score.patterns) packPattern(b, p);
    for (const Instrument& in : score.instruments) putInstrument(b, in);
    return true;
}

} // namespace

bool genMusic(const char* srcDir, const char* outDir)
{
    std::string path = std::string(srcDir) + "/music/songs.txt";
    std::ifstream f(path, std::ios::binary);
    if (!f) {
        std::fprintf(stderr, "%s: cannot read\n", path.c_str());
        return false;
    }
    std::stringstream text;
    text << f.rdbuf();
    Score score;
    ParseError err;
    if (!parseScore(text.str(), &score, &err)) {
        std::fprintf(stderr, "%s:%d: %s\n", path.c_str(), err.line, err.what.c_str());
        return false;
    }
    std::vector<uint8_t> module;
    std::string problem;
    if (!buildModule(score, &module, &problem)) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), problem.c_str());
        return false;
    }
    if (!writeBytes(std::string(outDir) + "/music.mo3", module)) {
        std::fprintf(stderr, "music.mo3: cannot write\n");
        return false;
    }
    return true;
}
