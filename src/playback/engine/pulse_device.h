#pragma once

// Output through PulseAudio: one playback stream per playing output stream,
// fed from its write callback on the connection's loop thread. The server
// holds about kTargetLatencyMs; the rest of the output's buffer stays with
// us, so the volume (applied as the device pulls) is heard quickly. The
// position comes from the server's interpolated playback clock.

#include "playback/engine/output_device.h"
#include "playback/engine/pulse_connection.h"

#include <memory>
#include <string>

namespace kesto {

class PulseDevice final : public OutputDevice {
public:
    // `sink` empty = the server's default sink.
    PulseDevice(std::shared_ptr<PulseConnection> connection, std::string sink)
        : connection_(std::move(connection)), sink_(std::move(sink)) {}

    std::unique_ptr<DeviceChannel> openChannel(const PcmFormat& format, PcmSource& source,
                                               AudioError& error) override;
    std::int64_t latencyBytes(const PcmFormat& format) const override;

    static constexpr int kTargetLatencyMs = 200;

private:
    std::shared_ptr<PulseConnection> connection_;
    std::string sink_;
};

} // namespace kesto
