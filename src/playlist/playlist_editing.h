#pragma once

// The commands that edit the playlist as a whole or its selected lines. They
// work on the playlist state and on the view's selection and focus; where a
// window must do platform work (the clipboard, the trash, a text dialog) the
// command takes or returns plain values, so every rule is testable without one.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kesto {

class Player;

// Del: drops the selected lines. The current line follows its entry (or is
// cleared when it went) and each dropped entry leaves the queue once.
void DeleteSelected(Player& player);

// ---- Delete to the trash (Shift+Del) ----

// What the command would do with the present selection.
struct RealDeletePlan {
    // The selected lines, ascending, and their entries.
    std::vector<int> lines;
    std::vector<std::string> selected;
    // The files to move, in list order without repeats: the selected entries'
    // paths (a title does not belong to the file name; streams have no file).
    std::vector<std::string> files;
    // True when the current line is among the selected ones.
    bool includesCurrent = false;

    bool empty() const { return selected.empty(); }
};

// Nothing happens to the player; an empty playlist or selection gives an empty plan.
RealDeletePlan planRealDelete(const Player& player);

// Our own confirmation, since the desktop's trash asks nothing.
std::string realDeleteQuestion(const RealDeletePlan& plan);

// Moves one file to the trash. On failure returns false and says why in `error`.
using TrashFile = std::function<bool(const std::string& path, std::string& error)>;

// Carries out an approved plan: stops playback when the current entry is
// among the files, moves the files to the trash one by one (stopping at once
// when the first one cannot be moved, as one operation would), reports the
// failures in one error box, then calls finishRealDelete.
void carryOutRealDelete(Player& player, const RealDeletePlan& plan, const TrashFile& trash);

// The list changes only when the first file is really gone: then the selected
// lines leave the playlist, except those whose file is still there. The
// current line is found again by the playing entry; the view is refreshed.
void finishRealDelete(Player& player, const RealDeletePlan& plan, bool firstFileGone);

// The whole command: plan, our Yes/No question through the view, carry out.
void deleteSelectedToTrash(Player& player, const TrashFile& trash);

// ---- Crop, clipboard, clean-up ----

// Ctrl+Del: keeps only the selection (two lines or more), else the queue in
// queue order (emptying it), else says "请至少先选择或队列两个文件。".
void cropPlaylist(Player& player);

// Ctrl+C: the selected entries, whole with their titles, each line ended by
// CR LF; empty when nothing is selected. The window puts it on the clipboard.
std::string copySelectedText(const Player& player);

// Ctrl+X: the same text, then DeleteSelected.
std::string cutSelected(Player& player);

// The entries a clipboard text holds: its lines, ended by LF (as Linux text
// is), CR LF (as the player copies them) or a lone CR; text after the last
// line end is ignored. Blank lines are no entries, and a "file:" URI line is
// the local path it names, as file managers copy files.
std::vector<std::string> clipboardEntries(std::string_view text);

// Ctrl+V: inserts clipboardEntries(text) before the focused line (or at the
// top), selects the pasted lines when they fit on the screen, and finds the
// current line again by the playing entry.
void pasteEntries(Player& player, std::string_view clipboardText);

// Alt+Del: drops the entries that name missing files (missing_files.h: the
// path is tested, streams stay) and says how many went. The current line
// follows its entry.
void removeMissingFiles(Player& player);

// Ctrl+Shift+C: empties the queue and the shuffle history (nothing to do when
// both are empty).
void clearQueueAndHistory(Player& player);

// Ctrl+N: empties the playlist, the queue and the shuffle history.
void clearPlaylist(Player& player);

// ---- Editing one entry (Shift+F2) ----

inline constexpr const char* kEditEntryCaption = "编辑播放列表项目";
inline constexpr const char* kEditEntryPrompt = "项目";

// Shows `text` for editing; true with the edited text on OK.
using EditText = std::function<bool(std::string& text)>;

// Offers the focused entry's whole text to `edit` and stores the result in
// that entry's line. List changes that arrive while `edit` runs wait until it
// returns; should the line hold another entry by then, the answer is dropped.
void editFocusedEntry(Player& player, const EditText& edit);

// The menu's "copy the playing title": the current entry's file name followed
// by CR LF; nothing when there is no current line.
std::optional<std::string> currentEntryNameText(const Player& player);

} // namespace kesto
