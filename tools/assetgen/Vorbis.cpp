#include "Vorbis.h"

#include <sndfile.h>
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace assetgen {

namespace {

constexpr std::size_t kChunkFrames = 4096;

// One encoder and the Ogg stream its packets go into, writing pages to a file.
class VorbisWriter {
  public:
    VorbisWriter(std::FILE* file, float quality, std::uint32_t serial) : m_file(file) {
        vorbis_info_init(&m_info);
        m_ready = vorbis_encode_init_vbr(&m_info, 2, kSampleRate, quality) == 0;
        vorbis_comment_init(&m_comment);
        if (m_ready) {
            vorbis_analysis_init(&m_dsp, &m_info);
            vorbis_block_init(&m_dsp, &m_block);
        }
        ogg_stream_init(&m_stream, static_cast<int>(serial));
    }
    ~VorbisWriter() {
        ogg_stream_clear(&m_stream);
        if (m_ready) {
            vorbis_block_clear(&m_block);
            vorbis_dsp_clear(&m_dsp);
        }
        vorbis_comment_clear(&m_comment);
        vorbis_info_clear(&m_info);
    }
    VorbisWriter(const VorbisWriter&) = delete;
    VorbisWriter& operator=(const VorbisWriter&) = delete;

    bool writeHeaders() {
        ogg_packet identification, comment, codebooks;
        vorbis_analysis_headerout(&m_dsp, &m_comment, &identification, &comment, &codebooks);
        ogg_stream_packetin(&m_stream, &identification);
        ogg_stream_packetin(&m_stream, &comment);
        ogg_stream_packetin(&m_stream, &codebooks);
        return writePages(true);  // the audio starts on a page of its own
    }

    // Encodes frames [from, from + count); a count of 0 ends the stream.
    bool encode(const Stereo& audio, std::size_t from, std::size_t count) {
        if (count > 0) {
            float** buffer = vorbis_analysis_buffer(&m_dsp, static_cast<int>(count));
            for (std::size_t i = 0; i < count; ++i) {
                buffer[0][i] = clipped(audio.left[from + i]);
                buffer[1][i] = clipped(audio.right[from + i]);
            }
        }
        vorbis_analysis_wrote(&m_dsp, static_cast<int>(count));
        return drain(count == 0);
    }

    bool ready() const { return m_ready; }

  private:
    static float clipped(double sample) {
        return static_cast<float>(std::clamp(sample, -1.0, 1.0));
    }

    bool drain(bool last) {
        ogg_packet packet;
        while (vorbis_analysis_blockout(&m_dsp, &m_block) == 1) {
            vorbis_analysis(&m_block, nullptr);
            vorbis_bitrate_addblock(&m_block);
            while (vorbis_bitrate_flushpacket(&m_dsp, &packet) == 1) {
                ogg_stream_packetin(&m_stream, &packet);
                if (!writePages(false)) {
                    return false;
                }
            }
        }
        return !last || writePages(true);
    }

    bool writePages(bool flush) {
        ogg_page page;
        while ((flush ? ogg_stream_flush(&m_stream, &page)
                      : ogg_stream_pageout(&m_stream, &page)) != 0) {
            const auto header = static_cast<std::size_t>(page.header_len);
            const auto body = static_cast<std::size_t>(page.body_len);
            if (std::fwrite(page.header, 1, header, m_file) != header ||
                std::fwrite(page.body, 1, body, m_file) != body) {
                return false;
            }
        }
        return true;
    }

    std::FILE* m_file;
    bool m_ready = false;
    vorbis_info m_info{};
    vorbis_comment m_comment{};
    vorbis_dsp_state m_dsp{};
    vorbis_block m_block{};
    ogg_stream_state m_stream{};
};

bool encodeAll(VorbisWriter& writer, const Stereo& audio) {
    if (!writer.ready() || !writer.writeHeaders()) {
        return false;
    }
    for (std::size_t from = 0; from < audio.frames(); from += kChunkFrames) {
        if (!writer.encode(audio, from, std::min(kChunkFrames, audio.frames() - from))) {
            return false;
        }
    }
    return writer.encode(audio, audio.frames(), 0);
}

bool encodeFile(const std::string& path, const Stereo& audio, float quality, std::uint32_t serial) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "assetgen: cannot write %s\n", path.c_str());
        return false;
    }
    bool written = false;
    {
        VorbisWriter writer(file, quality, serial);
        written = encodeAll(writer, audio);
    }
    written = std::fclose(file) == 0 && written;
    if (!written) {
        std::fprintf(stderr, "assetgen: cannot encode %s\n", path.c_str());
    }
    return written;
}

// The largest sample of the file as a player decodes it, or -1.
double decodedPeak(const std::string& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) {
        return -1.0;
    }
    std::vector<float> block(4096 * static_cast<std::size_t>(info.channels));
    double peak = 0.0;
    for (sf_count_t read = 0; (read = sf_read_float(file, block.data(), 4096)) > 0;) {
        for (sf_count_t i = 0; i < read * info.channels; ++i) {
            peak =
                std::max(peak, static_cast<double>(std::fabs(block[static_cast<std::size_t>(i)])));
        }
    }
    sf_close(file);
    return peak;
}

Stereo scaled(const Stereo& audio, double gain) {
    Stereo result = audio;
    for (Mono* channel : {&result.left, &result.right}) {
        for (double& sample : *channel) {
            sample *= gain;
        }
    }
    return result;
}

}  // namespace

bool writeVorbis(const std::string& path, const Stereo& audio, float quality,
                 std::uint32_t serial) {
    if (!encodeFile(path, audio, quality, serial)) {
        return false;
    }
    // The codec rings around sharp transients (a campfire's crackles), so a
    // loop that peaks below full scale may decode above it: such a loop is
    // encoded again, quieter by the overshoot, until it decodes below.
    double gain = 1.0;
    for (int attempt = 0; attempt < 4; ++attempt) {
        const double peak = decodedPeak(path);
        if (peak < kMaxDecodedPeak) {
            return peak >= 0.0;
        }
        gain *= kMaxDecodedPeak / peak;
        if (!encodeFile(path, scaled(audio, gain), quality, serial)) {
            return false;
        }
    }
    std::fprintf(stderr, "assetgen: %s still decodes above full scale\n", path.c_str());
    return false;
}

}  // namespace assetgen
