#pragma once

// Connecting to internet radio without holding the window: a worker waits
// a moment (a quick second start replaces it before it has cost anything),
// takes a ticket, opens the stream through the engine and hands the result
// to the UI thread, where ConnectDone plays it or frees it. Everything but
// the worker's own body runs on the UI thread.

#include "playback/engine/audio_types.h"
#include "stream/stream_state.h"

#include <string>

namespace kesto {

class Player;

// The stream branch of OpenDecoders: shows the connecting text and starts a
// TConnectThread for the entry at `index`, replacing any earlier one.
void openStreamDecoders(Player& player, int index, const std::string& entry);

// Starts a connect worker for `url`; the previous one is asked to end.
void startConnectThread(Player& player, const std::string& url);
// Ends the pending connection, if any: a worker still waiting ends without
// connecting, and a result that still comes is freed.
void cancelConnect(Player& player);

// The worker's result on the UI thread. `thread` is the worker's token: a
// worker that was asked to end never plays, whatever its ticket.
void ConnectDone(Player& player, AudioHandle handle, int ticket, int errorCode,
                 const WorkerToken& thread);
// The information shown when a connection fails.
std::string connectErrorText(int errorCode);

// The engine's URL stream, or the test's stand-in; any thread.
ConnectResult openUrl(Player& player, const std::string& url, std::uint32_t flags);
// The engine's tags of a stream, or the test's stand-in.
std::optional<std::string> readStreamTags(Player& player, AudioHandle handle, TagKind kind);

} // namespace kesto
