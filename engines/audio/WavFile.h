#pragma once
// WAV files: a streaming reader for any PCM layout a user is likely to hand us, and a writer.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "AudioIo.h"
#include "Resampler.h"

namespace audio {

enum class WavFormat { Int8, Int16, Int24, Int32, Float32, Float64 };

struct WavInfo {
    int sampleRate = 0;
    int channels = 0;
    WavFormat format = WavFormat::Int16;
    uint64_t frames = 0;    // frames actually present in the file
    bool truncated = false; // the data chunk claims more than the file holds
};

// Reads the first channel of a WAV file as float samples in -1..1 at the file's own rate.
class WavReader {
public:
    WavReader() = default;
    ~WavReader();
    WavReader(const WavReader&) = delete;
    WavReader& operator=(const WavReader&) = delete;

    // Opens and checks the header. On failure returns false and error() says why.
    bool open(const std::string& path);
    void close();

    const WavInfo& info() const { return info_; }
    const std::string& error() const { return error_; }

    // Reads up to max frames of the first channel; returns how many (0 at the end).
    size_t read(float* out, size_t max);

private:
    bool fail(const std::string& why);
    std::FILE* file_ = nullptr;
    WavInfo info_;
    uint64_t framesLeft_ = 0;
    int bytesPerSample_ = 0;
    std::vector<unsigned char> raw_;
    std::string error_;
};

// Reads a whole file, first channel, converted to the working rate. Returns false with error set
// when the file cannot be used; info (if given) receives the file's own layout.
bool loadWav(const std::string& path, std::vector<float>& samples, std::string& error,
             WavInfo* info = nullptr);

// Writes interleaved float samples (clipped to -1..1) in the given layout.
class WavWriter {
public:
    WavWriter() = default;
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    bool open(const std::string& path, int sampleRate, int channels = 1,
              WavFormat format = WavFormat::Int16);
    // Writes frames × channels interleaved samples.
    bool write(const float* interleaved, size_t frames);
    // Fixes up the header sizes; returns false if anything failed to reach the disk.
    bool close();
    const std::string& error() const { return error_; }

private:
    std::FILE* file_ = nullptr;
    int channels_ = 1;
    WavFormat format_ = WavFormat::Int16;
    uint64_t dataBytes_ = 0;
    bool ok_ = true;
    std::string error_;
    std::vector<unsigned char> raw_;
};

// A WAV file as a receive source at the working rate; once the file is played out it ends.
class WavSource : public SampleSource {
public:
    bool open(const std::string& path);
    const std::string& error() const { return reader_.error(); }
    const WavInfo& info() const { return reader_.info(); }

    size_t read(float* out, size_t max) override;
    bool ended() const override { return ended_; }

private:
    WavReader reader_;
    std::unique_ptr<Resampler> resampler_;
    std::vector<float> in_;
    std::vector<float> pending_;
    size_t pendingPos_ = 0;
    size_t tailLeft_ = 0; // zeros still to push through the resampler to flush its output
    bool eof_ = false;
    bool ended_ = false;
    bool anyInput_ = false;
};

} // namespace audio
