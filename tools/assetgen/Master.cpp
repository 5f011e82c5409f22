#include "Master.h"

#include <algorithm>

namespace assetgen {

namespace {

constexpr std::size_t kEndFade = 144;  // three milliseconds

// Gain of the sound's last few milliseconds: a one-shot that is cut before
// it has fully decayed would otherwise end in a click.
double endFade(std::size_t index, std::size_t length) {
    const std::size_t remaining = length - index;
    return remaining >= kEndFade ? 1.0 : static_cast<double>(remaining) / kEndFade;
}

}  // namespace

void addWrapped(Mono& target, std::size_t start, const Mono& source, double gain) {
    const std::size_t length = target.size();
    std::size_t index = start % length;
    for (std::size_t i = 0; i < source.size(); ++i) {
        target[index] += source[i] * gain * endFade(i, source.size());
        if (++index == length) {
            index = 0;
        }
    }
}

void addWrapped(Stereo& target, std::size_t start, const Mono& source, double gain, double pan) {
    // Constant-power pan law, pan in [-1, 1].
    const double angle = (pan + 1.0) * kPi / 4.0;
    const double left = gain * std::cos(angle);
    const double right = gain * std::sin(angle);
    const std::size_t length = target.frames();
    std::size_t index = start % length;
    for (std::size_t i = 0; i < source.size(); ++i) {
        const double value = source[i] * endFade(i, source.size());
        target.left[index] += value * left;
        target.right[index] += value * right;
        if (++index == length) {
            index = 0;
        }
    }
}

namespace {

constexpr double kClickPeak = 0.7079;   // -3 dBFS
constexpr std::size_t kOnsetRamp = 12;  // a quarter millisecond
constexpr std::size_t kTailFade = 240;  // five milliseconds

// Shape that is zero at both ends: a short onset ramp and a cosine tail fade.
double edgeWindow(std::size_t index, std::size_t length) {
    double weight = std::min(1.0, static_cast<double>(index + 1) / kOnsetRamp);
    const std::size_t fade = std::min(kTailFade, length / 4);
    if (index + fade >= length) {
        const double x = static_cast<double>(length - 1 - index) / static_cast<double>(fade);
        weight *= 0.5 - 0.5 * std::cos(kPi * x);
    }
    return weight;
}

}  // namespace

void finishClick(Mono& samples) {
    const std::size_t length = samples.size();
    double sum = 0.0;
    double weightSum = 0.0;
    for (std::size_t i = 0; i < length; ++i) {
        const double weight = edgeWindow(i, length);
        samples[i] = (samples[i] * weight);
        sum += samples[i];
        weightSum += weight;
    }
    // Subtracting the mean in the window's shape leaves exactly zero DC while
    // keeping both ends at silence.
    const double mean = sum / weightSum;
    double peak = 0.0;
    for (std::size_t i = 0; i < length; ++i) {
        samples[i] = (samples[i] - mean * edgeWindow(i, length));
        peak = std::max(peak, std::abs(static_cast<double>(samples[i])));
    }
    const double gain = peak > 0.0 ? kClickPeak / peak : 0.0;
    for (double& value : samples) {
        value = (value * gain);
    }
}

double rmsOf(const Stereo& audio) {
    double sum = 0.0;
    for (std::size_t i = 0; i < audio.frames(); ++i) {
        sum += static_cast<double>(audio.left[i]) * audio.left[i];
        sum += static_cast<double>(audio.right[i]) * audio.right[i];
    }
    return std::sqrt(sum / static_cast<double>(2 * std::max<std::size_t>(audio.frames(), 1)));
}

namespace {

constexpr double kKnee = 0.6;
constexpr double kCeiling = 0.97;

double softLimit(double x) {
    const double magnitude = std::abs(x);
    if (magnitude <= kKnee) {
        return x;
    }
    const double room = kCeiling - kKnee;
    const double shaped = kKnee + room * std::tanh((magnitude - kKnee) / room);
    return x < 0.0 ? -shaped : shaped;
}

void scale(Mono& channel, double gain) {
    for (double& value : channel) {
        value = (softLimit(value * gain));
    }
}

}  // namespace

void masterLoop(Stereo& audio, double rmsDb) {
    // Nothing below 25 Hz is heard, but it would count in the level.
    for (Mono* channel : {&audio.left, &audio.right}) {
        Biquad subsonic = Biquad::highpass(25.0, 0.707);
        filterCircular(*channel, [&subsonic](double x) { return subsonic.process(x); });
    }
    const double target = dbToGain(rmsDb);
    // The limiter lowers the level a little; a few rounds converge on target.
    for (int round = 0; round < 4; ++round) {
        const double rms = rmsOf(audio);
        if (rms <= 0.0) {
            return;
        }
        scale(audio.left, target / rms);
        scale(audio.right, target / rms);
    }
}

}  // namespace assetgen
