// front/render/frame_io.cpp: WAV writing and frame selection for the renderer.
#include "front/render/frame_io.h"

#include <array>
#include <cerrno>
#include <charconv>

namespace {

void put_u16(std::array<uint8_t, 44>& b, size_t at, uint32_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

void put_u32(std::array<uint8_t, 44>& b, size_t at, uint32_t v) {
    put_u16(b, at, v & 0xffffu);
    put_u16(b, at + 2, v >> 16);
}

// The canonical 44-byte header of 16-bit stereo PCM at the render's rate.
std::array<uint8_t, 44> wav_header(uint64_t frames) {
    std::array<uint8_t, 44> b{};
    const uint64_t data_bytes = frames * 4;
    const uint32_t data = data_bytes > 0xffffffffull - 36 ? 0xffffffffu - 36
                                                          : static_cast<uint32_t>(data_bytes);
    const std::array<std::pair<size_t, const char*>, 4> tags = {
        {{0, "RIFF"}, {8, "WAVE"}, {12, "fmt "}, {36, "data"}}};
    for (const auto& [at, tag] : tags)
        for (size_t i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(tag[i]);
    put_u32(b, 4, 36 + data);
    put_u32(b, 16, 16);                                   // fmt chunk size
    put_u16(b, 20, 1);                                    // PCM
    put_u16(b, 22, 2);                                    // channels
    put_u32(b, 24, render_audio_rate);                    // sample rate
    put_u32(b, 28, render_audio_rate * 4);                // bytes per second
    put_u16(b, 32, 4);                                    // bytes per sample frame
    put_u16(b, 34, 16);                                   // bits per sample
    put_u32(b, 40, data);
    return b;
}

bool parse_int(std::string_view text, int64_t* out) {
    if (text.empty()) return false;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, *out);
    return ec == std::errc() && ptr == end && *out >= 0;
}

bool parse_span(std::string_view item, FrameSelection::Span* span) {
    int64_t step = 1;
    if (const size_t slash = item.find('/'); slash != std::string_view::npos) {
        if (!parse_int(item.substr(slash + 1), &step) || step == 0) return false;
        item = item.substr(0, slash);
        if (item.empty()) {  // "/S": every S-th frame from the first
            *span = {0, -1, step};
            return true;
        }
    }
    const size_t dash = item.find('-');
    if (dash == std::string_view::npos) {
        int64_t frame = 0;
        if (!parse_int(item, &frame)) return false;
        *span = {frame, step == 1 ? frame : -1, step};
        return true;
    }
    int64_t first = 0, last = -1;
    if (!parse_int(item.substr(0, dash), &first)) return false;
    if (dash + 1 < item.size() && (!parse_int(item.substr(dash + 1), &last) || last < first))
        return false;
    *span = {first, last, step};
    return true;
}

}  // namespace

bool wav_open(WavWriter* w, const char* path) {
    w->frames = 0;
    w->file = std::fopen(path, "wb");
    if (!w->file) return false;
    // Flushed at once, so that a file that takes nothing (a full disk) fails here, before any
    // frame is rendered.
    const auto header = wav_header(0);
    if (std::fwrite(header.data(), 1, header.size(), w->file) == header.size() &&
        std::fflush(w->file) == 0)
        return true;
    const int error = errno;
    std::fclose(w->file);
    w->file = nullptr;
    errno = error;
    return false;
}

bool wav_write(WavWriter* w, const int16_t* samples, size_t frames) {
    if (!w->file) return false;
    if (frames == 0) return true;  // an empty vector's data() is null, which fwrite must not get
    // Little-endian 16-bit samples, whatever the machine's byte order.
    std::vector<uint8_t> bytes(frames * 4);
    for (size_t i = 0; i < frames * 2; ++i) {
        const auto v = static_cast<uint16_t>(samples[i]);
        bytes[2 * i] = static_cast<uint8_t>(v);
        bytes[2 * i + 1] = static_cast<uint8_t>(v >> 8);
    }
    // A write that fails is not counted, so that the header never claims samples the file lacks.
    if (std::fwrite(bytes.data(), 1, bytes.size(), w->file) != bytes.size() ||
        std::ferror(w->file))
        return false;
    w->frames += frames;
    return true;
}

bool wav_close(WavWriter* w) {
    if (!w->file) return false;
    const auto header = wav_header(w->frames);
    bool ok = std::fflush(w->file) == 0 && std::ferror(w->file) == 0;
    ok = ok && std::fseek(w->file, 0, SEEK_SET) == 0 &&
         std::fwrite(header.data(), 1, header.size(), w->file) == header.size();
    ok = std::fclose(w->file) == 0 && ok;
    w->file = nullptr;
    return ok;
}

bool frame_selection_parse(const std::string& text, FrameSelection* out, std::string* error) {
    out->spans.clear();
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = text.find(',', start);
        const size_t end = comma == std::string::npos ? text.size() : comma;
        const std::string_view item(text.data() + start, end - start);
        FrameSelection::Span span{};
        if (!parse_span(item, &span)) {
            *error = "not a frame, range or stride: \"" + std::string(item) + "\"";
            return false;
        }
        out->spans.push_back(span);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return true;
}

bool frame_selected(const FrameSelection& s, int64_t frame) {
    if (s.spans.empty()) return true;
    for (const FrameSelection::Span& span : s.spans) {
        if (frame < span.first || (span.last >= 0 && frame > span.last)) continue;
        if ((frame - span.first) % span.step == 0) return true;
    }
    return false;
}
