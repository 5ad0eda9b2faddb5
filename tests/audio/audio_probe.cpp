// Opens PortAudio the way the engine does and prints the capture devices it finds.
#include <cstdio>

#include "PortAudioDevice.h"

int main() {
    const auto devices = audio::captureDevices();
    std::printf("%zu\n", devices.size());
    for (const auto& d : devices)
        std::printf("%s\n", d.name.c_str());
    std::unique_ptr<audio::PortAudioCapture> capture;
    std::string detail;
    audio::PortAudioCapture::open(-1, capture, detail);
    return 0;
}
