#include "Reverb.h"

#include <array>

namespace assetgen {

namespace {

class Comb {
  public:
    explicit Comb(std::size_t length) : m_buffer(length, 0.0) {}
    double process(double x, double feedback, double damping) {
        const double out = m_buffer[m_index];
        m_store = out * (1.0 - damping) + m_store * damping;
        m_buffer[m_index] = x + m_store * feedback;
        m_index = m_index + 1 == m_buffer.size() ? 0 : m_index + 1;
        return out;
    }

  private:
    std::vector<double> m_buffer;
    std::size_t m_index = 0;
    double m_store = 0.0;
};

class Allpass {
  public:
    explicit Allpass(std::size_t length) : m_buffer(length, 0.0) {}
    double process(double x) {
        const double delayed = m_buffer[m_index];
        m_buffer[m_index] = x + delayed * 0.5;
        m_index = m_index + 1 == m_buffer.size() ? 0 : m_index + 1;
        return delayed - x;
    }

  private:
    std::vector<double> m_buffer;
    std::size_t m_index = 0;
};

constexpr std::array<std::size_t, 8> kCombLengths{1215, 1293, 1390, 1476, 1548, 1623, 1695, 1760};
constexpr std::array<std::size_t, 4> kAllpassLengths{605, 480, 371, 245};

class Channel {
  public:
    explicit Channel(std::size_t spread) {
        for (const std::size_t length : kCombLengths) {
            m_combs.emplace_back(length + spread);
        }
        for (const std::size_t length : kAllpassLengths) {
            m_allpasses.emplace_back(length + spread);
        }
    }
    double process(double x, double feedback, double damping) {
        double sum = 0.0;
        for (Comb& comb : m_combs) {
            sum += comb.process(x, feedback, damping);
        }
        for (Allpass& allpass : m_allpasses) {
            sum = allpass.process(sum);
        }
        return sum;
    }

  private:
    std::vector<Comb> m_combs;
    std::vector<Allpass> m_allpasses;
};

}  // namespace

void reverbLoop(Stereo& audio, double roomSize, double damping, double wet, double dry) {
    Channel left(0);
    Channel right(25);
    const double feedback = 0.7 + 0.28 * roomSize;
    const double gain = wet * 0.03;
    for (int pass = 0; pass < 2; ++pass) {
        for (std::size_t i = 0; i < audio.frames(); ++i) {
            const double input = audio.left[i] + audio.right[i];
            const double l = left.process(input, feedback, damping);
            const double r = right.process(input, feedback, damping);
            if (pass == 1) {
                audio.left[i] = (audio.left[i] * dry + l * gain);
                audio.right[i] = (audio.right[i] * dry + r * gain);
            }
        }
    }
}

}  // namespace assetgen
