#pragma once

// Recording a playing stream to a WAV file: the record command, the capture
// hook on the output, the end of a recording with its questions and the
// save, and the recorder's line on the time label. UI thread only.

#include <cstdint>
#include <string>

namespace kesto {

class Player;

// Installs the hook on the output if none is (a fresh capture session);
// unless `preRecordOnly`, the recording proper starts.
void StartCapture(Player& player, bool preRecordOnly);
// Removes the hook and lets the writer finish the temp file.
void StopCapture(Player& player);
// Stops capturing; if recording, offers to save the WAV. The temp files
// go, unless a save failed.
void FinishRecording(Player& player);
// RecordStartAc.
void recordStartCommand(Player& player);
// While recording, every stream tick: the free space on the time label, and
// the stop when the writer had to stop. True while recording.
bool RecordingStatusTick(Player& player);

// "正在录制...  剩余: 1:05 (1,234 MB)" for `freeBytes` at `bytesPerSecond`.
std::string recordingText(std::uint64_t freeBytes, std::uint32_t bytesPerSecond);
// "Mix yyyy-mm-dd hh-nn.wav" of the local time now.
std::string proposedRecordingName();

} // namespace kesto
