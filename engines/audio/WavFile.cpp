#include "WavFile.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace audio {

namespace {

uint32_t le32(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t le16(const unsigned char* p) {
    return uint16_t(p[0] | p[1] << 8);
}

void put32(unsigned char* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}
void put16(unsigned char* p, uint16_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

int bytesOf(WavFormat f) {
    switch (f) {
    case WavFormat::Int8:
        return 1;
    case WavFormat::Int16:
        return 2;
    case WavFormat::Int24:
        return 3;
    case WavFormat::Int32:
    case WavFormat::Float32:
        return 4;
    case WavFormat::Float64:
        return 8;
    }
    return 2;
}

float decode(const unsigned char* p, WavFormat f) {
    switch (f) {
    case WavFormat::Int8:
        return (float(p[0]) - 128.0f) / 128.0f;
    case WavFormat::Int16:
        return float(int16_t(le16(p))) / 32768.0f;
    case WavFormat::Int24: {
        int32_t v = int32_t(uint32_t(p[0]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 24);
        return float(v >> 8) / 8388608.0f;
    }
    case WavFormat::Int32:
        return float(double(int32_t(le32(p))) / 2147483648.0);
    case WavFormat::Float32: {
        uint32_t bits = le32(p);
        float v;
        std::memcpy(&v, &bits, sizeof v);
        return std::isfinite(v) ? v : 0.0f;
    }
    case WavFormat::Float64: {
        uint64_t bits = uint64_t(le32(p)) | uint64_t(le32(p + 4)) << 32;
        double v;
        std::memcpy(&v, &bits, sizeof v);
        return std::isfinite(v) ? float(v) : 0.0f;
    }
    }
    return 0.0f;
}

void encode(float x, unsigned char* p, WavFormat f) {
    const double v = std::isfinite(x) ? std::clamp(double(x), -1.0, 1.0) : 0.0;
    switch (f) {
    case WavFormat::Int8:
        p[0] = static_cast<unsigned char>(std::lround(std::min(v * 128.0 + 128.0, 255.0)));
        break;
    case WavFormat::Int16:
        put16(p, uint16_t(int16_t(std::lround(std::min(v * 32768.0, 32767.0)))));
        break;
    case WavFormat::Int24: {
        const int32_t s = int32_t(std::lround(std::min(v * 8388608.0, 8388607.0)));
        p[0] = static_cast<unsigned char>(s);
        p[1] = static_cast<unsigned char>(s >> 8);
        p[2] = static_cast<unsigned char>(s >> 16);
        break;
    }
    case WavFormat::Int32:
        put32(p, uint32_t(int32_t(std::llround(std::min(v * 2147483648.0, 2147483647.0)))));
        break;
    case WavFormat::Float32: {
        const float fv = float(v);
        uint32_t bits;
        std::memcpy(&bits, &fv, sizeof bits);
        put32(p, bits);
        break;
    }
    case WavFormat::Float64: {
        uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        put32(p, uint32_t(bits));
        put32(p + 4, uint32_t(bits >> 32));
        break;
    }
    }
}

} // namespace

WavReader::~WavReader() {
    close();
}

void WavReader::close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    framesLeft_ = 0;
}

bool WavReader::fail(const std::string& why) {
    close();
    error_ = why;
    return false;
}

bool WavReader::open(const std::string& path) {
    close();
    info_ = WavInfo{};
    error_.clear();
    // "-" is standard input. Pipes and FIFOs are read as streams of unknown length; opening
    // one never blocks, and one that nobody writes to within a few seconds is given up.
    const bool stdinPath = path == "-";
    struct stat st {};
    if (stdinPath ? ::fstat(0, &st) != 0 : ::stat(path.c_str(), &st) != 0)
        return fail("cannot open " + path + ": " + std::strerror(errno));
    if (S_ISDIR(st.st_mode)) return fail(path + " is a directory");
    const bool stream = !S_ISREG(st.st_mode);
    const int fd = stdinPath ? ::dup(0) : ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return fail("cannot open " + path + ": " + std::strerror(errno));
    if (stream) {
        pollfd pfd{fd, POLLIN, 0};
        int ready = 0;
        do {
            ready = ::poll(&pfd, 1, 5000);
        } while (ready < 0 && errno == EINTR);
        if (ready == 0) {
            ::close(fd);
            return fail(path + ": no data arrived within 5 s (is anything writing to it?)");
        }
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    file_ = ::fdopen(fd, "rb");
    if (!file_) {
        ::close(fd);
        return fail("cannot open " + path + ": " + std::strerror(errno));
    }
    const uint64_t fileSize = stream ? std::numeric_limits<uint64_t>::max() : uint64_t(st.st_size);
    if (fileSize == 0) return fail(path + " is empty");

    unsigned char head[12];
    const size_t headLen = std::fread(head, 1, 12, file_);
    if (headLen == 0) return fail(path + " is empty");
    if (headLen != 12) return fail(path + " is too short to be a WAV file");
    if (std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0)
        return fail(path + " is not a WAV file (no RIFF/WAVE header)");

    bool haveFormat = false;
    int tag = 0, bits = 0, blockAlign = 0;
    uint64_t pos = 12;
    for (;;) {
        unsigned char chunk[8];
        if (std::fread(chunk, 1, 8, file_) != 8)
            return fail(path + (haveFormat ? ": no data chunk" : ": no format chunk") +
                        " (file truncated?)");
        pos += 8;
        const uint32_t size = le32(chunk + 4);
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (size < 16 || size > 1024) return fail(path + ": malformed format chunk");
            unsigned char fmt[1024];
            if (std::fread(fmt, 1, size, file_) != size)
                return fail(path + ": format chunk cut short (file truncated)");
            tag = le16(fmt);
            info_.channels = le16(fmt + 2);
            info_.sampleRate = int(std::min<uint32_t>(le32(fmt + 4), 0x7fffffff));
            blockAlign = le16(fmt + 12);
            bits = le16(fmt + 14);
            if (tag == 0xFFFE) {
                if (size < 40) return fail(path + ": malformed extensible format chunk");
                tag = le16(fmt + 24); // the sub-format GUID starts with the plain tag
            }
            if (size & 1) std::fgetc(file_);
            pos += size + (size & 1);
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat) return fail(path + ": data chunk before the format chunk");
            uint64_t bytes = size;
            const uint64_t present = fileSize > pos ? fileSize - pos : 0;
            if (size == 0xFFFFFFFFu) {
                bytes = present; // written by a recorder that never came back to fill it in
            } else if (bytes > present) {
                info_.truncated = true;
                bytes = present;
            }
            if (info_.channels < 1 || info_.channels > 64)
                return fail(path + ": unsupported channel count " + std::to_string(info_.channels));
            if (info_.sampleRate < 1000 || info_.sampleRate > 768000)
                return fail(path + ": unsupported sample rate " + std::to_string(info_.sampleRate));
            if (tag == 1 && bits == 8)
                info_.format = WavFormat::Int8;
            else if (tag == 1 && bits == 16)
                info_.format = WavFormat::Int16;
            else if (tag == 1 && bits > 16 && bits <= 24)
                info_.format = WavFormat::Int24;
            else if (tag == 1 && bits > 24 && bits <= 32)
                info_.format = WavFormat::Int32;
            else if (tag == 3 && bits == 32)
                info_.format = WavFormat::Float32;
            else if (tag == 3 && bits == 64)
                info_.format = WavFormat::Float64;
            else
                return fail(path + ": unsupported sample format (format tag " +
                            std::to_string(tag) + ", " + std::to_string(bits) + " bits)");
            bytesPerSample_ = bytesOf(info_.format);
            if (blockAlign != bytesPerSample_ * info_.channels)
                return fail(path + ": inconsistent block alignment");
            info_.frames = bytes / uint64_t(blockAlign);
            framesLeft_ = info_.frames;
            return true;
        } else {
            const uint64_t skip = uint64_t(size) + (size & 1);
            if (pos + skip > fileSize)
                return fail(path + ": chunk runs past the end of the file (truncated)");
            if (stream) {
                unsigned char sink[4096];
                for (uint64_t left = skip; left > 0;) {
                    const size_t n =
                        std::fread(sink, 1, size_t(std::min<uint64_t>(left, 4096)), file_);
                    if (n == 0) return fail(path + ": chunk runs past the end of the stream");
                    left -= n;
                }
            } else if (std::fseek(file_, long(skip), SEEK_CUR) != 0) {
                return fail(path + ": cannot seek");
            }
            pos += skip;
        }
    }
}

size_t WavReader::read(float* out, size_t max) {
    if (!file_ || framesLeft_ == 0 || max == 0) return 0;
    const size_t frameBytes = size_t(bytesPerSample_) * size_t(info_.channels);
    size_t want = size_t(std::min<uint64_t>(framesLeft_, max));
    want = std::min<size_t>(want, 65536);
    raw_.resize(want * frameBytes);
    const size_t got = std::fread(raw_.data(), frameBytes, want, file_);
    for (size_t i = 0; i < got; ++i)
        out[i] = decode(raw_.data() + i * frameBytes, info_.format);
    framesLeft_ = got < want ? 0 : framesLeft_ - got;
    return got;
}

bool loadWav(const std::string& path, std::vector<float>& samples, std::string& error,
             WavInfo* info) {
    WavSource source;
    samples.clear();
    if (!source.open(path)) {
        error = source.error();
        return false;
    }
    if (info) *info = source.info();
    const double expect = double(source.info().frames) * kWorkingRate / source.info().sampleRate;
    samples.reserve(size_t(expect) + 64);
    float block[4096];
    while (size_t n = source.read(block, 4096))
        samples.insert(samples.end(), block, block + n);
    error.clear();
    return true;
}

WavWriter::~WavWriter() {
    close();
}

bool WavWriter::open(const std::string& path, int sampleRate, int channels, WavFormat format) {
    close();
    error_.clear();
    ok_ = true;
    dataBytes_ = 0;
    if (sampleRate < 1000 || sampleRate > 768000 || channels < 1 || channels > 64) {
        error_ = "unsupported WAV layout";
        return false;
    }
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) {
        error_ = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    channels_ = channels;
    format_ = format;
    const int bps = bytesOf(format);
    unsigned char h[44] = {};
    std::memcpy(h, "RIFF", 4);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    put32(h + 16, 16);
    put16(h + 20, (format == WavFormat::Float32 || format == WavFormat::Float64) ? 3 : 1);
    put16(h + 22, uint16_t(channels));
    put32(h + 24, uint32_t(sampleRate));
    put32(h + 28, uint32_t(sampleRate * bps * channels));
    put16(h + 32, uint16_t(bps * channels));
    put16(h + 34, uint16_t(bps * 8));
    std::memcpy(h + 36, "data", 4);
    if (std::fwrite(h, 1, 44, file_) != 44) {
        error_ = "cannot write " + path;
        ok_ = false;
    }
    return ok_;
}

bool WavWriter::write(const float* interleaved, size_t frames) {
    if (!file_) return false;
    const int bps = bytesOf(format_);
    const size_t n = frames * size_t(channels_);
    raw_.resize(n * size_t(bps));
    for (size_t i = 0; i < n; ++i)
        encode(interleaved[i], raw_.data() + i * size_t(bps), format_);
    if (std::fwrite(raw_.data(), 1, raw_.size(), file_) != raw_.size()) {
        error_ = std::string("write failed: ") + std::strerror(errno);
        ok_ = false;
    }
    dataBytes_ += raw_.size();
    return ok_;
}

bool WavWriter::close() {
    if (!file_) return ok_;
    const uint32_t data = uint32_t(std::min<uint64_t>(dataBytes_, 0xFFFFFFF0u));
    if (data & 1) std::fputc(0, file_);
    unsigned char v[4];
    put32(v, 36 + data + (data & 1));
    bool ok = std::fseek(file_, 4, SEEK_SET) == 0 && std::fwrite(v, 1, 4, file_) == 4;
    put32(v, data);
    ok = ok && std::fseek(file_, 40, SEEK_SET) == 0 && std::fwrite(v, 1, 4, file_) == 4;
    ok = (std::fclose(file_) == 0) && ok;
    file_ = nullptr;
    if (!ok && error_.empty()) error_ = "cannot finish the WAV header";
    ok_ = ok_ && ok;
    return ok_;
}

bool WavSource::open(const std::string& path) {
    ended_ = eof_ = anyInput_ = false;
    pending_.clear();
    pendingPos_ = 0;
    if (!reader_.open(path)) return false;
    resampler_ = std::make_unique<Resampler>(reader_.info().sampleRate, kWorkingRate);
    // Zeros pushed through at the end bring out the last samples the filter holds back.
    tailLeft_ = resampler_->latency();
    return true;
}

size_t WavSource::read(float* out, size_t max) {
    size_t done = 0;
    while (done < max && !ended_) {
        if (pendingPos_ < pending_.size()) {
            const size_t n = std::min(max - done, pending_.size() - pendingPos_);
            std::copy_n(pending_.begin() + long(pendingPos_), n, out + done);
            pendingPos_ += n;
            done += n;
            continue;
        }
        pending_.clear();
        pendingPos_ = 0;
        in_.resize(4096);
        size_t got = eof_ ? 0 : reader_.read(in_.data(), in_.size());
        if (got > 0) anyInput_ = true;
        if (got == 0) {
            eof_ = true;
            if (!anyInput_) tailLeft_ = 0; // a file without samples gives none
            if (tailLeft_ == 0) {
                ended_ = true;
                break;
            }
            got = std::min(tailLeft_, in_.size());
            std::fill_n(in_.begin(), got, 0.0f);
            tailLeft_ -= got;
        }
        resampler_->process(in_.data(), got, pending_);
    }
    return done;
}

} // namespace audio
