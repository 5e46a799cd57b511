#include "synth.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace synth {

namespace {

constexpr double PI = 3.14159265358979323846;

} // namespace

float Noise::next()
{
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return static_cast<float>(state >> 8) / static_cast<float>(1u << 23) - 1.0f;
}

int frames(double seconds)
{
    return std::max(0, static_cast<int>(std::lround(seconds * RATE)));
}

Buffer silence(double seconds)
{
    return Buffer(static_cast<size_t>(frames(seconds)), 0.0f);
}

void mixInto(Buffer& dst, const Buffer& src, double at, float gain)
{
    size_t start = static_cast<size_t>(frames(at));
    if (dst.size() < start + src.size()) dst.resize(start + src.size(), 0.0f);
    for (size_t i = 0; i < src.size(); i++) dst[start + i] += src[i] * gain;
}

double noteHz(double midiNote)
{
    return 440.0 * std::pow(2.0, (midiNote - 69.0) / 12.0);
}

Buffer struck(double hz, double seconds, const std::vector<Partial>& partials, double attackMs)
{
    Buffer b = silence(seconds);
    const double attack = attackMs / 1000.0;
    for (const Partial& p : partials) {
        double f = hz * p.ratio;
        if (f >= RATE * 0.45) continue;  // keep every partial well below the Nyquist frequency
        double w = 2.0 * PI * f / RATE;
        for (size_t i = 0; i < b.size(); i++) {
            double t = static_cast<double>(i) / RATE;
            double env = std::exp(-t / p.decay);
            if (t < attack) env *= t / attack;
            b[i] += static_cast<float>(p.amp * env * std::sin(w * static_cast<double>(i)));
        }
    }
    return b;
}

Buffer marimba(double hz, double seconds)
{
    // A tuned bar: the fundamental, the fourth harmonic the bar is tuned to, a faint tenth.
    return struck(hz, seconds, {{1.0, 1.0, 0.35}, {3.99, 0.35, 0.06}, {9.9, 0.08, 0.015}, {2.0, 0.05, 0.1}}, 1.5);
}

Buffer bell(double hz, double seconds)
{
    return struck(hz, seconds,
                  {{1.0, 1.0, 1.1}, {2.0, 0.45, 0.7}, {2.76, 0.3, 0.45}, {4.07, 0.18, 0.3}, {5.4, 0.1, 0.18}, {0.5, 0.12, 1.4}},
                  3.0);
}

Buffer glass(double hz, double seconds)
{
    return struck(hz, seconds, {{1.0, 1.0, 0.35}, {2.32, 0.4, 0.2}, {4.25, 0.22, 0.1}, {6.63, 0.1, 0.05}}, 1.0);
}

Buffer woodblock(double hz, double seconds)
{
    return struck(hz, seconds, {{1.0, 1.0, 0.03}, {2.57, 0.4, 0.015}, {4.1, 0.15, 0.008}}, 0.6);
}

Buffer pluck(double hz, double seconds, double brightness, uint32_t seed)
{
    Buffer b = silence(seconds);
    int period = std::max(2, static_cast<int>(std::lround(RATE / hz)));
    std::vector<float> line(static_cast<size_t>(period));
    Noise n(seed);
    // A soft excitation: low-passed noise, so the attack is round rather than scratchy.
    float lp = 0.0f;
    for (float& x : line) {
        lp += static_cast<float>(brightness) * (n.next() - lp);
        x = lp;
    }
    size_t pos = 0;
    float prev = 0.0f;
    const float damping = 0.996f;
    for (size_t i = 0; i < b.size(); i++) {
        float cur = line[pos];
        float out = damping * 0.5f * (cur + prev);
        prev = cur;
        line[pos] = out;
        b[i] = cur;
        pos = (pos + 1) % line.size();
    }
    fadeIn(b, 0.002);
    return b;
}

Buffer pad(double hz, double seconds, double attack, double release)
{
    Buffer b = silence(seconds);
    const double detune[] = {1.0, 1.003, 0.997, 2.0, 3.0};
    const double amps[] = {0.5, 0.35, 0.35, 0.18, 0.06};
    for (int k = 0; k < 5; k++) {
        double w = 2.0 * PI * hz * detune[k] / RATE;
        for (size_t i = 0; i < b.size(); i++) b[i] += static_cast<float>(amps[k] * std::sin(w * static_cast<double>(i)));
    }
    fadeIn(b, attack);
    fadeOut(b, release);
    return b;
}

Buffer glide(double hz0, double hz1, double seconds, double decay)
{
    Buffer b = silence(seconds);
    double phase = 0.0;
    for (size_t i = 0; i < b.size(); i++) {
        double t = static_cast<double>(i) / static_cast<double>(b.size());
        double f = hz0 * std::pow(hz1 / hz0, t);
        phase += 2.0 * PI * f / RATE;
        b[i] = static_cast<float>(std::sin(phase) * std::exp(-static_cast<double>(i) / RATE / decay));
    }
    fadeIn(b, 0.002);
    return b;
}

