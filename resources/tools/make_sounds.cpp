// Makes the sounds of the resource directory: the fourteen system sounds (WAV) and "beep.mp3", drawn
// from simple waveforms, and the recorded words (AIFF) that the sentence queue plays, spoken by
// espeak-ng with voice "en". Usage: carrowen_make_sounds <output directory>
#include <espeak-ng/speak_lib.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr int ClipRate = 44100;

using Samples = std::vector<float>;

// Fades both ends over 5 ms so that no clip starts or stops with a click.
void fade(Samples& s, int rate)
{
    const size_t n = std::min(s.size() / 2, size_t(rate / 200));
    for (size_t i = 0; i < n; ++i) {
        const float g = float(i) / float(n);
        s[i] *= g;
        s[s.size() - 1 - i] *= g;
    }
}

Samples render(double seconds, const std::function<double(double)>& wave)
{
    Samples s(size_t(seconds * ClipRate));
    for (size_t i = 0; i < s.size(); ++i) {
        s[i] = float(wave(double(i) / ClipRate));
    }
    fade(s, ClipRate);
    return s;
}

double sine(double f, double t)
{
    return std::sin(2.0 * Pi * f * t);
}

// A deterministic noise source, so that every build makes the same files.
double noise(double t)
{
    const auto x = static_cast<unsigned>(t * ClipRate) * 2654435761U;
    return double((x >> 8) & 0xFFFF) / 32768.0 - 1.0;
}

double tone(double f, double t, double start, double length)
{
    return t >= start && t < start + length ? sine(f, t) * std::exp(-(t - start) * 6.0) : 0.0;
}

std::vector<std::pair<std::string, Samples>> systemSounds()
{
    return {
        {"Basso", render(0.6, [](double t) { return 0.7 * std::tanh(3 * sine(98, t)) * std::exp(-t * 4); })},
        {"Blow",
         render(0.5, [](double t) { return 0.5 * noise(t) * std::sin(Pi * t / 0.5) * (0.5 + 0.5 * sine(6, t)); })},
        {"Bottle", render(0.35, [](double t) { return 0.7 * sine(420 + 300 * t, t) * std::exp(-t * 9); })},
        {"Frog",
         render(0.45, [](double t) { return 0.6 * sine(160, t) * (sine(30, t) > 0 ? 1.0 : 0.2) * std::exp(-t * 3); })},
        {"Funk",
         render(0.5, [](double t) { return 0.5 * (std::fmod(t * 220, 1.0) * 2 - 1) * (0.6 + 0.4 * sine(8, t)); })},
        {"Glass",
         render(1.0, [](double t) { return (0.45 * sine(1568, t) + 0.25 * sine(2349, t)) * std::exp(-t * 4); })},
        {"Hero", render(0.9,
                        [](double t) {
                            return 0.6 * (tone(523, t, 0, 0.2) + tone(659, t, 0.2, 0.2) + tone(784, t, 0.4, 0.2) +
                                          tone(1047, t, 0.6, 0.3));
                        })},
        {"Morse", render(0.55,
                         [](double t) {
                             return 0.6 * (tone(700, t, 0, 0.1) + tone(700, t, 0.2, 0.1) + tone(700, t, 0.4, 0.1));
                         })},
        {"Ping", render(0.6, [](double t) { return 0.7 * sine(1318, t) * std::exp(-t * 7); })},
        {"Pop", render(0.08, [](double t) { return 0.8 * sine(180 - 900 * t, t) * std::exp(-t * 40); })},
        {"Purr",
         render(0.6, [](double t) { return 0.5 * sine(300, t) * (0.5 + 0.5 * sine(35, t)) * std::exp(-t * 2); })},
        {"Sosumi", render(0.6, [](double t) { return 0.7 * (tone(880, t, 0, 0.3) + tone(660, t, 0.3, 0.3)); })},
        {"Submarine",
         render(1.0, [](double t) { return 0.6 * (tone(300, t, 0, 0.6) + 0.4 * tone(300, t, 0.35, 0.65)); })},
        {"Tink", render(0.12, [](double t) { return 0.7 * sine(3000, t) * std::exp(-t * 30); })},
    };
}

bool writeFile(const std::string& path, int format, int rate, const Samples& samples)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 1;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) {
        std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), sf_strerror(nullptr));
        return false;
    }
    const auto written = sf_write_float(file, samples.data(), sf_count_t(samples.size()));
    sf_close(file);
    return written == sf_count_t(samples.size());
}

