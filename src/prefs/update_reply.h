#pragma once

// The weekly update check's small pure parts: where it asks, when it is due,
// what the answer says, and which of the answer's addresses we may open.
// Nothing here touches a file or the network.

#include "player/settings.h"

#include <string>
#include <string_view>

namespace kesto {

// The host the check asks unless `Tweak`/`update_server` names another. Names
// under .invalid never resolve, so no stranger's server can answer for us.
inline constexpr std::string_view kDefaultUpdateServer = "update.kesto.invalid";

// What the server answered: line 1 the download page, line 2 the newest
// version, the lines after it the message (joined with "\r", as the boxes
// take it). `lines` counts the lines read, so a short reply can be told
// from one whose lines are empty.
struct UpdateReply {
    std::string address;
    std::string version;
    std::string message;
    int lines = 0;
    // Only a reply with a second line has a version to compare.
    bool hasVersion() const { return lines >= 2; }
};

// Lines end at "\n", "\r\n" or a lone "\r"; a last line needs no ending.
UpdateReply parseUpdateReply(std::string_view bytes);

// True only for an http:// or https:// address (any case) with a host and no
// blank or control character: the desktop would hand anything else (a local
// file, a script) to whatever program claims it.
bool isOpenableAddress(std::string_view address);

// The request for `host` (a name or address, with an optional ":port"); empty
// when the setting holds something that is not a host, so no request is made.
std::string updateCheckUrl(std::string_view host);

// The check runs when it is switched on and the last attempt is 7 days or
// more away from today, in either direction (a clock set back counts too).
bool updateCheckDue(bool autoUpdate, Date today, Date lastCheck);

} // namespace kesto