Buffer sweptNoise(double seconds, double f0, double f1, double q, uint32_t seed)
{
    // A state-variable band-pass, retuned every sample.
    Buffer b = silence(seconds);
    Noise n(seed);
    double low = 0.0, band = 0.0;
    for (size_t i = 0; i < b.size(); i++) {
        double t = static_cast<double>(i) / static_cast<double>(b.size());
        double fc = f0 * std::pow(f1 / f0, t);
        double f = 2.0 * std::sin(PI * std::min(fc, RATE / 6.0) / RATE);
        double in = n.next();
        low += f * band;
        double high = in - low - band / q;
        band += f * high;
        b[i] = static_cast<float>(band);
    }
    return b;
}

Buffer lowNoise(double seconds, double cutoff, uint32_t seed)
{
    Buffer b = silence(seconds);
    Noise n(seed);
    for (float& x : b) x = n.next();
    lowPass(b, cutoff);
    return b;
}

void fadeIn(Buffer& b, double seconds)
{
    size_t n = std::min(b.size(), static_cast<size_t>(frames(seconds)));
    for (size_t i = 0; i < n; i++) b[i] *= static_cast<float>(i) / static_cast<float>(n);
}

void fadeOut(Buffer& b, double seconds)
{
    size_t n = std::min(b.size(), static_cast<size_t>(frames(seconds)));
    for (size_t i = 0; i < n; i++) b[b.size() - 1 - i] *= static_cast<float>(i) / static_cast<float>(n);
}

void expDecay(Buffer& b, double tau)
{
    for (size_t i = 0; i < b.size(); i++) b[i] *= static_cast<float>(std::exp(-static_cast<double>(i) / RATE / tau));
}

void lowPass(Buffer& b, double cutoff)
{
    double a = 1.0 - std::exp(-2.0 * PI * cutoff / RATE);
    double y = 0.0;
    for (float& x : b) {
        y += a * (x - y);
        x = static_cast<float>(y);
    }
}

void highPass(Buffer& b, double cutoff)
{
    double a = 1.0 - std::exp(-2.0 * PI * cutoff / RATE);
    double y = 0.0;
    for (float& x : b) {
        y += a * (x - y);
        x = static_cast<float>(x - y);
    }
}

float peakOf(const Buffer& b)
{
    float p = 0.0f;
    for (float x : b) p = std::max(p, std::fabs(x));
    return p;
}

void normalise(Buffer& b, float peak)
{
    float p = peakOf(b);
    if (p <= 0.0f) return;
    float g = peak / p;
    for (float& x : b) x *= g;
}

bool encodeOgg(const Buffer& b, float quality, int serial, std::vector<uint8_t>* out)
{
    out->clear();
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, 1, RATE, quality) != 0) {
        vorbis_info_clear(&vi);
        return false;
    }
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_comment_add_tag(&vc, "ENCODER", "ostrimar datagen");
    vorbis_dsp_state vd;
    vorbis_block vb;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, serial);
    ogg_packet header, comments, codebooks;
    vorbis_analysis_headerout(&vd, &vc, &header, &comments, &codebooks);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comments);
    ogg_stream_packetin(&os, &codebooks);
    ogg_page page;
    auto append = [&](const ogg_page& pg) {
        out->insert(out->end(), pg.header, pg.header + pg.header_len);
        out->insert(out->end(), pg.body, pg.body + pg.body_len);
    };
    while (ogg_stream_flush(&os, &page) != 0) append(page);
    size_t done = 0;
    bool eos = false;
    while (!eos) {
        size_t chunk = std::min<size_t>(4096, b.size() - done);
        if (chunk == 0) {
            vorbis_analysis_wrote(&vd, 0);
        } else {
            float** buf = vorbis_analysis_buffer(&vd, static_cast<int>(chunk));
            std::memcpy(buf[0], b.data() + done, chunk * sizeof(float));
            vorbis_analysis_wrote(&vd, static_cast<int>(chunk));
            done += chunk;
        }
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet op;
            while (vorbis_bitrate_flushpacket(&vd, &op)) {
                ogg_stream_packetin(&os, &op);
                while (ogg_stream_pageout(&os, &page) != 0) {
                    append(page);
                    if (ogg_page_eos(&page)) eos = true;
                }
            }
        }
        if (chunk == 0) eos = true;
    }
    while (ogg_stream_flush(&os, &page) != 0) append(page);
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return !out->empty();
}

bool writeBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

bool writeWav(const std::string& path, const Buffer& b)
{
    std::vector<uint8_t> w;
    auto u32 = [&](uint32_t v) { for (int i = 0; i < 4; i++) w.push_back(static_cast<uint8_t>(v >> (8 * i))); };
    auto u16 = [&](uint16_t v) { w.push_back(static_cast<uint8_t>(v)); w.push_back(static_cast<uint8_t>(v >> 8)); };
    uint32_t dataBytes = static_cast<uint32_t>(b.size() * 2);
    w.insert(w.end(), {'R', 'I', 'F', 'F'});
    u32(36 + dataBytes);
    w.insert(w.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    u32(16);
    u16(1);
    u16(1);
    u32(RATE);
    u32(RATE * 2);
    u16(2);
    u16(16);
    w.insert(w.end(), {'d', 'a', 't', 'a'});
    u32(dataBytes);
    for (float x : b) {
        int v = static_cast<int>(std::lround(std::clamp(x, -1.0f, 1.0f) * 32767.0f));
        u16(static_cast<uint16_t>(static_cast<int16_t>(v)));
    }
    return writeBytes(path, w);
}

} // namespace synth