// ---- Recorded words ----

Samples g_speech;

int collect(short* wav, int count, espeak_EVENT*)
{
    for (int i = 0; wav && i < count; ++i) {
        g_speech.push_back(float(wav[i]) / 32768.0F);
    }
    return 0;
}

// Cuts the silence espeak leaves around a word, keeping 5 ms, so that words follow each other closely.
Samples trimmed(const Samples& s, int rate)
{
    const float threshold = 0.01F;
    size_t first = 0;
    while (first < s.size() && std::fabs(s[first]) < threshold) {
        ++first;
    }
    size_t last = s.size();
    while (last > first && std::fabs(s[last - 1]) < threshold) {
        --last;
    }
    const size_t keep = size_t(rate / 200);
    first = first > keep ? first - keep : 0;
    last = std::min(s.size(), last + keep);
    return Samples(s.begin() + long(first), s.begin() + long(last));
}

// File name (lower case, as the queue looks it up) and what the recording says.
std::vector<std::pair<std::string, std::string>> words()
{
    std::vector<std::pair<std::string, std::string>> list;
    for (int n = 0; n <= 99; ++n) {
        list.emplace_back(std::to_string(n), std::to_string(n));
    }
    const char* same[] = {
        "hundred",   "thousand",  "million",   "billion",  "trillion", "and",      "oh",        "o'clock", "quarter",
        "half",      "past",      "after",     "to",       "before",   "minute",   "minutes",   "monday",  "tuesday",
        "wednesday", "thursday",  "friday",    "saturday", "january",  "march",    "april",     "may",     "june",
        "july",      "august",    "september", "october",  "november", "december", "hello",     "doctor",  "name",
        "continue",  "yesterday", "tomorrow",  "comma",    "period",   "colon",    "semicolon", "minus"};
    for (const char* w : same) {
        list.emplace_back(w, w);
    }
    const std::pair<const char*, const char*> spoken[] = {
        {"sunnday", "Sunday"},
        {"febuary", "February"},
        {"1st", "first"},
        {"2nd", "second"},
        {"3rd", "third"},
        {"th", "[[T]]"},
        {"exclamationmark", "exclamation mark"},
        {"questionmark", "question mark"},
        {"s1", "[[z]]"},
        {"es", "[[I#z]]"},
        {"ing", "[[IN]]"},
        {"ed", "[[I#d]]"},
        {"d1", "[[d]]"},
        {"nt", "[[nt]]"},
    };
    for (const auto& [file, text] : spoken) {
        list.emplace_back(file, text);
    }
    const char* letters[] = {"ay",  "bee", "see", "dee", "ee",         "eff", "gee", "aitch", "eye",
                             "jay", "kay", "el",  "em",  "en",         "oh",  "pee", "cue",   "are",
                             "ess", "tee", "you", "vee", "double you", "ex",  "why", "zed"};
    for (int i = 0; i < 26; ++i) {
        list.emplace_back(std::string(1, char('a' + i)), letters[i]);
    }
    return list;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output directory>\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    for (const auto& [name, samples] : systemSounds()) {
        if (!writeFile(dir + "/" + name + ".wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, ClipRate, samples)) {
            return 1;
        }
    }
    const Samples beep = render(0.2, [](double t) { return 0.7 * sine(880, t); });
    if (!writeFile(dir + "/beep.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, ClipRate, beep)) {
        return 1;
    }

    const int rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, 0);
    if (rate <= 0 || espeak_SetVoiceByName("en") != EE_OK) {
        std::fprintf(stderr, "espeak-ng cannot start with voice \"en\"\n");
        return 1;
    }
    espeak_SetSynthCallback(collect);
    for (const auto& [file, text] : words()) {
        g_speech.clear();
        espeak_Synth(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr, nullptr);
        espeak_Synchronize();
        const Samples word = trimmed(g_speech, rate);
        if (word.empty()) {
            std::fprintf(stderr, "espeak-ng said nothing for \"%s\"\n", text.c_str());
            return 1;
        }
        if (!writeFile(dir + "/" + file + ".aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, rate, word)) {
            return 1;
        }
    }
    // The short pause after a pause mark: 150 ms of silence.
    if (!writeFile(dir + "/waitshort.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, rate, Samples(size_t(rate * 0.15)))) {
        return 1;
    }
    espeak_Terminate();
    return 0;
}
